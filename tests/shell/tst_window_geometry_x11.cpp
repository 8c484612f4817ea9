// Window geometry on a real desktop (1920 x 1080, a laptop's 1366 x 768, 1920 x 1080 scaled by 1.5): design places
// and sizes, the work area, placements that stay put, title-bar buttons, an order opened from a modal tyre window.
#include "desktop_session.h"
#include "window_fit_checks.h"
#include "window_test_state.h"

#include "support/simulator_process.h"
#include "support/window_test_kit.h"

#include "data/settings_store.h"
#include "desktop/window_arranger.h"
#include "orders/item_catalogue.h"
#include "orders/order_details.h"
#include "orders/print_order.h"
#include "shell/main_window.h"
#include "signin/company_details.h"
#include "signin/login_window.h"
#include "storage/storage_locations.h"
#include "storage/tyre_placement.h"
#include "storage/tyre_search.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_fonts.h"
#include "ui/window_owner.h"
#include "ui/window_placement.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest>

#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum class Window { Main, SignIn, CompanyDetails, ItemCatalogue, StorageLocations, TyrePlacement, TyreSearch, Order };

const QStringList kWindowNames{u"frmMain"_s,
                               u"frmnalogLogin"_s,
                               u"frmNalogDetails"_s,
                               u"frmNalogUrejanjePostavk"_s,
                               u"frmshranjevanjeGumISkanje"_s,
                               u"frmShranjevanjeGumVpisiNevpisane"_s,
                               u"frmShranjevanjeGumUrejanjeProstorov"_s,
                               u"frmUrejanjePodatkov"_s};

// A fresh installation: no window has a stored placement.
void ForgetPlacements()
{
    for (const QString& name : kWindowNames)
        for (const QString& key : {u"left"_s, u"top"_s, u"width"_s, u"height"_s})
            WriteSetting(u"ordavo"_s, key + name, QString());
}

void StorePlacement(const QString& name, const QRect& outer)
{
    WriteSetting(u"ordavo"_s, u"left"_s + name, QString::number(outer.x()));
    WriteSetting(u"ordavo"_s, u"top"_s + name, QString::number(outer.y()));
    WriteSetting(u"ordavo"_s, u"width"_s + name, QString::number(outer.width()));
    WriteSetting(u"ordavo"_s, u"height"_s + name, QString::number(outer.height()));
}

QRect Outer(const QWidget* window)
{
    return window->windowHandle()->frameGeometry();
}

QSize Frame(const QWidget* window)
{
    return Outer(window).size() - window->size();
}

QRect WorkArea(const QWidget* window)
{
    return window->screen()->availableGeometry();
}

