// Tlokacije and the reading of the storage places into a combo box and its table, shared by the tyre windows.
#pragma once

#include "data/recordset.h"

#include <QString>
#include <QVector>

class QComboBox;

// One storage place; entry i of a location table belongs to item i of its combo box.
struct Tlokacije {
    qint32 id = -1;
    QString ime;
    QString opis;
};

// Appends every row of the answer (columns "id", "ime", "opis") as a combo item showing ime
// and a table entry at the same index, then closes the answer when it had rows. No answer
// counts as zero rows. A row that cannot be read throws DataError; the rows before it stay.
void AppendLocationRows(Recordset* answer, QComboBox& combo, QVector<Tlokacije>& table);
