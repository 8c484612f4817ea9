// The user's hold on a list's columns: widths dragged, fitted, shared, remembered and reset; header sorting; cut cells'
// tooltips.
#include "ui/list_columns.h"

#include "data/settings_store.h"
#include "ui/list_sort_proxy.h"

#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTableView>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// A remembered width beyond this is taken for a damaged value, not the user's choice.
constexpr int WidestRememberedColumn = 4000;

// Lines longer than this are wrapped in the tooltip.
constexpr qsizetype LongestPlainToolTipLine = 80;

// The text as a tooltip shows it: plain, with its own line breaks; as escaped rich text when a
// line is too long to stand on one line (rich text wraps) or when the tooltip would read the
// plain text as markup.
QString AsToolTip(const QString& text)
{
    const QStringList lines = text.split(u'\n');
    const bool longLine = std::any_of(lines.begin(), lines.end(),
                                      [](const QString& line) { return line.size() > LongestPlainToolTipLine; });
    if (!longLine && !Qt::mightBeRichText(text))
        return text;
    return u"<p>"_s + text.toHtmlEscaped().replace(u'\n', u"<br>"_s) + u"</p>"_s;
}

const QString Ascending = u"asc"_s;
const QString Descending = u"desc"_s;
} // namespace

QString CutTextToolTips::toolTipFor(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    if (cell.text.isEmpty())
        return {};
    QStyleOptionViewItem oneLine = option;
    oneLine.features &= ~QStyleOptionViewItem::WrapText;
    bool cut = sizeHint(oneLine, index).width() > option.rect.width();
    // A list that wraps its cells shows a long text whole when the row is high enough for it.
    if (cut && option.features.testFlag(QStyleOptionViewItem::WrapText))
        cut = sizeHint(option, index).height() > option.rect.height();
    if (!cut)
        return {};
    const QVariant whole = index.data(Qt::ToolTipRole);
    return whole.isValid() ? whole.toString() : cell.text;
}

bool CutTextToolTips::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                const QModelIndex& index)
{
    if (!event || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = toolTipFor(option, index);
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), AsToolTip(text), view, option.rect);
    event->setAccepted(!text.isEmpty());
    return event->isAccepted();
}

void ListColumns::setUpRows()
{
    view_.setSelectionBehavior(QAbstractItemView::SelectRows);
    view_.setSelectionMode(QAbstractItemView::SingleSelection);
    view_.setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The arrow keys move through the rows; Tab goes on to the next control.
    view_.setTabKeyNavigation(false);
}

ListColumns::ListColumns(QTableView& view, QList<ListColumn> columns, ListMemory memory, Sorting sorting)
    : QObject(&view), view_(view), columns_(std::move(columns)), memory_(std::move(memory))
{
    setUpRows();
    if (sorting == Sorting::ByHeader)
        setUpSorting();
    view_.setItemDelegate(new CutTextToolTips(&view_));
    QHeaderView& head = header();
    head.setSectionResizeMode(QHeaderView::Interactive);
    head.setStretchLastSection(false);
    readRememberedWidths();
    applyDefaults();

    connect(&head, &QHeaderView::sectionResized, this,
            [this](int column, int, int newWidth) { sectionResized(column, newWidth); });
    // The view fits the column to its contents first; the fitted width is the user's choice.
    connect(&head, &QHeaderView::sectionHandleDoubleClicked, this, [this](int column) {
        userWidths_[column] = header().sectionSize(column);
        shareFreeWidth();
        rememberWidths();
    });
    head.viewport()->installEventFilter(this);
    view_.viewport()->installEventFilter(this);

    menu_ = new QMenu(&head);
    menu_->setObjectName(u"mnuStolpci"_s);
    QAction* reset = menu_->addAction(u"Privzete širine stolpcev"_s);
    reset->setObjectName(u"actPrivzeteSirine"_s);
    connect(reset, &QAction::triggered, this, &ListColumns::restoreDefaultWidths);
    head.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&head, &QHeaderView::customContextMenuRequested, this,
            [this](const QPoint& position) { menu_->popup(header().viewport()->mapToGlobal(position)); });
}

QHeaderView& ListColumns::header() const
{
    return *view_.horizontalHeader();
}

void ListColumns::setDefaultWidth(int column, int width)
{
    if (column < 0 || column >= columns_.size())
        return;
    columns_[column].width = width;
    if (widthSetByUser(column))
        return;
    {
        const QScopedValueRollback guard(applying_, true);
        header().resizeSection(column, width);
    }
    shareFreeWidth();
}

void ListColumns::restoreDefaultWidths()
{
    userWidths_.clear();
    rememberWidths();
    applyDefaults();
}

void ListColumns::applyDefaults()
{
    {
        const QScopedValueRollback guard(applying_, true);
        const int count = std::min(int(columns_.size()), header().count());
        for (int column = 0; column < count; ++column) {
            if (widthSetByUser(column))
                header().resizeSection(column, userWidths_.value(column));
            else if (!columns_[column].shares())
                header().resizeSection(column, columns_[column].width);
        }
    }
    shareFreeWidth();
}