QString Text(const QRect& r)
{
    return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QRect GlobalRect(const QWidget* widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

// Waits until the window is on screen with its frame from the window manager and queued work has run.
bool Settle(QWidget* window)
{
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    if (!QTest::qWaitFor([window] { return window->windowHandle()->frameMargins().top() > 0; }, 3000))
        return false;
    QTest::qWait(300);
    QCoreApplication::processEvents();
    return true;
}

// Input through the X server's keyboard and mouse (XTest), as a person's; positions in the
// screen's device pixels.
bool Xdotool(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, arguments);
    return xdotool.waitForFinished(5000) && xdotool.exitCode() == 0;
}

bool ClickOn(const QWidget* widget)
{
    const QPoint centre = widget->mapToGlobal(widget->rect().center()) * widget->devicePixelRatioF();
    return Xdotool(
        {u"mousemove"_s, u"--sync"_s, QString::number(centre.x()), QString::number(centre.y()), u"click"_s, u"1"_s});
}

bool PressKey(const QString& key)
{
    return Xdotool({u"key"_s, u"--clearmodifiers"_s, key});
}

// Position in the window manager's stacking list, topmost first; -1 when absent.
int StackingIndex(const QWidget* window)
{
    XcbWindowArranger arranger;
    const QList<ForeignWindow> windows = arranger.topLevelWindows();
    for (int i = 0; i < windows.size(); ++i)
        if (windows[i].id == window->winId())
            return i;
    return -1;
}

xcb_connection_t* XConnection()
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(const char* name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(XConnection(), xcb_intern_atom(XConnection(), 0, uint16_t(strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The 32-bit items of a window's property.
QList<quint32> PropertyWords(const QWidget* window, const char* name)
{
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(XConnection(),
                               xcb_get_property(XConnection(), 0, xcb_window_t(window->winId()), Atom(name),
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
                               nullptr),
        &std::free);
    QList<quint32> words;
    if (!reply || reply->format != 32)
        return words;
    const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
        words.append(values[i]);
    return words;
}

QString AtomName(quint32 atom)
{
    std::unique_ptr<xcb_get_atom_name_reply_t, decltype(&std::free)> reply(
        xcb_get_atom_name_reply(XConnection(), xcb_get_atom_name(XConnection(), atom), nullptr), &std::free);
    return reply ? QString::fromLatin1(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()))
                 : QString();
}

// What the window manager lets the user do with the window (_NET_WM_ALLOWED_ACTIONS).
QStringList AllowedActions(const QWidget* window)
{
    QStringList names;
    for (quint32 atom : PropertyWords(window, "_NET_WM_ALLOWED_ACTIONS"))
        names << AtomName(atom);
    return names;
}

// The title-bar buttons the window asks for in its Motif hints: "minimise", "maximise", "close".
QStringList AskedButtons(const QWidget* window)
{
    enum : quint32 { FunctionsFlag = 1, DecorationsFlag = 2, FuncAll = 1, FuncMinimise = 8, FuncMaximise = 16 };
    enum : quint32 { FuncClose = 32, DecorAll = 1, DecorMinimise = 32, DecorMaximise = 64 };
    const QList<quint32> hints = PropertyWords(window, "_MOTIF_WM_HINTS");
    if (hints.size() < 3)
        return {u"minimise"_s, u"maximise"_s, u"close"_s}; // no hints: everything
    const bool allFunctions = !(hints[0] & FunctionsFlag) || (hints[1] & FuncAll);
    const bool allDecorations = !(hints[0] & DecorationsFlag) || (hints[2] & DecorAll);
    QStringList buttons;
    if ((allFunctions || hints[1] & FuncMinimise) && (allDecorations || hints[2] & DecorMinimise))
        buttons << u"minimise"_s;
    if ((allFunctions || hints[1] & FuncMaximise) && (allDecorations || hints[2] & DecorMaximise))
        buttons << u"maximise"_s;
    if (allFunctions || hints[1] & FuncClose)
        buttons << u"close"_s;
    return buttons;
}

// Runs `check` inside the modal loop that `open` starts, once the modal window is on screen, and
// closes the modal window afterwards if the check left it open. False when no modal window came.
// The modal window is looked for by a timer: `open` may run event loops of its own (remote
// calls) before the modal one, and the check must not block those.
bool InsideModalLoop(const std::function<void()>& open, const std::function<void(QWidget* modal)>& check)
{
    bool ran = false;
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (waited.elapsed() > 10000)
                poll.stop();
            return;
        }
        poll.stop();
        if (Settle(modal)) {
            ran = true;
            check(modal);
        }
        if (QPointer<QWidget> left = modal; left && left->isVisible())
            left->close();
    });
    poll.start();
    open();
    return ran;
}

} // namespace

class WindowGeometryTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void mainWindowOnAFreshStart();
    void storedPlacementThatNoLongerFitsIsKeptOnScreen();
    void orderWindowStaysPut();
    void everyWindowOpensInsideTheWorkArea_data();
    void everyWindowOpensInsideTheWorkArea();
    void signInClientArea();
    void titleBarButtons_data();
    void titleBarButtons();
    void printPreviewFitsAndShowsEveryExport();
    void orderOpenedFromAModalTyreWindow_data();
    void orderOpenedFromAModalTyreWindow();

