// Runs the ordavo-remote diagnostic tool against the simulator and checks the JSON rows it prints.
#include "support/simulator_process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

class RemoteCliOnSimulatorTest : public QObject {
    Q_OBJECT

private slots:
    void printsTheRowsOfEachStatement()
    {
        SimulatorProcess sim;
        QVERIFY2(sim.isRunning(), qPrintable(sim.errorText()));
        QProcess tool;
        tool.start(qEnvironmentVariable("ORDAVO_BINARY_DIR") + u"/tools/remote-cli/ordavo-remote"_s,
                   {u"--at"_s, sim.gatewayUrl(), u"call usp_listLokacije ()"_s, u"call usp_nope ()"_s});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        const QList<QByteArray> lines = tool.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 2);

        const QJsonObject places = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(places.value(u"lastRemoteError"_s).toString(), QString());
        const QJsonObject table = places.value(u"recordset"_s).toObject();
        QCOMPARE(table.value(u"columns"_s).toArray().at(1).toObject().value(u"name"_s).toString(), u"ime"_s);
        const QJsonArray rows = table.value(u"rows"_s).toArray();
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows.at(0).toArray().at(0).toInt(), 1);
        QCOMPARE(rows.at(0).toArray().at(1).toString(), u"Regal A - polica 1"_s);

        const QJsonObject failure = QJsonDocument::fromJson(lines[1]).object();
        QVERIFY(failure.value(u"recordset"_s).isNull());
        QVERIFY(failure.value(u"lastRemoteError"_s)
                    .toString()
                    .endsWith(u"PROCEDURE "_s + sim.databaseName() + u".usp_nope does not exist"_s));
    }
};

QTEST_GUILESS_MAIN(RemoteCliOnSimulatorTest)
#include "tst_remote_cli_on_simulator.moc"
