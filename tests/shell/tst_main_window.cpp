// Widget tests of the main window's order list, refresh, search, alert, menus, closing rules, placement and
// arrangement.
#include "support/settings_sandbox.h"
#include "support/simulator_process.h"
#include "support/window_test_kit.h"

#include "data/remote_call.h"
#include "data/settings_store.h"
#include "desktop/desktop_notifier.h"
#include "desktop/url_opener.h"
#include "desktop/window_arranger.h"
#include "session/app_state.h"
#include "session/remote_calls.h"
#include "session/termination.h"
#include "shell/main_window.h"
#include "shell/order_list_model.h"
#include "ui/list_sort_proxy.h"
#include "ui/message_boxes.h"
#include "ui/wait_cursor.h"
#include "ui/window_placement.h"
#include "ui/xp_button.h"

#include <QAbstractItemModelTester>
#include <QAbstractProxyModel>
#include <QAction>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
struct OrderSpec {
    int id;
    int type = 0;
    int viewed = 0;
    int saved = 1;
    std::optional<QString> customer = u"Janez Novak"_s;
    std::optional<QString> enteredBy = u"Tina"_s;
};

QByteArray OrderListAnswer(const QList<OrderSpec>& orders, bool withSavedColumn = true)
{
    QList<QPair<QString, int>> columns = {{u"id"_s, 3},       {u"nalogStevilka"_s, 200}, {u"stranka"_s, 200},
                                          {u"vnesel"_s, 200}, {u"komentar"_s, 200},      {u"datum"_s, 135},
                                          {u"viewed"_s, 3},   {u"vozilo"_s, 200},        {u"registrska_st"_s, 200},
                                          {u"nalogType"_s, 3}};
    if (withSavedColumn)
        columns.append({u"saved"_s, 3});
    QList<Row> rows;
    for (const OrderSpec& order : orders) {
        Row row = {QString::number(order.id),
                   u"N-"_s + QString::number(order.id),
                   order.customer,
                   order.enteredBy,
                   u"komentar"_s,
                   u"2024-03-05 10:15:00"_s,
                   QString::number(order.viewed),
                   u"Škoda Octavia"_s,
                   u"LJ AB-123"_s,
                   QString::number(order.type)};
        if (withSavedColumn)
            row.append(QString::number(order.saved));
        rows.append(row);
    }
    return TableAnswer(columns, rows);
}

QList<OrderSpec> Orders(std::initializer_list<int> ids)
{
    QList<OrderSpec> orders;
    for (int id : ids)
        orders.append(OrderSpec{id});
    return orders;
}

const QString ListPrefix = u"call usp_listneobracunaninalogi"_s;
} // namespace

class MainWindowTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;
    std::unique_ptr<ScriptedWorkshop> workshop_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmMain> window_;
    RecordingUrlOpener opener_;
    RecordingNotifier notifier_;

    // A shown main window with its refresh timer stopped, so each test drives the loads itself.
    TfrmMain* shownWindow()
    {
        window_ = std::make_unique<TfrmMain>();
        window_->show();
        window_->tmrcheck->stop();
        return window_.get();
    }

    // One refresh tick as the timer runs it, waited for until its answer is shown.
    void tick(TfrmMain* w)
    {
        w->tmrcheck->start();
        w->tmrcheckTimer();
        QTRY_VERIFY(!w->refreshInFlight());
    }

    // The unfiltered list's statement a tick sends today.
    static QString tickStatement(const QString& search = QString())
    {
        return OrderListStatement(false, search, QDate::currentDate(), listDateFormat);
    }

    QStringList listStatements() const
    {
        QStringList result;
        for (const QString& statement : workshop_->statements())
            if (statement.startsWith(ListPrefix))
                result.append(statement.trimmed());
        return result;
    }

    void selectRow(int row)
    {
        auto* view = window_->lviewMain;
        view->selectionModel()->setCurrentIndex(view->model()->index(row, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
        ResetAppState();
        ResetApplicationTermination();
        SetTerminationHook([] {});
        sandbox_ = std::make_unique<SettingsSandbox>();
        workshop_ = std::make_unique<ScriptedWorkshop>();
        remote_ = std::make_unique<RemoteTestSetup>(workshop_->baseUrl());
        WriteSetting(u"ordavo"_s, u"kodadostop"_s, u"demo1234"_s);
        DialogTestHook::activate();
        SetCurrentUrlOpener(&opener_);
        opener_.opened.clear();
        SetCurrentNotifier(&notifier_);
        notifier_.notices.clear();
    }

    void cleanup()
    {
        window_.reset();
        SetCurrentUrlOpener(nullptr);
        SetCurrentNotifier(nullptr);
        SetCurrentWindowArranger(nullptr);
        DialogTestHook::reset();
        remote_.reset();
        workshop_.reset();
        sandbox_.reset();
        SetTerminationHook({});
    }

    void statementFollowsFilterAndSearch_data()
    {
        QTest::addColumn<bool>("allOrders");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::addRow("unbilled, no search")
            << false << QString() << u"yyyy-mm-dd"_s
            << u"call usp_listneobracunaninalogi (0,'2023-03-06','2025-03-05',-1,0,'')"_s;
        QTest::addRow("all, search") << true << u"Novak"_s << u"dd.mm.yyyy"_s
                                     << u"call usp_listneobracunaninalogi (2,'06.03.2023','05.03.2025',-1,1,'Novak')"_s;
    }

    void statementFollowsFilterAndSearch()
    {
        QFETCH(bool, allOrders);
        QFETCH(QString, search);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(OrderListStatement(allOrders, search, QDate(2024, 3, 5), format), expected);
    }

    // The statements the window really sends through its controls: search box and radio buttons.
    void windowSendsStatementsOfItsControls()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2})));
        TfrmMain* w = shownWindow();
        const QDate today = QDate::currentDate();
        w->loadNalogi();
        w->txtSearch->setText(u"  No'v\"a\\k"_s);
        w->applySearch();
        QCOMPARE(w->txtSearch->text(), u"Novak"_s);
        w->rdbVsiNalogi->click();
        w->txtSearch->setText(u"   "_s);
        w->applySearch();
        QCOMPARE(w->txtSearch->text(), QString());
        const QStringList expected = {
            OrderListStatement(false, {}, today, u"yyyy-mm-dd"_s),
            OrderListStatement(false, u"Novak"_s, today, u"yyyy-mm-dd"_s),
            OrderListStatement(true, u"Novak"_s, today, u"yyyy-mm-dd"_s),
            OrderListStatement(true, {}, today, u"yyyy-mm-dd"_s),
        };
        QCOMPARE(listStatements(), expected);
    }

    void rowColoursFollowTheTable_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("viewed");
        QTest::addColumn<int>("saved");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        const QColor grey(0xCE, 0xCE, 0xCE), white(Qt::white), black(Qt::black);
        const QColor yellow(0xFD, 0xFF, 0x3B), blue(0x11, 0x5B, 0xAE), green(0xA6, 0xF9, 0x8D);
        QTest::addRow("reception, new, saved 2 is yellow") << 0 << 1 << 0 << 2 << yellow << black;
        QTest::addRow("viewed even row is grey") << 2 << 0 << 1 << 1 << grey << black;
        QTest::addRow("viewed odd row is white") << 3 << 1 << 5 << 0 << white << black;
        QTest::addRow("new reception order is blue") << 1 << 1 << 0 << 1 << blue << white;
        QTest::addRow("new work order is green") << 0 << 0 << 0 << 1 << green << black;
        QTest::addRow("unknown type counts as work order") << 0 << 7 << 0 << 1 << green << black;
        QTest::addRow("row outside the list, odd") << 9 << 1 << 0 << 2 << white << black;
        QTest::addRow("row outside the list, even") << 10 << 1 << 0 << 2 << grey << black;
    }

    void rowColoursFollowTheTable()
    {
        QFETCH(int, row);
        QFETCH(int, type);
        QFETCH(int, viewed);
        QFETCH(int, saved);
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        QVector<Tnalogi> rows(4);
        if (row < rows.size()) {
            rows[row].nalogType = type;
            rows[row].viewed = viewed;
            rows[row].saved = saved;
        }
        const OrderRowColours colours = OrderRowColoursFor(row, rows);
        QCOMPARE(colours.background, background);
        QCOMPARE(colours.text, text);
    }

    void listShowsCellsAndColoursOfTheAnswer()
    {
        QList<OrderSpec> orders = {{10, 1, 0, 2, u"Avtoservis ( )Kovač"_s}, {11, 0, 0, 1, std::nullopt}, {12, 5, 1, 1}};
        workshop_->answer(ListPrefix, OrderListAnswer(orders));
        WriteSetting(u"ordavo"_s, u"registrkatitle"_s, u"Reg.: št.:"_s);
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        QAbstractItemModel* model = w->lviewMain->model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->headerData(OrderListModel::ColRegSt, Qt::Horizontal).toString(), u"Reg. št."_s);
        QCOMPARE(model->index(0, OrderListModel::ColStranka).data().toString(), u"Avtoservis Kovač"_s);
        QCOMPARE(model->index(1, OrderListModel::ColStranka).data().toString(), u"Neznano"_s);
        QCOMPARE(model->index(0, OrderListModel::ColTip).data().toString(), u"sprejemni"_s);
        QCOMPARE(model->index(1, OrderListModel::ColTip).data().toString(), u"delovni"_s);
        QCOMPARE(model->index(2, OrderListModel::ColTip).data().toString(), u"Neznani"_s);
        QCOMPARE(model->index(0, OrderListModel::ColDatum).data().toString(), u"05.03.2024"_s);
        QCOMPARE(model->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0xFD, 0xFF, 0x3B));
        QCOMPARE(w->orders().size(), 3);
        QCOMPARE(w->lastOrderCount(), 3);
        QVERIFY(w->lviewMain->isEnabled());
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    // Auto-sized columns fit their longest cell wherever it stands in a long list, within their limits.
    void columnsFitTheirLongestCells()
    {
        QList<OrderSpec> orders;
        for (int id = 1; id <= 300; ++id)
            orders.append(OrderSpec{id});
        const QString longCustomer = u"Gumarna in avtoservis Žalec, družba z omejeno odgovornostjo"_s;
        orders[250].customer = longCustomer;
        workshop_->answer(ListPrefix, OrderListAnswer(orders));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        const QFontMetrics metrics(w->lviewMain->font());
        QVERIFY(w->lviewMain->columnWidth(OrderListModel::ColStranka) > metrics.horizontalAdvance(longCustomer));
        QCOMPARE(w->lviewMain->columnWidth(OrderListModel::ColRegSt), 100);
        QVERIFY(w->lviewMain->columnWidth(OrderListModel::ColAvto) > metrics.horizontalAdvance(u"Škoda Octavia"_s));
    }

    // The wait cursor a caller set stays on through a load; a failed load puts the cursor back.
    void failedLoadResetsTheCursor()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1})));
        TfrmMain* w = shownWindow();
        ShowBusyCursor();
        w->loadNalogi();
        QVERIFY(QGuiApplication::overrideCursor());
        workshop_->answer(ListPrefix, FailureAnswer());
        w->loadNalogi();
        QVERIFY(!QGuiApplication::overrideCursor());
        w->loadNalogi();
        QVERIFY2(!QGuiApplication::overrideCursor(), "the wait cursor of a call ends with the call");
        ClearBusyCursor();
    }

    void selectionFollowsTheOrderAcrossReloads()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2, 3, 4, 5, 6})));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        selectRow(5);
        w->lviewMainClick();
        QVERIFY(w->btnPoglejNalog->isEnabled());

        workshop_->answer(ListPrefix, OrderListAnswer(Orders({6, 1, 2, 3, 4, 5})));
        w->loadNalogi();
        QCOMPARE(w->selectedRow(), 0);
        QCOMPARE(w->orders()[0].id, 6);

        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2, 3})));
        w->loadNalogi();
        QCOMPARE(w->selectedRow(), -1);
        QVERIFY2(w->btnPoglejNalog->isEnabled(), "Poglej nalog keeps its state when the order disappears");
    }

    // A repeated answer leaves the rows as they are, yet the selection, the column fit and the
    // cells behave as after a fresh read; a changed cell with the same row count is shown.
    void repeatedAnswerBehavesAsAReload()
    {
        QList<OrderSpec> orders = Orders({1, 2, 3});
        workshop_->answer(ListPrefix, OrderListAnswer(orders));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        selectRow(2);
        const int fittedWidth = w->lviewMain->columnWidth(OrderListModel::ColStranka);
        w->lviewMain->setColumnWidth(OrderListModel::ColStranka, 5);

        w->loadNalogi();
        QAbstractItemModel* model = w->lviewMain->model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(w->selectedRow(), 2);
        QCOMPARE(w->lviewMain->selectionModel()->currentIndex(), model->index(2, 0));
        QCOMPARE(w->lviewMain->columnWidth(OrderListModel::ColStranka), fittedWidth);

        // A larger font, or a new header text, is measured again even though the rows stay.
        const QFont listFont = w->lviewMain->font();
        QFont larger = listFont;
        larger.setPointSize(listFont.pointSize() * 2);
        w->lviewMain->setFont(larger);
        w->loadNalogi();
        QVERIFY(w->lviewMain->columnWidth(OrderListModel::ColStranka) > fittedWidth);
        w->lviewMain->setFont(listFont);
        w->loadNalogi();
        QCOMPARE(w->lviewMain->columnWidth(OrderListModel::ColStranka), fittedWidth);
        auto* orderModel = qobject_cast<OrderListModel*>(qobject_cast<QAbstractProxyModel*>(model)->sourceModel());
        orderModel->setColumnHeader(OrderListModel::ColStranka, QString(40, u'S'));
        w->loadNalogi();
        QVERIFY(w->lviewMain->columnWidth(OrderListModel::ColStranka) >
                w->lviewMain->fontMetrics().horizontalAdvance(QString(40, u'S')));

        orders[1].customer = u"Marta Kranjc"_s;
        workshop_->answer(ListPrefix, OrderListAnswer(orders));
        w->loadNalogi();
        QCOMPARE(model->index(1, OrderListModel::ColStranka).data().toString(), u"Marta Kranjc"_s);
        QCOMPARE(w->selectedRow(), 2);

        w->lviewMain->selectionModel()->clearSelection();
        w->loadNalogi();
        QCOMPARE(w->selectedRow(), -1);
        QVERIFY(!w->lviewMain->selectionModel()->currentIndex().isValid());
        QVERIFY(DialogTestHook::shown().isEmpty());
    }

    void alertOnlyForAChangedCountInTheBackground()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2})));
        TfrmMain* w = shownWindow();
        QSignalSpy alerts(w, &TfrmMain::newOrdersAlerted);
        w->showMinimized();
        w->loadNalogi();
        QCOMPARE(alerts.count(), 0); // the first load never alerts

        w->loadNalogi();
        QCOMPARE(alerts.count(), 0); // same count

        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2, 3})));
        w->showMinimized();
        w->loadNalogi();
        QCOMPARE(alerts.count(), 1);
        QVERIFY(!w->isMinimized());

        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1})));
        w->loadNalogi();
        QCOMPARE(alerts.count(), 1); // active and not minimised: no alert
    }

    // Only a growing count posts a desktop notice, with the number of new orders; the setting
    // "0" keeps it off; a click on the notice brings the window to the front.
    void newOrdersNoticeOnlyWhenTheCountGrows()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2})));
        TfrmMain* w = shownWindow();
        w->showMinimized();
        w->loadNalogi();
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2, 3, 4})));
        w->showMinimized();
        w->loadNalogi();
        QCOMPARE(notifier_.notices.size(), 1);
        QCOMPARE(notifier_.notices.first().summary, u"Novi nalogi: 2"_s);

        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2, 3})));
        w->showMinimized();
        w->loadNalogi();
        QCOMPARE(notifier_.notices.size(), 1);
        QVERIFY(!w->isMinimized());

        w->showMinimized();
        QTRY_VERIFY(w->isMinimized());
        notifier_.click();
        QVERIFY(!w->isMinimized());

        WriteSetting(u"ordavo"_s, u"notifyneworders"_s, u"0"_s);
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2, 3, 4, 5})));
        w->showMinimized();
        w->loadNalogi();
        QCOMPARE(notifier_.notices.size(), 1);
    }

    // A sorted list shows the orders in its own order while orders() keeps the server's; the
    // selection follows the order across reloads; the sort comes back with the next window.
    void sortedListFollowsTheOrderById()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2, 3})));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        QTableView* view = w->lviewMain;
        view->sortByColumn(OrderListModel::ColNalog, Qt::DescendingOrder);
        QCOMPARE(view->model()->index(0, OrderListModel::ColNalog).data().toString(), u"N-3"_s);
        selectRow(0);
        QCOMPARE(w->orders()[w->selectedRow()].id, 3);

        workshop_->answer(ListPrefix, OrderListAnswer(Orders({4, 3, 1, 2})));
        w->loadNalogi();
        QCOMPARE(w->orders().first().id, 4);
        QCOMPARE(w->orders()[w->selectedRow()].id, 3);
        QCOMPARE(view->selectionModel()->selectedRows().first().row(), 1);
        // The rows came ranked by the sorted column from the worker that read them.
        QStringList shown;
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            const QModelIndex cell = view->model()->index(row, OrderListModel::ColNalog);
            QVERIFY(cell.data(ListRankRole).isValid());
            shown << cell.data().toString();
        }
        QCOMPARE(shown, (QStringList{u"N-4"_s, u"N-3"_s, u"N-2"_s, u"N-1"_s}));

        window_.reset();
        w = shownWindow();
        w->loadNalogi();
        QCOMPARE(w->lviewMain->horizontalHeader()->sortIndicatorSection(), int(OrderListModel::ColNalog));
        QCOMPARE(w->lviewMain->model()->index(0, OrderListModel::ColNalog).data().toString(), u"N-4"_s);
    }

    // A width the user set (remembered from an earlier start) stays when each load fits the
    // auto-sized columns; the others are fitted as before.
    void rememberedWidthWinsOverTheFit()
    {
        WriteSetting(u"ordavo"_s, u"columnsfrmMain"_s, u"nalog=130;stranka=333"_s);
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2})));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        QCOMPARE(w->lviewMain->columnWidth(OrderListModel::ColNalog), 130);
        QCOMPARE(w->lviewMain->columnWidth(OrderListModel::ColStranka), 333);
        QCOMPARE(w->lviewMain->columnWidth(OrderListModel::ColRegSt), 100);
        QCOMPARE(w->lviewMain->columnWidth(OrderListModel::ColTip), 70);
    }

    void timerFollowsSearchRefreshAndFilter()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1})));
        TfrmMain* w = shownWindow();
        w->tmrcheck->start();
        QCOMPARE(w->tmrcheck->interval(), 500);
        w->tmrcheckTimer();
        QCOMPARE(w->tmrcheck->interval(), 7000);
        QVERIFY(!w->tmrcheck->isActive()); // the next step counts from the applied answer
        QTRY_VERIFY(!w->refreshInFlight());
        QVERIFY(w->tmrcheck->isActive());
        QVERIFY(!w->firstTickPending());

        w->txtSearch->setText(u"abc"_s);
        w->applySearch();
        QVERIFY(!w->tmrcheck->isActive());
        QVERIFY(searchApplied);
        QCOMPARE(w->lblRefreshing->text(), u"(OSVEŽEVANJE IZKLOPLJENO)"_s);
        QCOMPARE(searchText, u"abc"_s);

        w->findChild<QAction*>(u"Osvezi1"_s)->trigger();
        QVERIFY(w->tmrcheck->isActive());
        QCOMPARE(w->lblRefreshing->text(), u"(OSVEŽEVANJE OMOGOČENO)"_s);
        QCOMPARE(w->txtSearch->text(), QString());
        QVERIFY(searchText.isEmpty());

        w->rdbVsiNalogi->click();
        QVERIFY(!w->tmrcheck->isActive());
        QVERIFY(!w->btnPoglejNalog->isEnabled());
        QCOMPARE(w->lblRefreshing->text(), u"(OSVEŽEVANJE OMOGOČENO)"_s);
        w->rdbNoviNalogi->click();
        QVERIFY(w->tmrcheck->isActive());
        QCOMPARE(w->tmrcheck->interval(), 7000);

        w->tmrcheckTimer();
        QVERIFY(!searchApplied);
    }

    void failingCallKeepsRowsAndDisablesTheList()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2})));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        workshop_->answer(ListPrefix, FailureAnswer("DB error 1064"));
        w->loadNalogi();
        QCOMPARE(w->lviewMain->model()->rowCount(), 2);
        QVERIFY(!w->lviewMain->isEnabled());
        const ShownMessage box = DialogTestHook::lastShown();
        QCOMPARE(box.text, u"Napaka pri komunikaciji"_s);
        QVERIFY2(box.details.contains(u"DB error 1064"_s), qPrintable(box.details));
    }

    void missingColumnShowsTheStatement()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2}), false));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        const ShownMessage box = DialogTestHook::lastShown();
        QCOMPARE(box.title, u"Napaka"_s);
        QCOMPARE(box.icon, MessageIcon::Error);
        QVERIFY2(box.text.startsWith(u"Napaka pri preverjanju nalogov "_s), qPrintable(box.text));
        QVERIFY2(
            box.text.endsWith(u"\r\nQry:"_s + OrderListStatement(false, {}, QDate::currentDate(), u"yyyy-mm-dd"_s)),
            qPrintable(box.text));
        QVERIFY(w->lviewMain->isEnabled());
        QCOMPARE(w->lviewMain->model()->rowCount(), 0);
    }

    void noAnswerEmptiesTheListAndKeepsTheCount()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2})));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        workshop_->answer(ListPrefix, EmptyAnswer());
        w->loadNalogi();
        QCOMPARE(w->lviewMain->model()->rowCount(), 0);
        QCOMPARE(w->lastOrderCount(), 2);
        QVERIFY(w->lviewMain->isEnabled());
    }

    void webPartOpensWithTheAccessCode()
    {
        WriteSetting(u"ordavo"_s, u"weburlroot"_s, u"http://servis.example/"_s);
        TfrmMain* w = shownWindow();
        QTest::mouseClick(w->Image1, Qt::LeftButton);
        QCOMPARE(opener_.opened.size(), 1);
        QCOMPARE(opener_.opened.first().toString(), u"http://servis.example/?kodainsupass=demo1234"_s);
    }

    void tyreMenuFollowsTheSetting()
    {
        {
            TfrmMain hidden;
            QVERIFY(!hidden.mnuShranjevanjeGum->menuAction()->isVisible());
        }
        WriteSetting(u"ordavo"_s, u"showtyrestorage"_s, u"1"_s);
        TfrmMain shown;
        QVERIFY(shown.mnuShranjevanjeGum->menuAction()->isVisible());
    }

    void closeBoxMinimisesAndEscAsks()
    {
        TfrmMain* w = shownWindow();
        QVERIFY(!w->close());
        QVERIFY(w->isMinimized());
        QVERIFY(!ApplicationTerminationRequested());

        w->showNormal();
        DialogTestHook::setNextAnswers({mrNo});
        QTest::keyClick(w->txtSearch, Qt::Key_Escape);
        QCOMPARE(DialogTestHook::lastShown().title, u"Zapri program"_s);
        QVERIFY(w->isVisible());
        QVERIFY(!w->closeAllowed());

        DialogTestHook::setNextAnswers({mrYes});
        QTest::keyClick(w->lviewMain, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!w->isVisible());
        QVERIFY(ApplicationTerminationRequested());
    }

    void exitCommandEndsTheProgram()
    {
        TfrmMain* w = shownWindow();
        QCOMPARE(w->actIzhod->shortcut(), QKeySequence(u"Ctrl+Q"_s));
        w->actIzhod->trigger();
        QVERIFY(w->closeAllowed());
        QVERIFY(!w->isVisible());
        QVERIFY(ApplicationTerminationRequested());
    }

    void placementRestoredAndWrittenOnlyWhileSaving()
    {
        WriteSetting(u"ordavo"_s, u"leftfrmMain"_s, u"40"_s);
        WriteSetting(u"ordavo"_s, u"widthfrmMain"_s, u"abc"_s);
        auto w = std::make_unique<TfrmMain>();
        // Small enough for the offscreen screen (800 x 600), so the restore keeps it where stored.
        w->resize(700, 500); // placementSaving is still false: nothing written
        QCOMPARE(ReadSetting(u"ordavo"_s, u"heightfrmMain"_s), QString());
        w->show();
        QVERIFY(placementSaving);
        QCOMPARE(w->frameGeometry().left(), 40);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"widthfrmMain"_s), u"abc"_s);
        QCOMPARE(w->width(), 700);
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->resize(650, 450);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"widthfrmMain"_s), QString::number(w->frameGeometry().width()));
        w->tmrcheck->stop();
    }

    void arrangementPutsTheOtherWindowLeft()
    {
        const WindowArrangement a = ArrangeBesideMainWindow(QSize(1920, 1080), 500, 40);
        QCOMPARE(a.other, QRect(0, 0, 1420, 1040));
        QCOMPARE(a.mainLeft, 1420);
        QCOMPARE(TaskbarHeightFor(QRect(0, 1040, 1920, 40), 1080), 40);
        QCOMPARE(TaskbarHeightFor(QRect(0, 0, 60, 1080), 1080), 0);
        QCOMPARE(TaskbarHeightFor(std::nullopt, 1080), 0);
        QCOMPARE(TaskbarFromWorkArea(QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)), QRect(0, 1040, 1920, 40));
        QCOMPARE(TaskbarFromWorkArea(QRect(0, 0, 1920, 1080), QRect(60, 0, 1860, 1080)), QRect(0, 0, 60, 1080));
        QCOMPARE(TaskbarFromWorkArea(QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)), std::nullopt);
    }

    void alignWindowsTakesTheFirstMatchingWindow()
    {
        RecordingWindowArranger arranger;
        arranger.windows = {{1, u"Terminal"_s}, {2, u"Mail - Kontakti"_s}, {3, u""_s}, {4, u"Kontakti 2"_s}};
        SetCurrentWindowArranger(&arranger);
        WriteSetting(u"ordavo"_s, u"othrappname"_s, u"Kontakti"_s);
        WriteSetting(u"ordavo"_s, u"showmemo1"_s, u"1"_s);
        TfrmMain* w = shownWindow();
        w->resize(500, 650);
        QVERIFY(!w->Memo1->isHidden());
        QTest::mouseClick(w->imgAlign, Qt::LeftButton);
        QCOMPARE(arranger.moves.size(), 1);
        QCOMPARE(arranger.moves.first().window, quint64(2));
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QCOMPARE(arranger.moves.first().geometry,
                 QRect(0, 0, screen.width() - w->frameGeometry().width(), screen.height()));
        QCOMPARE(w->frameGeometry().left(), screen.width() - w->frameGeometry().width());
        QCOMPARE(w->Memo1->toPlainText(), u"Terminal\nMail - Kontakti"_s);

        WriteSetting(u"ordavo"_s, u"othrappname"_s, QString());
        QTest::mouseClick(w->imgAlign, Qt::LeftButton);
        QCOMPARE(arranger.moves.size(), 1);
    }

    // The seeded simulator's orders arrive whole: every row decodes and the colours cover the kinds.
    void simulatorOrdersLoad()
    {
        SimulatorProcess sim;
        QVERIFY2(sim.isRunning(), qPrintable(sim.errorText()));
        WriteSetting(u"ordavo"_s, u"weburlroot"_s, sim.baseUrl());
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        QVERIFY(DialogTestHook::shown().isEmpty());
        const int unbilled = w->lviewMain->model()->rowCount();
        QVERIFY(unbilled > 10);
        bool sawLocked = false;
        for (const Tnalogi& order : w->orders())
            sawLocked = sawLocked || order.id == SimulatorProcess::LockedOrder;
        QVERIFY(sawLocked);
        w->rdbVsiNalogi->click();
        QVERIFY(w->lviewMain->model()->rowCount() >= unbilled);

        QVERIFY(sim.control(u"add-order"_s).status == 200);
        w->rdbNoviNalogi->click();
        QCOMPARE(w->lviewMain->model()->rowCount(), unbilled + 1);
    }

    // A row that cannot be converted ends the read: the rows before it stay, the box quotes the statement.
    void unreadableRowKeepsTheRowsBefore()
    {
        QList<OrderSpec> orders = Orders({1, 2, 3});
        orders[2].enteredBy = std::nullopt; // "vnesel" is read as text, which a null is not
        workshop_->answer(ListPrefix, OrderListAnswer(orders));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        QCOMPARE(w->lviewMain->model()->rowCount(), 2);
        QCOMPARE(w->orders()[1].id, 2);
        QCOMPARE(DialogTestHook::shown().size(), 1);
        const ShownMessage box = DialogTestHook::lastShown();
        QCOMPARE(box.title, u"Napaka"_s);
        QVERIFY(box.text.startsWith(u"Napaka pri preverjanju nalogov "_s));
        QVERIFY2(box.text.contains(u"\r\nQry:call usp_listneobracunaninalogi"_s), qPrintable(box.text));
        QVERIFY(w->lviewMain->isEnabled());

        // The same answer again is read again, and fails again.
        w->loadNalogi();
        QCOMPARE(w->lviewMain->model()->rowCount(), 2);
        QCOMPARE(DialogTestHook::shown().size(), 2);
    }

    // Only a key pressed in the search box searches when it is released there.
    void keyReleaseSearchesOnlyAfterItsPressInTheBox()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1})));
        TfrmMain* w = shownWindow();
        workshop_->clearStatements();
        QKeyEvent strayRelease(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(w->txtSearch, &strayRelease);
        QCOMPARE(listStatements().size(), 0);
        QTest::keyClick(w->txtSearch, Qt::Key_N);
        QCOMPARE(listStatements().size(), 1);
        QCoreApplication::sendEvent(w->txtSearch, &strayRelease);
        QCOMPARE(listStatements().size(), 1);
    }

    // While the server is away the list keeps its rows greyed, its selection and its count,
    // and says so in red; the next load that reaches the server restores everything. The same
    // whether the loads are the user's or the refresh's in the background.
    void outageKeepsTheRowsUntilTheServerIsBack_data()
    {
        QTest::addColumn<bool>("byTick");
        QTest::addRow("loads of the user") << false;
        QTest::addRow("refresh ticks") << true;
    }

    void outageKeepsTheRowsUntilTheServerIsBack()
    {
        QFETCH(bool, byTick);
        const auto reload = [&](TfrmMain* window) {
            if (byTick)
                tick(window);
            else
                window->loadNalogi();
        };
        SimulatorProcess sim;
        QVERIFY2(sim.isRunning(), qPrintable(sim.errorText()));
        WriteSetting(u"ordavo"_s, u"weburlroot"_s, sim.baseUrl());
        TfrmMain* w = shownWindow();
        QSignalSpy alerts(w, &TfrmMain::newOrdersAlerted);
        const auto second = [](const QTime& time) { return time.msecsSinceStartOfDay() / 1000; };
        const int loadStarted = second(QTime::currentTime());
        w->loadNalogi();
        const int loadEnded = second(QTime::currentTime());
        const int rows = w->lviewMain->model()->rowCount();
        QVERIFY(rows > 2);
        selectRow(2);
        const qint32 selectedId = w->orders()[2].id;
        const QModelIndex cell = w->lviewMain->model()->index(2, 0);
        const QColor normalText = cell.data(Qt::ForegroundRole).value<QColor>();
        const int count = w->lastOrderCount();

        sim.stop();
        // The failed load falls in a later second than the one that reached the server, whose time
        // the label must show.
        QTRY_VERIFY(second(QTime::currentTime()) > loadEnded);
        w->showMinimized();
        reload(w);
        QCOMPARE(w->lviewMain->model()->rowCount(), rows);
        QCOMPARE(w->selectedRow(), 2);
        QCOMPARE(w->lastOrderCount(), count);
        QCOMPARE(cell.data(Qt::ForegroundRole).value<QColor>(), QColor(0x80, 0x80, 0x80));
        static const QRegularExpression outage(
            u"^NI POVEZAVE S STREŽNIKOM \\(zadnja osvežitev ob (\\d\\d:\\d\\d:\\d\\d)\\)$"_s);
        const QRegularExpressionMatch shown = outage.match(w->lblRefreshing->text());
        QVERIFY2(shown.hasMatch(), qPrintable(w->lblRefreshing->text()));
        const int shownSecond = second(QTime::fromString(shown.captured(1), u"HH:mm:ss"_s));
        QVERIFY2(shownSecond >= loadStarted && shownSecond <= loadEnded, qPrintable(shown.captured(1)));
        QCOMPARE(w->lblRefreshing->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
        QVERIFY(w->lviewMain->isEnabled());

        QVERIFY2(sim.restart(), qPrintable(sim.errorText()));
        w->showMinimized();
        reload(w);
        QCOMPARE(w->lviewMain->model()->rowCount(), rows);
        QCOMPARE(w->orders()[w->selectedRow()].id, selectedId);
        QCOMPARE(w->lviewMain->model()->index(2, 0).data(Qt::ForegroundRole).value<QColor>(), normalText);
        QCOMPARE(w->lblRefreshing->text(), u"(OSVEŽEVANJE OMOGOČENO)"_s);
        QCOMPARE(w->lblRefreshing->palette().color(QPalette::WindowText), QColor(Qt::white));
        QCOMPARE(alerts.count(), 0);
        QVERIFY(DialogTestHook::shown().isEmpty());
    }

    // A tick's transfer runs while the window goes on: the list greyed and the hourglass shown as
    // for any load, the answer shown when it comes, and the timer's count starting from then.
    void tickAnswerIsShownWhenItComes()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2, 3})));
        TfrmMain* w = shownWindow();
        workshop_->holdAnswersContaining(u",-1,0,"_s);
        w->tmrcheck->start();
        w->tmrcheckTimer();
        QTRY_COMPARE(workshop_->heldRequests(), 1);
        QVERIFY(w->refreshInFlight());
        QVERIFY(!w->lviewMain->isEnabled());
        QVERIFY(QGuiApplication::overrideCursor());
        QVERIFY(!w->tmrcheck->isActive());
        workshop_->releaseAnswers();
        QTRY_VERIFY(!w->refreshInFlight());
        QCOMPARE(w->lviewMain->model()->rowCount(), 3);
        QVERIFY(w->lviewMain->isEnabled());
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(w->tmrcheck->isActive());
        QCOMPARE(w->lastOrderCount(), 3);
    }

    // The user types a search while a tick's answer is on its way: that answer is dropped, the
    // search's list is shown, and the refresh stays off as the search says.
    void searchTypedDuringATickDropsItsAnswer()
    {
        workshop_->answer(tickStatement(), OrderListAnswer(Orders({1, 2, 3})));
        workshop_->answer(tickStatement(u"a"_s), OrderListAnswer(Orders({7})));
        TfrmMain* w = shownWindow();
        workshop_->holdAnswersContaining(u",-1,0,"_s);
        w->tmrcheck->start();
        w->tmrcheckTimer();
        QTRY_COMPARE(workshop_->heldRequests(), 1);
        QTest::keyClick(w->txtSearch, Qt::Key_A);
        QVERIFY(!w->refreshInFlight());
        QCOMPARE(w->lviewMain->model()->rowCount(), 1);
        QCOMPARE(w->orders()[0].id, 7);
        workshop_->releaseAnswers();
        QTest::qWait(200);
        QCOMPARE(w->lviewMain->model()->rowCount(), 1);
        QCOMPARE(w->orders()[0].id, 7);
        QVERIFY(!w->tmrcheck->isActive());
        QCOMPARE(w->lblRefreshing->text(), u"(OSVEŽEVANJE IZKLOPLJENO)"_s);
        QVERIFY(w->lviewMain->isEnabled());
    }

    // A call the user starts while a tick is on its way goes out after the tick's statement and
    // drops the tick; the list is left as it was and the refresh goes on.
    void userCallDuringATickDropsTheTick()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2})));
        TfrmMain* w = shownWindow();
        w->loadNalogi();
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1, 2, 3, 4})));
        workshop_->holdAnswersContaining(u",-1,0,"_s);
        workshop_->clearStatements();
        w->tmrcheck->start();
        w->tmrcheckTimer();
        QTRY_COMPARE(workshop_->heldRequests(), 1);
        QVERIFY(CallRemote(u"call usp_listLokacije ()"_s));
        QVERIFY(!w->refreshInFlight());
        QCOMPARE(w->lviewMain->model()->rowCount(), 2);
        QVERIFY(w->lviewMain->isEnabled());
        QVERIFY(w->tmrcheck->isActive());
        QVERIFY(!QGuiApplication::overrideCursor());
        const QStringList sent = workshop_->statements();
        QCOMPARE(sent.size(), 2);
        QVERIFY(sent[0].startsWith(ListPrefix));
        QCOMPARE(sent[1], u"call usp_listLokacije ()"_s);
        workshop_->releaseAnswers();
        tick(w);
        QCOMPARE(w->lviewMain->model()->rowCount(), 4);
    }

    // No tick starts while a call the user started is waiting for its answer.
    void noTickStartsDuringAUserCall()
    {
        workshop_->answer(ListPrefix, OrderListAnswer(Orders({1})));
        TfrmMain* w = shownWindow();
        workshop_->holdAnswersContaining(u"usp_listLokacije"_s);
        w->tmrcheck->start(20);
        int listCallsDuringTheWait = -1;
        QTimer::singleShot(400, this, [&] {
            listCallsDuringTheWait = int(listStatements().size());
            workshop_->releaseAnswers();
        });
        QVERIFY(CallRemote(u"call usp_listLokacije ()"_s));
        QCOMPARE(listCallsDuringTheWait, 0);
        QVERIFY(w->tmrcheck->isActive());
        QTRY_VERIFY(!listStatements().isEmpty()); // the refresh goes on after the call
    }

    // The window goes away (the program ends) while a tick waits for a server that sends
    // nothing: it ends at once, and the transport's sender is not lost.
    void quittingDuringATickEndsAtOnce()
    {
        TfrmMain* w = shownWindow();
        workshop_->holdAnswersContaining(u",-1,0,"_s);
        w->tmrcheck->start();
        w->tmrcheckTimer();
        QTRY_COMPARE(workshop_->heldRequests(), 1);
        QElapsedTimer clock;
        clock.start();
        window_.reset();
        QVERIFY2(clock.elapsed() < HttpClient::DefaultStallTimeout.count() / 2, "quitting waited for the stall");
        QVERIFY(CurrentSender());
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
