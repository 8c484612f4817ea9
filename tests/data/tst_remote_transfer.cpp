// Tests of the remote call end to end against a loopback server: request form, retries and waits, clients, cookies,
// queued events.
#include "data/remote_call.h"
#include "data/settings_store.h"
#include "data/transport_guards.h"
#include "support/loopback_server.h"
#include "support/settings_sandbox.h"

#include <QDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {
const QString kStatement = u"call usp_listLokacije ()"_s;
const QString kFailurePrefix = u"Napaka pri izvajanju postopka :call usp_listLokacije () z opisom: -> "_s;
const QByteArray kGatewayPath = "/commobj/commobj/run.php";

QList<LoopbackAnswer> Answers(std::initializer_list<std::pair<int, const char*>> script)
{
    QList<LoopbackAnswer> answers;
    for (const auto& [status, body] : script)
        answers.append(LoopbackAnswer::text(body, status));
    return answers;
}
} // namespace

class RemoteTransferTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;
    std::unique_ptr<LoopbackServer> server_;
    std::unique_ptr<HttpClient> sender_;
    std::unique_ptr<HttpClient> login_;
    QList<int> waits_;

    QString gatewayUrl() const { return server_->baseUrl() + u"commobj/commobj/"_s; }

    void pointSettingsAtServer() { PointWorkshopAt(server_->baseUrl()); }

    void enqueueAll(const QList<LoopbackAnswer>& answers)
    {
        for (const LoopbackAnswer& answer : answers)
            server_->enqueue(answer);
    }

    QByteArray cookieOfRequest(int index) const { return server_->requests().value(index).header("Cookie"); }

