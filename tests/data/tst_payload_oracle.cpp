// The slow reference decoder for the differential tests and the fuzzer, and the random inputs it is checked on.
#include "tst_payload_oracle.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

#include <array>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace PayloadOracle {

namespace {

// The characters of the Windows-1250 code page from 0x80 on (the five unassigned bytes stand for
// themselves, as Windows reads them).
constexpr std::array<char16_t, 128> kCodePageUpperHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

bool InCodePage(char32_t c)
{
    if (c < 0x80)
        return true;
    for (char16_t u : kCodePageUpperHalf) {
        if (u == c)
            return true;
    }
    return false;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Strict UTF-8 into code points; nullopt when malformed.
std::optional<std::vector<char32_t>> Utf8CodePoints(const QByteArray& bytes)
{
    std::vector<char32_t> result;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const unsigned char b = uchar(bytes[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC0 && b < 0xE0) {
            extra = 1, c = b & 0x1F;
        } else if (b >= 0xE0 && b < 0xF0) {
            extra = 2, c = b & 0x0F;
        } else if (b >= 0xF0 && b < 0xF8) {
            extra = 3, c = b & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + extra >= bytes.size())
            return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = uchar(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        result.push_back(c);
        i += 1 + extra;
    }
    return result;
}

QByteArray Utf8Of(char32_t c)
{
    return QString::fromUcs4(&c, 1).toUtf8();
}

// ---- the splitting rule, character by character ----

bool IsBlank(char c)
{
    return uchar(c) >= 1 && uchar(c) <= 32;
}

QList<QByteArray> Split(const QByteArray& text, char delimiter)
{
    QList<QByteArray> items;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    while (i < n) {
        QByteArray item;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < n && uchar(text[i]) > 32 && text[i] != delimiter)
                item += text[i++];
        }
        items.append(item);
        while (i < n && IsBlank(text[i]))
            ++i;
        if (i < n && text[i] == delimiter) {
            if (i == n - 1)
                items.append(QByteArray());
            ++i;
            while (i < n && IsBlank(text[i]))
                ++i;
        }
    }
    return items;
}

// ---- storing a text in a column: what converts, and its canonical form ----

std::optional<QString> IntegerValue(const QByteArray& text, const QLocale& locale)
{
    static const QRegularExpression ascii(u"^[+-]?[0-9]+$"_s);
    const QString wide = QString::fromUtf8(text);
    if (ascii.match(wide).hasMatch()) {
        bool ok = false;
        const qlonglong value = wide.toLongLong(&ok);
        if (ok && value >= INT_MIN && value <= INT_MAX)
            return QString::number(value);
    }
    QLocale strict = locale;
    strict.setNumberOptions(strict.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const int value = strict.toInt(wide, &ok);
    return ok ? std::optional<QString>(QString::number(value)) : std::nullopt;
}

std::optional<QString> DecimalValue(const QByteArray& text, const QLocale& locale)
{
    const QString separator = QRegularExpression::escape(locale.decimalPoint());
    const QRegularExpression form(u"^([+-]?)([0-9]*)(?:(?:\\.|"_s + separator + u")([0-9]*))?$"_s);
    const QRegularExpressionMatch m = form.match(QString::fromUtf8(text));
    if (!m.hasMatch())
        return std::nullopt;
    QString integer = m.captured(2);
    const QString fraction = m.captured(3);
    if (integer.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    while (integer.startsWith(u'0'))
        integer.remove(0, 1);
    if (integer.size() + fraction.size() > 38)
        return std::nullopt;
    const bool zero = integer.isEmpty() && !fraction.contains(QRegularExpression(u"[1-9]"_s));
    QString result = (m.captured(1) == u"-" && !zero) ? u"-"_s : QString();
    result += integer.isEmpty() ? u"0"_s : integer;
    if (!fraction.isEmpty())
        result += u'.' + fraction;
    return result;
}

std::optional<QDateTime> DateTimeValue(const QByteArray& text, const QLocale& locale)
{
    static const QString time = u"(?:(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{3}))?)?)"_s;
    static const QRegularExpression iso(u"^(\\d{4})-(\\d{2})-(\\d{2})(?:[ T]"_s + time + u")?$"_s);
    static const QRegularExpression dotted(u"^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})(?: "_s + time + u")?$"_s);
    const QString wide = QString::fromUtf8(text);
    QRegularExpressionMatch m = iso.match(wide);
    int year = 0, month = 0, day = 0;
    if (m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    } else if ((m = dotted.match(wide)).hasMatch()) {
        day = m.captured(1).toInt(), month = m.captured(2).toInt(), year = m.captured(3).toInt();
    }
    if (m.hasMatch()) {
        const QDate date(year, month, day);
        if (year < 1 || !date.isValid())
            return std::nullopt;
        if (m.captured(4).isEmpty())
            return QDateTime(date, QTime(0, 0));
        const QTime t(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), m.captured(7).toInt());
        if (!t.isValid())
            return std::nullopt;
        return QDateTime(date, t);
    }
    const QDateTime regional = locale.toDateTime(wide, QLocale::ShortFormat);
    if (regional.isValid())
        return regional.date().toJulianDay() >= 0 ? std::optional<QDateTime>(regional) : std::nullopt;
    const QDate date = locale.toDate(wide, QLocale::ShortFormat);
    if (date.isValid() && date.year() >= 1)
        return QDateTime(date, QTime(0, 0));
    return std::nullopt;
}

std::optional<QString> StoredValue(ColumnType type, const QByteArray& text, const QLocale& locale)
{
    switch (type) {
    case ColumnType::Integer:
        return IntegerValue(text, locale);
    case ColumnType::Decimal:
        return DecimalValue(text, locale);
    case ColumnType::Date:
    case ColumnType::DateTime: {
        const std::optional<QDateTime> moment = DateTimeValue(text, locale);
        if (!moment)
            return std::nullopt;
        if (type == ColumnType::Date)
            return moment->date().toString(Qt::ISODate);
        return moment->toString(u"yyyy-MM-ddTHH:mm:ss"_s);
    }
    case ColumnType::Binary:
        if (text.size() > 128)
            return std::nullopt;
        return QString::fromLatin1(text.toHex());
    case ColumnType::Text:
        if (QString::fromUtf8(text).size() > 4000 && text.size() > 4000) {
            qsizetype characters = 0;
            for (char c : text)
                characters += (uchar(c) & 0xC0) != 0x80 ? 1 : 0;
            if (characters > 4000)
                return std::nullopt;
        }
        return QString::fromUtf8(text);
    }
    return std::nullopt;
}

QByteArray DecodeLaterField(QByteArray text)
{
    text.replace("[*beginCodeStart*]", "{");
    text.replace("[*beginCodeEndDelimiter*]", "~");
    text.replace("&lt;", "<");
    text.replace("&gt;", ">");
    text.replace("&apos;", "'");
    text.replace("&quot;", "\"");
    text.replace("&amp;", "&");
    text.replace("[*edp*]", "+");
    text.replace("[*dot*]", ".");
    text.replace("[*com*]", ",");
    text.replace("[sp**ace]", " ");
    return text;
}

struct OracleColumn {
    QString name;
    ColumnType type;
};

} // namespace

QByteArray PercentDecode(QByteArrayView text)
{
    QByteArray bytes;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == '%') {
            const QByteArrayView next = text.sliced(i + 1).first(std::min<qsizetype>(2, text.size() - i - 1));
            bool allHex = !next.isEmpty();
            int value = 0;
            for (char c : next) {
                allHex = allHex && HexDigit(c) >= 0;
                value = value * 16 + std::max(0, HexDigit(c));
            }
            if (allHex) {
                bytes += char(value);
                i += 1 + next.size();
                continue;
            }
        }
        bytes += text[i++];
    }
    const std::optional<std::vector<char32_t>> codePoints = Utf8CodePoints(bytes);
    if (!codePoints)
        return {};
    QByteArray result;
    for (char32_t c : *codePoints)
        result += InCodePage(c) ? Utf8Of(c) : QByteArray("?");
    return result;
}

