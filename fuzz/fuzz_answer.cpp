// libFuzzer target: any bytes as a server answer and as a payload, then every value of the table read in every form.
#include "data/payload.h"
#include "data/remote_call.h"

#include <QLocale>

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

// Reads are bounded so that one input stays fast; the decoder itself is linear in its input.
constexpr int kMaxCellsRead = 4000;

template <typename Read> void Attempt(Read read)
{
    try {
        read();
    } catch (const DataError&) {
        // a failed conversion is an ordinary outcome
    }
}

void ReadEverything(const RecordsetPtr& set)
{
    if (!set)
        return;
    int cellsRead = 0;
    const int columns = set->columnCount();
    for (set->MoveFirst(); !set->Eof() && cellsRead < kMaxCellsRead; set->MoveNext()) {
        for (int c = 0; c < columns && cellsRead < kMaxCellsRead; ++c, ++cellsRead) {
            const Field field = set->FieldValue(set->columnName(c));
            Attempt([&] { (void)field.asString(); });
            Attempt([&] { (void)field.asInteger(); });
            Attempt([&] { (void)field.asDouble(); });
            Attempt([&] { (void)field.asDateTime(); });
            Attempt([&] { (void)field.canonicalText(); });
        }
    }
    Attempt([&] { set->MoveNext(); });
    set->Close();
    Attempt([&] { (void)set->RecordCount(); });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    ReadEverything(DecodePayload(input));
    ReadEverything(ClassifyAnswer(input, u"call usp_fuzz ()"_s).recordset);
    (void)SplitDelimited(input, '{');
    return 0;
}
