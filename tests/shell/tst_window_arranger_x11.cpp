// The arrangement and the main window's placement on the test lane's X server (Xvfb 1920 x 1080) with a window manager that draws frames (openbox).
#include "support/settings_sandbox.h"

#include "data/settings_store.h"
#include "desktop/window_arranger.h"
#include "session/app_state.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QDialog>
#include <QWindow>
#include <QMargins>
#include <QTest>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
// A window of another program: its own X connection, a title, mapped.
class ForeignXWindow {
public:
    // With a bottom strut the window is a dock (a panel along the bottom edge of that height).
    explicit ForeignXWindow(const QByteArray& title, int bottomStrut = 0)
    {
        connection_ = xcb_connect(nullptr, nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const QRect place = bottomStrut > 0 ? QRect(0, screen->height_in_pixels - bottomStrut, screen->width_in_pixels,
                                                    bottomStrut)
                                            : QRect(100, 100, 300, 200);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, int16_t(place.x()),
                          int16_t(place.y()), uint16_t(place.width()), uint16_t(place.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            uint32_t(title.size()), title.constData());
        if (bottomStrut > 0) {
            const xcb_atom_t type = atom("_NET_WM_WINDOW_TYPE");
            const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, type, XCB_ATOM_ATOM, 32, 1, &dock);
            const uint32_t strut[12] = {0, 0, 0, uint32_t(bottomStrut), 0, 0, 0, 0, 0, 0, 0,
                                        uint32_t(screen->width_in_pixels - 1)};
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, atom("_NET_WM_STRUT_PARTIAL"),
                                XCB_ATOM_CARDINAL, 32, 12, strut);
        }
        xcb_map_window(connection_, window_);
        xcb_flush(connection_);
    }
    ~ForeignXWindow() { xcb_disconnect(connection_); }

    quint64 id() const { return window_; }

    // The frame's widths around the window; zero until the window manager has framed it.
    QMargins frameExtents()
    {
        const xcb_atom_t property = atom("_NET_FRAME_EXTENTS");
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 0, window_, property, XCB_ATOM_CARDINAL, 0, 4),
                                   nullptr),
            &std::free);
        if (!reply || xcb_get_property_value_length(reply.get()) != 16)
            return {};
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        return QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }

    // The window with its frame, in root coordinates.
    QRect outerGeometry() { return geometry().marginsAdded(frameExtents()); }

    // The window's client area in root coordinates.
    QRect geometry() const
    {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> g(
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window_), nullptr), &std::free);
        std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> t(
            xcb_translate_coordinates_reply(connection_,
                                            xcb_translate_coordinates(connection_, window_, screen->root, 0, 0),
                                            nullptr),
            &std::free);
        if (!g || !t)
            return {};
        return QRect(t->dst_x, t->dst_y, g->width, g->height);
    }

private:
    xcb_atom_t atom(const char* name)
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, uint16_t(strlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : XCB_NONE;
    }

    xcb_connection_t* connection_;
    xcb_window_t window_;
};
// The window with its frame, as the window manager placed it.
QRect Outer(const QWidget* window)
{
    return window->windowHandle() ? window->windowHandle()->frameGeometry() : window->frameGeometry();
}

} // namespace

