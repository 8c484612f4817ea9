// The table model of the main order list over its rows, with the row colours as a pure function.
#pragma once

#include "shell/order_list.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QVector>

#include <array>
#include <vector>

// Background and text colour of one list row.
struct OrderRowColours {
    QColor background;
    QColor text;
    friend bool operator==(const OrderRowColours&, const OrderRowColours&) = default;
};

// The colours of row `row` of a list over `rows`: saved 2 is yellow, viewed orders take
// grey and white stripes, new reception orders are blue, other new orders light green.
OrderRowColours OrderRowColoursFor(int row, const QVector<Tnalogi>& rows);
// Whether row `row` takes the grey and white stripes (its colour then depends on its place).
bool TakesStripes(int row, const QVector<Tnalogi>& rows);

// The colours of a row kept from an earlier load while the server cannot be reached: the
// background as its grey tone, the text mid-grey.
OrderRowColours GreyedOut(const OrderRowColours& colours);

// "delovni" for 0, "sprejemni" for 1, "Neznani" otherwise.
QString OrderTypeCaption(qint32 nalogType);

// The places of rows in the order of one column, as ListSortRanks gives them; column -1 when
// the rows were not ranked.
struct OrderListRanks {
    int column = -1;
    std::vector<int> ranks;
};

// What the cell of `row` in list column `column` sorts by: the date as a date, any other
// column its shown text.
QVariant OrderSortValue(const Tnalogi& row, int column);
// The places of `rows` in the order of `column` (a worker may make them while the rows are read).
OrderListRanks RankOrderRows(const QVector<Tnalogi>& rows, int column);

// Holds the rows of the latest load and shows the first shownRows() of them. The main window
// hands over the rows with setRows(), which resets the model once per load.
class OrderListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OrderListModel)

public:
    enum Column { ColNalog, ColTip, ColDatum, ColRegSt, ColStranka, ColAvto, ColumnCount };

    explicit OrderListModel(QObject* parent = nullptr);

    // Removes every row from the view (the held rows are left alone).
    void clearRows();
    // Holds `rows` and shows the first `shown` of them. Ranks made from exactly these rows are
    // given to the sorting layer for their column; others are dropped.
    void setRows(QVector<Tnalogi> rows, int shown, OrderListRanks ranks = {});
    int shownRows() const { return shownRows_; }
    // The held rows; row i of the view is element i.
    const QVector<Tnalogi>& rows() const { return rows_; }
    // Draws the held rows greyed (they are from an earlier load) or normally; setRows clears it.
    void setStale(bool stale);
    bool stale() const { return stale_; }

    void setColumnHeader(Column column, const QString& text);
    // The shown rows whose cell texts in `column` are the longest, at most `count` of them:
    // the widest cells are among them when a column is fitted to its contents.
    QList<int> longestTextRows(int column, int count) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void showRows(int count);

    OrderRowColours coloursOf(int row) const;

    QVector<Tnalogi> rows_;
    OrderListRanks ranks_;
    int shownRows_ = 0;
    bool stale_ = false;
    std::array<QString, ColumnCount> headers_;
};
