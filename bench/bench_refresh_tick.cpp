// Benchmark of one refresh tick of the main order list against a simulator seeded with many orders.
#include "cpu_clock.h"

#include "data/http_client.h"
#include "data/remote_call.h"
#include "data/server_contract.h"
#include "data/settings_store.h"
#include "session/app_state.h"
#include "session/remote_calls.h"
#include "shell/main_window.h"
#include "shell/order_list_model.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
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

// CPU milliseconds spent in `work`: of this thread, or of the whole process.
template <bool WholeProcess = false, typename Work> double CpuMsOf(Work&& work)
{
    const double start = WholeProcess ? ProcessCpuMs() : ThreadCpuMs();
    work();
    return (WholeProcess ? ProcessCpuMs() : ThreadCpuMs()) - start;
}

// The steps of a tick before the list takes the rows, run alone on the same statement against
// the same server, so that the tick's CPU time can be split: the transfer (the client's side of
// the HTTP call), the decoding of the answer and the reading of every row as the list reads them.
struct TickParts {
    double transfer = 0;
    double decode = 0;
    double rows = 0;
};

TickParts MeasureTickParts(HttpClient& client, QByteArray& buffer, const QString& baseUrl, const QString& statement)
{
    const auto contract = [](std::string_view text) {
        return QString::fromLatin1(text.data(), qsizetype(text.size()));
    };
    const QByteArray url = (baseUrl + u"commobj/commobj/"_s + contract(ServerContract::GatewayScript) + u'?' +
                            contract(ServerContract::QueryPrefix) + EncodeStatement(ComposeStatement(statement, {})))
                               .toUtf8();
    TickParts parts;
    HttpClient::Response response;
    parts.transfer = CpuMsOf([&] { response = client.get(url, std::exchange(buffer, QByteArray()), nullptr); });
    RecordsetPtr set;
    parts.decode = CpuMsOf([&] { set = ClassifyAnswer(response.body, statement).recordset; });
    if (!set) {
        buffer = std::move(response.body);
        return parts;
    }
    std::vector<Tnalogi> rows(std::size_t(set->RecordCount()));
    parts.rows = CpuMsOf([&] {
        const OrderColumns columns = set->Eof() ? OrderColumns{} : FindOrderColumns(*set);
        for (std::size_t i = 0; !set->Eof() && i < rows.size(); ++i, set->MoveNext())
            rows[i] = ReadOrderRow(*set, columns);
    });
    benchmark::DoNotOptimize(rows);
    set.reset();
    buffer = std::move(response.body);
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

// Runs one refresh tick as the timer would and returns once its answer is shown.
void RunOneTick(TfrmMain& window)
{
    window.tmrcheckTimer();
    while (window.refreshInFlight())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    window.tmrcheck->stop();
}

// A window of the list showing the seeded orders of a simulator, with the middle row selected.
struct ListedWindow {
    TfrmMain window;
    int rows = 0;

    bool load(int wanted)
    {
        window.show();
        window.tmrcheck->stop();
        window.loadNalogi();
        QCoreApplication::processEvents();
        rows = window.lviewMain->model()->rowCount();
        if (rows < wanted / 2)
            return false;
        const QModelIndex middle = window.lviewMain->model()->index(rows / 2, 0);
        window.lviewMain->selectionModel()->setCurrentIndex(middle, QItemSelectionModel::ClearAndSelect |
                                                                        QItemSelectionModel::Rows);
        return true;
    }
};

// The settings and the sender of a benchmark that runs the main window against a simulator.
class WindowBench {
public:
    explicit WindowBench(int orders) : sim_(orders)
    {
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
        if (sim_.baseUrl().isEmpty())
            return;
        WriteSetting(u"ordavo"_s, u"weburlroot"_s, sim_.baseUrl());
        WriteSetting(u"ordavo"_s, u"weburl"_s, u"commobj/commobj/"_s);
        SetSenderSlot(&sender_);
        ResetAppState();
    }
    ~WindowBench()
    {
        SetSenderSlot(nullptr);
        ResetAppState();
        qunsetenv("XDG_CONFIG_HOME");
    }
    WindowBench(const WindowBench&) = delete;
    WindowBench& operator=(const WindowBench&) = delete;
    const SeededSimulator& sim() const { return sim_; }

private:
    QTemporaryDir config_;
    SeededSimulator sim_;
    std::unique_ptr<HttpClient> sender_ = std::make_unique<HttpClient>();
};

// The simulator started and the window listing its orders; false, with the benchmark skipped,
// when either is missing.
bool ReadyToMeasure(benchmark::State& state, const WindowBench& bench, ListedWindow& listed, int orders)
{
    if (bench.sim().baseUrl().isEmpty()) {
        state.SkipWithError("the simulator did not start");
        return false;
    }
    if (!listed.load(orders)) {
        state.SkipWithError("the list did not load the seeded orders");
        return false;
    }
    return true;
}

bool HasWidgetApplication(benchmark::State& state)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        return true;
    state.SkipWithError("the benchmark runner must create a QApplication for window benchmarks");
    return false;
}

