// The columns of a list the user can widen, fit, sort and reset, remembered in the settings store; cut cells' tooltips.
#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStyledItemDelegate>

class ListSortProxy;
class QHeaderView;
class QMenu;
class QTableView;

// One column's default width: a fixed width, or a share of the list's width that the
// columns without a fixed width split between them (never less than `minimum`).
struct ListColumn {
    QString id; // the name the column's width and sort are remembered by
    int width = 0;
    int minimum = 0;

    static ListColumn fixed(const QString& id, int width) { return {id, width, 0}; }
    static ListColumn sharing(const QString& id, int minimum = 0) { return {id, 0, minimum}; }
    bool shares() const { return width <= 0; }
};

// Where a list remembers its columns in the settings store; empty keys remember nothing.
struct ListMemory {
    QString section;
    QString widthsKey; // "id=width" pairs separated by ";" for the columns the user set
    QString sortKey;   // "id asc" or "id desc"; empty for the model's own order
};

// Draws cells as usual; a cell whose text is cut shows its whole text (the model's tooltip
// text when it has one) as the tooltip; a cell shown whole has none.
class CutTextToolTips : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The tooltip of the cell drawn in `option`: empty when its text fits.
    QString toolTipFor(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

// The user's hold on a list's columns. Every column keeps its default width until the user
// drags its header's edge or double-clicks it (which fits the column to its contents); from
// then on the user's width wins, also over widths the program fits to each load, and comes
// back at the next start. Sharing columns the user has not set split the rest of the list's
// width. The header's context menu "Privzete širine stolpcev" forgets the user's widths.
// With sorting, a click on a header sorts by that column, a second click reverses the order,
// a third returns to the model's own order; the choice is remembered too. Cells whose text is
// cut show it whole as a tooltip. The list is one of rows: a click selects one whole row, no
// cell is edited, the arrow keys move through the rows and Tab goes on to the next control.
class ListColumns final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListColumns)

public:
    enum class Sorting { Off, ByHeader };

    // Takes over `view`'s columns; with sorting, a ListSortProxy is put between the view and
    // the model it shows now. Reads the remembered widths and sort at once.
    ListColumns(QTableView& view, QList<ListColumn> columns, ListMemory memory, Sorting sorting);

    // Replaces a fixed column's default width, as a fit to a load's contents does; shown at
    // once unless the user has set the column.
    void setDefaultWidth(int column, int width);
    bool widthSetByUser(int column) const { return userWidths_.contains(column); }
    // Forgets the user's widths, here and in the settings store, and shows the defaults.
    void restoreDefaultWidths();

    ListSortProxy* sortProxy() const { return proxy_; }
    QMenu* headerMenu() const { return menu_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHeaderView& header() const;
    void applyDefaults();
    void shareFreeWidth();
    void sectionResized(int column, int newWidth);
    void rememberWidths() const;
    void readRememberedWidths();
    void setUpRows();
    void setUpSorting();
    void rememberSort(int column, Qt::SortOrder order) const;
    void readRememberedSort();
    void remember(const QString& key, const QString& value) const;
    int columnOf(const QString& id) const;

    QTableView& view_;
    QList<ListColumn> columns_;
    ListMemory memory_;
    ListSortProxy* proxy_ = nullptr;
    QMenu* menu_ = nullptr;
    QHash<int, int> userWidths_; // column -> width the user set
    bool applying_ = false;      // the widths change by this controller, not by the user
    bool dragging_ = false;      // a mouse button is down on the header
    bool draggedAny_ = false;
};
