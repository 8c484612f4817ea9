// The arrangement and the main window's placement on the test lane's X server (Xvfb 1920 x 1080) with a window manager
// that draws frames (openbox).
#include "foreign_x_window.h"
#include "support/settings_sandbox.h"

#include "data/settings_store.h"
#include "desktop/window_arranger.h"
#include "session/app_state.h"
#include "session/termination.h"
#include "shell/main_window.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QDialog>
#include <QMargins>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
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
        QTRY_VERIFY_WITH_TIMEOUT(arranger.windowStates(w.winId()).contains(u"_NET_WM_STATE_DEMANDS_ATTENTION"_s), 5000);
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