// The sharing columns the user has not set split what the other columns leave of the list's
// width; one whose minimum is more than an equal share takes its minimum and the rest split
// what remains. The last of them takes the pixels an even split leaves over.
void ListColumns::shareFreeWidth()
{
    const QScopedValueRollback guard(applying_, true);
    const int count = std::min(int(columns_.size()), header().count());
    const auto minimumOf = [&](int column) {
        return std::max(columns_[column].minimum, header().minimumSectionSize());
    };
    int free = view_.viewport()->width();
    QList<int> sharing;
    for (int column = 0; column < count; ++column) {
        if (columns_[column].shares() && !widthSetByUser(column))
            sharing.append(column);
        else if (!header().isSectionHidden(column))
            free -= header().sectionSize(column);
    }
    for (;;) {
        if (sharing.isEmpty())
            return;
        const int share = free / int(sharing.size());
        const auto narrow =
            std::find_if(sharing.begin(), sharing.end(), [&](int column) { return minimumOf(column) > share; });
        if (narrow == sharing.end())
            break;
        header().resizeSection(*narrow, minimumOf(*narrow));
        free -= minimumOf(*narrow);
        sharing.erase(narrow);
    }
    const int share = free / int(sharing.size());
    const int leftOver = free - share * int(sharing.size());
    for (int i = 0; i < sharing.size(); ++i) {
        const bool last = i == sharing.size() - 1;
        header().resizeSection(sharing[i], std::max(minimumOf(sharing[i]), share + (last ? leftOver : 0)));
    }
}

void ListColumns::sectionResized(int column, int newWidth)
{
    if (applying_)
        return;
    if (dragging_ && column < columns_.size()) {
        userWidths_[column] = newWidth;
        draggedAny_ = true;
    }
    shareFreeWidth();
}

bool ListColumns::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_.viewport()) {
        if (event->type() == QEvent::Resize)
            shareFreeWidth();
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            dragging_ = true;
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            dragging_ = false;
            if (draggedAny_)
                rememberWidths();
            draggedAny_ = false;
        }
        break;
    default:
        break;
    }
    return false;
}

int ListColumns::columnOf(const QString& id) const
{
    for (int column = 0; column < columns_.size(); ++column)
        if (columns_[column].id.compare(id, Qt::CaseInsensitive) == 0)
            return column;
    return -1;
}

void ListColumns::remember(const QString& key, const QString& value) const
{
    if (key.isEmpty())
        return;
    try {
        WriteSetting(memory_.section, key, value);
    } catch (const std::exception&) {
        // A choice that cannot be stored only is not remembered; the list works on.
    }
}

void ListColumns::rememberWidths() const
{
    QList<int> set = userWidths_.keys();
    std::sort(set.begin(), set.end());
    QStringList pairs;
    for (int column : set)
        pairs.append(columns_[column].id + u'=' + QString::number(userWidths_.value(column)));
    remember(memory_.widthsKey, pairs.join(u';'));
}

void ListColumns::readRememberedWidths()
{
    QString stored;
    try {
        stored = memory_.widthsKey.isEmpty() ? QString() : ReadSetting(memory_.section, memory_.widthsKey);
    } catch (const std::exception&) {
        return; // an unreadable store leaves the defaults
    }
    for (const QString& pair : stored.split(u';', Qt::SkipEmptyParts)) {
        const int column = columnOf(pair.section(u'=', 0, 0).trimmed());
        bool isNumber = false;
        const int width = pair.section(u'=', 1).trimmed().toInt(&isNumber);
        if (column >= 0 && isNumber && width > 0 && width <= WidestRememberedColumn)
            userWidths_[column] = std::max(width, header().minimumSectionSize());
    }
}

void ListColumns::setUpSorting()
{
    proxy_ = new ListSortProxy(&view_);
    proxy_->setSourceModel(view_.model());
    view_.setModel(proxy_);
    QHeaderView& head = header();
    head.setSortIndicatorClearable(true);
    // No column is sorted yet: enabling the sort keeps the model's order.
    head.setSortIndicator(-1, Qt::AscendingOrder);
    view_.setSortingEnabled(true);
    readRememberedSort();
    connect(&head, &QHeaderView::sortIndicatorChanged, this, &ListColumns::rememberSort);
}

void ListColumns::rememberSort(int column, Qt::SortOrder order) const
{
    if (column < 0 || column >= columns_.size())
        return remember(memory_.sortKey, {});
    remember(memory_.sortKey, columns_[column].id + u' ' + (order == Qt::DescendingOrder ? Descending : Ascending));
}

void ListColumns::readRememberedSort()
{
    QString stored;
    try {
        stored = memory_.sortKey.isEmpty() ? QString() : ReadSetting(memory_.section, memory_.sortKey);
    } catch (const std::exception&) {
        return;
    }
    const QString direction = stored.section(u' ', 1, 1);
    const int column = columnOf(stored.section(u' ', 0, 0));
    if (column < 0 || (direction != Ascending && direction != Descending))
        return;
    header().setSortIndicator(column, direction == Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}
