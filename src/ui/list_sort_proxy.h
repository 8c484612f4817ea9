// The sorting layer between a list's model and its view, and selecting a list's rows by their model row through it.
#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QDate>
#include <QSortFilterProxyModel>

#include <optional>
#include <variant>
#include <vector>

class QAbstractItemView;

// The role under which a list model gives the value a column sorts by: a QDate for a date, a
// number for a number, a text otherwise. A column without it sorts by its shown text.
inline constexpr int ListSortRole = Qt::UserRole + 0x100;
// The role under which a list model gives, for a row drawn in alternating stripes, the two
// backgrounds (a QList<QColor>: even, odd); the list alternates them by the row's place on
// screen, which a sort changes.
inline constexpr int ListStripesRole = Qt::UserRole + 0x101;
// The role under which a list model may give, for every cell of one column, the cell's place in
// that column's sort order as ListSortRanks gives it (an int). A model that gives it for a
// column gives it for all of that column's rows; the sorting layer then compares these numbers
// instead of making a key for each cell, which a list of a hundred thousand rows needs.
inline constexpr int ListRankRole = Qt::UserRole + 0x102;

// The place of each value (what a cell sorts by, as ListSortRole gives it) in the order the
// lists sort in, counted from 0; equal values share a place. Safe to call on any thread.
std::vector<int> ListSortRanks(const QList<QVariant>& sortValues);

// Sorts a list by one column when asked; without a column (-1) the list keeps its model's
// order. Dates sort as dates (a missing date first), numbers as numbers, texts in Slovenian
// order without regard to case, with runs of digits read as numbers ("DN-2026-9" before
// "DN-2026-10"). Rows with equal values keep the model's order between them. Striped rows
// alternate by their place in the sorted list.
class ListSortProxy final : public QSortFilterProxyModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListSortProxy)

public:
    explicit ListSortProxy(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // What a cell sorts by; the alternatives compare in this order first, then by value.
    using SortKey = std::variant<std::monostate, QDate, double, QCollatorSortKey>;
    // The key of a value: a date as a date (an invalid one first), a number as a number, anything
    // else as its text in the collator's order.
    static SortKey KeyOfValue(const QVariant& value, const QCollator& collator);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    // Keys of `column` for at least `rows` rows; keys of another column are dropped.
    void makeRoomForKeys(int column, int rows) const;
    // The key of a cell within the room made; made now when it is missing.
    const SortKey& keyOf(const QModelIndex& sourceIndex) const;
    SortKey makeKey(const QModelIndex& sourceIndex) const;
    void forgetKeys();
    void forgetKeysFrom(int firstRow);

    QCollator collator_;
    // The keys of the sort column's cells by model row, made when a comparison first needs
    // them: a reload of thousands of rows makes each key once instead of at every comparison.
    mutable std::vector<std::optional<SortKey>> keys_;
    mutable int keysColumn_ = -1;
};

// The model row that the selected row of `view` shows, through a sorting layer when the view
// has one; -1 when no row is selected.
int SelectedSourceRow(const QAbstractItemView& view);
// The view's index of the model cell `sourceIndex`, through a sorting layer when the view has one.
QModelIndex ViewIndexOf(const QAbstractItemView& view, const QModelIndex& sourceIndex);
// Makes the row that shows model row `row` the selected and current one.
void SelectSourceRow(QAbstractItemView& view, int row);