QString DecodePayload(QByteArrayView input)
{
    const QLocale locale;
    QByteArray payload = input.toByteArray();
    if (payload.isEmpty())
        return u"none"_s;
    if (payload.contains('\0'))
        payload.truncate(payload.indexOf('\0')); // the decoder reads the text up to a NUL
    payload.replace("\r", "");
    payload.replace("\n", "");
    payload.replace("[*edp*]", "+");
    payload.replace("[*dot*]", ".");
    const QList<QByteArray> sections = Split(payload, '~');
    if (sections.isEmpty())
        return u"none"_s;
    std::vector<OracleColumn> columns;
    std::vector<int> positions;
    for (const QByteArray& definition : Split(sections[0], '{')) {
        const QList<QByteArray> parts = Split(definition, ',');
        if (parts.isEmpty()) {
            positions.push_back(-1);
            continue;
        }
        if (parts.size() < 2 || parts[0].isEmpty())
            return u"none"_s;
        bool ok = false;
        const int code = parts[1].toInt(&ok);
        if (!ok)
            return u"none"_s;
        const QString name = QString::fromUtf8(parts[0]);
        int found = -1;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].name.toCaseFolded() == name.toCaseFolded())
                found = int(c);
        }
        if (found < 0) {
            found = int(columns.size());
            columns.push_back({name, ColumnTypeFromCode(code)});
        }
        positions.push_back(found);
    }
    if (columns.empty())
        return u"none"_s;
    std::vector<std::vector<std::optional<QString>>> rows;
    for (qsizetype s = 1; s < sections.size(); ++s) {
        const QList<QByteArray> fields = Split(sections[s], '{');
        bool started = false;
        for (qsizetype p = 0; p < fields.size(); ++p) {
            if (p >= qsizetype(positions.size()))
                return u"none"_s;
            const int column = positions[std::size_t(p)];
            if (column < 0)
                continue;
            const ColumnType type = columns[std::size_t(column)].type;
            if (!started) {
                QByteArray text = fields[p];
                text.replace("[sp**ace]", " ");
                const std::optional<QString> value = StoredValue(type, text, locale);
                if (!value)
                    return u"none"_s;
                rows.emplace_back(columns.size());
                rows.back()[std::size_t(column)] = value;
                started = true;
            } else if (fields[p] != "NULL") {
                if (const std::optional<QString> value = StoredValue(type, DecodeLaterField(fields[p]), locale))
                    rows.back()[std::size_t(column)] = value;
            }
        }
    }
    QStringList parts, names;
    for (const OracleColumn& column : columns)
        names << column.name + u':' + QLatin1StringView(ColumnTypeName(column.type));
    parts << names.join(u',');
    for (const auto& row : rows) {
        QStringList values;
        for (const auto& value : row)
            values << value.value_or(u"<null>"_s);
        parts << values.join(u'|');
    }
    return parts.join(u" / "_s);
}