// One tick of the refresh timer, from the timer's firing until its answer is shown: the remote
// call, the answer's check, decode and row reading on the worker thread, then the model update,
// re-selection, column fit and the paints the tick lets run on the user-interface thread.
// cpu_ms is the process's CPU time per tick (every thread of the client; the simulator runs in a
// process of its own); ui_ms the user-interface thread's share; view_ms the part of that spent
// painting. transfer_ms is the client's side of the same HTTP call run alone; decode_ms and
// rows_ms the decoding of the same answer and the reading of its rows run alone: what a tick
// whose list changed pays on its worker.
void RunRefreshTicks(benchmark::State& state, TickList list)
{
    if (!HasWidgetApplication(state))
        return;
    WindowBench bench(int(state.range(0)));
    const QString baseUrl = bench.sim().baseUrl();
    const double residentBefore = ResidentBytes();
    ListedWindow listed;
    if (!ReadyToMeasure(state, bench, listed, int(state.range(0))))
        return;
    TfrmMain& window = listed.window;
    HttpClient partsClient;
    QByteArray partsBuffer;
    // The first ticks after the load take the memory that later ticks use again.
    for (int warmUp = 0; warmUp < 2; ++warmUp) {
        RunOneTick(window);
        MeasureTickParts(partsClient, partsBuffer, baseUrl,
                         OrderListStatement(false, QString(), QDate::currentDate(), listDateFormat));
    }
    double processMs = 0, uiMs = 0, viewMs = 0;
    TickParts parts;
    bool lockToggle = false;
    for (auto _ : state) {
        const double paintedBefore = PaintCpuMs();
        const double uiBefore = ThreadCpuMs();
        processMs += CpuMsOf<true>([&] { RunOneTick(window); });
        uiMs += ThreadCpuMs() - uiBefore;
        viewMs += PaintCpuMs() - paintedBefore;
        state.PauseTiming();
        const QString statement =
            OrderListStatement(window.rdbVsiNalogi->isChecked(), QString(), QDate::currentDate(), listDateFormat);
        const TickParts alone = MeasureTickParts(partsClient, partsBuffer, baseUrl, statement);
        parts.transfer += alone.transfer;
        parts.decode += alone.decode;
        parts.rows += alone.rows;
        if (list == TickList::OneRowChanged) {
            lockToggle = !lockToggle;
            if (!ToggleOrderLock(partsClient, baseUrl, window.orders()[listed.rows / 2].id, lockToggle)) {
                state.SkipWithError("the simulator did not change the order");
                break;
            }
        }
        state.ResumeTiming();
    }
    const auto perTick = [](double totalMs) { return benchmark::Counter(totalMs, benchmark::Counter::kAvgIterations); };
    state.counters["cpu_ms"] = perTick(processMs);
    state.counters["ui_ms"] = perTick(uiMs);
    state.counters["view_ms"] = perTick(viewMs);
    state.counters["transfer_ms"] = perTick(parts.transfer);
    state.counters["decode_ms"] = perTick(parts.decode);
    state.counters["rows_ms"] = perTick(parts.rows);
    state.counters["rows"] = listed.rows;
    state.counters["resident_bytes"] = ResidentBytes();
    state.counters["window_resident_growth"] = ResidentBytes() - residentBefore;
}

// Measures how long the user-interface thread's event loop stays away: a 1 ms timer notes the
// longest gap between two of its firings.
class EventLoopProbe final : public QObject {
public:
    EventLoopProbe()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { note(); });
    }
    void start()
    {
        longestNs_ = 0;
        clock_.start();
        lastNs_ = clock_.nsecsElapsed();
        timer_.start();
    }
    // The longest gap since start(), in milliseconds, with the last stretch counted.
    double stop()
    {
        note();
        timer_.stop();
        return double(longestNs_) / 1e6;
    }