private:
    TfrmMain* showMainWindow();
    void openOrder(int id);
    // Shows the window over the main window, framed and settled; nullptr when it did not come.
    QWidget* showWindow(Window which);

    std::unique_ptr<SimulatorProcess> sim_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmMain> main_;
    std::unique_ptr<TfrmNalogDetails> order_;
    std::unique_ptr<QWidget> window_;
};

void WindowGeometryTest::initTestCase()
{
    if (QGuiApplication::platformName() != u"xcb"_s)
        QSKIP("needs an X server with a window manager");
    QVERIFY2(StartSimulatorSession(sim_, remote_), qPrintable(sim_->errorText()));
    WriteSetting(u"ordavo"_s, u"kodadostop"_s, QString::fromLatin1(SimulatorProcess::DemoCode));
    WriteSetting(u"ordavo"_s, u"showtyrestorage"_s, u"1"_s);
    WriteSetting(u"ordavo"_s, u"avtotitle"_s, u"Vozilo"_s);
    WriteSetting(u"ordavo"_s, u"registrkatitle"_s, u"Registrska št:"_s);
}

void WindowGeometryTest::init()
{
    ResetDesktopWindowState();
    ForgetPlacements();
    main_ = std::make_unique<TfrmMain>();
}

void WindowGeometryTest::cleanup()
{
    window_.reset();
    order_.reset();
    main_.reset();
    DialogTestHook::reset();
}

TfrmMain* WindowGeometryTest::showMainWindow()
{
    main_->show();
    main_->tmrcheck->stop();
    return Settle(main_.get()) ? main_.get() : nullptr;
}

void WindowGeometryTest::openOrder(int id)
{
    if (!order_) {
        order_ = std::make_unique<TfrmNalogDetails>();
        frmNalogDetails = order_.get();
    }
    openNalog(id);
}

QWidget* WindowGeometryTest::showWindow(Window which)
{
    if (!showMainWindow())
        return nullptr;
    QWidget* window = nullptr;
    switch (which) {
    case Window::Main:
        return main_.get();
    case Window::SignIn:
        window_ = std::make_unique<TfrmnalogLogin>(main_.get());
        break;
    case Window::CompanyDetails:
        window_ = std::make_unique<TfrmUrejanjePodatkov>(main_.get());
        break;
    case Window::ItemCatalogue:
        window_ = std::make_unique<TfrmNalogUrejanjePostavk>(main_.get());
        break;
    case Window::StorageLocations:
        window_ = std::make_unique<TfrmShranjevanjeGumUrejanjeProstorov>(main_.get());
        break;
    case Window::TyrePlacement:
        window_ = std::make_unique<TfrmShranjevanjeGumVpisiNevpisane>(main_.get());
        break;
    case Window::TyreSearch:
        window_ = std::make_unique<TfrmshranjevanjeGumISkanje>(main_.get());
        break;
    case Window::Order:
        openOrder(SimulatorProcess::OrderWithDocuments);
        window = order_.get();
        break;
    }
    if (!window) {
        window = window_.get();
        window->show();
    }
    return Settle(window) ? window : nullptr;
}

void WindowGeometryTest::mainWindowOnAFreshStart()
{
    TfrmMain* main = showMainWindow();
    QVERIFY(main);
    const QRect area = WorkArea(main);
    const QRect outer = Outer(main);
    QVERIFY2(area.contains(outer), qPrintable(Text(outer) + u" outside "_s + Text(area)));

    // The client area below the menu bar is the design's 1008 x 713 wherever that fits.
    const QSize design(1008, 713);
    const QSize designOuter = design + QSize(0, main->menuBar()->height()) + Frame(main);
    const QSize client = main->centralWidget()->size();
    QCOMPARE(client.width(), design.width());
    if (designOuter.height() <= area.height())
        QCOMPARE(client.height(), design.height());
    else
        QCOMPARE(outer.height(), area.height());
    // At its design place where it fits there.
    if (area.contains(QRect(QPoint(299, 168), designOuter)))
        QCOMPARE(outer.topLeft(), QPoint(299, 168));

    // The controls at the bottom are on the screen.
    for (const char* name : {"txtSearch", "rdbVsiNalogi", "btnPoglejNalog"}) {
        const QRect control = GlobalRect(RequireChild<QWidget>(*main, name));
        QVERIFY2(area.contains(control), name);
    }
    // Nothing moved by the user: nothing written.
    QVERIFY(ReadSetting(u"ordavo"_s, u"leftfrmMain"_s).isEmpty());
}