QByteArray PercentEncode(QByteArrayView bytes)
{
    QByteArray encoded;
    for (char c : bytes) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            encoded += c;
        else
            encoded += '%' + QByteArray::number(uchar(c), 16).rightJustified(2, '0').toUpper();
    }
    return encoded;
}

namespace {

template <std::size_t N> const char* Pick(std::mt19937& random, const char* const (&choices)[N])
{
    return choices[random() % N];
}

// One value: a few pieces, each a token, a token's fragment, a number, a date, a blank, a quote or
// a character of several bytes.
QByteArray RandomValue(std::mt19937& random)
{
    static const char* const pieces[] = {"[sp**ace]",
                                         "[*com*]",
                                         "[*dot*]",
                                         "[*edp*]",
                                         "[*beginCodeStart*]",
                                         "[*beginCodeEndDelimiter*]",
                                         "&lt;",
                                         "&gt;",
                                         "&apos;",
                                         "&quot;",
                                         "&amp;",
                                         "&amp;lt;",
                                         "[",
                                         "[*",
                                         "[sp",
                                         "[sp**",
                                         "[*beginCode",
                                         "[*beginCodeS",
                                         "[*beginCodeE",
                                         "[*e",
                                         "[*d",
                                         "[*c",
                                         "&",
                                         "&a",
                                         "&am",
                                         "&ap",
                                         "&l",
                                         "&g",
                                         "&q",
                                         "NULL",
                                         "NUL",
                                         "null",
                                         "0",
                                         "7",
                                         "42",
                                         "-13",
                                         "+5",
                                         "2147483647",
                                         "2147483648",
                                         "-2147483648",
                                         "007",
                                         "12,5",
                                         "12.5",
                                         ",5",
                                         "5,",
                                         "-0,0",
                                         "2024-03-05",
                                         "2024-03-05[sp**ace]07:30:00",
                                         "2024-02-30",
                                         "1999-12-31T23:59:59",
                                         "5.3.2024",
                                         "05.03.2024[sp**ace]7:05",
                                         "2024-03-05[sp**ace]24:00:00",
                                         "2024-03-05[sp**ace]07:30:00.250",
                                         ":",
                                         "-",
                                         "+",
                                         ".",
                                         ",",
                                         " ",
                                         "\t",
                                         "\r\n",
                                         "\"",
                                         "\"\"",
                                         "{",
                                         "~",
                                         "a",
                                         "Regal",
                                         "x",
                                         "č",
                                         "Ž",
                                         "€",
                                         "Ω",
                                         "😀",
                                         "ß",
                                         "\x01",
                                         "]",
                                         "*"};
    QByteArray value;
    const int count = int(random() % 4);
    for (int i = 0; i < count; ++i)
        value += Pick(random, pieces);
    if (random() % 12 == 0)
        value = '"' + value + '"';
    return value;
}

QByteArray RandomHeader(std::mt19937& random, int& definitions)
{
    static const char* const names[] = {"id", "ID", "ime", "opis", "datum", "Č", "\"a b\"", "a", "A", "x[*dot*]y"};
    static const char* const codes[] = {"3",   "7",   "135", "202", "14", "128", "205",
                                        "200", "201", "3",   "135", "14", "-1"};
    static const char* const badCodes[] = {"x", "", " 3", "\"3\"", "3x", "99999999999"};
    QByteArray header;
    definitions = 1 + int(random() % 5);
    for (int d = 0; d < definitions; ++d) {
        if (d > 0)
            header += random() % 20 == 0 ? "{ " : "{";
        if (random() % 15 == 0)
            continue; // an empty definition
        header += Pick(random, names);
        if (random() % 40 != 0) {
            header += ',';
            header += random() % 30 == 0 ? Pick(random, badCodes) : Pick(random, codes);
        }
    }
    return header;
}

} // namespace

