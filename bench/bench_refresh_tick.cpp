// Benchmark of one refresh tick of the main order list against a simulator seeded with many orders.
#include "cpu_clock.h"

#include "data/http_client.h"
#include "data/remote_call.h"
#include "data/server_contract.h"
#include "data/settings_store.h"
#include "session/app_state.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

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

// CPU milliseconds of this thread spent in `work`.
template <typename Work> double CpuMsOf(Work&& work)
{
    const double start = ThreadCpuMs();
    work();
    return ThreadCpuMs() - start;
}

// The steps of a tick before the list takes the rows, run alone on the same statement against
// the same server, so that the tick's CPU time can be split: the transfer (the client's side of
// the HTTP call), the decoding of the answer and the reading of every row as the list reads them.
struct TickParts {
    double transfer = 0;
    double decode = 0;
    double rows = 0;
};

TickParts MeasureTickParts(HttpClient& client, const QString& baseUrl, const QString& statement)
{
    const auto contract = [](std::string_view text) {
        return QString::fromLatin1(text.data(), qsizetype(text.size()));
    };
    const QByteArray url = (baseUrl + u"commobj/commobj/"_s + contract(ServerContract::GatewayScript) + u'?' +
                            contract(ServerContract::QueryPrefix) + EncodeStatement(ComposeStatement(statement, {})))
                               .toUtf8();
    TickParts parts;
    HttpClient::Response response;
    parts.transfer = CpuMsOf([&] { response = client.get(url); });
    RecordsetPtr set;
    parts.decode = CpuMsOf([&] { set = ClassifyAnswer(response.body, statement).recordset; });
    if (!set)
        return parts;
    std::vector<Tnalogi> rows(std::size_t(set->RecordCount()));
    parts.rows = CpuMsOf([&] {
        const OrderColumns columns = set->Eof() ? OrderColumns{} : FindOrderColumns(*set);
        for (std::size_t i = 0; !set->Eof() && i < rows.size(); ++i, set->MoveNext())
            rows[i] = ReadOrderRow(*set, columns);
    });
    benchmark::DoNotOptimize(rows);
    return parts;
}

// Locks or unlocks one order on the simulator (its saved state between 2 and 1), as a colleague
// editing it in the web part would, so that the next tick brings a list that differs in one row.
bool ToggleOrderLock(HttpClient& client, const QString& baseUrl, qint32 id, bool lock)
{
    const QString endpoint = lock ? u"control/lock-order"_s : u"control/unlock-order"_s;
    return client.get((baseUrl + endpoint + u"?id="_s + QString::number(id)).toUtf8()).status == 200;
}

enum class TickList { Unchanged, OneRowChanged };

// One tick of the refresh timer as the user-interface thread runs it: the remote call, the
// answer's classification, the model update and re-selection, the column fit, and the paints
// the tick itself lets run (the list greyed at its start and drawn again at its end). cpu_ms is
// the tick's CPU time per tick; view_ms the part of it spent painting; transfer_ms the client's
// side of the same HTTP call run alone; model_ms the rest of the tick (the answer checked against
// the listed one, or decoded and its rows read when it changed, the model, selection and column
// fit). decode_ms and rows_ms are the decoding of the same answer and the reading of its rows run
// alone: what a tick whose list changed pays inside model_ms.
void RunRefreshTicks(benchmark::State& state, TickList list)
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
            window.lviewMain->selectionModel()->setCurrentIndex(middle, QItemSelectionModel::ClearAndSelect |
                                                                            QItemSelectionModel::Rows);
            HttpClient partsClient;
            double tickMs = 0, viewMs = 0;
            TickParts parts;
            bool lockToggle = false;
            for (auto _ : state) {
                const double paintedBefore = PaintCpuMs();
                tickMs += CpuMsOf([&] { window.tmrcheckTimer(); });
                viewMs += PaintCpuMs() - paintedBefore;
                state.PauseTiming();
                const QString statement = OrderListStatement(window.rdbVsiNalogi->isChecked(), QString(),
                                                             QDate::currentDate(), listDateFormat);
                const TickParts alone = MeasureTickParts(partsClient, sim.baseUrl(), statement);
                parts.transfer += alone.transfer;
                parts.decode += alone.decode;
                parts.rows += alone.rows;
                if (list == TickList::OneRowChanged) {
                    lockToggle = !lockToggle;
                    if (!ToggleOrderLock(partsClient, sim.baseUrl(), window.orders()[rows / 2].id, lockToggle)) {
                        state.SkipWithError("the simulator did not change the order");
                        break;
                    }
                }
                state.ResumeTiming();
            }
            const auto perTick = [&state](double totalMs) {
                return benchmark::Counter(totalMs, benchmark::Counter::kAvgIterations);
            };
            state.counters["cpu_ms"] = perTick(tickMs);
            state.counters["transfer_ms"] = perTick(parts.transfer);
            state.counters["decode_ms"] = perTick(parts.decode);
            state.counters["rows_ms"] = perTick(parts.rows);
            state.counters["model_ms"] = perTick(tickMs - viewMs - parts.transfer);
            state.counters["view_ms"] = perTick(viewMs);
            state.counters["rows"] = rows;
            state.counters["resident_bytes"] = ResidentBytes();
            state.counters["window_resident_growth"] = ResidentBytes() - residentBefore;
        }
    }
    SetSenderSlot(nullptr);
    ResetAppState();
    qunsetenv("XDG_CONFIG_HOME");
}

// The usual tick: the server's list has not changed since the last one.
void BM_RefreshTick(benchmark::State& state)
{
    RunRefreshTicks(state, TickList::Unchanged);
}

// A tick after somebody locked or unlocked an order: the list differs in one row.
void BM_RefreshTickChangedList(benchmark::State& state)
{
    RunRefreshTicks(state, TickList::OneRowChanged);
}

} // namespace

BENCHMARK(BM_RefreshTick)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RefreshTickChangedList)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