void WindowGeometryTest::storedPlacementThatNoLongerFitsIsKeptOnScreen()
{
    // Stored on a larger screen: reaching below and right of every screen of this test.
    const QRect stored(700, 400, 1600, 1000);
    StorePlacement(u"frmMain"_s, stored);
    TfrmMain* main = showMainWindow();
    QVERIFY(main);
    const QRect area = WorkArea(main);
    QTRY_VERIFY2(area.contains(Outer(main)), qPrintable(Text(Outer(main)) + u" outside "_s + Text(area)));
    // Shrunk to the work area; on a scaled screen a frame of one device pixel rounds to a
    // logical pixel less.
    const int slack = main->devicePixelRatio() > 1 ? 1 : 0;
    QVERIFY(std::abs(Outer(main).width() - std::min(stored.width(), area.width())) <= slack);
    QVERIFY(std::abs(Outer(main).height() - std::min(stored.height(), area.height())) <= slack);
    QVERIFY(main->height() >= main->minimumHeight());
}

void WindowGeometryTest::orderWindowStaysPut()
{
    QVERIFY(showMainWindow());
    QRect first;
    for (int opening = 0; opening < 5; ++opening) {
        openOrder(SimulatorProcess::OrderWithDocuments);
        QVERIFY(Settle(order_.get()));
        const QRect outer = Outer(order_.get());
        const QRect area = WorkArea(order_.get());
        QVERIFY2(area.contains(outer), qPrintable(Text(outer) + u" outside "_s + Text(area)));
        if (opening == 0) {
            first = outer;
            const QSize designOuter = QSize(505, 694) + Frame(order_.get());
            if (designOuter.height() <= area.height())
                QCOMPARE(order_->size(), QSize(505, 694));
        } else {
            QCOMPARE(outer, first);
        }
        order_->close();
    }
    QVERIFY(ReadSetting(u"ordavo"_s, u"leftfrmNalogDetails"_s).isEmpty());

    // A place the user chose comes back at every opening.
    openOrder(SimulatorProcess::OrderWithDocuments);
    QVERIFY(Settle(order_.get()));
    const QRect area = WorkArea(order_.get());
    // Even coordinates: whole device pixels on a screen scaled by 1.5 too.
    const QPoint chosen(area.left() + 20, (area.top() + (area.height() - first.height()) / 2) & ~1);
    QVERIFY(chosen != first.topLeft());
    order_->windowHandle()->setFramePosition(chosen);
    QTRY_COMPARE(Outer(order_.get()).topLeft(), chosen);
    const QRect placed = Outer(order_.get());
    order_->close();
    QCOMPARE(ReadSetting(u"ordavo"_s, u"leftfrmNalogDetails"_s), QString::number(placed.x()));
    for (int opening = 0; opening < 2; ++opening) {
        openOrder(SimulatorProcess::OrderWithDocuments);
        QVERIFY(Settle(order_.get()));
        QTRY_COMPARE(Outer(order_.get()), placed);
        order_->close();
    }
}

void WindowGeometryTest::everyWindowOpensInsideTheWorkArea_data()
{
    QTest::addColumn<Window>("which");
    QTest::addRow("sign-in") << Window::SignIn;
    QTest::addRow("company details") << Window::CompanyDetails;
    QTest::addRow("item catalogue") << Window::ItemCatalogue;
    QTest::addRow("storage locations") << Window::StorageLocations;
    QTest::addRow("tyre placement") << Window::TyrePlacement;
    QTest::addRow("tyre search") << Window::TyreSearch;
    QTest::addRow("order") << Window::Order;
}

