// The percent codec of statements and answers: the table-driven encoder and the decoder with its SIMD block levels.
#include "percent_codec.h"

#include "payload.h"
#include "server_contract.h"
#include "text_helpers.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define PERCENT_DECODE_SIMD 1
#include <immintrin.h>
#else
#define PERCENT_DECODE_SIMD 0
#endif

namespace {

constexpr unsigned char kNotHex = 0xFF;

// The value of every hexadecimal digit (either case); kNotHex for every other byte.
constexpr std::array<unsigned char, 256> MakeHexValues()
{
    std::array<unsigned char, 256> values{};
    values.fill(kNotHex);
    for (int digit = 0; digit < 10; ++digit)
        values[std::size_t('0' + digit)] = static_cast<unsigned char>(digit);
    for (int letter = 0; letter < 6; ++letter) {
        values[std::size_t('a' + letter)] = static_cast<unsigned char>(10 + letter);
        values[std::size_t('A' + letter)] = static_cast<unsigned char>(10 + letter);
    }
    return values;
}

constexpr std::array<unsigned char, 256> kHexValues = MakeHexValues();

// What the encoded text's own bytes hold.
struct RawTextFacts {
    bool nonAscii = false; // some byte is 0x80 or above
    bool bracket = false;  // some byte is "["
};

unsigned char HexValue(char c)
{
    return kHexValues[static_cast<unsigned char>(c)];
}

// Step 1 of PercentDecode over [in, end) into out, byte by byte: "%" and two hexadecimal digits
// give one byte, so does "%" and one digit as the last two characters of the text (`end` must be
// the text's end); any other "%" is copied. Returns the end of the output; notes in `raw` what the
// input bytes hold.
char* PercentDecodeBytewise(const char* in, const char* end, char* out, RawTextFacts& raw)
{
    while (in < end) {
        const char c = *in;
        raw.nonAscii = raw.nonAscii || uchar(c) >= 0x80;
        raw.bracket = raw.bracket || c == '[';
        if (c == '%') {
            const qsizetype following = end - in - 1;
            const unsigned char high = following >= 1 ? HexValue(in[1]) : kNotHex;
            if (high != kNotHex && following == 1) {
                *out++ = char(high);
                in += 2;
                continue;
            }
            const unsigned char low = following >= 2 ? HexValue(in[2]) : kNotHex;
            if (high != kNotHex && low != kNotHex) {
                *out++ = char(high << 4 | low);
                in += 3;
                continue;
            }
        }
        *out++ = c;
        ++in;
    }
    return out;
}

#if PERCENT_DECODE_SIMD
// Shuffle indices that gather the bytes of an 8-byte group whose bits are set in the mask, and how
// many they are; the unused indices select nothing.
struct GatherTable {
    std::array<std::uint64_t, 256> indices{};
    std::array<unsigned char, 256> counts{};
};

constexpr GatherTable MakeGatherTable()
{
    GatherTable table;
    for (unsigned mask = 0; mask < 256; ++mask) {
        std::uint64_t indices = 0x8080808080808080ull; // high bit set: the byte becomes 0
        unsigned count = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if (mask & (1u << bit)) {
                indices &= ~(std::uint64_t(0xFF) << (8 * count));
                indices |= std::uint64_t(bit) << (8 * count);
                ++count;
            }
        }
        table.indices[mask] = indices;
        table.counts[mask] = static_cast<unsigned char>(count);
    }
    return table;
}

constexpr GatherTable kGatherTable = MakeGatherTable();

// The summary of the output, gathered from each block before its bytes are packed: the block's
// bytes that are dropped are the digits of escapes, which are neither blanks, quotes nor "~", so
// the whole block can be looked at.
struct OutputSummary16 {
    __m128i blanks = _mm_setzero_si128();
    __m128i quotes = _mm_setzero_si128();
    std::size_t tildes = 0;
    __attribute__((target("sse2"))) void add(__m128i bytes)
    {
        blanks = _mm_or_si128(blanks, _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(32)), bytes));
        quotes = _mm_or_si128(quotes, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')));
        tildes += std::size_t(std::popcount(
            unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(ServerContract::SectionDelimiter))))));
    }
    __attribute__((target("sse2"))) void addTo(PayloadBytesSummary& summary) const
    {
        summary.add({_mm_movemask_epi8(blanks) != 0, _mm_movemask_epi8(quotes) != 0, tildes});
    }
};

