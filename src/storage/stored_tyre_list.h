// The order list of the two tyre windows: its row records, colours, model, view set-up and the one way it is loaded.
#pragma once

#include "data/recordset.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QVector>

class QTableView;
class QWidget;

// One order whose tyres the workshop stores, as the placement list holds it.
struct Tnevpisani {
    qint32 id = 0; // the order's id
    QString nalogStevilka;
    QString stranka; // "Neznano" when the server sends none
    QString vnesel;
    QString komentar;
    QString datum; // "dd.mm.yyyy"
    qint32 viewed = 0;
    qint32 popisanoShranjevanje = 0; // above 0: the tyres have been placed
    qint32 SHRLokacija = -1;         // id of the place the tyres are in
};

// One row of the search result: the same order with the name of its place.
struct Tvpisani : Tnevpisani {
    QString lokacijaNM;
};

// The colours a row is painted in: green when its tyres are placed, red otherwise, white text.
struct StoredTyreRowColours {
    QColor background;
    QColor text;
};
StoredTyreRowColours RowColoursFor(qint32 popisanoShranjevanje);

// Reads the current row of an answer of usp_listnevneseni or usp_searchShranjeni; the place
// name only when withPlace. DataError for a missing column, a null (except "Stranka") or a
// value of the wrong kind.
Tvpisani ReadStoredTyreRow(const Recordset& answer, bool withPlace);

// The rows of one load, with the columns "Nalog", "Datum", "Stranka", "Vnesel", "Komentar",
// preceded by "Lokacija" when the list shows the place.
class StoredTyreListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StoredTyreListModel)

public:
    enum class Column { Lokacija, Nalog, Datum, Stranka, Vnesel, Komentar, Count };

    StoredTyreListModel(bool withPlace, QObject* parent);

    bool withPlace() const { return withPlace_; }
    const Tvpisani& row(int index) const { return rows_.at(index); }
    int indexOf(Column column) const;

    void clear();
    void appendRow(const Tvpisani& row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    Column columnAt(int section) const;
    QString textOf(const Tvpisani& row, Column column) const;

    bool withPlace_;
    QVector<Tvpisani> rows_;
};

// Gives the view the look of both lists: grid lines, whole-row single selection, read-only,
// hand cursor, black Tahoma 13 px, Tab leaving the list; "Nalog" 70 px wide by default and the
// other columns sharing the width ("Lokacija" at least 200 px), widths and sort the user's and
// remembered under `windowName`. The comments show their line breaks as " / ", and whole in the tooltip.
void SetUpStoredTyreView(QTableView& view, StoredTyreListModel& model, const QString& windowName);

// "Napaka pri preverjanju nalogov " + message + CR LF + "Qry:" + statement, in the "Napaka" box.
void ShowOrderReadFailure(const QString& message, const QString& statement);

// The one loading shape of both lists, after the caller has emptied the model: sends the
// statement the windows' way; a failure text shows the communication-error dialog and leaves
// the list empty; otherwise every row of the answer is appended. A row that cannot be read
// ends the load with the "Napaka pri preverjanju nalogov" box quoting the statement; the rows
// before it stay. Returns true when every row was read.
bool LoadStoredTyreRows(const QString& statement, StoredTyreListModel& model, QTableView& view);
