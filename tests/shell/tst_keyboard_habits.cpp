// Keyboard habits on a real desktop against the simulator: Enter opens the selected order, F5 reloads, Alt+letter.
#include "desktop_session.h"
#include "window_test_state.h"

#include "support/simulator_process.h"
#include "support/window_test_kit.h"

#include "data/settings_store.h"
#include "orders/order_details.h"
#include "session/app_state.h"
#include "shell/main_window.h"
#include "storage/tyre_placement.h"
#include "storage/tyre_search.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_fonts.h"
#include "ui/window_placement.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum class OrderList { Main, TyrePlacement, TyreSearch };

// The text of the "Nalog" column in the list's row.
QString OrderNumberAt(const QTableView& list, int row)
{
    const QAbstractItemModel& model = *list.model();
    for (int column = 0; column < model.columnCount(); ++column)
        if (model.headerData(column, Qt::Horizontal).toString() == u"Nalog"_s)
            return model.index(row, column).data().toString();
    return {};
}

// The first letter after "&" in a menu text, lower case; empty without a mnemonic.
QString Mnemonic(const QString& text)
{
    const qsizetype amp = text.indexOf(u'&');
    return amp >= 0 && amp + 1 < text.size() ? text.mid(amp + 1, 1).toLower() : QString();
}

} // namespace

class KeyboardHabitsTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void enterOpensTheSelectedOrder_data();
    void enterOpensTheSelectedOrder();
    void enterWithoutSelectedRowOpensNothing();
    void mainWindowOpensWithTheSearchBoxFocused();
    void arrowKeysChooseTheOrderEnterOpens_data();
    void arrowKeysChooseTheOrderEnterOpens();
    void spaceShowsThePlaceOfTheOrderTheArrowsChose();
    void f5ReloadsTheList_data();
    void f5ReloadsTheList();
    void everyMenuHasItsAltLetter();
    void altLetterOpensTheMenu();

private:
    QTableView* showList(OrderList which);
    void showMainWindow();

    std::unique_ptr<SimulatorProcess> sim_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmMain> main_;
    std::unique_ptr<TfrmNalogDetails> order_;
    std::unique_ptr<QWidget> window_;
};

void KeyboardHabitsTest::initTestCase()
{
    QVERIFY2(StartSimulatorSession(sim_, remote_), qPrintable(sim_->errorText()));
    WriteSetting(u"ordavo"_s, u"kodadostop"_s, QString::fromLatin1(SimulatorProcess::DemoCode));
    WriteSetting(u"ordavo"_s, u"showtyrestorage"_s, u"1"_s);
}

void KeyboardHabitsTest::init()
{
    ResetDesktopWindowState();
    main_ = std::make_unique<TfrmMain>();
    order_ = std::make_unique<TfrmNalogDetails>();
    frmNalogDetails = order_.get();
}

void KeyboardHabitsTest::cleanup()
{
    window_.reset();
    order_.reset();
    main_.reset();
    DialogTestHook::reset();
}

void KeyboardHabitsTest::showMainWindow()
{
    main_->show();
    main_->tmrcheck->stop();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    main_->activateWindow();
    QTRY_VERIFY(main_->isActiveWindow());
}

QTableView* KeyboardHabitsTest::showList(OrderList which)
{
    QWidget* window = main_.get();
    if (which == OrderList::Main) {
        main_->loadNalogi();
    } else {
        if (which == OrderList::TyrePlacement)
            window_ = std::make_unique<TfrmShranjevanjeGumVpisiNevpisane>(main_.get());
        else
            window_ = std::make_unique<TfrmshranjevanjeGumISkanje>(main_.get());
        window = window_.get();
        window->show();
        if (which == OrderList::TyreSearch)
            QTest::keyClick(RequireChild<QLineEdit>(*window, "txtSearch"), Qt::Key_End);
    }
    if (!QTest::qWaitForWindowExposed(window))
        return nullptr;
    auto* list = RequireChild<QTableView>(*window, "lviewMain");
    // Shortcuts answer only in the active window, and Enter only in the focused list.
    window->activateWindow();
    if (!QTest::qWaitFor([window] { return window->isActiveWindow(); }))
        return nullptr;
    list->setFocus();
    return list;
}

void KeyboardHabitsTest::enterOpensTheSelectedOrder_data()
{
    QTest::addColumn<OrderList>("which");
    QTest::addColumn<int>("key");
    QTest::addRow("main list, Return") << OrderList::Main << int(Qt::Key_Return);
    QTest::addRow("main list, keypad Enter") << OrderList::Main << int(Qt::Key_Enter);
    QTest::addRow("tyre placement, Return") << OrderList::TyrePlacement << int(Qt::Key_Return);
    QTest::addRow("tyre search, Return") << OrderList::TyreSearch << int(Qt::Key_Return);
}