struct OutputSummary32 {
    __m256i blanks;
    __m256i quotes;
    std::size_t tildes = 0;
    __attribute__((target("avx2"))) OutputSummary32() : blanks(_mm256_setzero_si256()), quotes(_mm256_setzero_si256())
    {
    }
    __attribute__((target("avx2"))) void add(__m256i bytes)
    {
        blanks = _mm256_or_si256(blanks, _mm256_cmpeq_epi8(_mm256_min_epu8(bytes, _mm256_set1_epi8(32)), bytes));
        quotes = _mm256_or_si256(quotes, _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('"')));
        tildes += std::size_t(std::popcount(std::uint32_t(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(ServerContract::SectionDelimiter))))));
    }
    __attribute__((target("avx2"))) void addTo(PayloadBytesSummary& summary) const
    {
        summary.add({_mm256_movemask_epi8(blanks) != 0, _mm256_movemask_epi8(quotes) != 0, tildes});
    }
};

struct OutputSummary64 {
    __mmask64 blanks = 0;
    __mmask64 quotes = 0;
    std::size_t tildes = 0;
    __attribute__((target("avx512bw,avx512vbmi2"))) void add(__m512i bytes)
    {
        blanks |= _mm512_cmple_epu8_mask(bytes, _mm512_set1_epi8(32));
        quotes |= _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('"'));
        tildes += std::size_t(
            std::popcount(_mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(ServerContract::SectionDelimiter))));
    }
    void addTo(PayloadBytesSummary& summary) const { summary.add({blanks != 0, quotes != 0, tildes}); }
};

// Per byte: 0xFF where it is a hexadecimal digit, and its value (0 elsewhere).
__attribute__((target("ssse3"))) inline __m128i HexDigitsOf(__m128i bytes, __m128i& values)
{
    const __m128i digit = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    const __m128i letter = _mm_sub_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    values =
        _mm_or_si128(_mm_and_si128(isDigit, digit), _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
    return _mm_or_si128(isDigit, isLetter);
}

// Step 1 of PercentDecode sixteen bytes at a time while at least 18 bytes are left, so that the two
// digits after every "%" of a block are readable. A "%" is an escape exactly when the two bytes
// after it are hexadecimal digits (a digit is never "%", so escapes cannot overlap): the escape's
// byte goes in place of the "%" and its digits are dropped. Advances `in` and `out`; out needs
// sixteen bytes of room beyond the decoded text. Notes in `raw` what the input bytes hold, and in
// `summary` what the output bytes hold.
__attribute__((target("ssse3"))) void PercentDecodeBlocks(const char*& in, const char* end, char*& out,
                                                          RawTextFacts& raw, PayloadBytesSummary& summary)
{
    const __m128i percent = _mm_set1_epi8('%');
    const __m128i bracket = _mm_set1_epi8('[');
    __m128i rawBits = _mm_setzero_si128();
    __m128i rawBrackets = _mm_setzero_si128();
    OutputSummary16 output;
    unsigned droppedAhead = 0; // digits of an escape at the end of the last block, as a mask of the next
    while (end - in >= 18) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        rawBits = _mm_or_si128(rawBits, bytes);
        rawBrackets = _mm_or_si128(rawBrackets, _mm_cmpeq_epi8(bytes, bracket));
        const unsigned percents = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, percent)));
        if ((percents | droppedAhead) == 0) {
            output.add(bytes);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
            in += 16;
            out += 16;
            continue;
        }
        __m128i highValues, lowValues;
        const __m128i highIsHex = HexDigitsOf(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 1)), highValues);
        const __m128i lowIsHex = HexDigitsOf(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2)), lowValues);
        const __m128i escapes = _mm_and_si128(_mm_cmpeq_epi8(bytes, percent), _mm_and_si128(highIsHex, lowIsHex));
        const __m128i decoded = _mm_or_si128(_mm_slli_epi16(highValues, 4), lowValues); // values < 16: no carry
        const __m128i merged = _mm_or_si128(_mm_and_si128(escapes, decoded), _mm_andnot_si128(escapes, bytes));
        output.add(merged);
        const unsigned escapeBits = unsigned(_mm_movemask_epi8(escapes));
        const unsigned dropped = (escapeBits << 1) | (escapeBits << 2) | droppedAhead;
        droppedAhead = dropped >> 16;
        const unsigned kept = ~dropped & 0xFFFF;
        const unsigned keptLow = kept & 0xFF;
        const unsigned keptHigh = kept >> 8;
        const __m128i gather = _mm_set_epi64x(qint64(kGatherTable.indices[keptHigh] + 0x0808080808080808ull),
                                              qint64(kGatherTable.indices[keptLow]));
        const __m128i packed = _mm_shuffle_epi8(merged, gather);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
        out += kGatherTable.counts[keptLow];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_srli_si128(packed, 8));
        out += kGatherTable.counts[keptHigh];
        in += 16;
    }
    in += std::popcount(droppedAhead); // the digits of an escape that straddled the last block
    output.addTo(summary);
    raw.nonAscii = raw.nonAscii || _mm_movemask_epi8(rawBits) != 0;
    raw.bracket = raw.bracket || _mm_movemask_epi8(rawBrackets) != 0;
}

