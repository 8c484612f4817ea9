// The sorting layer of the lists: typed sort keys made once per cell, Slovenian text order, and row selection through
// it.
#include "ui/list_sort_proxy.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QColor>
#include <QItemSelectionModel>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace {
// Slovenian order without regard to case, runs of digits read as numbers.
QCollator ListCollator()
{
    QCollator collator(QLocale(QLocale::Slovenian, QLocale::Slovenia));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

// Whether a change of these roles of a cell (none named: any role) can change what it sorts by.
bool ChangesSortValues(const QList<int>& roles)
{
    return roles.isEmpty() || std::any_of(roles.cbegin(), roles.cend(), [](int role) {
               return role == ListSortRole || role == ListRankRole || role == Qt::DisplayRole || role == Qt::EditRole;
           });
}
} // namespace

std::vector<int> ListSortRanks(const QList<QVariant>& sortValues)
{
    const QCollator collator = ListCollator();
    std::vector<ListSortProxy::SortKey> keys;
    keys.reserve(std::size_t(sortValues.size()));
    for (const QVariant& value : sortValues)
        keys.push_back(ListSortProxy::KeyOfValue(value, collator));
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&keys](int left, int right) { return keys[std::size_t(left)] < keys[std::size_t(right)]; });
    std::vector<int> ranks(keys.size());
    int rank = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[std::size_t(order[i - 1])] < keys[std::size_t(order[i])])
            ++rank;
        ranks[std::size_t(order[i])] = rank;
    }
    return ranks;
}

ListSortProxy::ListSortProxy(QObject* parent) : QSortFilterProxyModel(parent), collator_(ListCollator())
{
    setSortRole(ListSortRole);
}

// The keys are dropped before the proxy sees a change of the model, so it never sorts by an
// old key: these connections are made before the proxy's own and run first.
void ListSortProxy::setSourceModel(QAbstractItemModel* source)
{
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    forgetKeys();
    if (source) {
        connect(source, &QAbstractItemModel::modelAboutToBeReset, this, &ListSortProxy::forgetKeys);
        connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, &ListSortProxy::forgetKeys);
        connect(source, &QAbstractItemModel::rowsAboutToBeMoved, this, &ListSortProxy::forgetKeys);
        connect(source, &QAbstractItemModel::columnsAboutToBeInserted, this, &ListSortProxy::forgetKeys);
        connect(source, &QAbstractItemModel::columnsAboutToBeRemoved, this, &ListSortProxy::forgetKeys);
        connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
                [this](const QModelIndex&, int first, int) { forgetKeysFrom(first); });
        connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [this](const QModelIndex&, int first, int) { forgetKeysFrom(first); });
        connect(source, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                    if (!ChangesSortValues(roles))
                        return;
                    const std::size_t end = std::min(keys_.size(), std::size_t(bottomRight.row()) + 1);
                    for (std::size_t row = std::size_t(std::max(0, topLeft.row())); row < end; ++row)
                        keys_[row].reset();
                });
    }
    QSortFilterProxyModel::setSourceModel(source);
}

void ListSortProxy::sort(int column, Qt::SortOrder order)
{
    if (column != keysColumn_)
        forgetKeys();
    QSortFilterProxyModel::sort(column, order);
}

QVariant ListSortProxy::data(const QModelIndex& index, int role) const
{
    if (role == Qt::BackgroundRole) {
        const QList<QColor> stripes = QSortFilterProxyModel::data(index, ListStripesRole).value<QList<QColor>>();
        if (stripes.size() == 2)
            return stripes[index.row() % 2];
    }
    return QSortFilterProxyModel::data(index, role);
}

bool ListSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    // Room for both keys first: a reference into the keys must survive making the other one.
    makeRoomForKeys(left.column(), std::max(left.row(), right.row()) + 1);
    return keyOf(left) < keyOf(right);
}

void ListSortProxy::makeRoomForKeys(int column, int rows) const
{
    // Once a sort has made room, every further comparison finds it.
    if (column == keysColumn_ && keys_.size() >= std::size_t(std::max(rows, 0)))
        return;
    if (column != keysColumn_) {
        keys_.clear();
        keysColumn_ = column;
    }
    const std::size_t needed = std::size_t(std::max({rows, sourceModel()->rowCount(), 0}));
    if (keys_.size() < needed)
        keys_.resize(needed);
}

const ListSortProxy::SortKey& ListSortProxy::keyOf(const QModelIndex& sourceIndex) const
{
    std::optional<SortKey>& key = keys_[std::size_t(sourceIndex.row())];
    if (!key)
        key = makeKey(sourceIndex);
    return *key;
}

ListSortProxy::SortKey ListSortProxy::makeKey(const QModelIndex& sourceIndex) const
{
    const QVariant rank = sourceIndex.data(ListRankRole);
    if (rank.isValid())
        return rank.toDouble();
    QVariant value = sourceIndex.data(sortRole());
    if (!value.isValid())
        value = sourceIndex.data(Qt::DisplayRole);
    return KeyOfValue(value, collator_);
}

ListSortProxy::SortKey ListSortProxy::KeyOfValue(const QVariant& value, const QCollator& collator)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return std::monostate{};
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        return date.isValid() ? SortKey(date) : SortKey(std::monostate{});
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    default:
        return collator.sortKey(value.toString());
    }
}

void ListSortProxy::forgetKeys()
{
    keys_.clear();
    keysColumn_ = -1;
}

void ListSortProxy::forgetKeysFrom(int firstRow)
{
    if (firstRow >= 0 && std::size_t(firstRow) < keys_.size())
        keys_.resize(std::size_t(firstRow));
}

namespace {
const QAbstractProxyModel* ProxyOf(const QAbstractItemView& view)
{
    return qobject_cast<const QAbstractProxyModel*>(view.model());
}
} // namespace

int SelectedSourceRow(const QAbstractItemView& view)
{
    const QModelIndexList rows = view.selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    const QAbstractProxyModel* proxy = ProxyOf(view);
    return proxy ? proxy->mapToSource(rows.first()).row() : rows.first().row();
}

QModelIndex ViewIndexOf(const QAbstractItemView& view, const QModelIndex& sourceIndex)
{
    const QAbstractProxyModel* proxy = ProxyOf(view);
    return proxy ? proxy->mapFromSource(sourceIndex) : sourceIndex;
}

void SelectSourceRow(QAbstractItemView& view, int row)
{
    const QAbstractProxyModel* proxy = ProxyOf(view);
    const QAbstractItemModel* source = proxy ? proxy->sourceModel() : view.model();
    const QModelIndex index = ViewIndexOf(view, source->index(row, 0));
    view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