void KeyboardHabitsTest::enterOpensTheSelectedOrder()
{
    QFETCH(OrderList, which);
    QFETCH(int, key);
    showMainWindow();
    QTableView* list = showList(which);
    QVERIFY(list);
    QVERIFY(list->model()->rowCount() > 1);
    list->selectRow(1);
    const QString number = OrderNumberAt(*list, 1);
    QVERIFY(!number.isEmpty());

    QTest::keyClick(list, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QTRY_VERIFY(order_->isVisible());
    QCOMPARE(RequireChild<QLabel>(*order_, "lblNalog")->text(), number);
    QVERIFY(currentNalogId > 0);
}

void KeyboardHabitsTest::enterWithoutSelectedRowOpensNothing()
{
    showMainWindow();
    QTableView* list = showList(OrderList::Main);
    QVERIFY(list);
    list->clearSelection();
    currentNalogId = 0;
    QTest::keyClick(list, Qt::Key_Return);
    QTest::qWait(100);
    QVERIFY(!order_->isVisible());
    QCOMPARE(currentNalogId, 0);
}

void KeyboardHabitsTest::mainWindowOpensWithTheSearchBoxFocused()
{
    showMainWindow();
    QTRY_COMPARE(QApplication::focusWidget(), RequireChild<QWidget>(*main_, "txtSearch"));
}

void KeyboardHabitsTest::arrowKeysChooseTheOrderEnterOpens_data()
{
    QTest::addColumn<OrderList>("which");
    QTest::addRow("tyre placement") << OrderList::TyrePlacement;
    QTest::addRow("tyre search") << OrderList::TyreSearch;
}

void KeyboardHabitsTest::arrowKeysChooseTheOrderEnterOpens()
{
    QFETCH(OrderList, which);
    showMainWindow();
    QTableView* list = showList(which);
    QVERIFY(list);
    QVERIFY(list->model()->rowCount() > 2);
    list->selectRow(0);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), 1);

    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(order_->isVisible());
    QCOMPARE(RequireChild<QLabel>(*order_, "lblNalog")->text(), OrderNumberAt(*list, 1));
}

// The arrows leave the assignment panel as it was; Space is the keyboard's click on the row.
void KeyboardHabitsTest::spaceShowsThePlaceOfTheOrderTheArrowsChose()
{
    showMainWindow();
    QTableView* list = showList(OrderList::TyrePlacement);
    QVERIFY(list);
    QVERIFY(list->model()->rowCount() > 1);
    QWidget* panel = RequireChild<QWidget>(*window_, "pnlVpisiNevpisanega");
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QVERIFY(!panel->isVisible());

    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(panel->isVisible());
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(list->selectionModel()->selectedRows().first().row(), list->currentIndex().row());
    QTest::keyClick(list, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), RequireChild<QWidget>(*window_, "cmbProstori"));
}

void KeyboardHabitsTest::f5ReloadsTheList_data()
{
    QTest::addColumn<OrderList>("which");
    QTest::addColumn<QString>("statement");
    QTest::addRow("main list") << OrderList::Main << u"call usp_listneobracunaninalogi (0,"_s;
    QTest::addRow("tyre placement") << OrderList::TyrePlacement << u"call usp_listnevneseni (0)"_s;
}

void KeyboardHabitsTest::f5ReloadsTheList()
{
    QFETCH(OrderList, which);
    QFETCH(QString, statement);
    showMainWindow();
    QTableView* list = showList(which);
    QVERIFY(list);
    sim_->control(u"clear-statements"_s);

    QTest::keyClick(list, Qt::Key_F5);
    QTRY_VERIFY(!sim_->statements().filter(statement).isEmpty());
}

void KeyboardHabitsTest::everyMenuHasItsAltLetter()
{
    TfrmShranjevanjeGumVpisiNevpisane placement(main_.get());
    QMenuBar* placementMenu = placement.findChild<QMenuBar*>();
    QVERIFY(placementMenu);
    for (const QMenuBar* bar : {main_->menuBar(), placementMenu}) {
        const QList<QAction*> menus = bar->actions();
        QVERIFY(!menus.isEmpty());
        QStringList letters;
        for (const QAction* menu : menus) {
            const QString letter = Mnemonic(menu->text());
            QVERIFY2(!letter.isEmpty(), qPrintable(menu->text()));
            QVERIFY2(!letters.contains(letter), qPrintable(u"two menus share Alt+"_s + letter));
            letters << letter;
            if (!menu->menu())
                continue;
            QStringList commandLetters;
            for (const QAction* command : menu->menu()->actions()) {
                if (command->isSeparator())
                    continue;
                const QString commandLetter = Mnemonic(command->text());
                QVERIFY2(!commandLetter.isEmpty(), qPrintable(command->text()));
                QVERIFY2(!commandLetters.contains(commandLetter), qPrintable(command->text()));
                commandLetters << commandLetter;
            }
        }
    }
}

void KeyboardHabitsTest::altLetterOpensTheMenu()
{
    showMainWindow();
    QMenu* orders = RequireChild<QMenu>(*main_, "mnuNalogi");
    QTest::keyClick(main_.get(), Qt::Key_N, Qt::AltModifier);
    QTRY_VERIFY(orders->isVisible());
    orders->hide();
}

int main(int argc, char* argv[])
{
    DesktopSession desktop;
    QApplication app(argc, argv);
    InstallOrdavoFonts();
    KeyboardHabitsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keyboard_habits.moc"