bool HasSsse3()
{
    static const bool supported = __builtin_cpu_supports("ssse3") != 0;
    return supported;
}

// HexDigitsOf for 32 bytes.
__attribute__((target("avx2"))) inline __m256i HexDigitsOf32(__m256i bytes, __m256i& values)
{
    const __m256i digit = _mm256_sub_epi8(bytes, _mm256_set1_epi8('0'));
    const __m256i isDigit = _mm256_cmpeq_epi8(_mm256_min_epu8(digit, _mm256_set1_epi8(9)), digit);
    const __m256i letter = _mm256_sub_epi8(_mm256_or_si256(bytes, _mm256_set1_epi8(0x20)), _mm256_set1_epi8('a'));
    const __m256i isLetter = _mm256_cmpeq_epi8(_mm256_min_epu8(letter, _mm256_set1_epi8(5)), letter);
    values = _mm256_or_si256(_mm256_and_si256(isDigit, digit),
                             _mm256_and_si256(isLetter, _mm256_add_epi8(letter, _mm256_set1_epi8(10))));
    return _mm256_or_si256(isDigit, isLetter);
}

// PercentDecodeBlocks with 32 bytes at a time while at least 34 are left; the same contract. The
// gather works on four 8-byte groups, two in each 128-bit lane (the shuffle stays in its lane).
__attribute__((target("avx2"))) void PercentDecodeBlocks32(const char*& in, const char* end, char*& out,
                                                           RawTextFacts& raw, PayloadBytesSummary& summary)
{
    const __m256i percent = _mm256_set1_epi8('%');
    const __m256i bracket = _mm256_set1_epi8('[');
    __m256i rawBits = _mm256_setzero_si256();
    __m256i rawBrackets = _mm256_setzero_si256();
    OutputSummary32 output;
    std::uint64_t droppedAhead = 0;
    while (end - in >= 34) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
        rawBits = _mm256_or_si256(rawBits, bytes);
        rawBrackets = _mm256_or_si256(rawBrackets, _mm256_cmpeq_epi8(bytes, bracket));
        const std::uint32_t percents = std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, percent)));
        if ((percents | droppedAhead) == 0) {
            output.add(bytes);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), bytes);
            in += 32;
            out += 32;
            continue;
        }
        __m256i highValues, lowValues;
        const __m256i highIsHex =
            HexDigitsOf32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 1)), highValues);
        const __m256i lowIsHex = HexDigitsOf32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 2)), lowValues);
        const __m256i escapes =
            _mm256_and_si256(_mm256_cmpeq_epi8(bytes, percent), _mm256_and_si256(highIsHex, lowIsHex));
        const __m256i decoded = _mm256_or_si256(_mm256_slli_epi16(highValues, 4), lowValues);
        const __m256i merged = _mm256_blendv_epi8(bytes, decoded, escapes);
        output.add(merged);
        const std::uint64_t escapeBits = std::uint32_t(_mm256_movemask_epi8(escapes));
        const std::uint64_t dropped = (escapeBits << 1) | (escapeBits << 2) | droppedAhead;
        droppedAhead = dropped >> 32;
        const std::uint32_t kept = ~std::uint32_t(dropped);
        const unsigned group0 = kept & 0xFF, group1 = (kept >> 8) & 0xFF, group2 = (kept >> 16) & 0xFF,
                       group3 = kept >> 24;
        constexpr std::uint64_t kSecondGroup = 0x0808080808080808ull;
        const __m256i gather = _mm256_set_epi64x(
            qint64(kGatherTable.indices[group3] + kSecondGroup), qint64(kGatherTable.indices[group2]),
            qint64(kGatherTable.indices[group1] + kSecondGroup), qint64(kGatherTable.indices[group0]));
        const __m256i packed = _mm256_shuffle_epi8(merged, gather);
        const __m128i low = _mm256_castsi256_si128(packed);
        const __m128i high = _mm256_extracti128_si256(packed, 1);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), low);
        out += kGatherTable.counts[group0];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_srli_si128(low, 8));
        out += kGatherTable.counts[group1];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), high);
        out += kGatherTable.counts[group2];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_srli_si128(high, 8));
        out += kGatherTable.counts[group3];
        in += 32;
    }
    in += std::popcount(droppedAhead); // the digits of an escape that straddled the last block
    output.addTo(summary);
    raw.nonAscii = raw.nonAscii || _mm256_movemask_epi8(rawBits) != 0;
    raw.bracket = raw.bracket || _mm256_movemask_epi8(rawBrackets) != 0;
}

