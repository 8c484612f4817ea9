// Benchmark of one refresh tick of the main order list against a simulator seeded with many orders.
#include "data/http_client.h"
#include "data/remote_call.h"
#include "data/settings_store.h"
#include "session/app_state.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Resident set size of this process in bytes (VmRSS of /proc/self/status), -1 when unknown.
double ResidentBytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() * 1024;
    return -1;
}

// ordavo-workshop-sim on a free loopback port with `orders` seeded orders, for the life of the object.
class SeededSimulator {
public:
    explicit SeededSimulator(int orders)
    {
        const QString program =
            QCoreApplication::applicationDirPath() + u"/../tools/workshop-sim/ordavo-workshop-sim"_s;
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(program, {u"--port"_s, u"0"_s, u"--orders"_s, QString::number(orders), u"--db"_s,
                                 folder_.filePath(u"sim.db"_s)});
        if (!process_.waitForStarted(10000))
            return;
        const QRegularExpression listening(u"listening on (\\S+)"_s);
        QByteArray output;
        while (process_.state() == QProcess::Running && process_.waitForReadyRead(60000)) {
            output += process_.readAll();
            const QRegularExpressionMatch match = listening.match(QString::fromUtf8(output));
            if (match.hasMatch()) {
                baseUrl_ = match.captured(1);
                return;
            }
        }
    }
    ~SeededSimulator()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
    }
    QString baseUrl() const { return baseUrl_; }

private:
    QTemporaryDir folder_;
    QProcess process_;
    QString baseUrl_;
};

// One tick of the refresh timer as the user-interface thread runs it: the remote call, the
// decoding, the model rebuild and re-selection, and the first paint of the list.
void BM_RefreshTick(benchmark::State& state)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        state.SkipWithError("the benchmark runner must create a QApplication for window benchmarks");
        return;
    }
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    SeededSimulator sim(int(state.range(0)));
    if (sim.baseUrl().isEmpty()) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    WriteSetting(u"ordavo"_s, u"weburlroot"_s, sim.baseUrl());
    WriteSetting(u"ordavo"_s, u"weburl"_s, u"commobj/commobj/"_s);
    auto sender = std::make_unique<HttpClient>();
    SetSenderSlot(&sender);
    ResetAppState();

    const double residentBefore = ResidentBytes();
    {
        TfrmMain window;
        window.show();
        window.tmrcheck->stop();
        window.loadNalogi();
        QCoreApplication::processEvents();
        const int rows = window.lviewMain->model()->rowCount();
        if (rows < state.range(0) / 2) {
            state.SkipWithError("the list did not load the seeded orders");
        } else {
            const QModelIndex middle = window.lviewMain->model()->index(rows / 2, 0);
            window.lviewMain->selectionModel()->setCurrentIndex(
                middle, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            for (auto _ : state) {
                window.tmrcheckTimer();
                window.lviewMain->viewport()->repaint();
            }
            state.counters["rows"] = rows;
            state.counters["resident_bytes"] = ResidentBytes();
            state.counters["window_resident_growth"] = ResidentBytes() - residentBefore;
        }
    }
    SetSenderSlot(nullptr);
    ResetAppState();
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace

BENCHMARK(BM_RefreshTick)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