QByteArray RandomPayload(std::mt19937& random)
{
    int definitions = 0;
    QByteArray payload = RandomHeader(random, definitions);
    const int rows = int(random() % 6);
    for (int r = 0; r < rows; ++r) {
        payload += random() % 20 == 0 ? " ~" : "~";
        const int fields = int(random() % (definitions + 2));
        for (int f = 0; f < fields; ++f) {
            if (f > 0)
                payload += "{";
            // A first field that every column type but the dates stores, so that most rows exist.
            payload += f == 0 && random() % 2 == 0 ? QByteArray::number(int(random() % 1000)) : RandomValue(random);
        }
    }
    if (random() % 10 == 0)
        payload += '~';
    return payload;
}

QByteArray RandomPercentText(std::mt19937& random)
{
    static const char* const pieces[] = {"%",      "%4",     "%zz",       "%2",           "%2A",       "%2a",    "%7E",
                                         "%C4%8D", "%c4%8d", "%E2%82%AC", "%F0%9F%98%80", "%CE%A9",    "%C3%9F", "%FF",
                                         "%C4",    "%80",    "%ED%A0%80", "%C0%AF",       "%E2%82",    "%25",    "%%41",
                                         "%G1",    "%1G",    "abc",       "0123456789",   "[success]", "č",      "{",
                                         "~",      "%7B",    "%5B",       "%20",          "%22",       "\"",     " ",
                                         "%0A",    "%7e"};
    QByteArray text;
    const int count = int(random() % 24);
    for (int i = 0; i < count; ++i) {
        if (random() % 4 == 0)
            text += QByteArray(int(random() % 40), char('a' + random() % 26)); // long plain runs cross blocks
        else
            text += Pick(random, pieces);
    }
    return text;
}

} // namespace PayloadOracle