bool HasAvx2()
{
    static const bool supported = __builtin_cpu_supports("avx2") != 0;
    return supported;
}

// Per byte of 64: a mask of the hexadecimal digits, and their values (0 elsewhere).
__attribute__((target("avx512bw,avx512vbmi2"))) inline __mmask64 HexDigitsOf64(__m512i bytes, __m512i& values)
{
    const __m512i digit = _mm512_sub_epi8(bytes, _mm512_set1_epi8('0'));
    const __mmask64 isDigit = _mm512_cmple_epu8_mask(digit, _mm512_set1_epi8(9));
    const __m512i letter = _mm512_sub_epi8(_mm512_or_si512(bytes, _mm512_set1_epi8(0x20)), _mm512_set1_epi8('a'));
    const __mmask64 isLetter = _mm512_cmple_epu8_mask(letter, _mm512_set1_epi8(5));
    values = _mm512_maskz_mov_epi8(
        isDigit | isLetter, _mm512_mask_blend_epi8(isLetter, digit, _mm512_add_epi8(letter, _mm512_set1_epi8(10))));
    return isDigit | isLetter;
}

// PercentDecodeBlocks with 64 bytes at a time while at least 66 are left; the same contract. The
// kept bytes are packed with one compress instruction.
__attribute__((target("avx512bw,avx512vbmi2"))) void
PercentDecodeBlocks64(const char*& in, const char* end, char*& out, RawTextFacts& raw, PayloadBytesSummary& summary)
{
    const __m512i percent = _mm512_set1_epi8('%');
    __mmask64 rawHigh = 0;
    __mmask64 rawBrackets = 0;
    OutputSummary64 output;
    std::uint64_t droppedAhead = 0;
    while (end - in >= 66) {
        const __m512i bytes = _mm512_loadu_si512(in);
        rawHigh |= _mm512_movepi8_mask(bytes);
        rawBrackets |= _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('['));
        const std::uint64_t percents = _mm512_cmpeq_epi8_mask(bytes, percent);
        if ((percents | droppedAhead) == 0) {
            output.add(bytes);
            _mm512_storeu_si512(out, bytes);
            in += 64;
            out += 64;
            continue;
        }
        __m512i highValues, lowValues;
        const __mmask64 highIsHex = HexDigitsOf64(_mm512_loadu_si512(in + 1), highValues);
        const __mmask64 lowIsHex = HexDigitsOf64(_mm512_loadu_si512(in + 2), lowValues);
        const std::uint64_t escapes = percents & highIsHex & lowIsHex;
        const __m512i decoded = _mm512_or_si512(_mm512_slli_epi16(highValues, 4), lowValues); // values < 16
        const __m512i merged = _mm512_mask_blend_epi8(escapes, bytes, decoded);
        output.add(merged);
        const std::uint64_t dropped = (escapes << 1) | (escapes << 2) | droppedAhead;
        droppedAhead = (escapes >> 63) | (escapes >> 62); // digits that lie in the next block
        const std::uint64_t kept = ~dropped;
        _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(kept, merged));
        out += std::popcount(kept);
        in += 64;
    }
    in += std::popcount(droppedAhead); // the digits of an escape that straddled the last block
    output.addTo(summary);
    raw.nonAscii = raw.nonAscii || rawHigh != 0;
    raw.bracket = raw.bracket || rawBrackets != 0;
}

bool HasAvx512()
{
    static const bool supported = __builtin_cpu_supports("avx512bw") != 0 && __builtin_cpu_supports("avx512vbmi2") != 0;
    return supported;
}
#endif

// The widest block decoder this processor runs, unless a narrower one is asked for.
PercentDecodeLevel SupportedLevel(PercentDecodeLevel wanted)
{
#if PERCENT_DECODE_SIMD
    if (wanted == PercentDecodeLevel::Avx512 && HasAvx512())
        return PercentDecodeLevel::Avx512;
    if ((wanted == PercentDecodeLevel::Avx512 || wanted == PercentDecodeLevel::Avx2) && HasAvx2())
        return PercentDecodeLevel::Avx2;
    if (wanted != PercentDecodeLevel::Scalar && HasSsse3())
        return PercentDecodeLevel::Ssse3;
#else
    Q_UNUSED(wanted);
#endif
    return PercentDecodeLevel::Scalar;
}

} // namespace

