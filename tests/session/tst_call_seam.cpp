// Tests of the windows' call seam with its transfer on a worker thread: the waiting caller's windows go on, stalls end,
// background calls and their drop.
#include "support/window_test_kit.h"

#include "data/remote_call.h"
#include "session/background_call.h"
#include "session/remote_calls.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/wait_cursor.h"
#include "ui/xp_button.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {
const QString kPlaces = u"call usp_listLokacije ()"_s;
const QString kOrders = u"call usp_listneobracunaninalogi (0)"_s;

QByteArray PlacesAnswer()
{
    return TableAnswer({{u"id"_s, 3}, {u"ime"_s, 200}}, {{u"4"_s, u"Regal A"_s}});
}
} // namespace

class CallSeamTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScriptedSession> session_;
    ScriptedWorkshop* workshop_ = nullptr;

private slots:
    void init()
    {
        session_ = std::make_unique<ScriptedSession>();
        workshop_ = &session_->workshop();
        workshop_->answer(kPlaces, PlacesAnswer());
    }

    void cleanup()
    {
        session_.reset();
        HttpClient::setDefaultTimeouts(HttpClient::DefaultConnectTimeout, HttpClient::DefaultStallTimeout);
        ClearBusyCursor();
    }

    // While a call waits for its answer, timers run and windows paint; the call then goes on
    // with the answer as if it had never left.
    void eventLoopRunsWhileTheCallWaits()
    {
        workshop_->holdAnswersContaining(u"usp_listLokacije"_s);
        int timerRuns = 0;
        QTimer beat;
        connect(&beat, &QTimer::timeout, this, [&] { ++timerRuns; });
        beat.start(5);
        QTimer::singleShot(300, this, [&] {
            QVERIFY(UserCallRunning());
            QCOMPARE(workshop_->heldRequests(), 1);
            workshop_->releaseAnswers();
        });
        QVERIFY(!UserCallRunning());
        const CallResult result = CallRemote(kPlaces, CallCursor::BusyWhileRunning);
        QVERIFY(result);
        QVERIFY(result.answer);
        QCOMPARE(result.answer->FieldValue(u"ime"_s).asString(), u"Regal A"_s);
        QVERIFY2(timerRuns > 5, "timers must run while the call waits");
        QVERIFY(!UserCallRunning());
        QVERIFY(!BusyCursorShown());
        QVERIFY(CurrentSender()); // the sender is back in its slot
    }

    // A server that accepts and then sends nothing ends the call after two stall times (the
    // first attempt and the retry after it), with the failure box of an unreachable server.
    void stalledServerEndsTheCallWithTheFailureBox()
    {
        HttpClient::setDefaultTimeouts(2000ms, 300ms);
        session_->restartTransport(); // the next sender takes the short times
        workshop_->holdAnswersContaining(u"usp_listLokacije"_s);
        QElapsedTimer clock;
        clock.start();
        const CallResult result = CallRemote(kPlaces);
        QVERIFY(!result);
        QVERIFY(result.unreachable);
        QVERIFY2(clock.elapsed() < 10000, "the call waited longer than its stall times");
        QCOMPARE(workshop_->heldRequests(), 2);
        QCOMPARE(UnreachableDialogsMismatch(u"no data received"_s), QString());
    }

    // A close request from the window manager during a call is carried out when the call ends,
    // not in the middle of the handler that waits.
    void closeRequestWaitsForTheCall()
    {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        workshop_->holdAnswersContaining(u"usp_listLokacije"_s);
        bool visibleAfterRequest = false;
        QTimer::singleShot(100, this, [&] {
            window.windowHandle()->close();
            visibleAfterRequest = window.isVisible();
            workshop_->releaseAnswers();
        });
        QVERIFY(CallRemote(kPlaces));
        QVERIFY(visibleAfterRequest);
        QVERIFY(!window.isVisible());
    }

    // A dialog raised while another one is on screen refills it and returns 0 at once, also when
    // the second comes from a call that waited inside the first dialog.
    void dialogRaisedDuringAWaitRefillsTheShownOne()
    {
        DialogTestHook::reset();
        workshop_->answer(kOrders, FailureAnswer("DB error 1064"));
        bool callFailed = false;
        QString shownText;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!OrdavoDialog()->isVisible())
                return;
            poll.stop();
            // The failure's dialog would wait for a click of its own if it did not refill.
            callFailed = !CallRemote(kOrders);
            shownText = OrdavoDialog()->findChild<QLabel*>(u"FrontText"_s)->text();
            QTest::mouseClick(OrdavoDialog()->findChild<TXpButton*>(u"sb1"_s), Qt::LeftButton);
        });
        poll.start(10);
        QTimer::singleShot(5000, OrdavoDialog(), [] { OrdavoDialog()->done(-1); });
        const int first = ShowMessageDialog(mdConfirmation, u"Ali želite nadaljevati?"_s, QString(), maCenter);
        QVERIFY(callFailed);
        QCOMPARE(shownText, u"Napaka pri komunikaciji"_s);
        QCOMPARE(first, 6);
    }

    // A background call is applied on this thread when its answer comes; a call the user starts
    // meanwhile drops it first: its transfer ends, the sender comes back, and it is never applied.
    void backgroundCallIsAppliedOrDropped()
    {
        BackgroundCall background;
        int applied = 0;
        int dropped = 0;
        RemoteCall call;
        call.statement = kPlaces;
        call.cursor = CallCursor::BusyWhileRunning;
        background.start(
            call, [&](const CallResult& result) { applied += result.answer ? 1 : 100; }, [&] { ++dropped; });
        QVERIFY(background.running());
        QTRY_COMPARE(applied, 1);
        QVERIFY(!background.running());
        QVERIFY(!BusyCursorShown());

        workshop_->holdAnswersContaining(u"usp_listLokacije"_s);
        background.start(
            call, [&](const CallResult&) { ++applied; }, [&] { ++dropped; });
        QTRY_COMPARE(workshop_->heldRequests(), 1);
        QVERIFY(BusyCursorShown());
        workshop_->answer(kOrders, EmptyAnswer());
        QVERIFY(CallRemote(kOrders));
        QCOMPARE(dropped, 1);
        QVERIFY(!background.running());
        QVERIFY(CurrentSender());
        workshop_->releaseAnswers();
        QTest::qWait(100);
        QCOMPARE(applied, 1);
        QVERIFY(!BusyCursorShown());
        const QStringList statements = workshop_->statements();
        QCOMPARE(statements.last(), kOrders);
    }

    // An object that goes away with its call in flight ends the call at once and gives the sender back.
    void destroyingABackgroundCallEndsItAtOnce()
    {
        workshop_->holdAnswersContaining(u"usp_listLokacije"_s);
        auto background = std::make_unique<BackgroundCall>();
        RemoteCall call;
        call.statement = kPlaces;
        bool applied = false;
        background->start(call, [&](const CallResult&) { applied = true; });
        QTRY_COMPARE(workshop_->heldRequests(), 1);
        QElapsedTimer clock;
        clock.start();
        background.reset();
        QVERIFY2(clock.elapsed() < HttpClient::DefaultStallTimeout.count() / 2, "the end waited for the stall time");
        QVERIFY(CurrentSender());
        QCoreApplication::processEvents();
        QVERIFY(!applied);
    }
};

QTEST_MAIN(CallSeamTest)
#include "tst_call_seam.moc"
