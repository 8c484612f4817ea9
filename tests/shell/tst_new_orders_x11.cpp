// News of new orders on a real desktop against the simulator: the minimised main window comes back, and so it does from
// the notice.
#include "desktop_session.h"
#include "window_test_state.h"

#include "support/simulator_process.h"
#include "support/window_test_kit.h"

#include "data/settings_store.h"
#include "desktop/desktop_notifier.h"
#include "shell/main_window.h"
#include "ui/ordavo_fonts.h"

#include <QApplication>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

class NewOrdersTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(StartSimulatorSession(sim_, remote_), qPrintable(sim_->errorText()));
        WriteSetting(u"ordavo"_s, u"kodadostop"_s, QString::fromLatin1(SimulatorProcess::DemoCode));
        SetCurrentNotifier(&notifier_);
    }

    void cleanupTestCase() { SetCurrentNotifier(nullptr); }

    // A new order while the window is minimised brings it back and posts the notice; when the
    // user has put the window away again, a click on the notice brings it to the front, active.
    void noticeBringsTheMinimisedWindowBack()
    {
        ResetDesktopWindowState();
        TfrmMain window;
        window.show();
        window.tmrcheck->stop();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.loadNalogi();
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());

        QVERIFY(sim_->control(u"add-order"_s).status == 200);
        window.loadNalogi();
        QCOMPARE(notifier_.notices.size(), 1);
        QCOMPARE(notifier_.notices.first().summary, u"Novi nalogi: 1"_s);
        QTRY_VERIFY(!window.isMinimized());

        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());
        notifier_.click();
        QTRY_VERIFY(!window.isMinimized());
        QTRY_VERIFY(window.isActiveWindow());
    }

private:
    std::unique_ptr<SimulatorProcess> sim_;
    std::unique_ptr<RemoteTestSetup> remote_;
    RecordingNotifier notifier_;
};

int main(int argc, char* argv[])
{
    DesktopSession desktop;
    QApplication app(argc, argv);
    InstallOrdavoFonts();
    NewOrdersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_new_orders_x11.moc"
