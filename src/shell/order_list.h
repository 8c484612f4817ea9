// The main order list's server side: its rows, its statement, where the columns stand in the answer, and one row read.
#pragma once

#include <QDate>
#include <QString>
#include <QVector>

#include <optional>

class Recordset;

// One row of the main order list.
struct Tnalogi {
    qint32 id = 0;
    QString nalogStevilka;
    QString stranka;
    QString vnesel;
    QString komentar;
    QString datum;
    qint32 viewed = 0;
    QString vozilo;
    QString registrska_st;
    qint32 nalogType = 0;
    qint32 saved = 0;
};

// The list statement: filter "2" for all orders, "0" for unbilled ones, the dates one year
// back and ahead of `today` in `dateFormat`, and the search flag and text.
QString OrderListStatement(bool allOrders, const QString& search, const QDate& today, const QString& dateFormat);

// Where the fields of Tnalogi stand in an order-list answer, found once per answer.
struct OrderColumns {
    int id = -1;
    int nalogStevilka = -1;
    int stranka = -1;
    int vnesel = -1;
    int komentar = -1;
    int datum = -1;
    int viewed = -1;
    int vozilo = -1;
    int registrska_st = -1;
    int nalogType = -1;
    int saved = -1;
};

// The columns of an order-list answer, names compared without regard to case; DataError
// for the first missing one, in the order of the Tnalogi fields.
OrderColumns FindOrderColumns(const Recordset& rs);

// The current row of an order-list answer as a Tnalogi; DataError for a value that cannot
// be converted.
Tnalogi ReadOrderRow(const Recordset& rs, const OrderColumns& columns);

// The rows of an order-list answer as read for the list, on whichever thread reads them.
struct OrderRowsRead {
    QVector<Tnalogi> rows; // the rows read, in the answer's order
    int count = 0;         // the answer's RecordCount
    int reselect = -1;     // the last row of the remembered order, -1 when none
    bool failed = false;   // reading stopped at a row that could not be read
    QString failure;       // why, as the user should read it
};

// Reads the rows of `rs` from its cursor on, at most its RecordCount, noting the last row of order
// `selectedId`. A row that cannot be read ends the reading: the rows read so far stay, with the
// failure. Never throws.
OrderRowsRead ReadOrderRows(Recordset& rs, std::optional<qint32> selectedId);

// The search box text as it goes into the statement: leading blanks removed, then every
// apostrophe, double quote and backslash.
QString CleanSearchText(const QString& text);
