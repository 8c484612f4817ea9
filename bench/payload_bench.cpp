// Benchmarks of the answer path (classification, percent-decoding, payload decoding) against RapidJSON on the same
// table.
#include "order_table.h"

#include "data/payload.h"
#include "data/remote_call.h"

#include <QFile>

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <malloc.h>

#include <cstdint>
#include <functional>
#include <string>

using namespace Qt::StringLiterals;

namespace {

const QString kStatement = u"call usp_listneobracunaninalogi (0,'D1','D2',-1,0,'')"_s;

void SetRowCounters(benchmark::State& state, const OrderTable& table)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["payload_bytes"] = double(table.payload.size());
    state.counters["answer_bytes"] = double(table.answer.size());
}

RecordsetPtr DecodeAnswer(const OrderTable& table)
{
    return ClassifyAnswer(table.answer, kStatement).recordset;
}

// Every value of the JSON table into a std::string or an int64, as a reader of the rows would.
std::int64_t WalkJson(const rapidjson::Document& document)
{
    std::int64_t checksum = 0;
    for (const auto& row : document.GetArray()) {
        for (const auto& value : row.GetArray()) {
            if (value.IsInt64()) {
                checksum += value.GetInt64();
            } else if (value.IsString()) {
                std::string text(value.GetString(), value.GetStringLength());
                checksum += std::int64_t(text.size());
                benchmark::DoNotOptimize(text);
            }
        }
    }
    return checksum;
}

void BM_DecodeAnswer(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    std::size_t footprint = 0;
    for (auto _ : state) {
        RecordsetPtr set = DecodeAnswer(table);
        if (!set || set->RecordCount() != state.range(0)) {
            state.SkipWithError("the answer did not decode");
            return;
        }
        footprint = set->memoryFootprint();
        benchmark::DoNotOptimize(set);
    }
    SetRowCounters(state, table);
    state.counters["recordset_bytes"] = double(footprint);
    state.counters["recordset_per_payload"] = double(footprint) / double(table.payload.size());
}

// The decoder alone, from a borrowed payload (so it includes the one copy into the table's buffer).
void BM_DecodePayloadOnly(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    for (auto _ : state) {
        RecordsetPtr set = DecodePayload(table.payload);
        benchmark::DoNotOptimize(set);
    }
    SetRowCounters(state, table);
}

void BM_PercentDecodeOnly(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    const QByteArrayView encoded = QByteArrayView(table.answer).sliced(9); // after "[success]"
    for (auto _ : state) {
        QByteArray plain = PercentDecode(encoded);
        benchmark::DoNotOptimize(plain);
    }
    SetRowCounters(state, table);
}

// The answer decoded, then every field of every row read as text, as the order list does.
void BM_DecodeAnswerReadAll(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    for (auto _ : state) {
        RecordsetPtr set = DecodeAnswer(table);
        qsizetype checksum = 0;
        for (; !set->Eof(); set->MoveNext()) {
            for (int c = 0; c < set->columnCount(); ++c) {
                const Field field = set->fieldAt(c);
                if (!field.isNull())
                    checksum += field.asString().size();
            }
        }
        benchmark::DoNotOptimize(checksum);
    }
    SetRowCounters(state, table);
}

void BM_RapidJsonParseWalk(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(table.json.c_str(), table.json.size());
        if (document.HasParseError()) {
            state.SkipWithError("the JSON did not parse");
            return;
        }
        benchmark::DoNotOptimize(WalkJson(document));
    }
    SetRowCounters(state, table);
    state.counters["json_bytes"] = double(table.json.size());
}

// ---- resident memory ----

long StatusKilobytes(const char* key)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Resets the peak resident size (VmHWM) to the current one; false where the kernel refuses.
bool ResetPeakResident()
{
    QFile clearRefs(u"/proc/self/clear_refs"_s);
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

// Peak and retained resident growth while `work` builds and holds its result.
void MeasureResident(benchmark::State& state, const OrderTable& table,
                     const std::function<std::shared_ptr<void>()>& work)
{
    double peak = 0, retained = 0;
    for (auto _ : state) {
        malloc_trim(0);
        if (!ResetPeakResident()) {
            state.SkipWithError("peak resident size cannot be reset here");
            return;
        }
        const long before = StatusKilobytes("VmRSS:");
        std::shared_ptr<void> result = work();
        const long after = StatusKilobytes("VmRSS:");
        peak = double(StatusKilobytes("VmHWM:") - before) * 1024;
        retained = double(after - before) * 1024;
        benchmark::DoNotOptimize(result);
    }
    state.counters["peak_rss_growth"] = peak;
    state.counters["retained_rss_growth"] = retained;
    state.counters["peak_per_payload"] = peak / double(table.payload.size());
    state.counters["retained_per_payload"] = retained / double(table.payload.size());
}

void BM_DecodeAnswerResident(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    MeasureResident(state, table, [&table] { return std::static_pointer_cast<void>(DecodeAnswer(table)); });
}

void BM_RapidJsonResident(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    MeasureResident(state, table, [&table] {
        auto document = std::make_shared<rapidjson::Document>();
        document->Parse(table.json.c_str(), table.json.size());
        return std::static_pointer_cast<void>(document);
    });
}

} // namespace

BENCHMARK(BM_DecodeAnswer)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonParseWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PercentDecodeOnly)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePayloadOnly)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAnswerReadAll)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAnswerResident)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonResident)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
