// Benchmarks of the answer path (classification, percent-decoding, payload decoding) against RapidJSON on the same
// table.
#include "order_table.h"

#include "data/payload.h"
#include "data/remote_call.h"

#include <QFile>

#include <QDate>
#include <QString>

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <simdjson.h>

#include <malloc.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// RapidJSON's parse of the table's JSON into document; false, with the benchmark marked as
// failed, when it does not parse.
bool ParseJsonTable(benchmark::State& state, const OrderTable& table, rapidjson::Document& document)
{
    document.Parse(table.json.c_str(), table.json.size());
    if (!document.HasParseError())
        return true;
    state.SkipWithError("the JSON did not parse");
    return false;
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

// What a reader of the rows keeps of every cell: a QString for a text, the number of an integer,
// a QDate for a date. The checksum makes every value count, and is the same for every reader of
// the same table, which shows that they did the same work.
struct CellSink {
    std::int64_t checksum = 0;
    void text(QString value)
    {
        checksum += value.size() + (value.isEmpty() ? 0 : value.front().unicode());
        benchmark::DoNotOptimize(value);
    }
    void integer(std::int64_t value) { checksum += value; }
    void date(QDate value) { checksum += value.toJulianDay(); }
    void null() { checksum += 7; }
};

enum class CellKind { Integer, Date, Text };

std::vector<CellKind> CellKinds(const OrderTable& table)
{
    std::vector<CellKind> kinds;
    for (int code : table.typeCodes)
        kinds.push_back(code == 3 ? CellKind::Integer : code == 135 ? CellKind::Date : CellKind::Text);
    return kinds;
}

// The date of a JSON date-time text "YYYY-MM-DD HH:MM:SS" read from its fixed digit positions.
QDate DateOfJsonText(const char* text, std::size_t length)
{
    if (length < 10)
        return {};
    const auto number = [text](int at, int digits) {
        int value = 0;
        for (int i = 0; i < digits; ++i)
            value = value * 10 + (text[at + i] - '0');
        return value;
    };
    return QDate(number(0, 4), number(5, 2), number(8, 2));
}

// The row counters, and the checksum of the values read, averaged over the iterations.
void SetReadAllCounters(benchmark::State& state, const OrderTable& table, std::int64_t checksum)
{
    SetRowCounters(state, table);
    state.counters["checksum"] = benchmark::Counter(double(checksum), benchmark::Counter::kAvgIterations);
}

// The answer decoded, then every field of every row read into what the windows keep of it,
// through the calls the order list makes: asString for a text, asInteger for a number, and for
// a date the day of its OLE date, as the list's date column reads it.
void BM_DecodeAnswerReadAll(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    const std::vector<CellKind> kinds = CellKinds(table);
    const QDate oleEpoch(1899, 12, 30);
    std::int64_t checksum = 0;
    for (auto _ : state) {
        RecordsetPtr set = DecodeAnswer(table);
        CellSink sink;
        for (; !set->Eof(); set->MoveNext()) {
            for (int c = 0; c < int(kinds.size()); ++c) {
                const Field field = set->fieldAt(c);
                if (field.isNull())
                    sink.null();
                else if (kinds[std::size_t(c)] == CellKind::Integer)
                    sink.integer(field.asInteger());
                else if (kinds[std::size_t(c)] == CellKind::Date)
                    sink.date(oleEpoch.addDays(qint64(std::trunc(field.asDouble()))));
                else
                    sink.text(field.asString());
            }
        }
        checksum += sink.checksum;
    }
    SetReadAllCounters(state, table, checksum);
}

// RapidJSON's parse of the same table, then the same values out of every cell.
void BM_RapidJsonParseWalkText(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    const std::vector<CellKind> kinds = CellKinds(table);
    std::int64_t checksum = 0;
    for (auto _ : state) {
        rapidjson::Document document;
        if (!ParseJsonTable(state, table, document))
            return;
        CellSink sink;
        for (const auto& row : document.GetArray()) {
            std::size_t c = 0;
            for (const auto& value : row.GetArray()) {
                if (value.IsNull())
                    sink.null();
                else if (kinds[c] == CellKind::Integer)
                    sink.integer(value.GetInt64());
                else if (kinds[c] == CellKind::Date)
                    sink.date(DateOfJsonText(value.GetString(), value.GetStringLength()));
                else
                    sink.text(QString::fromUtf8(value.GetString(), qsizetype(value.GetStringLength())));
                ++c;
            }
        }
        checksum += sink.checksum;
    }
    SetReadAllCounters(state, table, checksum);
}

// simdjson's on-demand parser over the same table (padded once, as it requires), the same values out.
void BM_SimdjsonWalkText(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    const std::vector<CellKind> kinds = CellKinds(table);
    const simdjson::padded_string json(table.json);
    simdjson::ondemand::parser parser;
    std::int64_t checksum = 0;
    for (auto _ : state) {
        CellSink sink;
        simdjson::ondemand::document document;
        simdjson::ondemand::array rows;
        if (parser.iterate(json).get(document) || document.get_array().get(rows)) {
            state.SkipWithError("the JSON did not parse");
            return;
        }
        for (auto rowResult : rows) {
            simdjson::ondemand::array row;
            if (rowResult.get_array().get(row)) {
                state.SkipWithError("a row is not an array");
                return;
            }
            std::size_t c = 0;
            for (auto valueResult : row) {
                simdjson::ondemand::value value;
                bool isNull = false;
                if (valueResult.get(value) || value.is_null().get(isNull)) {
                    state.SkipWithError("a cell did not parse");
                    return;
                }
                if (isNull) {
                    sink.null();
                } else if (kinds[c] == CellKind::Integer) {
                    std::int64_t number = 0;
                    if (value.get_int64().get(number)) {
                        state.SkipWithError("an integer did not parse");
                        return;
                    }
                    sink.integer(number);
                } else {
                    std::string_view text;
                    if (value.get_string().get(text)) {
                        state.SkipWithError("a text did not parse");
                        return;
                    }
                    if (kinds[c] == CellKind::Date)
                        sink.date(DateOfJsonText(text.data(), text.size()));
                    else
                        sink.text(QString::fromUtf8(text.data(), qsizetype(text.size())));
                }
                ++c;
            }
        }
        checksum += sink.checksum;
    }
    SetReadAllCounters(state, table, checksum);
}

void BM_RapidJsonParseWalk(benchmark::State& state)
{
    const OrderTable& table = GeneratedOrderTable(int(state.range(0)));
    for (auto _ : state) {
        rapidjson::Document document;
        if (!ParseJsonTable(state, table, document))
            return;
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
BENCHMARK(BM_DecodeAnswerReadAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonParseWalkText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimdjsonWalkText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAnswerResident)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonResident)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
