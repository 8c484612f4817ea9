// Tests of ordavo-remote: usage errors, JSON lines for answers and failures, both ways of finding the server.
#include "data/remote_call.h"
#include "data/settings_store.h"
#include "support/loopback_server.h"
#include "support/settings_sandbox.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct ToolRun {
    int exitCode = -1;
    QList<QJsonObject> lines;
    QByteArray standardError;
};

ToolRun RunTool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(ORDAVO_REMOTE_BINARY), arguments);
    ToolRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.standardError = process.readAllStandardError();
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError)
            qWarning("not JSON: %s", line.constData());
        run.lines.append(document.object());
    }
    return run;
}

QJsonArray Row(const QJsonObject& line, int index)
{
    return line[u"recordset"_s][u"rows"_s].toArray()[index].toArray();
}

} // namespace

class RemoteCliTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LoopbackServer> server_;
    std::unique_ptr<SettingsSandbox> sandbox_;

    QString gatewayUrl() const { return server_->baseUrl() + u"commobj/commobj/"_s; }

private slots:
    void init()
    {
        sandbox_ = std::make_unique<SettingsSandbox>();
        server_ = std::make_unique<LoopbackServer>();
    }

    void cleanup()
    {
        server_.reset();
        sandbox_.reset();
    }

    void badUsageExitsWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addRow("no statement") << QStringList{};
        QTest::addRow("only options") << QStringList{u"--no-params"_s};
        QTest::addRow("params and no params") << QStringList{u"--param"_s, u"1"_s, u"--no-params"_s, u"call usp_x"_s};
        QTest::addRow("unknown option") << QStringList{u"--bogus"_s, u"call usp_x"_s};
        QTest::addRow("--at without URL") << QStringList{u"--at"_s};
        QTest::addRow("--at twice") << QStringList{u"--at"_s, u"http://a/"_s, u"--at=http://b/"_s, u"call usp_x"_s};
    }

    void badUsageExitsWithTwo()
    {
        QFETCH(QStringList, arguments);
        const ToolRun run = RunTool(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.lines.isEmpty());
        QVERIFY(run.standardError.contains("usage: ordavo-remote"));
        QCOMPARE(server_->requestCount(), 0);
    }

    void printsOneLinePerStatement()
    {
        server_->enqueue(LoopbackAnswer::text("[success]id,3{cena,14{datum,202{cas,135{ime,200{opis,200{surov,128~"
                                              "5{3[*dot*]25{2011-03-15{2011-03-15[sp**ace]08:30:00{%C4%8Crt%22{NULL{"
                                              "~6{-1[*dot*]5{NULL{NULL{x{y")
                             .withHeader("Set-Cookie", "sid=one; Path=/"));
        server_->enqueue(LoopbackAnswer::text("Napaka"));
        const ToolRun run = RunTool(
            {u"--at"_s, gatewayUrl(), u"--param"_s, u"1,5"_s, u"--param=č"_s, u"call usp_a"_s, u"call usp_b"_s});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 2);

        const QJsonObject first = run.lines[0];
        QCOMPARE(first[u"statement"_s].toString(), u"call usp_a"_s);
        QCOMPARE(first[u"lastRemoteError"_s].toString(), QString());
        const QJsonArray columns = first[u"recordset"_s][u"columns"_s].toArray();
        QCOMPARE(columns.size(), 7);
        QCOMPARE(columns[0].toObject(), (QJsonObject{{u"name"_s, u"id"_s}, {u"type"_s, u"integer"_s}}));
        QStringList types;
        for (const QJsonValue& column : columns)
            types.append(column[u"type"_s].toString());
        QCOMPARE(types, (QStringList{u"integer"_s, u"decimal"_s, u"date"_s, u"datetime"_s, u"text"_s, u"text"_s,
                                     u"binary"_s}));
        const QJsonArray row = Row(first, 0);
        QVERIFY(row[0].isDouble());
        QCOMPARE(row[0].toInt(), 5);
        QCOMPARE(row[1].toString(), u"3.25"_s);
        QCOMPARE(row[2].toString(), u"2011-03-15"_s);
        QCOMPARE(row[3].toString(), u"2011-03-15T08:30:00"_s);
        QCOMPARE(row[4].toString(), u"Črt\""_s);
        QVERIFY(row[5].isNull());
        QCOMPARE(Row(first, 1)[1].toString(), u"-1.5"_s);

        const QJsonObject second = run.lines[1];
        QCOMPARE(second[u"statement"_s].toString(), u"call usp_b"_s);
        QCOMPARE(second[u"lastRemoteError"_s].toString(),
                 u"Napaka pri izvajanju postopka :call usp_b z opisom: -> Napaka"_s);
        QVERIFY(second[u"recordset"_s].isNull());

        const QList<LoopbackRequest> requests = server_->requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[0].query, "0.*_." + EncodeStatement(u"callusp_a ('1[*com*]5','č')"_s).toLatin1());
        QCOMPARE(requests[1].header("Cookie"), QByteArray("sid=one")); // one login client for both statements
    }

    void withoutAtUsesTheStoredServer()
    {
        PointWorkshopAt(server_->baseUrl());
        server_->setFallback(LoopbackAnswer::text("Napaka"));
        const ToolRun run = RunTool({u"--no-params"_s, u"--ignore-response"_s, u"call usp_x ()"_s});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 1);
        QCOMPARE(run.lines[0][u"lastRemoteError"_s].toString(), QString());
        QVERIFY(run.lines[0][u"recordset"_s].isNull());
        const LoopbackRequest request = server_->requests().value(0);
        QCOMPARE(request.path, QByteArray("/commobj/commobj/run.php"));
        QCOMPARE(request.query, QByteArray("0.*_.5%2A%285%2Acx%20%28%29%20"));
    }

    void unreachableServerStillExitsWithZero()
    {
        const QString closed = u"http://127.0.0.1:%1/"_s.arg(LoopbackServer::closedPort());
        const ToolRun run = RunTool({u"--at"_s, closed, u"call usp_x"_s});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), 1);
        QCOMPARE(run.lines[0][u"lastRemoteError"_s].toString(), QString());
        QVERIFY(run.lines[0][u"recordset"_s].isNull());
    }
};

QTEST_GUILESS_MAIN(RemoteCliTest)
#include "tst_remote_cli.moc"
