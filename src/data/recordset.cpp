// The Recordset and its Field: cursor and column look-up, value stores from payload text, and reads in every form.
#include "recordset.h"

#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr std::size_t kMaxBinaryBytes = 128;
constexpr int kMaxDecimalDigits = 38;

// A date as Julian day and an optional time of day in milliseconds.
struct DateTimeValue {
    qint64 julianDay = 0;
    int milliseconds = 0;
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads exactly `count` digits at text[at]; false when one is not a digit.
bool ReadDigits(QByteArrayView text, qsizetype at, int count, int& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (!IsDigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Reads one or two digits at text[at], advancing `at`.
bool ReadShortNumber(QByteArrayView text, qsizetype& at, int& value)
{
    if (at >= text.size() || !IsDigit(text[at]))
        return false;
    value = text[at++] - '0';
    if (at < text.size() && IsDigit(text[at]))
        value = value * 10 + (text[at++] - '0');
    return true;
}

// "HH:MM[:SS[.fff]]" from text[at] to the end.
bool ReadTimeOfDay(QByteArrayView text, qsizetype at, int& milliseconds)
{
    int hour = 0, minute = 0, second = 0, fraction = 0;
    if (!ReadShortNumber(text, at, hour) || at >= text.size() || text[at++] != ':' || !ReadDigits(text, at, 2, minute))
        return false;
    at += 2;
    if (at < text.size()) {
        if (text[at++] != ':' || !ReadDigits(text, at, 2, second))
            return false;
        at += 2;
        if (at < text.size()) {
            if (text[at++] != '.' || !ReadDigits(text, at, 3, fraction) || at + 3 != text.size())
                return false;
        }
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    milliseconds = ((hour * 60 + minute) * 60 + second) * 1000 + fraction;
    return true;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The Julian day of a date of the Gregorian calendar from year 1 on (as QDate counts it).
std::optional<qint64> JulianDayOf(int year, int month, int day)
{
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    const int march = month <= 2 ? 1 : 0; // the year counted from March, so the leap day comes last
    const qint64 y = qint64(year) + 4800 - march;
    const qint64 m = month + 12 * march - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

// The server's forms "YYYY-MM-DD" and "YYYY-MM-DD HH:MM:SS" (or with "T"), and the regional
// numeric form "dd.mm.yyyy[ HH:MM[:SS]]".
std::optional<DateTimeValue> ParseNumericDateTime(QByteArrayView text)
{
    int year = 0, month = 0, day = 0;
    qsizetype timeAt = -1;
    if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
        if (!ReadDigits(text, 0, 4, year) || !ReadDigits(text, 5, 2, month) || !ReadDigits(text, 8, 2, day))
            return std::nullopt;
        if (text.size() > 10) {
            if (text[10] != ' ' && text[10] != 'T')
                return std::nullopt;
            timeAt = 11;
        }
    } else {
        qsizetype at = 0;
        if (!ReadShortNumber(text, at, day) || at >= text.size() || text[at++] != '.' ||
            !ReadShortNumber(text, at, month) || at >= text.size() || text[at++] != '.' ||
            !ReadDigits(text, at, 4, year))
            return std::nullopt;
        at += 4;
        if (at < text.size()) {
            if (text[at] != ' ')
                return std::nullopt;
            timeAt = at + 1;
        }
    }
    const std::optional<qint64> julianDay = JulianDayOf(year, month, day);
    DateTimeValue value;
    if (!julianDay || (timeAt >= 0 && !ReadTimeOfDay(text, timeAt, value.milliseconds)))
        return std::nullopt;
    value.julianDay = *julianDay;
    return value;
}

// The locale's short date and date-time forms.
std::optional<DateTimeValue> ParseRegionalDateTime(QByteArrayView text, const QLocale& locale)
{
    const QString wide = QString::fromUtf8(text);
    const QDateTime dateTime = locale.toDateTime(wide, QLocale::ShortFormat);
    if (dateTime.isValid())
        return DateTimeValue{dateTime.date().toJulianDay(), dateTime.time().msecsSinceStartOfDay()};
    const QDate date = locale.toDate(wide, QLocale::ShortFormat);
    if (date.isValid() && date.year() >= 1)
        return DateTimeValue{date.toJulianDay(), 0};
    return std::nullopt;
}

std::optional<DateTimeValue> ParseDateTime(QByteArrayView text, const QLocale& locale)
{
    if (auto value = ParseNumericDateTime(text))
        return value;
    return ParseRegionalDateTime(text, locale);
}

// Plain ASCII "[+-]digits" in 32 bits.
std::optional<qint32> ParseAsciiInteger(QByteArrayView text)
{
    qsizetype at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    if (at == text.size() || text.size() - at > 11)
        return std::nullopt;
    qint64 value = 0;
    for (; at < text.size(); ++at) {
        if (!IsDigit(text[at]))
            return std::nullopt;
        value = value * 10 + (text[at] - '0');
    }
    value = negative ? -value : value;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

// Two ASCII digits at text[0] and text[1], or -1.
inline int TwoDigits(const char* text)
{
    const unsigned high = unsigned(uchar(text[0])) - '0', low = unsigned(uchar(text[1])) - '0';
    return high <= 9 && low <= 9 ? int(high * 10 + low) : -1;
}

// The server's own forms, exactly "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS"; anything else (or an
// invalid date or time) goes to the general parser.
inline std::optional<DateTimeValue> ParseServerDateTime(const char* text, std::uint32_t length)
{
    if ((length != 10 && length != 19) || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const int century = TwoDigits(text), yearInCentury = TwoDigits(text + 2), month = TwoDigits(text + 5),
              day = TwoDigits(text + 8);
    if (century < 0 || yearInCentury < 0 || month < 0 || day < 0)
        return std::nullopt;
    const std::optional<qint64> julianDay = JulianDayOf(century * 100 + yearInCentury, month, day);
    if (!julianDay)
        return std::nullopt;
    DateTimeValue value{*julianDay, 0};
    if (length == 19) {
        if (text[10] != ' ' || text[13] != ':' || text[16] != ':')
            return std::nullopt;
        const int hour = TwoDigits(text + 11), minute = TwoDigits(text + 14), second = TwoDigits(text + 17);
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
            return std::nullopt;
        value.milliseconds = ((hour * 60 + minute) * 60 + second) * 1000;
    }
    return value;
}

QLocale WithoutGroupSeparators(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    return locale;
}

std::optional<qint32> ParseInteger(QByteArrayView text, const QLocale& locale)
{
    if (auto value = ParseAsciiInteger(text))
        return value;
    bool ok = false;
    const int value = WithoutGroupSeparators(locale).toInt(QString::fromUtf8(text), &ok);
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

std::optional<double> ParseReal(QByteArrayView text, const QLocale& locale)
{
    bool ok = false;
    const double value = WithoutGroupSeparators(locale).toDouble(QString::fromUtf8(text), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// An exact decimal "[+-]digits[sep digits]" with "." or the locale's separator, rewritten in
// place as its canonical text: "-" for a negative non-zero value, the integer digits without
// leading zeros (possibly none), then "." and the fraction digits as given. The canonical text
// is never longer than the input. Returns its length, or -1 when the text is not a decimal.
qsizetype CanonicalizeDecimal(char* text, qsizetype length, QByteArrayView decimalPoint)
{
    qsizetype at = 0;
    bool negative = false;
    if (at < length && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    const qsizetype integerStart = at;
    while (at < length && IsDigit(text[at]))
        ++at;
    const qsizetype integerEnd = at;
    qsizetype fractionStart = at, fractionEnd = at;
    if (at < length) {
        QByteArrayView rest(text + at, length - at);
        qsizetype separatorLength = 0;
        if (text[at] == '.')
            separatorLength = 1;
        else if (!decimalPoint.isEmpty() && rest.startsWith(decimalPoint))
            separatorLength = decimalPoint.size();
        if (separatorLength == 0)
            return -1;
        fractionStart = at + separatorLength;
        fractionEnd = fractionStart;
        while (fractionEnd < length && IsDigit(text[fractionEnd]))
            ++fractionEnd;
        if (fractionEnd != length)
            return -1;
    }
    qsizetype firstSignificant = integerStart;
    while (firstSignificant < integerEnd && text[firstSignificant] == '0')
        ++firstSignificant;
    const qsizetype integerDigits = integerEnd - firstSignificant;
    const qsizetype fractionDigits = fractionEnd - fractionStart;
    if (integerEnd == integerStart && fractionDigits == 0)
        return -1;
    if (integerDigits + fractionDigits > kMaxDecimalDigits)
        return -1;
    const bool zero =
        integerDigits == 0 && std::all_of(text + fractionStart, text + fractionEnd, [](char c) { return c == '0'; });
    qsizetype out = 0;
    if (negative && !zero)
        text[out++] = '-';
    std::memmove(text + out, text + firstSignificant, std::size_t(integerDigits));
    out += integerDigits;
    if (fractionDigits > 0) {
        text[out++] = '.';
        std::memmove(text + out, text + fractionStart, std::size_t(fractionDigits));
        out += fractionDigits;
    }
    return out;
}

// Characters of UTF-8 text: every byte that does not continue a sequence.
std::size_t Utf8CharacterCount(QByteArrayView text)
{
    return std::size_t(std::count_if(text.begin(), text.end(), [](char c) { return (uchar(c) & 0xC0) != 0x80; }));
}

QDateTime ToDateTime(qint64 julianDay, int milliseconds)
{
    return QDateTime(QDate::fromJulianDay(julianDay), QTime::fromMSecsSinceStartOfDay(milliseconds));
}

// "12.50" with "." becomes the regional form without trailing fraction zeros: "12,5".
QString RegionalDecimal(QByteArrayView canonical, const QLocale& locale)
{
    QByteArrayView digits = canonical;
    if (digits.contains('.')) {
        while (digits.endsWith('0'))
            digits.chop(1);
        if (digits.endsWith('.'))
            digits.chop(1);
    }
    QString text;
    if (digits.startsWith('-')) {
        text += locale.negativeSign();
        digits = digits.sliced(1);
    }
    if (digits.isEmpty() || digits.startsWith('.'))
        text += u'0';
    for (char c : digits)
        text += c == '.' ? locale.decimalPoint() : QString(QLatin1Char(c));
    return text;
}

// The same canonical text with a leading "0" where the integer part is empty.
QString CanonicalDecimal(QByteArrayView canonical)
{
    QString text = QString::fromLatin1(canonical);
    const qsizetype digitsAt = text.startsWith(u'-') ? 1 : 0;
    if (digitsAt == text.size() || text.at(digitsAt) == u'.')
        text.insert(digitsAt, u'0');
    return text;
}

QString RegionalTimeOfDay(const QTime& time, const QLocale& locale)
{
    // The long time format without its time-zone part.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(u" t"_s).remove(u't');
    return locale.toString(time, format.trimmed());
}

} // namespace

ColumnType ColumnTypeFromCode(int code)
{
    switch (code) {
    case 3:
        return ColumnType::Integer;
    case 7:
    case 135:
        return ColumnType::DateTime;
    case 202:
        return ColumnType::Date;
    case 14:
        return ColumnType::Decimal;
    case 128:
    case 205:
        return ColumnType::Binary;
    default:
        return ColumnType::Text;
    }
}

const char* ColumnTypeName(ColumnType type)
{
    switch (type) {
    case ColumnType::Integer:
        return "integer";
    case ColumnType::DateTime:
        return "datetime";
    case ColumnType::Date:
        return "date";
    case ColumnType::Decimal:
        return "decimal";
    case ColumnType::Binary:
        return "binary";
    case ColumnType::Text:
        break;
    }
    return "text";
}

// ---- Recordset ----

Recordset::RegionalForms Recordset::RegionalForms::current()
{
    RegionalForms forms;
    forms.decimalPoint = forms.locale.decimalPoint().toUtf8();
    return forms;
}

void Recordset::throwClosed()
{
    throw DataError(u"Tabela je zaprta."_s);
}

void Recordset::throwNoRow()
{
    throw DataError(u"Ni trenutnega zapisa (konec tabele)."_s);
}

void Recordset::throwNoColumn(int column)
{
    throw DataError(u"Polje %1 ne obstaja."_s.arg(column));
}

int Recordset::RecordCount() const
{
    requireOpen();
    return rowCount_;
}

void Recordset::MoveFirst()
{
    requireOpen();
    cursor_ = 0;
}

void Recordset::Close()
{
    requireOpen();
    open_ = false;
    columns_ = {};
    cells_ = {};
    buffer_ = {};
    rowCount_ = 0;
    cursor_ = 0;
}

int Recordset::columnIndex(const QString& name) const
{
    const QString folded = name.toCaseFolded();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].foldedName == folded)
            return int(i);
    }
    return -1;
}

Field Recordset::FieldValue(const QString& name) const
{
    requireOpen();
    const int column = columnIndex(name);
    if (column < 0)
        throw DataError(u"Polje '%1' ne obstaja."_s.arg(name));
    requireRow();
    return Field(this, column, cursor_);
}

int Recordset::columnCount() const
{
    requireOpen();
    return int(columns_.size());
}

QString Recordset::columnName(int column) const
{
    requireOpen();
    return columns_.at(std::size_t(column)).name;
}

ColumnType Recordset::columnType(int column) const
{
    requireOpen();
    return columns_.at(std::size_t(column)).type;
}

Recordset::Memory Recordset::takeMemory()
{
    Memory memory{std::move(buffer_), std::move(cells_)};
    buffer_ = QByteArray();
    cells_ = {};
    rowCount_ = 0;
    cursor_ = 0;
    open_ = false;
    return memory;
}

std::size_t Recordset::memoryFootprint() const
{
    std::size_t bytes = sizeof(Recordset) + std::size_t(buffer_.capacity()) + cells_.capacity() * sizeof(Cell);
    for (const Column& column : columns_)
        bytes += sizeof(Column) + std::size_t(column.name.capacity() + column.foldedName.capacity()) * sizeof(QChar);
    return bytes;
}

bool Recordset::storeText(int column, int row, std::uint32_t offset, std::uint32_t length, const RegionalForms& forms)
{
    const std::size_t index = std::size_t(row) * columns_.size() + std::size_t(column);
    char* text = buffer_.data() + offset;
    const QByteArrayView view(text, length);
    const ColumnType type = columns_[std::size_t(column)].type;
    // Most cells are texts; one test before the switch spares them its jump.
    if (type == ColumnType::Text) {
        if (length > kMaxTextCharacters && Utf8CharacterCount(view) > kMaxTextCharacters)
            return false;
        cells_[index] = {offset, length};
        return true;
    }
    Cell value{0, 0};
    switch (type) {
    case ColumnType::Integer: {
        if (const std::optional<qint32> small = ShortUnsigned(text, length)) {
            value.a = std::uint32_t(*small);
            break;
        }
        const std::optional<qint32> number = ParseInteger(view, forms.locale);
        if (!number)
            return false;
        value.a = std::uint32_t(*number);
        break;
    }
    case ColumnType::Decimal: {
        const qsizetype canonicalLength = CanonicalizeDecimal(text, length, forms.decimalPoint);
        if (canonicalLength < 0)
            return false;
        value = {offset, std::uint32_t(canonicalLength)};
        break;
    }
    case ColumnType::Date:
    case ColumnType::DateTime: {
        std::optional<DateTimeValue> moment = ParseServerDateTime(text, length);
        if (!moment)
            moment = ParseDateTime(view, forms.locale);
        if (!moment || moment->julianDay < 0 || moment->julianDay > std::numeric_limits<std::uint32_t>::max())
            return false;
        value.a = std::uint32_t(moment->julianDay);
        // A date column keeps only the day.
        value.b = columns_[std::size_t(column)].type == ColumnType::Date ? 0 : std::uint32_t(moment->milliseconds);
        break;
    }
    case ColumnType::Binary:
        if (length > kMaxBinaryBytes)
            return false;
        value = {offset, length};
        break;
    case ColumnType::Text:
        Q_UNREACHABLE(); // stored before the switch
    }
    cells_[index] = value;
    return true;
}

// ---- Field ----

void Field::throwNull() const
{
    throw DataError(u"Polje '%1' nima vrednosti."_s.arg(name()));
}

// Every read starts here, so it is inlined into them, with the rare failure out of line.
[[gnu::always_inline]] inline Field::Value Field::readValue() const
{
    if (isNull()) [[unlikely]]
        throwNull();
    const Recordset::Cell& cell = set_->cell(column_, row_);
    const ColumnType kind = set_->columns_[std::size_t(column_)].type;
    const bool isSlice = kind == ColumnType::Text || kind == ColumnType::Decimal || kind == ColumnType::Binary;
    return {kind, cell.a, cell.b,
            isSlice ? QByteArrayView(set_->buffer_.constData() + cell.a, cell.b) : QByteArrayView()};
}

const QString& Field::name() const
{
    set_->requireOpen();
    return set_->columns_[std::size_t(column_)].name;
}

void Field::throwConversion(const char* wanted) const
{
    throw DataError(u"Vrednosti polja '%1' ni mogoče pretvoriti v %2."_s.arg(name(), QString::fromUtf8(wanted)));
}

QString Field::valueAsString() const
{
    const Value value = readValue();
    switch (value.type) {
    case ColumnType::Integer:
        return QString::number(qint32(value.a));
    case ColumnType::Decimal:
        return RegionalDecimal(value.bytes, QLocale());
    case ColumnType::Date:
    case ColumnType::DateTime: {
        const QLocale locale;
        const QDate date = QDate::fromJulianDay(value.a);
        QString text = locale.toString(date, QLocale::ShortFormat);
        if (value.b != 0)
            text += u' ' + RegionalTimeOfDay(QTime::fromMSecsSinceStartOfDay(int(value.b)), locale);
        return text;
    }
    case ColumnType::Binary:
    case ColumnType::Text:
        break;
    }
    // A text needs no regional settings, so none are looked up for it (the common read).
    return QString::fromUtf8(value.bytes);
}

qint32 Field::valueAsInteger() const
{
    const Value value = readValue();
    switch (value.type) {
    case ColumnType::Integer:
        return qint32(value.a);
    case ColumnType::Decimal: {
        const qsizetype point = value.bytes.indexOf('.');
        const QByteArrayView fraction = point < 0 ? QByteArrayView() : value.bytes.sliced(point + 1);
        const QByteArrayView whole = point < 0 ? value.bytes : value.bytes.first(point);
        const bool isWhole = std::all_of(fraction.begin(), fraction.end(), [](char c) { return c == '0'; });
        const std::optional<qint32> number = ParseAsciiInteger(whole.isEmpty() || whole == "-" ? "0" : whole);
        if (isWhole && number)
            return *number;
        break;
    }
    case ColumnType::Text:
        if (const std::optional<qint32> number = ParseInteger(value.bytes, QLocale()))
            return *number;
        break;
    case ColumnType::Date:
    case ColumnType::DateTime:
    case ColumnType::Binary:
        break;
    }
    throwConversion("celo število");
}

double Field::valueAsDouble() const
{
    const Value value = readValue();
    switch (value.type) {
    case ColumnType::Integer:
        return double(qint32(value.a));
    case ColumnType::Decimal:
        return value.bytes.toByteArray().toDouble();
    case ColumnType::Date:
    case ColumnType::DateTime:
        return Recordset::OleDate(value.a, value.b);
    case ColumnType::Text:
        if (const std::optional<double> number = ParseReal(value.bytes, QLocale()))
            return *number;
        break;
    case ColumnType::Binary:
        break;
    }
    throwConversion("število");
}

QDateTime Field::asDateTime() const
{
    const Value value = readValue();
    switch (value.type) {
    case ColumnType::Date:
    case ColumnType::DateTime:
        return ToDateTime(value.a, int(value.b));
    case ColumnType::Text:
        if (const std::optional<DateTimeValue> moment = ParseDateTime(value.bytes, QLocale()))
            return ToDateTime(moment->julianDay, moment->milliseconds);
        break;
    case ColumnType::Integer:
    case ColumnType::Decimal:
    case ColumnType::Binary:
        break;
    }
    throwConversion("datum");
}

QString Field::canonicalText() const
{
    const Value value = readValue();
    switch (value.type) {
    case ColumnType::Integer:
        return QString::number(qint32(value.a));
    case ColumnType::Decimal:
        return CanonicalDecimal(value.bytes);
    case ColumnType::Date:
        return QDate::fromJulianDay(value.a).toString(Qt::ISODate);
    case ColumnType::DateTime:
        return ToDateTime(value.a, int(value.b)).toString(u"yyyy-MM-ddTHH:mm:ss"_s);
    case ColumnType::Binary:
        return QString::fromLatin1(value.bytes.toByteArray().toHex());
    case ColumnType::Text:
        break;
    }
    return QString::fromUtf8(value.bytes);
}
