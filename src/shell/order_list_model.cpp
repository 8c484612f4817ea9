// The table model of the main order list and the pure row-colour rule.
#include "shell/order_list_model.h"

#include "data/text_helpers.h"

#include "ui/list_sort_proxy.h"

#include <algorithm>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
const QColor StripeGrey(0xCE, 0xCE, 0xCE);
const QColor StripeWhite(0xFF, 0xFF, 0xFF);
const QColor LockedYellow(0xFD, 0xFF, 0x3B);
const QColor ReceptionBlue(0x11, 0x5B, 0xAE);
const QColor WorkGreen(0xA6, 0xF9, 0x8D);
const QColor Black(0, 0, 0);
const QColor White(0xFF, 0xFF, 0xFF);

OrderRowColours Stripe(int row)
{
    return {row % 2 == 0 ? StripeGrey : StripeWhite, Black};
}

// The text a cell of `row` shows in list column `column`.
QString OrderCellText(const Tnalogi& row, int column)
{
    switch (column) {
    case OrderListModel::ColNalog:
        return row.nalogStevilka;
    case OrderListModel::ColTip:
        return OrderTypeCaption(row.nalogType);
    case OrderListModel::ColDatum:
        return row.datum;
    case OrderListModel::ColRegSt:
        return row.registrska_st;
    case OrderListModel::ColStranka:
        return row.stranka;
    case OrderListModel::ColAvto:
        return row.vozilo;
    default:
        return {};
    }
}
} // namespace

bool TakesStripes(int row, const QVector<Tnalogi>& rows)
{
    return row < 0 || row >= rows.size() || (rows[row].saved != 2 && rows[row].viewed > 0);
}

OrderRowColours OrderRowColoursFor(int row, const QVector<Tnalogi>& rows)
{
    if (TakesStripes(row, rows))
        return Stripe(row);
    const Tnalogi& order = rows[row];
    if (order.saved == 2)
        return {LockedYellow, Black};
    if (order.nalogType == 1)
        return {ReceptionBlue, White};
    return {WorkGreen, Black};
}

OrderRowColours GreyedOut(const OrderRowColours& colours)
{
    const int grey = qGray(colours.background.rgb());
    return {QColor(grey, grey, grey), QColor(0x80, 0x80, 0x80)};
}

QString OrderTypeCaption(qint32 nalogType)
{
    switch (nalogType) {
    case 0:
        return u"delovni"_s;
    case 1:
        return u"sprejemni"_s;
    default:
        return u"Neznani"_s;
    }
}

OrderListModel::OrderListModel(QObject* parent)
    : QAbstractTableModel(parent), headers_{u"Nalog"_s, u"Tip"_s, u"Datum"_s, u"Reg. št."_s, u"Stranka"_s, u"Avto"_s}
{
}

void OrderListModel::clearRows()
{
    showRows(0);
}

void OrderListModel::setRows(QVector<Tnalogi> rows, int shown, OrderListRanks ranks)
{
    beginResetModel();
    rows_ = std::move(rows);
    ranks_ = ranks.ranks.size() == std::size_t(rows_.size()) ? std::move(ranks) : OrderListRanks{};
    shownRows_ = std::clamp(shown, 0, int(rows_.size()));
    stale_ = false;
    endResetModel();
}

void OrderListModel::setStale(bool stale)
{
    if (stale_ == stale)
        return;
    stale_ = stale;
    if (shownRows_ > 0)
        emit dataChanged(index(0, 0), index(shownRows_ - 1, ColumnCount - 1), {Qt::BackgroundRole, Qt::ForegroundRole});
}

OrderRowColours OrderListModel::coloursOf(int row) const
{
    const OrderRowColours colours = OrderRowColoursFor(row, rows_);
    return stale_ ? GreyedOut(colours) : colours;
}

void OrderListModel::showRows(int count)
{
    beginResetModel();
    shownRows_ = std::clamp(count, 0, int(rows_.size()));
    endResetModel();
}

void OrderListModel::setColumnHeader(Column column, const QString& text)
{
    headers_[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QList<int> OrderListModel::longestTextRows(int column, int count) const
{
    const int rows = std::min(shownRows_, int(rows_.size()));
    std::vector<std::pair<qsizetype, int>> lengths; // (text length, row)
    lengths.reserve(std::size_t(rows));
    for (int row = 0; row < rows; ++row)
        lengths.emplace_back(OrderCellText(rows_[row], column).size(), row);
    const auto longestFirst = [](const auto& a, const auto& b) { return a.first > b.first; };
    const auto end = lengths.begin() + std::clamp(count, 0, rows);
    std::partial_sort(lengths.begin(), end, lengths.end(), longestFirst);
    QList<int> result;
    for (auto it = lengths.begin(); it != end; ++it)
        result.append(it->second);
    return result;
}

int OrderListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRows_;
}

int OrderListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OrderSortValue(const Tnalogi& row, int column)
{
    if (column == OrderListModel::ColDatum)
        return ParseDisplayDate(row.datum);
    return OrderCellText(row, column);
}

OrderListRanks RankOrderRows(const QVector<Tnalogi>& rows, int column)
{
    if (column < 0 || column >= OrderListModel::ColumnCount)
        return {};
    QList<QVariant> values;
    values.reserve(rows.size());
    for (const Tnalogi& row : rows)
        values.append(OrderSortValue(row, column));
    return {column, ListSortRanks(values)};
}

QVariant OrderListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shownRows_ || index.row() >= rows_.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return OrderCellText(rows_[index.row()], index.column());
    case Qt::BackgroundRole:
        return coloursOf(index.row()).background;
    case Qt::ForegroundRole:
        return coloursOf(index.row()).text;
    case Qt::TextAlignmentRole:
        if (index.column() == ColDatum)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case ListStripesRole:
        if (TakesStripes(index.row(), rows_)) {
            const auto shown = [this](int parity) { return stale_ ? GreyedOut(Stripe(parity)) : Stripe(parity); };
            return QVariant::fromValue(QList<QColor>{shown(0).background, shown(1).background});
        }
        return {};
    case ListSortRole:
        return OrderSortValue(rows_[index.row()], index.column());
    case ListRankRole:
        if (index.column() == ranks_.column)
            return ranks_.ranks[std::size_t(index.row())];
        return {};
    default:
        return {};
    }
}

QVariant OrderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return headers_[section];
    if (role == Qt::TextAlignmentRole && section == ColDatum)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}
