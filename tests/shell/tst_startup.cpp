// Tests of the start-up: the server-state check and sign-in decision, the version check and the date-format probe.
#include "support/settings_sandbox.h"
#include "support/simulator_process.h"
#include "support/window_test_kit.h"

#include "data/remote_call.h"
#include "data/settings_store.h"
#include "data/text_helpers.h"
#include "desktop/url_opener.h"
#include "session/app_state.h"
#include "session/termination.h"
#include "shell/main_window.h"
#include "shell/remote_host.h"
#include "shell/update_check.h"
#include "signin/login_window.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/xp_button.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString CounterQuery = u"SELECT IFNULL(needeedupdate,-1)"_s;
const QString CountQuery = u"SELECT COUNT(*)"_s;

QByteArray CounterAnswer(int counter)
{
    return TableAnswer({{u"needeedupdate"_s, 3}}, {{QString::number(counter)}});
}

// What the test saw of the modal sign-in windows while the start-up ran.
struct SignInVisit {
    QString code;   // the box's text when shown
    bool automatic; // the automatic submission was armed
};

// Answers every modal sign-in window by closing it with "ZAPRI PROGRAM" and records it.
class SignInAnswerer : public QObject {
public:
    SignInAnswerer()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            auto* login = qobject_cast<TfrmnalogLogin*>(QApplication::activeModalWidget());
            if (!login || !login->isVisible())
                return;
            visits.append({login->txtkoda->text(), login->tmrauto->isActive() && login->tmrauto->interval() == 50});
            login->tmrauto->stop();
            login->XpButton1->click();
        });
        timer_.start();
    }
    QList<SignInVisit> visits;

private:
    QTimer timer_;
};
} // namespace

class StartupTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;
    std::unique_ptr<ScriptedWorkshop> workshop_;
    RecordingUrlOpener opener_;

    void storeSignedIn(const QString& counter)
    {
        PointWorkshopAt(workshop_->baseUrl());
        WriteSetting(u"ordavo"_s, u"pathToRequest"_s, u"requests/GetPodpis.ASP"_s);
        WriteSetting(u"ordavo"_s, u"kodadostop"_s, u"demo1234"_s);
        if (!counter.isNull())
            WriteSetting(u"ordavo"_s, u"needeedupdatenum"_s, counter);
    }

    static QString Setting(const QString& key) { return ReadSetting(u"ordavo"_s, key); }

