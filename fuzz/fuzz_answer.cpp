// libFuzzer target: any bytes as a server answer and as a payload, checked against the reference decoder, then every
// value read in every form.
#include "data/payload.h"
#include "data/remote_call.h"
#include "data/text_helpers.h"
#include "recordset_dump.h"
#include "tst_payload_oracle.h"

#include <QLocale>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

// Stops the run with both forms when the product and the reference disagree.
void RequireSame(const char* what, const QByteArray& product, const QByteArray& reference)
{
    if (product == reference)
        return;
    std::fprintf(stderr, "%s differs from the reference\nproduct:   %s\nreference: %s\n", what, product.constData(),
                 reference.constData());
    std::abort();
}

// The product's decoders against the slow reference: percent-decoding, the payload decoder on the
// raw bytes, and the whole answer path on an answer that carries the bytes percent-encoded.
void CompareWithReference(QByteArrayView input)
{
    const QByteArray plain = PayloadOracle::PercentDecode(input);
    RequireSame("PercentDecode", PercentDecode(input), plain);
    RequireSame("PercentDecode scalar", PercentDecodeAt(input, PercentDecodeLevel::Scalar), plain);
    RequireSame("PercentDecode SSSE3", PercentDecodeAt(input, PercentDecodeLevel::Ssse3), plain);
    RequireSame("PercentDecode AVX2", PercentDecodeAt(input, PercentDecodeLevel::Avx2), plain);
    RequireSame("DecodePayload", Dump(DecodePayload(input)).toUtf8(), PayloadOracle::DecodePayload(input).toUtf8());
    const QByteArray encoded = PayloadOracle::PercentEncode(input);
    const QByteArray answer = QByteArray("[success]") + encoded;
    RequireSame("ClassifyAnswer", Dump(ClassifyAnswer(answer, u"call usp_fuzz ()"_s).recordset).toUtf8(),
                PayloadOracle::DecodePayload(PayloadOracle::PercentDecode(encoded)).toUtf8());
}

// The input itself as an answer, classified as the reference reads it: no table without
// "[success]" or with a first "[emptyrecordset]" after the first byte, else the payload after
// "[success]" decoded. Only for answers that are UTF-8, which need no reading as Windows-1250.
void CompareClassificationWithReference(const QByteArray& input)
{
    if (!IsValidUtf8(input) || input == "Invalid")
        return;
    const qsizetype successAt = input.indexOf("[success]");
    const qsizetype emptyAt = input.indexOf("[emptyrecordset]");
    const QByteArray expected =
        successAt < 0 || emptyAt > 0
            ? QByteArray("none")
            : PayloadOracle::DecodePayload(PayloadOracle::PercentDecode(input.sliced(successAt + 9))).toUtf8();
    RequireSame("ClassifyAnswer of the input", Dump(ClassifyAnswer(input, u"call usp_fuzz ()"_s).recordset).toUtf8(),
                expected);
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
    CompareWithReference(input);
    CompareClassificationWithReference(input.toByteArray());
    ReadEverything(DecodePayload(input));
    ReadEverything(ClassifyAnswer(input, u"call usp_fuzz ()"_s).recordset);
    (void)SplitDelimited(input, '{');
    return 0;
}
