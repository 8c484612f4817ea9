// Reading the storage places of a usp_listLokacije answer into a combo box and its location table.
#include "location_table.h"

#include <QComboBox>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

void AppendLocationRows(Recordset* answer, QComboBox& combo, QVector<Tlokacije>& table)
{
    if (!answer)
        return;
    // Filling the box is not the user's choice of a place, so it runs no change handler.
    const QSignalBlocker blocker(combo);
    const bool hadRows = answer->RecordCount() > 0;
    while (!answer->Eof()) {
        Tlokacije place;
        place.id = answer->FieldValue(u"id"_s).asInteger();
        place.ime = answer->FieldValue(u"ime"_s).asString();
        place.opis = answer->FieldValue(u"opis"_s).asString();
        combo.addItem(place.ime);
        table.append(place);
        answer->MoveNext();
    }
    if (hadRows)
        answer->Close();
}
