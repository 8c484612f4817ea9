// Windows-1250 projection and decoding, statement-safe user text, and the number and date formats the windows show.
#include "text_helpers.h"

#include "errors.h"
#include "server_contract.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// The characters of the Windows-1250 bytes 0x80 to 0xFF; below 0x80 the code page is ASCII.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

bool IsAscii(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// Every character that has a Windows-1250 form lies below this code point.
constexpr char32_t kWindows1250FormLimit = 0x2200;

// One bit per code point below kWindows1250FormLimit: set when the character has a Windows-1250 form.
using FormBitmap = std::array<std::uint64_t, kWindows1250FormLimit / 64>;

constexpr FormBitmap MakeFormBitmap()
{
    FormBitmap bits{};
    const auto set = [&bits](char32_t codePoint) { bits[codePoint / 64] |= std::uint64_t(1) << (codePoint % 64); };
    for (char32_t codePoint = 0; codePoint < 0x80; ++codePoint)
        set(codePoint);
    for (char16_t codePoint : kUpperHalf)
        set(codePoint);
    return bits;
}

constexpr FormBitmap kFormBitmap = MakeFormBitmap();

// The number of leading bytes below 0x80, sixteen at a time where SSE2 is there, else eight.
qsizetype AsciiRunLength(const unsigned char* data, qsizetype size)
{
    qsizetype at = 0;
#ifdef __SSE2__
    for (; at + 16 <= size; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        if (const unsigned high = unsigned(_mm_movemask_epi8(bytes)))
            return at + std::countr_zero(high);
    }
#endif
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    for (; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + at, sizeof word);
        if (const std::uint64_t high = word & kHighBits) {
            if constexpr (std::endian::native == std::endian::little)
                return at + std::countr_zero(high) / 8;
            break; // big-endian: the byte loop below finds it
        }
    }
    while (at < size && data[at] < 0x80)
        ++at;
    return at;
}

// The UTF-8 sequence that starts with the byte data[0] >= 0x80 (`available` bytes readable): its
// length and code point, or 0 when it is overlong, a surrogate, past U+10FFFF, cut off or malformed.
int ReadUtf8Sequence(const unsigned char* data, qsizetype available, char32_t& codePoint)
{
    const unsigned char lead = data[0];
    int length = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = data[k];
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

bool HasWindows1250Form(char32_t codePoint)
{
    return codePoint < kWindows1250FormLimit && (kFormBitmap[codePoint / 64] >> (codePoint % 64) & 1) != 0;
}

QString ToWindows1250(const QString& text)
{
    if (IsAscii(text))
        return text;
    QString result;
    result.reserve(text.size());
    for (char32_t codePoint : text.toUcs4()) {
        if (HasWindows1250Form(codePoint))
            result.append(QChar(char16_t(codePoint)));
        else
            result.append(u'?');
    }
    return result;
}

QString FromWindows1250(QByteArrayView bytes)
{
    QString result;
    result.reserve(bytes.size());
    for (char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        result.append(value < 0x80 ? QChar(char16_t(value)) : QChar(kUpperHalf[value - 0x80]));
    }
    return result;
}

bool IsValidUtf8(QByteArrayView bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    while (true) {
        at += AsciiRunLength(data + at, size - at);
        if (at == size)
            return true;
        char32_t codePoint = 0;
        const int length = ReadUtf8Sequence(data + at, size - at, codePoint);
        if (length == 0)
            return false;
        at += length;
    }
}

bool ProjectUtf8ToWindows1250(QByteArray& utf8)
{
    if (utf8.isEmpty())
        return true;
    auto* data = reinterpret_cast<unsigned char*>(utf8.data());
    const qsizetype size = utf8.size();
    qsizetype in = 0;
    qsizetype out = 0; // never past `in`: a replaced character shrinks to one byte
    while (true) {
        const qsizetype ascii = AsciiRunLength(data + in, size - in);
        if (out != in)
            std::memmove(data + out, data + in, std::size_t(ascii));
        in += ascii;
        out += ascii;
        if (in == size)
            break;
        char32_t codePoint = 0;
        const int length = ReadUtf8Sequence(data + in, size - in, codePoint);
        if (length == 0)
            return false;
        if (HasWindows1250Form(codePoint)) {
            if (out != in) { // until the first "?" every character stays where it is
                for (int k = 0; k < length; ++k)
                    data[out + k] = data[in + k];
            }
            out += length;
        } else {
            data[out++] = '?';
        }
        in += length;
    }
    utf8.truncate(out);
    return true;
}

QString StripStatementBreakers(const QString& text)
{
    QString result = text;
    result.remove(u'\'');
    result.remove(u'"');
    result.remove(u'\\');
    return result;
}

QString WithLineBreaksAs(const QString& comment, const QString& lineBreak)
{
    QString text = comment;
    return text.replace(QString::fromUtf8(ServerContract::NewLineMarker), lineBreak, Qt::CaseInsensitive);
}

QString FormatFixed2(double value)
{
    QString text = QString::number(value, 'f', 2);
    if (text == u"-0.00")
        text = u"0.00"_s; // a tiny negative amount rounds to zero, shown without a sign
    return text.replace(u'.', QLocale().decimalPoint());
}

// Written digit by digit: the list formats one date per row at every refresh, and reading a
// format string each time costs more than the rest of the row. Years outside 1000..9999 (and an
// invalid date) go through Qt, whose forms for them stay as they are.
namespace {
const QString DisplayDateFormat = u"dd.MM.yyyy"_s;
} // namespace

QDate ParseDisplayDate(const QString& text)
{
    return QDate::fromString(text, DisplayDateFormat);
}

QString FormatDisplayDate(const QDateTime& value)
{
    const QDate date = value.date();
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 1000 || year > 9999)
        return date.toString(DisplayDateFormat);
    QString text(10, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto twoDigits = [&out](int number) {
        *out++ = char16_t(u'0' + number / 10);
        *out++ = char16_t(u'0' + number % 10);
    };
    twoDigits(day);
    *out++ = u'.';
    twoDigits(month);
    *out++ = u'.';
    twoDigits(year / 100);
    twoDigits(year % 100);
    return text;
}

QString FormatListDate(const QDate& date, const QString& format)
{
    QString text = format;
    text.replace(u"yyyy"_s, QString::number(date.year()).rightJustified(4, u'0'));
    text.replace(u"mm"_s, QString::number(date.month()).rightJustified(2, u'0'));
    text.replace(u"dd"_s, QString::number(date.day()).rightJustified(2, u'0'));
    return text;
}

double ParseDecimal(const QString& text)
{
    if (text.isEmpty())
        return 0;
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    QString candidate = text;
    bool ok = false;
    double value = locale.toDouble(candidate.replace(u'.', u','), &ok);
    if (!ok || !std::isfinite(value))
        value = locale.toDouble(candidate.replace(u',', u'.'), &ok);
    if (!ok || !std::isfinite(value))
        throw DataError(u"'%1' is not a valid floating point value"_s.arg(text));
    return value;
}
