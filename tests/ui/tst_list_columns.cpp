// The lists' columns: sort order by kind of value, header clicks, widths the user drags or fits, sharing, memory,
// tooltips.
#include "support/settings_sandbox.h"

#include "data/settings_store.h"
#include "ui/list_columns.h"
#include "ui/list_sort_proxy.h"

#include <QAction>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QToolTip>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString Section = u"ordavo"_s;
const ListMemory Memory{Section, u"columnstest"_s, u"sorttest"_s};

QString Stored(const QString& key)
{
    return ReadSetting(Section, key);
}

// One column of cells, each with its shown text and (when given) its sort value.
QStandardItemModel* OneColumn(const QStringList& texts, const QVariantList& sortValues, QObject* parent)
{
    auto* model = new QStandardItemModel(0, 1, parent);
    for (int row = 0; row < texts.size(); ++row) {
        auto* item = new QStandardItem(texts[row]);
        if (row < sortValues.size())
            item->setData(sortValues[row], ListSortRole);
        model->appendRow(item);
    }
    return model;
}

QStringList ShownColumn(const QAbstractItemModel& model, int column = 0)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

// The x of the right edge of `column` in the header, where a drag or a double-click grabs it.
int EdgeOf(const QHeaderView& header, int column)
{
    return header.sectionViewportPosition(column) + header.sectionSize(column) - 1;
}

void DragEdge(QHeaderView& header, int column, int by)
{
    QWidget* target = header.viewport();
    const int y = header.height() / 2;
    const QPoint from(EdgeOf(header, column), y);
    QTest::mousePress(target, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(by, 0)),
                     target->mapToGlobal(QPointF(from + QPoint(by, 0))), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QTest::mouseRelease(target, Qt::LeftButton, {}, from + QPoint(by, 0));
}

void ClickHeader(QHeaderView& header, int column)
{
    const QPoint centre(header.sectionViewportPosition(column) + header.sectionSize(column) / 2, header.height() / 2);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, centre);
}
} // namespace

class TestListColumns final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;
    std::unique_ptr<QTableView> view_;

    // A shown 600 px list of three columns: "a" 80 px, "b" and "c" sharing the rest.
    QTableView* threeColumnList(ListColumns::Sorting sorting = ListColumns::Sorting::ByHeader)
    {
        view_ = std::make_unique<QTableView>();
        auto* model = new QStandardItemModel(0, 3, view_.get());
        model->setHorizontalHeaderLabels({u"A"_s, u"B"_s, u"C"_s});
        const QStringList a = {u"Žan"_s, u"Cvet"_s, u"Čeh"_s};
        for (int row = 0; row < a.size(); ++row)
            model->appendRow({new QStandardItem(a[row]), new QStandardItem(QString::number(row)),
                              new QStandardItem(u"Zelo dolg komentar, ki ga ozek stolpec ne pokaže celega"_s)});
        view_->setModel(model);
        view_->setWordWrap(false);
        view_->resize(600, 300);
        new ListColumns(*view_,
                        {ListColumn::fixed(u"a"_s, 80), ListColumn::sharing(u"b"_s), ListColumn::sharing(u"c"_s)},
                        Memory, sorting);
        view_->show();
        if (!QTest::qWaitForWindowExposed(view_.get()))
            qFatal("list not exposed");
        return view_.get();
    }

    static ListColumns& columnsOf(QTableView* view) { return *view->findChild<ListColumns*>(); }

    static int sumOfWidths(QTableView* view)
    {
        int sum = 0;
        for (int column = 0; column < view->model()->columnCount(); ++column)
            sum += view->columnWidth(column);
        return sum;
    }