void WindowGeometryTest::everyWindowOpensInsideTheWorkArea()
{
    QFETCH(Window, which);
    QWidget* window = showWindow(which);
    QVERIFY(window);
    const QRect area = WorkArea(window);
    QTRY_VERIFY2(area.contains(Outer(window)), qPrintable(Text(Outer(window)) + u" outside "_s + Text(area)));
    QVERIFY(window->width() >= window->minimumWidth() && window->height() >= window->minimumHeight());
}

void WindowGeometryTest::signInClientArea()
{
    QWidget* signIn = showWindow(Window::SignIn);
    QVERIFY(signIn);
    QCOMPARE(signIn->size(), QSize(489, 261));
}

void WindowGeometryTest::titleBarButtons_data()
{
    QTest::addColumn<Window>("which");
    QTest::addColumn<QStringList>("buttons");
    const QStringList closeOnly{u"close"_s};
    QTest::addRow("main") << Window::Main << QStringList{u"minimise"_s, u"close"_s};
    QTest::addRow("sign-in") << Window::SignIn << closeOnly;
    QTest::addRow("company details") << Window::CompanyDetails << closeOnly;
    QTest::addRow("order") << Window::Order << closeOnly;
    QTest::addRow("item catalogue") << Window::ItemCatalogue << closeOnly;
    QTest::addRow("storage locations") << Window::StorageLocations << closeOnly;
    QTest::addRow("tyre placement") << Window::TyrePlacement << closeOnly;
    QTest::addRow("tyre search") << Window::TyreSearch << closeOnly;
}

// The buttons each window asks the window manager for, and the window manager lets the user
// move, resize and close it.
void WindowGeometryTest::titleBarButtons()
{
    QFETCH(Window, which);
    QFETCH(QStringList, buttons);
    QWidget* window = showWindow(which);
    QVERIFY(window);
    QCOMPARE(AskedButtons(window), buttons);
    const QStringList allowed = AllowedActions(window);
    for (const QString& action : {u"_NET_WM_ACTION_CLOSE"_s, u"_NET_WM_ACTION_MOVE"_s, u"_NET_WM_ACTION_RESIZE"_s})
        QVERIFY2(allowed.contains(action), qPrintable(allowed.join(u' ')));
}

void WindowGeometryTest::printPreviewFitsAndShowsEveryExport()
{
    QVERIFY(showMainWindow());
    openOrder(SimulatorProcess::OrderWithDocuments);
    QVERIFY(Settle(order_.get()));
    QRect outer;
    QRect area;
    QStringList hiddenExports;
    const bool shown = InsideModalLoop([this] { order_->XpButton3Click(); },
                                       [&](QWidget* preview) {
                                           QTest::qWait(300);
                                           if (!SaveScreenshot(*preview, u"print-preview"_s))
                                               hiddenExports << u"no screenshot"_s;
                                           outer = Outer(preview);
                                           area = WorkArea(preview);
                                           auto* bar = preview->findChild<QToolBar*>(u"exportBar"_s);
                                           for (QAction* action : bar ? bar->actions() : QList<QAction*>()) {
                                               const QWidget* button = bar->widgetForAction(action);
                                               if (!button || !button->isVisible())
                                                   hiddenExports << action->text();
                                           }
                                           if (!bar)
                                               hiddenExports << u"no export bar"_s;
                                           preview->close();
                                       });
    QVERIFY(shown);
    QVERIFY2(area.contains(outer), qPrintable(Text(outer) + u" outside "_s + Text(area)));
    QVERIFY2(hiddenExports.isEmpty(), qPrintable(hiddenExports.join(u", "_s)));
}