PayloadBytesSummary SummarizePayloadBytes(QByteArrayView payload)
{
    PayloadBytesSummary summary;
    const char* const text = payload.data();
    qsizetype i = 0;
#if PERCENT_DECODE_SIMD && defined(__SSE2__)
    OutputSummary16 blocks;
    for (; i + 16 <= payload.size(); i += 16)
        blocks.add(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i)));
    blocks.addTo(summary);
#endif
    for (; i < payload.size(); ++i) {
        summary.anyBlank = summary.anyBlank || uchar(text[i]) <= 32;
        summary.anyQuote = summary.anyQuote || text[i] == '"';
        summary.sectionDelimiters += text[i] == ServerContract::SectionDelimiter ? 1 : 0;
    }
    return summary;
}

// Step 2 of PercentDecode: the decoded bytes as UTF-8 of their Windows-1250 projection, or empty
// when they are not UTF-8.
QByteArray ProjectedToWindows1250(QByteArray bytes)
{
    if (!ProjectUtf8ToWindows1250(bytes))
        return {};
    return bytes;
}

// Step 1 of PercentDecode (never longer than the text), into the given memory when it is large
// enough, else into a fresh buffer.
PercentDecoded PercentDecodeToBytes(QByteArrayView text, PercentDecodeLevel wanted, QByteArray memory)
{
    constexpr qsizetype kStoreSlack = 16; // the block decoders store eight bytes at a time
    const qsizetype size = text.size() + kStoreSlack;
    QByteArray bytes = std::move(memory);
    if (bytes.isDetached() && bytes.capacity() >= size) {
        bytes.resize(size);
    } else {
        bytes = QByteArray(size, Qt::Uninitialized);
        AdviseLargePages(bytes.data(), std::size_t(bytes.size()));
    }
    const char* in = text.data();
    const char* const end = in + text.size();
    char* out = bytes.data();
    RawTextFacts raw;
    PayloadBytesSummary summary;
#if PERCENT_DECODE_SIMD
    const PercentDecodeLevel level = SupportedLevel(wanted);
    if (level == PercentDecodeLevel::Avx512)
        PercentDecodeBlocks64(in, end, out, raw, summary);
    if (level == PercentDecodeLevel::Avx512 || level == PercentDecodeLevel::Avx2)
        PercentDecodeBlocks32(in, end, out, raw, summary);
    if (level != PercentDecodeLevel::Scalar)
        PercentDecodeBlocks(in, end, out, raw, summary);
#else
    Q_UNUSED(wanted);
#endif
    char* const tail = out;
    out = PercentDecodeBytewise(in, end, out, raw);
    summary.add(SummarizePayloadBytes(QByteArrayView(tail, out - tail)));
    bytes.truncate(out - bytes.constData());
    return {std::move(bytes), raw.nonAscii, raw.bracket, summary};
}

namespace {

// How the answer carries each byte: ASCII letters, digits and "_" as they are, every other
// byte as %XX (upper-case hex).
struct EncodedByte {
    std::array<char, 4> text; // padded, so that one fixed-size copy writes it
    int length;
};

constexpr std::array<EncodedByte, 256> MakePercentEncoding()
{
    constexpr char hexDigits[] = "0123456789ABCDEF";
    std::array<EncodedByte, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (unreserved)
            table[std::size_t(c)] = {{char(c), 0, 0, 0}, 1};
        else
            table[std::size_t(c)] = {{'%', hexDigits[c >> 4], hexDigits[c & 0x0F], 0}, 3};
    }
    return table;
}

constexpr std::array<EncodedByte, 256> kPercentEncoding = MakePercentEncoding();

} // namespace

void AppendPercentEncoded(QByteArray& out, QByteArrayView bytes)
{
    const qsizetype start = out.size();
    out.resize(start + 3 * bytes.size() + 1); // the longest result and the padding; cut below
    char* p = out.data() + start;
    for (char c : bytes) {
        const EncodedByte& encoded = kPercentEncoding[uchar(c)];
        std::memcpy(p, encoded.text.data(), encoded.text.size());
        p += encoded.length;
    }
    out.resize(p - out.constData());
}

QByteArray PercentEncode(const QString& text)
{
    QByteArray encoded;
    AppendPercentEncoded(encoded, text.toUtf8());
    return encoded;
}

QByteArray PercentDecode(QByteArrayView text)
{
    return ProjectedToWindows1250(PercentDecodeToBytes(text).bytes);
}

QByteArray PercentDecodeAt(QByteArrayView text, PercentDecodeLevel level)
{
    return ProjectedToWindows1250(PercentDecodeToBytes(text, level).bytes);
}
