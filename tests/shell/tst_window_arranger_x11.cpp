// The X11 arrangement against a real X server (Xvfb 1920 x 1080), first without and then with a window manager (openbox).
#include "support/settings_sandbox.h"

#include "data/settings_store.h"
#include "desktop/window_arranger.h"
#include "session/app_state.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <xcb/xcb.h>

#include <csignal>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
pid_t xvfbPid = 0;

// Starts Xvfb on a free display and points DISPLAY at it; false when Xvfb is not installed.
bool StartXvfb()
{
    const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
    if (xvfb.isEmpty())
        return false;
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    xvfbPid = fork();
    if (xvfbPid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        const std::string path = xvfb.toStdString();
        execl(path.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten", "tcp",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number and a line feed once it accepts connections.
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number.push_back(c);
    close(fds[0]);
    if (number.empty())
        return false;
    const std::string display = ":" + number;
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}

void StopXvfb()
{
    if (xvfbPid > 0) {
        kill(xvfbPid, SIGTERM);
        waitpid(xvfbPid, nullptr, 0);
    }
}

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
} // namespace

class WindowArrangerX11Test final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;
    QProcess windowManager_;

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
            QSKIP("Xvfb is not installed");
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

    void listsAndMovesWithoutWindowManager()
    {
        XcbWindowArranger arranger;
        QVERIFY(arranger.isAvailable());
        ForeignXWindow other("Kontakti - Imenik");
        QTRY_VERIFY(titleListed(arranger, u"Kontakti - Imenik"_s));
        QVERIFY(!arranger.taskbarRect());
        QVERIFY(arranger.showNormalAt(other.id(), QRect(0, 0, 1420, 1040)));
        QTRY_COMPARE(other.geometry(), QRect(0, 0, 1420, 1040));
    }

    void arrangesBesideTheMainWindowUnderAWindowManager()
    {
        const QString openbox = QStandardPaths::findExecutable(u"openbox"_s);
        if (openbox.isEmpty())
            QSKIP("openbox is not installed");
        windowManager_.start(openbox, {u"--sm-disable"_s});
        QVERIFY(windowManager_.waitForStarted());
        XcbWindowArranger arranger;
        // openbox announces itself and then manages windows; a bottom panel of 40 pixels is
        // simulated by a dock window with a strut.
        ForeignXWindow panel("Panel", 40);
        ForeignXWindow other("Kontakti - Imenik");
        QTRY_VERIFY_WITH_TIMEOUT(titleListed(arranger, u"Kontakti - Imenik"_s), 10000);
        QTRY_COMPARE(TaskbarHeightFor(arranger.taskbarRect(), 1080), 40);

        WriteSetting(u"ordavo"_s, u"othrappname"_s, u"Kontakti"_s);
        TfrmMain w;
        w.show();
        w.tmrcheck->stop();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(500, 700);
        QTRY_COMPARE(w.width(), 500);
        const int frameWidth = w.frameGeometry().width();
        const int taskbar = w.taskbarHeight();
        w.alignWindows();
        QTRY_COMPARE(other.geometry(), QRect(0, 0, 1920 - frameWidth, 1080 - taskbar));
        QTRY_COMPARE(w.frameGeometry().left(), 1920 - frameWidth);

        // The other window was activated; the taskbar flash of the main window, with the repaint
        // after the alert that makes the request reach the window manager.
        QTRY_VERIFY_WITH_TIMEOUT(!w.isActiveWindow(), 5000);
        QApplication::alert(&w);
        w.repaint();
        QTRY_VERIFY_WITH_TIMEOUT(arranger.windowStates(w.winId()).contains(u"_NET_WM_STATE_DEMANDS_ATTENTION"_s),
                                 5000);
        windowManager_.terminate();
        windowManager_.waitForFinished(5000);
    }
};

int main(int argc, char* argv[])
{
    const bool haveX = StartXvfb();
    if (!haveX)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int status = 0;
    {
        QApplication app(argc, argv);
        WindowArrangerX11Test test;
        status = QTest::qExec(&test, argc, argv);
    }
    StopXvfb();
    return status;
}

#include "tst_window_arranger_x11.moc"