void WindowGeometryTest::orderOpenedFromAModalTyreWindow_data()
{
    QTest::addColumn<bool>("search");
    QTest::addRow("tyre placement") << false;
    QTest::addRow("tyre search") << true;
}

// The order window opens in front of the modal tyre window, active and taking clicks and keys;
// Esc closes it, not the tyre window, which takes input again afterwards.
void WindowGeometryTest::orderOpenedFromAModalTyreWindow()
{
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed");
    QFETCH(bool, search);
    QVERIFY(showMainWindow());
    order_ = std::make_unique<TfrmNalogDetails>(main_.get());
    frmNalogDetails = order_.get();

    QStringList faults;
    const auto fail = [&faults](const QString& fault) { faults << fault; };
    bool tyreWindowClosed = false;
    const bool ran = InsideModalLoop(
        [&] {
            if (search)
                main_->PoisciShranjeneGume1Click();
            else
                main_->VpisiNevpisaneGume1Click();
        },
        [&](QWidget* tyres) {
            auto* list = RequireChild<QTableView>(*tyres, "lviewMain");
            if (search)
                QTest::keyClick(RequireChild<QLineEdit>(*tyres, "txtSearch"), Qt::Key_End);
            if (!QTest::qWaitFor([list] { return list->model()->rowCount() > 0; }, 5000))
                return fail(u"the tyre list stayed empty"_s);
            list->selectRow(0);
            if (!ClickOn(RequireChild<QWidget>(*tyres, "btnPoglejNalog")))
                return fail(u"xdotool failed"_s);
            if (!QTest::qWaitFor([this] { return order_->isVisible() && order_->isActiveWindow(); }, 5000))
                return fail(u"the order window did not open active"_s);
            if (!Settle(order_.get()))
                return fail(u"the order window was not framed"_s);
            if (StackingIndex(order_.get()) > StackingIndex(tyres))
                fail(u"the order window opened behind the tyre window"_s);
            // The tyre window's place on the screen, with the order window in front of it.
            if (!SaveScreenshot(*tyres,
                                u"order-over-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-')))
                fail(u"no screenshot"_s);
            if (WindowRaisingABox() != order_.get())
                fail(u"a box of the order window would not stand over it"_s);

            // A click reaches the order window's controls.
            auto* items = order_->lviewPostavke;
            if (items->topLevelItemCount() == 0)
                return fail(u"the order has no items to click"_s);
            items->clearSelection();
            const QRect firstRow = items->visualItemRect(items->topLevelItem(0));
            const QPoint centre = items->viewport()->mapToGlobal(firstRow.center()) * items->devicePixelRatioF();
            Xdotool({u"mousemove"_s, u"--sync"_s, QString::number(centre.x()), QString::number(centre.y()), u"click"_s,
                     u"1"_s});
            if (!QTest::qWaitFor([items] { return items->topLevelItem(0)->isSelected(); }, 3000))
                fail(u"a click on the order window's item list did nothing"_s);

            // Esc closes the order window and leaves the tyre window open and working.
            PressKey(u"Escape"_s);
            if (!QTest::qWaitFor([this] { return !order_->isVisible(); }, 3000))
                return fail(u"Esc did not close the order window"_s);
            if (!tyres->isVisible())
                return fail(u"Esc closed the tyre window"_s);
            if (!QTest::qWaitFor([tyres] { return tyres->isActiveWindow(); }, 3000))
                fail(u"the tyre window did not become active again"_s);
            PressKey(u"Escape"_s);
            tyreWindowClosed = QTest::qWaitFor([tyres] { return !tyres->isVisible(); }, 3000);
            if (!tyreWindowClosed) {
                fail(u"the tyre window took no keys after the order window closed"_s);
                tyres->close();
            }
        });
    QVERIFY2(ran, "the tyre window did not open");
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    QVERIFY(tyreWindowClosed);
}

int main(int argc, char* argv[])
{
    DesktopSession desktop;
    QApplication app(argc, argv);
    InstallOrdavoFonts();
    WindowGeometryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window_geometry_x11.moc"