private:
    void note()
    {
        const qint64 now = clock_.nsecsElapsed();
        longestNs_ = std::max(longestNs_, now - lastNs_);
        lastNs_ = now;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    qint64 longestNs_ = 0;
};

// The longest time the window does not answer during refresh ticks, with the list changing in one
// row before every tick (second argument 1) or the same (0), and sorted by the customer column
// (third argument 1) or in the server's order (0): longest_block_ms is the longest gap of the
// user-interface thread's event loop over all ticks, median_block_ms the median of each tick's
// longest gap.
void BM_EventLoopBlockDuringTicks(benchmark::State& state)
{
    if (!HasWidgetApplication(state))
        return;
    WindowBench bench(int(state.range(0)));
    ListedWindow listed;
    if (!ReadyToMeasure(state, bench, listed, int(state.range(0))))
        return;
    if (state.range(2) != 0)
        listed.window.lviewMain->sortByColumn(OrderListModel::ColStranka, Qt::AscendingOrder);
    RunOneTick(listed.window); // takes the memory that later ticks use again
    const bool changing = state.range(1) != 0;
    HttpClient controlClient;
    EventLoopProbe probe;
    std::vector<double> longest;
    bool lockToggle = false;
    for (auto _ : state) {
        if (changing) {
            state.PauseTiming();
            lockToggle = !lockToggle;
            ToggleOrderLock(controlClient, bench.sim().baseUrl(), listed.window.orders()[listed.rows / 2].id,
                            lockToggle);
            state.ResumeTiming();
        }
        probe.start();
        RunOneTick(listed.window);
        longest.push_back(probe.stop());
    }
    if (longest.empty())
        return;
    std::vector<double> sorted = longest;
    std::sort(sorted.begin(), sorted.end());
    state.counters["longest_block_ms"] = sorted.back();
    state.counters["median_block_ms"] = sorted[sorted.size() / 2];
    state.counters["rows"] = listed.rows;
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

// A server that accepts every request and then sends nothing (the simulator's hang fault): how long
// the window does not answer while a refresh tick (argument 0) or a call the user started
// (argument 1, the opening of an order) waits for it, and how long until the call gives up.
// longest_block_ms is the longest gap of the user-interface thread's event loop, call_s the time
// until the tick's outage state or the call's failure box.
void BM_StalledServer(benchmark::State& state)
{
    if (!HasWidgetApplication(state))
        return;
    WindowBench bench(200);
    ListedWindow listed;
    if (!ReadyToMeasure(state, bench, listed, 200))
        return;
    HttpClient controlClient;
    const QByteArray hangEveryCall = (bench.sim().baseUrl() + u"control/faults?hang-every=1&hang-ms=120000"_s).toUtf8();
    const QByteArray noHang = (bench.sim().baseUrl() + u"control/faults?hang-every=0"_s).toUtf8();
    const bool userCall = state.range(0) != 0;
    DialogTestHook::activate();
    EventLoopProbe probe;
    QElapsedTimer clock;
    double longest = 0;
    double callSeconds = 0;
    for (auto _ : state) {
        if (controlClient.get(hangEveryCall).status != 200) {
            state.SkipWithError("the simulator did not take the fault");
            break;
        }
        DialogTestHook::reset();
        DialogTestHook::activate();
        probe.start();
        clock.start();
        if (userCall) {
            CallRemote(u"call usp_listNalogPostavke (1)"_s);
        } else {
            RunOneTick(listed.window);
        }
        callSeconds = double(clock.elapsed()) / 1000;
        longest = std::max(longest, probe.stop());
        controlClient.get(noHang);
        if (userCall && DialogTestHook::shown().isEmpty())
            state.SkipWithError("the stalled call showed no failure box");
    }
    DialogTestHook::reset();
    state.counters["longest_block_ms"] = longest;
    state.counters["call_s"] = callSeconds;
}

} // namespace

// At least five ticks at every size, so the figures are not those of one tick.
BENCHMARK(BM_RefreshTick)->Arg(10000)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RefreshTickChangedList)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_EventLoopBlockDuringTicks)
    ->Args({10000, 0, 0})
    ->Args({10000, 1, 0})
    ->Args({10000, 1, 1})
    ->Args({100000, 0, 0})
    ->Args({100000, 1, 0})
    ->Args({100000, 1, 1})
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_StalledServer)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