class WindowArrangerX11Test final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;

    bool titleListed(XcbWindowArranger& arranger, const QString& title)
    {
        for (const ForeignWindow& w : arranger.topLevelWindows())
            if (w.title == title)
                return true;
        return false;
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs the X server with a window manager of the test lane");
    }

    void init()
    {
        ResetAppState();
        ResetApplicationTermination();
        SetTerminationHook([] {});
        sandbox_ = std::make_unique<SettingsSandbox>();
        DialogTestHook::activate();
    }

    void cleanup()
    {
        DialogTestHook::reset();
        sandbox_.reset();
        SetTerminationHook({});
    }

    // The other window's frame (title bar included) fills the work area left of the main
    // window's frame, which moves to the right edge: no overlap, nothing off the screen.
    void arrangesFramesBesideEachOther()
    {
        XcbWindowArranger arranger;
        QVERIFY(arranger.isAvailable());
        // A bottom panel of 40 pixels: a dock window with a strut.
        ForeignXWindow panel("Panel", 40);
        ForeignXWindow other("Kontakti - Imenik");
        QTRY_VERIFY_WITH_TIMEOUT(titleListed(arranger, u"Kontakti - Imenik"_s), 10000);
        QTRY_VERIFY(!other.frameExtents().isNull());
        QTRY_COMPARE(TaskbarHeightFor(arranger.taskbarRect(), 1080), 40);

        WriteSetting(u"ordavo"_s, u"othrappname"_s, u"Kontakti"_s);
        TfrmMain w;
        w.show();
        w.tmrcheck->stop();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(500, 700);
        QTRY_COMPARE(w.width(), 500);
        QTRY_VERIFY(Outer(&w).width() > w.width());
        const int mainOuterWidth = Outer(&w).width();
        w.alignWindows();
        QTRY_COMPARE(other.outerGeometry(), QRect(0, 0, 1920 - mainOuterWidth, 1080 - 40));
        QTRY_COMPARE(Outer(&w).left(), 1920 - mainOuterWidth);
        QCOMPARE(Outer(&w).right(), 1919);
        QVERIFY(!other.outerGeometry().intersects(Outer(&w)));

        // The other window was activated; the taskbar flash of the main window, with the repaint
        // after the alert that makes the request reach the window manager.
        QTRY_VERIFY_WITH_TIMEOUT(!w.isActiveWindow(), 5000);
        QApplication::alert(&w);
        w.repaint();
        QTRY_VERIFY_WITH_TIMEOUT(arranger.windowStates(w.winId()).contains(u"_NET_WM_STATE_DEMANDS_ATTENTION"_s),
                                 5000);
    }

    // Five starts and quits with no user action keep the main window's stored placement, and
    // its frame stands exactly there each time.
    void mainWindowPlacementSurvivesRestarts()
    {
        const QRect stored(100, 50, 902, 725);
        WriteSetting(u"ordavo"_s, u"leftfrmMain"_s, u"100"_s);
        WriteSetting(u"ordavo"_s, u"topfrmMain"_s, u"50"_s);
        WriteSetting(u"ordavo"_s, u"widthfrmMain"_s, u"902"_s);
        WriteSetting(u"ordavo"_s, u"heightfrmMain"_s, u"725"_s);
        for (int start = 0; start < 5; ++start) {
            ResetAppState();
            auto w = std::make_unique<TfrmMain>();
            w->show();
            w->tmrcheck->stop();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            QTRY_VERIFY(Outer(w.get()).height() > w->height());
            QTRY_COMPARE(Outer(w.get()), stored);
            w->Izhod1Click();
            QCOMPARE(ReadSetting(u"ordavo"_s, u"leftfrmMain"_s), u"100"_s);
            QCOMPARE(ReadSetting(u"ordavo"_s, u"topfrmMain"_s), u"50"_s);
            QCOMPARE(ReadSetting(u"ordavo"_s, u"widthfrmMain"_s), u"902"_s);
            QCOMPARE(ReadSetting(u"ordavo"_s, u"heightfrmMain"_s), u"725"_s);
        }
    }

    // The close box hides nothing: every window of the program is minimised.
    void closeBoxMinimisesEveryWindow()
    {
        TfrmMain w;
        w.show();
        w.tmrcheck->stop();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QDialog other;
        other.setWindowTitle(u"Nalog"_s);
        other.resize(300, 200);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        w.close();
        QVERIFY(!ApplicationTerminationRequested());
        QTRY_VERIFY(w.isMinimized());
        QTRY_VERIFY(other.isMinimized());
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    WindowArrangerX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window_arranger_x11.moc"