private slots:
    void init()
    {
        sandbox_ = std::make_unique<SettingsSandbox>();
        server_ = std::make_unique<LoopbackServer>();
        sender_ = std::make_unique<HttpClient>();
        login_ = std::make_unique<HttpClient>();
        SetSenderSlot(&sender_);
        SetLoginClient(login_.get());
        waits_.clear();
        SetRemoteWaitHook([this](int milliseconds) { waits_.append(milliseconds); });
        RemoteParams = QStringList{QString()};
        LastRemoteError = u"left over"_s;
    }

    void cleanup()
    {
        HttpClient::setDefaultTimeouts(HttpClient::DefaultConnectTimeout, HttpClient::DefaultStallTimeout);
        SetRemoteWaitHook({});
        SetLoginClient(nullptr);
        SetSenderSlot(nullptr);
        ClearRemoteState();
        sender_.reset();
        login_.reset();
        server_.reset();
        sandbox_.reset();
    }

    // A large answer that a call gets again still gives a table of its own, and it is decoded
    // again when the regional settings have changed in between.
    void repeatedLargeAnswerGivesItsOwnTable()
    {
        QByteArray answer = "[success]id,3{v,14";
        for (int id = 1; id <= 10000; ++id)
            answer += "~" + QByteArray::number(id) + "{12[*com*]50";
        server_->setFallback(LoopbackAnswer::text(answer));
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
        const RecordsetPtr first = ExecuteRemoteAt(kStatement, gatewayUrl());
        QVERIFY(first);
        first->MoveNext();
        first->Close();
        const RecordsetPtr second = ExecuteRemoteAt(kStatement, gatewayUrl());
        QVERIFY(second && second != first);
        QCOMPARE(second->RecordCount(), 10000);
        QCOMPARE(second->FieldValue(u"id"_s).asInteger(), 1);
        QCOMPARE(second->FieldValue(u"v"_s).asString(), u"12,5"_s);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const RecordsetPtr third = ExecuteRemoteAt(kStatement, gatewayUrl());
        QLocale::setDefault(before);
        QVERIFY(third);
        QVERIFY2(third->FieldValue(u"v"_s).isNull(), "a decimal comma is no decimal under a dot locale");
        QCOMPARE(server_->requestCount(), 3);
    }

    void sendsTheRequestToTheGateway()
    {
        pointSettingsAtServer();
        server_->enqueue(LoopbackAnswer::text("[success]id,3{ime,200~4{Regal%5Bsp%2A%2Aace%5DA"));
        const RecordsetPtr result = ExecuteRemote(kStatement);
        QCOMPARE(LastRemoteError, QString());
        QVERIFY(result);
        QCOMPARE(result->FieldValue(u"ime"_s).asString(), u"Regal A"_s);
        QCOMPARE(server_->requestCount(), 1);
        const LoopbackRequest request = server_->requests().first();
        QCOMPARE(request.path, kGatewayPath);
        QCOMPARE(request.query, QByteArray("0.*_.5%2A%285%2AclistLokacije%20%28%29%20"));
        QCOMPARE(request.header("Accept"), QByteArray("text/html, */*"));
        QCOMPARE(request.header("User-Agent"), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
        QVERIFY(waits_.isEmpty());
    }

    void sendsParametersComposed()
    {
        RemoteParams = {u"15.03.2011"_s, u"1,5"_s, u"a+b č"_s};
        server_->enqueue(LoopbackAnswer::text("[emptyrecordset]"));
        ExecuteRemoteAt(u"call usp_checkDate "_s, gatewayUrl());
        QCOMPARE(server_->requests().value(0).query,
                 "0.*_." +
                     EncodeStatement(u"callusp_checkDate ('15[*dot*]03[*dot*]2011','1[*com*]5','a+b č')"_s).toLatin1());
    }

    void longStatementsGoOutInPlainForm_data()
    {
        QTest::addColumn<int>("encodedLength");
        QTest::addColumn<bool>("plain");
        QTest::addRow("2000 encoded") << 2000 << false;
        QTest::addRow("2001 plain") << 2001 << true;
    }

    void longStatementsGoOutInPlainForm()
    {
        QFETCH(int, encodedLength);
        QFETCH(bool, plain);
        const QString head = u"call usp_x+\r\n"_s;
        const qsizetype fixed = EncodeStatement(ComposeStatement(head, {})).size();
        const QString statement = head + QString(encodedLength - fixed, u'y');
        const QString composed = ComposeStatement(statement, {});
        QCOMPARE(EncodeStatement(composed).size(), encodedLength);

        server_->enqueue(LoopbackAnswer::text("[emptyrecordset]"));
        ExecuteRemoteAt(statement, gatewayUrl());
        const QByteArray expected = plain ? "call%20usp_x+" + QByteArray(encodedLength - fixed, 'y') + "%20"
                                          : EncodeStatement(composed).toLatin1();
        QCOMPARE(server_->requests().value(0).query, "0.*_." + expected);
    }

    // Each text sits in a parameter long enough to force the plain form; the server must read
    // back exactly the composed statement, only without its line breaks.
    void longStatementsArriveAsComposed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addRow("escaped apostrophe")
            << u"x%27,0); call usp_insertUpdateLokacija (-1,%27INJECTED%27,%27x%27,0); -- "_s;
        QTest::addRow("escaped backslash and plus") << u"a%5Cb %2B c%2"_s;
        QTest::addRow("hash") << u"Regal #4 # konec"_s;
        QTest::addRow("plus and percent") << u"50% + 20%"_s;
        QTest::addRow("blanks and line breaks") << u"  prva\r\nvrstica\n  druga\r  "_s;
        QTest::addRow("escape built from a blank") << u"%%20 %2"_s;
        QTest::addRow("tab and other control characters") << u"Regal\t4\x01 konec\x1f\x7f"_s;
    }

    void longStatementsArriveAsComposed()
    {
        QFETCH(QString, text);
        RemoteParams = {QString(1100, u'w') + text + QString(1100, u'w')};
        const QString statement = u"call usp_insertUpdateLokacija"_s;
        const QString composed = ComposeStatement(statement, RemoteParams);
        QVERIFY(EncodeStatement(composed).size() > 2000);

        server_->enqueue(LoopbackAnswer::text("[emptyrecordset]"));
        ExecuteRemoteAt(statement, gatewayUrl());
        QCOMPARE(server_->requestCount(), 1);
        QString expected = composed;
        expected.remove(u'\r').remove(u'\n');
        QCOMPARE(QString::fromUtf8(server_->requests().first().decodedQuery()), u"0.*_."_s + expected);
    }

    // A request line at the web servers' limit goes out; a longer one is refused before anything
    // is sent, as a local failure that says why, even when the answer would not be read.
    void requestLinesAroundTheLimit_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("sent");
        QTest::addRow("8189") << 8189 << true;
        QTest::addRow("8190") << 8190 << true;
        QTest::addRow("8191") << 8191 << false;
        QTest::addRow("10000") << 10000 << false;
    }

    void requestLinesAroundTheLimit()
    {
        QFETCH(int, length);
        QFETCH(bool, sent);
        // Letters only go out in the plain form as they are, the appended blank as "%20".
        const qsizetype fixed = RequestLineLength((gatewayUrl() + u"run.php?0.*_.%20"_s).toUtf8());
        const QString statement(length - fixed, u'x');
        server_->setFallback(LoopbackAnswer::text("[emptyrecordset]"));
        for (const bool ignoreResponse : {false, true}) {
            ExecuteRemoteAt(statement, gatewayUrl(), ignoreResponse);
            if (sent) {
                QCOMPARE(LastRemoteError, QString());
                continue;
            }
            const std::optional<QString> refusal = RequestTooLongRefusal(LastRemoteError);
            QVERIFY2(refusal, qPrintable(LastRemoteError.left(200)));
            QVERIFY(refusal->contains(QString::number(length)));
        }
        if (sent) {
            QCOMPARE(server_->requestCount(), 2);
            QCOMPARE(("GET " + server_->requests().first().target + " HTTP/1.1").size(), qsizetype(length));
        } else {
            QCOMPARE(server_->requestCount(), 0);
        }
        QVERIFY(waits_.isEmpty());
    }

    void retriesAsThePolicySays_data()
    {
        QTest::addColumn<QList<LoopbackAnswer>>("script");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QList<int>>("waits");
        QTest::addColumn<QString>("error");
        QTest::addRow("plain answer") << Answers({{200, "Napaka"}}) << 1 << QList<int>{}
                                      << kFailurePrefix + u"Napaka"_s;
        QTest::addRow("transient, then answer")
            << Answers({{200, "x token expired] y"}, {200, "[emptyrecordset]"}}) << 2 << QList<int>{150} << QString();
        QTest::addRow("transient twice: no third try")
            << Answers({{200, "Token Expired] 1"}, {200, "Token Expired] 2"}}) << 2 << QList<int>{150}
            << kFailurePrefix + u"Token Expired] 2"_s;
        QTest::addRow("HTTP 500, then answer")
            << Answers({{500, "boom"}, {200, "Napaka"}}) << 2 << QList<int>{500} << kFailurePrefix + u"Napaka"_s;
        QTest::addRow("HTTP 500 twice") << Answers({{500, ""}, {500, ""}}) << 2 << QList<int>{500} << QString();
        QTest::addRow("transient, 500, answer")
            << Answers({{200, "connection reset by peer"}, {500, ""}, {200, "Napaka"}}) << 3 << QList<int>{150, 500}
            << kFailurePrefix + u"Napaka"_s;
        QTest::addRow("transient, then two failures keep the transient text")
            << Answers({{200, "connection reset by peer"}, {500, ""}, {503, ""}}) << 3 << QList<int>{150, 500}
            << kFailurePrefix + u"connection reset by peer"_s;
        QTest::addRow("redirect is a failed transfer")
            << Answers({{302, ""}, {200, "Napaka"}}) << 2 << QList<int>{500} << kFailurePrefix + u"Napaka"_s;
    }

    void retriesAsThePolicySays()
    {
        QFETCH(QList<LoopbackAnswer>, script);
        QFETCH(int, requests);
        QFETCH(QList<int>, waits);
        QFETCH(QString, error);
        pointSettingsAtServer();
        enqueueAll(script);
        server_->setFallback(LoopbackAnswer::text("unexpected request", 500));
        QVERIFY(!ExecuteRemote(kStatement));
        QCOMPARE(LastRemoteError, error);
        QCOMPARE(server_->requestCount(), requests);
        QCOMPARE(waits_, waits);
        for (const LoopbackRequest& request : server_->requests())
            QCOMPARE(request.path, kGatewayPath);
    }

    void cookiesLiveInTheSenderUntilItIsReset()
    {
        pointSettingsAtServer();
        server_->enqueue(LoopbackAnswer::text("[emptyrecordset]").withHeader("Set-Cookie", "sid=s1; Path=/"));
        server_->setFallback(LoopbackAnswer::text("[emptyrecordset]"));
        ExecuteRemote(kStatement);
        ExecuteRemote(kStatement);
        QCOMPARE(cookieOfRequest(1), QByteArray("sid=s1"));
        ResetHttpClient();
        ExecuteRemote(kStatement);
        QCOMPARE(cookieOfRequest(2), QByteArray());
    }

    void transientAnswerDropsTheSendersCookies()
    {
        pointSettingsAtServer();
        server_->enqueue(LoopbackAnswer::text("[emptyrecordset]").withHeader("Set-Cookie", "sid=s1; Path=/"));
        server_->enqueue(LoopbackAnswer::text("token expired]"));
        server_->setFallback(LoopbackAnswer::text("[emptyrecordset]"));
        ExecuteRemote(kStatement);
        ExecuteRemote(kStatement);
        QCOMPARE(cookieOfRequest(1), QByteArray("sid=s1"));
        QCOMPARE(cookieOfRequest(2), QByteArray());
    }

    void executeRemoteAtTriesTheLoginClientFirst()
    {
        // Give each client a cookie of its own, so the requests tell which client sent them.
        server_->enqueue(LoopbackAnswer::text("[emptyrecordset]").withHeader("Set-Cookie", "who=login; Path=/"));
        ExecuteRemoteAt(kStatement, gatewayUrl());
        pointSettingsAtServer();
        server_->enqueue(LoopbackAnswer::text("[emptyrecordset]").withHeader("Set-Cookie", "who=sender; Path=/"));
        ExecuteRemote(kStatement);
        server_->clearRequests();

        server_->enqueue(LoopbackAnswer::text("[emptyrecordset]"));
        ExecuteRemoteAt(kStatement, gatewayUrl());
        QCOMPARE(cookieOfRequest(0), QByteArray("who=login"));

        server_->clearRequests();
        enqueueAll(Answers({{500, ""}, {200, "[emptyrecordset]"}}));
        ExecuteRemoteAt(kStatement, gatewayUrl());
        QCOMPARE(server_->requestCount(), 2);
        QCOMPARE(cookieOfRequest(0), QByteArray("who=login"));
        QCOMPARE(cookieOfRequest(1), QByteArray()); // the fresh sender after the reset
        QCOMPARE(waits_.last(), 500);
    }

    void missingClientIsAFailedTransfer()
    {
        SetLoginClient(nullptr);
        server_->setFallback(LoopbackAnswer::text("Napaka"));
        QVERIFY(!ExecuteRemoteAt(kStatement, gatewayUrl()));
        QCOMPARE(server_->requestCount(), 1); // only the retry through the sender
        QCOMPARE(waits_, QList<int>{500});
        QCOMPARE(LastRemoteError, kFailurePrefix + u"Napaka"_s);

        SetSenderSlot(nullptr);
        QVERIFY(!ExecuteRemoteAt(kStatement, gatewayUrl()));
        QCOMPARE(server_->requestCount(), 1);
        QCOMPARE(LastRemoteError, QString());
    }

    void unreachableServerGivesNothing()
    {
        const QString closed = u"http://127.0.0.1:%1/"_s.arg(LoopbackServer::closedPort());
        QVERIFY(!ExecuteRemoteAt(kStatement, closed));
        QCOMPARE(LastRemoteError, QString());
        QCOMPARE(waits_, QList<int>{500});
    }

    void transferFailureSaysWhy_data()
    {
        QTest::addColumn<bool>("refusedPort");
        QTest::addColumn<QList<LoopbackAnswer>>("script");
        QTest::addColumn<QString>("failure"); // "*" after a prefix: any reason follows
        QTest::addRow("refused port") << true << QList<LoopbackAnswer>{} << u"Strežnik ni dosegljiv: *"_s;
        QTest::addRow("HTTP 500 twice") << false << Answers({{500, ""}, {500, ""}})
                                        << u"Strežnik ni dosegljiv: HTTP/1.1 500"_s;
        QTest::addRow("HTTP 500, then an answer")
            << false << Answers({{500, ""}, {200, "[emptyrecordset]"}}) << QString();
        QTest::addRow("answer") << false << Answers({{200, "[emptyrecordset]"}}) << QString();
    }

    void transferFailureSaysWhy()
    {
        QFETCH(bool, refusedPort);
        QFETCH(QList<LoopbackAnswer>, script);
        QFETCH(QString, failure);
        // A failure left by an earlier call must not show through an answer.
        QVERIFY(!ExecuteRemoteAt(kStatement, u"http://127.0.0.1:%1/"_s.arg(LoopbackServer::closedPort())));
        QVERIFY(!LastTransferFailure().isEmpty());

        enqueueAll(script);
        const QString base = refusedPort ? u"http://127.0.0.1:%1/"_s.arg(LoopbackServer::closedPort()) : gatewayUrl();
        ExecuteRemoteAt(kStatement, base);
        if (failure.endsWith(u'*')) {
            QVERIFY2(LastTransferFailure().startsWith(failure.chopped(1)), qPrintable(LastTransferFailure()));
            QVERIFY(LastTransferFailure().size() > failure.size());
        } else {
            QCOMPARE(LastTransferFailure(), failure);
        }
        QCOMPARE(LastRemoteError, QString());
        // Clearing the transport's state leaves no failure for the next reader.
        ClearRemoteState();
        QCOMPARE(LastTransferFailure(), QString());
    }

    // A call nested in the queued events (they run before the retry) keeps its own failure.
    void nestedCallDoesNotLeakItsTransferFailure_data()
    {
        QTest::addColumn<QList<LoopbackAnswer>>("script"); // outer, nested, nested retry, outer retry
        QTest::addColumn<bool>("outerFailed");
        QTest::addColumn<bool>("nestedFailed");
        QTest::addRow("nested fails, outer answered")
            << Answers({{500, ""}, {500, ""}, {500, ""}, {200, "[emptyrecordset]"}}) << false << true;
        QTest::addRow("nested answered, outer fails")
            << Answers({{500, ""}, {200, "[emptyrecordset]"}, {500, ""}}) << true << false;
    }

    void nestedCallDoesNotLeakItsTransferFailure()
    {
        QFETCH(QList<LoopbackAnswer>, script);
        QFETCH(bool, outerFailed);
        QFETCH(bool, nestedFailed);
        pointSettingsAtServer();
        enqueueAll(script);
        server_->setFallback(LoopbackAnswer::text("", 500));
        bool nestedRan = false;
        QString nestedFailure;
        QTimer::singleShot(0, this, [&] {
            nestedRan = true;
            ExecuteRemote(u"call usp_nested"_s);
            nestedFailure = LastTransferFailure();
        });
        ExecuteRemoteAt(kStatement, gatewayUrl());
        QVERIFY(nestedRan);
        QCOMPARE(!LastTransferFailure().isEmpty(), outerFailed);
        QCOMPARE(!nestedFailure.isEmpty(), nestedFailed);
    }

    void silentServerEndsInFailure()
    {
        HttpClient::setDefaultTimeouts(300ms, 500ms);
        sender_ = std::make_unique<HttpClient>();
        login_ = std::make_unique<HttpClient>();
        SetLoginClient(login_.get());
        server_->setFallback(LoopbackAnswer::silent());
        QVERIFY(!ExecuteRemoteAt(kStatement, gatewayUrl()));
        QCOMPARE(LastRemoteError, QString());
        QCOMPARE(server_->requestCount(), 2);
    }

    void ignoreResponseReportsNothing()
    {
        server_->enqueue(LoopbackAnswer::text("[success]a,3~1"));
        server_->enqueue(LoopbackAnswer::text("Napaka"));
        QVERIFY(!ExecuteRemoteAt(kStatement, gatewayUrl(), true));
        QVERIFY(!ExecuteRemoteAt(kStatement, gatewayUrl(), true));
        QCOMPARE(LastRemoteError, QString());
        QCOMPARE(server_->requestCount(), 2);
    }

    // Settings that cannot be read read as empty (the store tells the user once): the call has
    // no workshop to go to and reaches no server.
    void unreadableSettingsReachNoServer()
    {
        QVERIFY(QDir().mkpath(sandbox_->settingsFile())); // the settings file cannot be read
        QVERIFY(!ExecuteRemote(kStatement));
        QCOMPARE(LastRemoteError, QString());
        QVERIFY(!LastTransferFailure().isEmpty());
        QCOMPARE(server_->requestCount(), 0);
    }

    void queuedEventsRunOnlyBeforeARetry_data()
    {
        QTest::addColumn<QList<LoopbackAnswer>>("script");
        QTest::addColumn<bool>("ran");
        QTest::addRow("plain success") << Answers({{200, "[emptyrecordset]"}}) << false;
        QTest::addRow("failure text") << Answers({{200, "Napaka"}}) << false;
        QTest::addRow("transient retry") << Answers({{200, "token expired]"}, {200, "[emptyrecordset]"}}) << true;
        QTest::addRow("failed transfer") << Answers({{500, ""}, {200, "[emptyrecordset]"}}) << true;
    }

    void queuedEventsRunOnlyBeforeARetry()
    {
        QFETCH(QList<LoopbackAnswer>, script);
        QFETCH(bool, ran);
        enqueueAll(script);
        bool fired = false;
        bool firedBeforeEveryWait = true;
        SetRemoteWaitHook([&](int milliseconds) {
            waits_.append(milliseconds);
            firedBeforeEveryWait = firedBeforeEveryWait && fired;
        });
        QTimer::singleShot(0, this, [&fired] { fired = true; });
        ExecuteRemoteAt(kStatement, gatewayUrl());
        QCOMPARE(fired, ran);
        QVERIFY(firedBeforeEveryWait);
        QCoreApplication::processEvents();
        QVERIFY(fired);
    }

    void nestedCallDoesNotLeakItsError()
    {
        pointSettingsAtServer();
        enqueueAll(Answers({{200, "token expired]"}, {200, "nested failure"}, {200, "[emptyrecordset]"}}));
        QString nestedError;
        QTimer::singleShot(0, this, [&nestedError] {
            ExecuteRemote(u"call usp_nested"_s);
            nestedError = LastRemoteError;
        });
        ExecuteRemote(kStatement);
        QCOMPARE(nestedError, u"Napaka pri izvajanju postopka :call usp_nested z opisom: -> nested failure"_s);
        QCOMPARE(LastRemoteError, QString());
        QCOMPARE(server_->requestCount(), 3);
    }
};

QTEST_GUILESS_MAIN(RemoteTransferTest)
#include "tst_remote_transfer.moc"