private slots:
    void init()
    {
        ResetAppState();
        ResetApplicationTermination();
        SetTerminationHook([] {});
        SetRemoteWaitHook([](int) {});
        sandbox_ = std::make_unique<SettingsSandbox>();
        workshop_ = std::make_unique<ScriptedWorkshop>();
        DialogTestHook::activate();
        SetCurrentUrlOpener(&opener_);
        opener_.opened.clear();
    }

    void cleanup()
    {
        delete frmnalogLogin;
        delete frmMain;
        DialogTestHook::reset();
        SetCurrentUrlOpener(nullptr);
        SetRemoteWaitHook({});
        workshop_.reset();
        sandbox_.reset();
        SetTerminationHook({});
        ClearRemoteState();
    }

    void freshInstallationGoesToSignInAndRefusingEnds()
    {
        LoopbackServer directory;
        WriteSetting(u"ordavo"_s, u"directoryurl"_s, directory.baseUrl());
        SignInAnswerer answerer;
        auto* w = new TfrmMain;
        QVERIFY(!w->FormCreate());
        QCOMPARE(answerer.visits.size(), 1);
        QCOMPARE(answerer.visits.first().code, QString());
        QVERIFY(ApplicationTerminationRequested());
        QVERIFY(w->closeAllowed());
        QVERIFY(!w->isVisible());
        QCOMPARE(directory.requestCount(), 0);
        QVERIFY(workshop_->statements().isEmpty());
    }

    void updateCounterDecidesTheSignIn_data()
    {
        QTest::addColumn<QString>("storedCounter"); // null: missing
        QTest::addColumn<int>("serverCounter");
        QTest::addColumn<QString>("counterAfter");
        QTest::addColumn<QString>("codeAfter");
        QTest::addColumn<int>("signInShown");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("ends");
        QTest::addRow("missing counter, server 0") << QString() << 0 << u"0"_s << u"demo1234"_s << 0 << false << false;
        QTest::addRow("missing counter, server 3") << QString() << 3 << u"3"_s << u"demo1234"_s << 1 << true << false;
        QTest::addRow("equal counter") << u"7"_s << 7 << u"7"_s << u"demo1234"_s << 0 << false << false;
        QTest::addRow("server -1, stored 5") << u"5"_s << -1 << u"-1"_s << QString() << 1 << false << true;
    }

    void updateCounterDecidesTheSignIn()
    {
        QFETCH(QString, storedCounter);
        QFETCH(int, serverCounter);
        QFETCH(QString, counterAfter);
        QFETCH(QString, codeAfter);
        QFETCH(int, signInShown);
        QFETCH(bool, automatic);
        QFETCH(bool, ends);
        storeSignedIn(storedCounter);
        workshop_->answer(CounterQuery, CounterAnswer(serverCounter));
        SignInAnswerer answerer;
        auto* w = new TfrmMain;
        QCOMPARE(w->FormCreate(), !ends);
        QCOMPARE(Setting(u"needeedupdatenum"_s), counterAfter);
        QCOMPARE(Setting(u"kodadostop"_s), codeAfter);
        QCOMPARE(answerer.visits.size(), signInShown);
        if (signInShown > 0)
            QCOMPARE(answerer.visits.first().automatic, automatic);
        QCOMPARE(ApplicationTerminationRequested(), ends);
        QVERIFY(!autoSignIn);
        if (!ends) {
            QCOMPARE(w->lblVersion->text(), u"Version: 1.1.3.337"_s);
            QCOMPARE(requestUrl, (workshop_->baseUrl() + u"requests/getpodpis.php"_s).toLower());
        }
    }

    void emptyDefaultsTableClearsTheCode()
    {
        storeSignedIn(u"0"_s);
        workshop_->answer(CounterQuery, EmptyAnswer());
        workshop_->answer(CountQuery, TableAnswer({{u"stevilo"_s, 3}}, {{u"0"_s}}));
        SignInAnswerer answerer;
        auto* w = new TfrmMain;
        QVERIFY(!w->FormCreate());
        QCOMPARE(Setting(u"kodadostop"_s), QString());
        QCOMPARE(answerer.visits.size(), 1);
        QCOMPARE(workshop_->statements().size(), 2);
    }

    void communicationFailureSkipsTheRest()
    {
        storeSignedIn(u"0"_s);
        workshop_->answer(CounterQuery, FailureAnswer("Access denied"));
        SignInAnswerer answerer;
        auto* w = new TfrmMain;
        QVERIFY(w->FormCreate());
        const ShownMessage box = DialogTestHook::lastShown();
        QCOMPARE(box.text, u"Napaka pri komunikaciji"_s);
        QVERIFY(box.details.contains(u"Access denied"_s));
        QCOMPARE(answerer.visits.size(), 0);
        QCOMPARE(w->lblVersion->text(), QString());
        QVERIFY(requestUrl.isEmpty());
        QCOMPARE(Setting(u"kodadostop"_s), u"demo1234"_s);
    }

    void versionNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("number"); // -1: none
        QTest::addRow("label") << u"Version: 1.1.3.337"_s << qint64(113337);
        QTest::addRow("any case") << u"VERSION:1.1.3.340"_s << qint64(113340);
        QTest::addRow("parts joined") << u"1.1.10.0"_s << qint64(11100);
        QTest::addRow("letters") << u"1.1.beta"_s << qint64(-1);
        QTest::addRow("empty") << QString() << qint64(-1);
    }

    void versionNumbers()
    {
        QFETCH(QString, text);
        QFETCH(qint64, number);
        QCOMPARE(VersionNumber(text).value_or(-1), number);
    }

    void updateCheckComparesWithTheServer_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("userAnswer"); // -1: no question expected
        QTest::addColumn<bool>("newer");
        QTest::addColumn<bool>("opensDownload");
        QTest::addColumn<bool>("reportsFailure");
        const auto vers = [](const QString& v) { return TableAnswer({{u"vers"_s, 200}}, {{v}}); };
        QTest::addRow("same version") << vers(u"1.1.3.337"_s) << -1 << false << false << false;
        QTest::addRow("newer, no") << vers(u"1.1.3.338"_s) << int(mdrSecond) << true << false << false;
        QTest::addRow("newer, yes") << vers(u"1.1.3.338"_s) << int(mdrFirst) << true << true << false;
        QTest::addRow("1.1.10.0 is smaller") << vers(u"1.1.10.0"_s) << -1 << false << false << false;
        QTest::addRow("1.2.0.0 is smaller") << vers(u"1.2.0.0"_s) << -1 << false << false << false;
        QTest::addRow("not a number") << vers(u"1.1.x"_s) << -1 << false << false << true;
        QTest::addRow("no row") << EmptyAnswer() << -1 << false << false << true;
        QTest::addRow("failure text") << FailureAnswer("no procedure") << -1 << false << false << true;
        QTest::addRow("no vers column") << TableAnswer({{u"v"_s, 200}}, {{u"9.9.9.9"_s}}) << -1 << false << false
                                        << true;
    }

    void updateCheckComparesWithTheServer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, userAnswer);
        QFETCH(bool, newer);
        QFETCH(bool, opensDownload);
        QFETCH(bool, reportsFailure);
        RemoteTestSetup remote(workshop_->baseUrl());
        WriteSetting(u"ordavo"_s, u"directoryurl"_s, u"http://dir.example/"_s);
        workshop_->answer(u"call usp_getversion()"_s, answer);
        if (userAnswer >= 0)
            DialogTestHook::setNextAnswers({userAnswer});
        QCOMPARE(checkForUpdates(u"Version: 1.1.3.337"_s), newer);
        QCOMPARE(workshop_->statements().value(0).trimmed(), u"call usp_getversion()"_s);
        QCOMPARE(DialogTestHook::shown().size(), (userAnswer >= 0 || reportsFailure) ? 1 : 0);
        if (reportsFailure) {
            const ShownMessage box = DialogTestHook::lastShown();
            QCOMPARE(box.kind, int(mdError));
            QCOMPARE(box.details,
                     u"Napaka pri preverjanju za zadnjo verzijo. Preverite internetno povezavo in poizkusite znova"_s);
        }
        QCOMPARE(opener_.opened.size(), opensDownload ? 1 : 0);
        if (opensDownload)
            QCOMPARE(opener_.opened.first().toString(), u"http://dir.example/distro/download.php"_s);
    }

    void newerVersionEndsTheProgramAfterTheProbe()
    {
        RemoteTestSetup remote(workshop_->baseUrl());
        workshop_->answer(u"call usp_getversion()"_s, TableAnswer({{u"vers"_s, 200}}, {{u"1.1.3.400"_s}}));
        DialogTestHook::setNextAnswers({mdrSecond});
        startupServerChecks(QString());
        QVERIFY(ApplicationTerminationRequested());
        QVERIFY(workshop_->statements().last().startsWith(u"call usp_checkDate"_s));
    }

    void probeSettlesOnTheServersDateFormat()
    {
        SimulatorProcess sim({u"--date-format"_s, u"dd.mm.yyyy"_s});
        QVERIFY2(sim.isRunning(), qPrintable(sim.errorText()));
        RemoteTestSetup remote(sim.baseUrl());
        probeListDateFormat();
        QCOMPARE(listDateFormat, u"dd.mm.yyyy"_s);
        QVERIFY(!ApplicationTerminationRequested());
        QVERIFY(LastRemoteError.isEmpty());

        auto* w = new TfrmMain;
        w->loadNalogi();
        QVERIFY2(DialogTestHook::shown().isEmpty(), qPrintable(DialogTestHook::lastShown().details));
        const QString expected = FormatListDate(QDate::currentDate().addDays(-365), u"dd.mm.yyyy"_s);
        QVERIFY2(sim.statements().last().contains(expected), qPrintable(sim.statements().last()));
        QVERIFY(w->lviewMain->model()->rowCount() > 0);
    }

    void failedProbe_data()
    {
        QTest::addColumn<QString>("constr");
        QTest::addColumn<bool>("ends");
        QTest::addRow("without constr") << QString() << true;
        QTest::addRow("with constr") << u"Server=x"_s << false;
    }

    void failedProbe()
    {
        QFETCH(QString, constr);
        QFETCH(bool, ends);
        RemoteTestSetup remote(workshop_->baseUrl());
        WriteSetting(u"ordavo"_s, u"supportemail"_s, u"pomoc@example.si"_s);
        workshop_->answer(u"call usp_checkDate"_s, FailureAnswer("Incorrect date value"));
        constrValue = constr;
        probeListDateFormat();
        QCOMPARE(workshop_->statements().size(), 3);
        QCOMPARE(ApplicationTerminationRequested(), ends);
        QCOMPARE(listDateFormat, u"dd.mm.yyyy"_s);
        QCOMPARE(DialogTestHook::shown().size(), ends ? 1 : 0);
        if (ends) {
            const ShownMessage box = DialogTestHook::lastShown();
            QCOMPARE(box.text, u"Oddaljenega strežnika ni mogoče najti."_s);
            QVERIFY(box.title.endsWith(u"kontaktirajte na pomoc@example.si"_s));
            QCOMPARE(box.icon, MessageIcon::Error);
        }
    }

    void unreachableServerKeepsTheFirstFormat()
    {
        RemoteTestSetup remote(u"http://127.0.0.1:"_s + QString::number(LoopbackServer::closedPort()) + u"/"_s);
        probeListDateFormat();
        QCOMPARE(listDateFormat, u"yyyy-mm-dd"_s);
        QVERIFY(!ApplicationTerminationRequested());
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