private slots:
    void init() { sandbox_ = std::make_unique<SettingsSandbox>(); }

    void cleanup()
    {
        view_.reset();
        sandbox_.reset();
    }

    void sortsByKindOfValue_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QVariantList>("sortValues");
        QTest::addColumn<QStringList>("ascending");
        QTest::addRow("Slovenian letters after their base letter, case aside")
            << QStringList{u"Žan"_s, u"zala"_s, u"Šola"_s, u"Sara"_s, u"čeh"_s, u"Cvet"_s, u"Dan"_s, u"tina"_s}
            << QVariantList{}
            << QStringList{u"Cvet"_s, u"čeh"_s, u"Dan"_s, u"Sara"_s, u"Šola"_s, u"tina"_s, u"zala"_s, u"Žan"_s};
        QTest::addRow("order numbers by their numbers")
            << QStringList{u"DN-2026-10"_s, u"DN-2026-9"_s, u"DN-2025-100"_s} << QVariantList{}
            << QStringList{u"DN-2025-100"_s, u"DN-2026-9"_s, u"DN-2026-10"_s};
        QTest::addRow("dates as dates, a missing one first")
            << QStringList{u"05.03.2024"_s, u"12.11.2023"_s, u""_s, u"01.01.2025"_s}
            << QVariantList{QDate(2024, 3, 5), QDate(2023, 11, 12), QDate(), QDate(2025, 1, 1)}
            << QStringList{u""_s, u"12.11.2023"_s, u"05.03.2024"_s, u"01.01.2025"_s};
        QTest::addRow("numbers as numbers")
            << QStringList{u"10,00"_s, u"9,50"_s, u"100,00"_s, u"-1,00"_s} << QVariantList{10.0, 9.5, 100.0, -1.0}
            << QStringList{u"-1,00"_s, u"9,50"_s, u"10,00"_s, u"100,00"_s};
        QTest::addRow("equal values keep the model's order")
            << QStringList{u"b 1"_s, u"a"_s, u"b 2"_s, u"b 3"_s} << QVariantList{u"b"_s, u"a"_s, u"b"_s, u"b"_s}
            << QStringList{u"a"_s, u"b 1"_s, u"b 2"_s, u"b 3"_s};
    }

    // Also when the model gives each cell's place, made beforehand from the same values (as a
    // worker does for a long list): the same order both ways, equal values in the model's order.
    void sortsByKindOfValue()
    {
        QFETCH(QStringList, texts);
        QFETCH(QVariantList, sortValues);
        QFETCH(QStringList, ascending);
        QObject owner;
        ListSortProxy proxy;
        proxy.setSourceModel(OneColumn(texts, sortValues, &owner));
        proxy.sort(0, Qt::AscendingOrder);
        QCOMPARE(ShownColumn(proxy), ascending);
        proxy.sort(0, Qt::DescendingOrder);
        const QStringList descending = ShownColumn(proxy);
        proxy.sort(-1);
        QCOMPARE(ShownColumn(proxy), texts);

        QVariantList values;
        for (int row = 0; row < texts.size(); ++row)
            values << (row < sortValues.size() ? sortValues[row] : QVariant(texts[row]));
        const std::vector<int> ranks = ListSortRanks(values);
        QStandardItemModel* ranked = OneColumn(texts, {}, &owner);
        for (int row = 0; row < texts.size(); ++row)
            ranked->item(row)->setData(ranks[std::size_t(row)], ListRankRole);
        ListSortProxy rankedProxy;
        rankedProxy.setSourceModel(ranked);
        rankedProxy.sort(0, Qt::AscendingOrder);
        QCOMPARE(ShownColumn(rankedProxy), ascending);
        rankedProxy.sort(0, Qt::DescendingOrder);
        QCOMPARE(ShownColumn(rankedProxy), descending);
    }

    // The keys made for one sort must not outlive the cells they were made from.
    void sortFollowsChangedCells()
    {
        QObject owner;
        QStandardItemModel* model = OneColumn({u"b"_s, u"c"_s, u"a"_s}, {}, &owner);
        ListSortProxy proxy;
        proxy.setSourceModel(model);
        proxy.sort(0, Qt::AscendingOrder);
        QCOMPARE(ShownColumn(proxy), (QStringList{u"a"_s, u"b"_s, u"c"_s}));

        model->item(0)->setText(u"d"_s);
        QCOMPARE(ShownColumn(proxy), (QStringList{u"a"_s, u"c"_s, u"d"_s}));
        model->insertRow(0, new QStandardItem(u"bb"_s));
        model->appendRow(new QStandardItem(u"ab"_s));
        QCOMPARE(ShownColumn(proxy), (QStringList{u"a"_s, u"ab"_s, u"bb"_s, u"c"_s, u"d"_s}));
        model->removeRows(0, 2);
        QCOMPARE(ShownColumn(proxy), (QStringList{u"a"_s, u"ab"_s, u"c"_s}));

        // A reset with other rows, as every load of a list does.
        model->clear();
        for (const QString& text : {u"ž"_s, u"č"_s, u"š"_s, u"c"_s})
            model->appendRow(new QStandardItem(text));
        QCOMPARE(ShownColumn(proxy), (QStringList{u"c"_s, u"č"_s, u"š"_s, u"ž"_s}));
    }

    // Striped rows alternate by their place in the sorted list; other rows keep their colour.
    void stripesFollowTheShownRow()
    {
        QObject owner;
        QStandardItemModel* model = OneColumn({u"c"_s, u"b"_s, u"a"_s, u"d"_s}, {}, &owner);
        const QList<QColor> stripes = {Qt::gray, Qt::white};
        for (int row : {0, 1, 2})
            model->item(row)->setData(QVariant::fromValue(stripes), ListStripesRole);
        model->item(3)->setData(QColor(Qt::yellow), Qt::BackgroundRole);
        ListSortProxy proxy;
        proxy.setSourceModel(model);
        proxy.sort(0, Qt::DescendingOrder); // d, c, b, a
        QList<QColor> shown;
        for (int row = 0; row < proxy.rowCount(); ++row)
            shown << proxy.index(row, 0).data(Qt::BackgroundRole).value<QColor>();
        QCOMPARE(shown, (QList<QColor>{Qt::yellow, Qt::white, Qt::gray, Qt::white}));
    }

    void selectionGoesThroughTheSort()
    {
        QTableView* view = threeColumnList();
        view->sortByColumn(0, Qt::AscendingOrder); // Cvet, Čeh, Žan
        SelectSourceRow(*view, 0);
        QCOMPARE(view->selectionModel()->selectedRows().first().row(), 2);
        QCOMPARE(SelectedSourceRow(*view), 0);
        view->selectionModel()->clearSelection();
        QCOMPARE(SelectedSourceRow(*view), -1);
    }

    // A click sorts ascending, a second click descending, a third returns to the model's
    // order; each choice is remembered and comes back with the next list.
    void headerClicksCycleAndAreRemembered()
    {
        QTableView* view = threeColumnList();
        QHeaderView& header = *view->horizontalHeader();
        QCOMPARE(ShownColumn(*view->model()), (QStringList{u"Žan"_s, u"Cvet"_s, u"Čeh"_s}));

        ClickHeader(header, 0);
        QCOMPARE(ShownColumn(*view->model()), (QStringList{u"Cvet"_s, u"Čeh"_s, u"Žan"_s}));
        QCOMPARE(Stored(Memory.sortKey), u"a asc"_s);
        ClickHeader(header, 0);
        QCOMPARE(ShownColumn(*view->model()), (QStringList{u"Žan"_s, u"Čeh"_s, u"Cvet"_s}));
        QCOMPARE(Stored(Memory.sortKey), u"a desc"_s);
        threeColumnList();
        QCOMPARE(ShownColumn(*view_->model()), (QStringList{u"Žan"_s, u"Čeh"_s, u"Cvet"_s}));

        ClickHeader(*view_->horizontalHeader(), 0);
        QCOMPARE(ShownColumn(*view_->model()), (QStringList{u"Žan"_s, u"Cvet"_s, u"Čeh"_s}));
        QCOMPARE(Stored(Memory.sortKey), QString());
    }

    void listWithoutSortingIgnoresHeaderClicks()
    {
        WriteSetting(Section, Memory.sortKey, u"a asc"_s);
        QTableView* view = threeColumnList(ListColumns::Sorting::Off);
        ClickHeader(*view->horizontalHeader(), 0);
        QCOMPARE(ShownColumn(*view->model()), (QStringList{u"Žan"_s, u"Cvet"_s, u"Čeh"_s}));
        QVERIFY(!columnsOf(view).sortProxy());
    }

    // Sharing columns fill the list's width and follow it; a minimum stops a column from
    // getting narrower than it.
    void sharingColumnsFillTheWidth()
    {
        QTableView* view = threeColumnList();
        QCOMPARE(view->columnWidth(0), 80);
        QCOMPARE(sumOfWidths(view), view->viewport()->width());
        QVERIFY(qAbs(view->columnWidth(1) - view->columnWidth(2)) <= 1);
        view->resize(900, 300);
        QTRY_COMPARE(sumOfWidths(view), view->viewport()->width());

        view_ = std::make_unique<QTableView>();
        view_->setModel(new QStandardItemModel(1, 3, view_.get()));
        view_->resize(400, 200);
        new ListColumns(*view_,
                        {ListColumn::sharing(u"a"_s, 250), ListColumn::fixed(u"b"_s, 70), ListColumn::sharing(u"c"_s)},
                        Memory, ListColumns::Sorting::Off);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
        QCOMPARE(view_->columnWidth(0), 250);
        QCOMPARE(sumOfWidths(view_.get()), view_->viewport()->width());
    }

    // A dragged width is the user's: it stays when the program fits the column again, the
    // sharing columns take what is left, and the next list starts with it.
    void draggedWidthWinsAndIsRemembered()
    {
        QTableView* view = threeColumnList();
        QHeaderView& header = *view->horizontalHeader();
        DragEdge(header, 0, 70);
        QCOMPARE(view->columnWidth(0), 150);
        QVERIFY(columnsOf(view).widthSetByUser(0));
        QCOMPARE(Stored(Memory.widthsKey), u"a=150"_s);
        QCOMPARE(sumOfWidths(view), view->viewport()->width());

        columnsOf(view).setDefaultWidth(0, 95);
        QCOMPARE(view->columnWidth(0), 150);

        DragEdge(header, 1, -40);
        const int dragged = view->columnWidth(1);
        QCOMPARE(Stored(Memory.widthsKey), u"a=150;b="_s + QString::number(dragged));
        QCOMPARE(sumOfWidths(view), view->viewport()->width());

        view = threeColumnList();
        QCOMPARE(view->columnWidth(0), 150);
        QCOMPARE(view->columnWidth(1), dragged);
    }

    // A double-click on a column's edge fits it to its contents, as the user's width.
    void doubleClickedEdgeFitsTheContents()
    {
        QTableView* view = threeColumnList();
        QHeaderView& header = *view->horizontalHeader();
        columnsOf(view).setDefaultWidth(0, 20);
        QTest::mouseDClick(header.viewport(), Qt::LeftButton, {}, QPoint(EdgeOf(header, 0), header.height() / 2));
        for (int row = 0; row < view->model()->rowCount(); ++row)
            QVERIFY(view->sizeHintForIndex(view->model()->index(row, 0)).width() <= view->columnWidth(0));
        QVERIFY(view->columnWidth(0) < 150);
        QCOMPARE(Stored(Memory.widthsKey), u"a="_s + QString::number(view->columnWidth(0)));
    }

    void headerMenuRestoresTheDefaults()
    {
        WriteSetting(Section, Memory.widthsKey, u"a=150;c=90"_s);
        QTableView* view = threeColumnList();
        QCOMPARE(view->columnWidth(0), 150);
        QCOMPARE(view->columnWidth(2), 90);
        columnsOf(view).setDefaultWidth(0, 95);

        QMenu* menu = columnsOf(view).headerMenu();
        QAction* reset = menu->findChild<QAction*>(u"actPrivzeteSirine"_s);
        QVERIFY(reset);
        QCOMPARE(reset->text(), u"Privzete širine stolpcev"_s);
        reset->trigger();
        QCOMPARE(view->columnWidth(0), 95);
        QVERIFY(!columnsOf(view).widthSetByUser(2));
        QCOMPARE(sumOfWidths(view), view->viewport()->width());
        QCOMPARE(Stored(Memory.widthsKey), QString());
    }

    void damagedStoredWidthsAreIgnored()
    {
        WriteSetting(Section, Memory.widthsKey, u"a=abc;zz=100;b=-5;c=99999;;=;b"_s);
        QTableView* view = threeColumnList();
        QCOMPARE(view->columnWidth(0), 80);
        QVERIFY(!columnsOf(view).widthSetByUser(1));
        QVERIFY(!columnsOf(view).widthSetByUser(2));
        WriteSetting(Section, Memory.sortKey, u"c sideways"_s);
        view = threeColumnList();
        QCOMPARE(view->horizontalHeader()->sortIndicatorSection(), -1);
    }

    // Only a cut cell has a tooltip: its whole text, or the model's own tooltip text.
    void cutCellsShowTheirWholeText()
    {
        QTableView* view = threeColumnList();
        auto* source = qobject_cast<QStandardItemModel*>(columnsOf(view).sortProxy()->sourceModel());
        source->item(1, 2)->setData(u"Prva vrstica\nDruga vrstica"_s, Qt::ToolTipRole);
        auto* tips = qobject_cast<CutTextToolTips*>(view->itemDelegate());
        QVERIFY(tips);
        const auto tipOf = [&](int row, int column) {
            QStyleOptionViewItem option;
            option.initFrom(view->viewport());
            option.font = view->font();
            const QModelIndex index = view->model()->index(row, column);
            option.rect = view->visualRect(index);
            if (view->wordWrap())
                option.features |= QStyleOptionViewItem::WrapText;
            return tips->toolTipFor(option, index);
        };
        QCOMPARE(tipOf(0, 2), u"Zelo dolg komentar, ki ga ozek stolpec ne pokaže celega"_s);
        QCOMPARE(tipOf(1, 2), u"Prva vrstica\nDruga vrstica"_s);
        QCOMPARE(tipOf(0, 1), QString());
        const QModelIndex cut = view->model()->index(0, 2);
        const QPoint inside = view->visualRect(cut).center();
        QHelpEvent help(QEvent::ToolTip, inside, view->viewport()->mapToGlobal(inside));
        QApplication::sendEvent(view->viewport(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), u"Zelo dolg komentar, ki ga ozek stolpec ne pokaže celega"_s);
        // Markup in a cell is shown as it is typed, line breaks as lines.
        source->item(1, 2)->setData(u"Zavore <b>ne</b> delajo & škripajo\nPreveriti takoj"_s, Qt::ToolTipRole);
        const QPoint second = view->visualRect(view->model()->index(1, 2)).center();
        QHelpEvent secondHelp(QEvent::ToolTip, second, view->viewport()->mapToGlobal(second));
        QApplication::sendEvent(view->viewport(), &secondHelp);
        QTRY_COMPARE(QToolTip::text(),
                     u"<p>Zavore &lt;b&gt;ne&lt;/b&gt; delajo &amp; škripajo<br>Preveriti takoj</p>"_s);
        QToolTip::hideText();

        // Wrapped onto two lines the row shows the text whole.
        view->setWordWrap(true);
        QCOMPARE(tipOf(0, 2), QString());
        view->setWordWrap(false);
        view->resize(1600, 300); // the sharing column gets wide enough for the whole text
        QTRY_COMPARE(tipOf(0, 2), QString());
    }
};

QTEST_MAIN(TestListColumns)
#include "tst_list_columns.moc"
