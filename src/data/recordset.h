// The in-memory result table of a remote call: typed columns, rows and one cursor.
#pragma once

#include "errors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

enum class ColumnType { Integer, DateTime, Date, Decimal, Binary, Text };

// The column type of a payload type code: 3 integer, 7 and 135 date-time, 202 date,
// 14 decimal, 128 and 205 binary, any other integer text.
ColumnType ColumnTypeFromCode(int code);
const char* ColumnTypeName(ColumnType type); // "integer", "datetime", "date", "decimal", "binary", "text"

class Recordset;

// One value of the current row, read in the caller's wanted form. Every read of a null
// value, and every conversion that fails, throws DataError.
class Field {
public:
    inline bool isNull() const;
    inline ColumnType type() const;
    const QString& name() const;

    // Integers as decimal digits; decimals and date-times in the user's regional form
    // (QLocale()), a date-time with its time of day only when that is not midnight.
    inline QString asString() const;
    // Text is converted with the user's regional settings; decimals must be whole.
    inline qint32 asInteger() const;
    // A date-time gives its OLE Automation date (days since 30 December 1899).
    inline double asDouble() const;
    QDateTime asDateTime() const;

    // Locale-free forms for tools: dates "YYYY-MM-DD", date-times "YYYY-MM-DDTHH:MM:SS",
    // decimals with "." and no exponent, binary as lower-case hex, text as it is.
    QString canonicalText() const;

private:
    friend class Recordset;
    // The cell behind the field: a number or date in a (and b), or the bytes of a text,
    // decimal or binary value.
    struct Value {
        ColumnType type;
        std::uint32_t a;
        std::uint32_t b;
        QByteArrayView bytes;
    };
    Value readValue() const;       // DataError for a closed table or a null value
    QString valueAsString() const; // asString of every cell but a text one
    qint32 valueAsInteger() const; // asInteger of every cell but an integer one
    double valueAsDouble() const;  // asDouble of every cell but a date or date-time one
    // The column type of a cell that holds a value, or nothing for a null cell.
    inline std::optional<ColumnType> filledType() const;
    [[noreturn]] void throwNull() const;
    [[noreturn]] void throwConversion(const char* wanted) const;
    Field(const Recordset* set, int column, int row) : set_(set), column_(column), row_(row) {}
    const Recordset* set_;
    int column_;
    int row_;
};

// Built by DecodePayload; read forward with Eof/FieldValue/MoveNext. Names of columns are
// compared without regard to case. Text values are kept as slices of one buffer and
// turned into QString when read, so a large answer costs little more than its own bytes.
class Recordset {
public:
    // The longest text a cell takes, in characters: a longer stored text cannot be read back.
    static constexpr std::size_t kMaxTextCharacters = 4000;

    int RecordCount() const;
    bool Eof() const
    {
        requireOpen();
        return cursor_ >= rowCount_;
    }
    void MoveFirst();
    void MoveNext() // DataError at Eof
    {
        requireRow();
        ++cursor_;
    }
    void Close(); // every later operation throws DataError
    bool isOpen() const { return open_; }

    // The named column of the current row; DataError for an unknown name or at Eof.
    Field FieldValue(const QString& name) const;

    int columnCount() const;
    QString columnName(int column) const;
    ColumnType columnType(int column) const;
    Field fieldAt(int column) const // current row
    {
        requireRow();
        if (column < 0 || std::size_t(column) >= columns_.size()) [[unlikely]]
            throwNoColumn(column);
        return Field(this, column, cursor_);
    }
    int cursor() const { return cursor_; }

    // Bytes held by the table (buffer and cells), for the memory figures of the benchmark.
    std::size_t memoryFootprint() const;

    struct Memory;
    // Hands out the memory the table's text and cells live in and closes the table, so that the
    // next decoding can write into pages used before instead of fresh ones.
    Memory takeMemory();

private:
    friend class Field;
    friend class PayloadDecoder;

    struct Column {
        QString name;
        QString foldedName;
        ColumnType type;
    };
    // One cell: a text, decimal or binary value is a slice (offset, length) of buffer_;
    // an integer is in a; a date is a Julian day in a; a date-time is a Julian day in a
    // and the milliseconds of the day in b. A null cell has kNullCell in b, which no value
    // uses (slices are far shorter and a day has fewer milliseconds).
    static constexpr std::uint32_t kNullCell = 0xFFFFFFFFu;
    // The OLE Automation date (days since 30 December 1899) of a Julian day and the milliseconds
    // of its time of day. Before day 0 the fraction still counts forward from midnight: -1.25 is
    // 29 December 1899, 06:00.
    static double OleDate(std::uint32_t julianDay, std::uint32_t milliseconds)
    {
        constexpr qint64 kOleEpochJulianDay = 2415019;
        const double days = double(qint64(julianDay) - kOleEpochJulianDay);
        const double fraction = milliseconds / 86400000.0;
        return days >= 0 ? days + fraction : days - fraction;
    }
    // The common case of an integer: one to nine ASCII digits and nothing else (it cannot overflow).
    static std::optional<qint32> ShortUnsigned(const char* text, std::uint32_t length)
    {
        if (length == 0 || length > 9)
            return std::nullopt;
        qint32 value = 0;
        for (std::uint32_t i = 0; i < length; ++i) {
            const unsigned digit = unsigned(static_cast<unsigned char>(text[i])) - '0';
            if (digit > 9)
                return std::nullopt;
            value = value * 10 + qint32(digit);
        }
        return value;
    }
    struct Cell {
        std::uint32_t a = 0;
        std::uint32_t b = kNullCell;
        friend bool operator==(const Cell&, const Cell&) = default;
    };

public:
    // The memory of a table that was read and closed, to decode the next answer into.
    struct Memory {
        QByteArray bytes;
        std::vector<Cell> cells;
    };

private:
    // The user's regional settings as one decoding reads them: the locale and its decimal
    // separator in UTF-8.
    struct RegionalForms {
        QLocale locale;
        QByteArray decimalPoint;
        static RegionalForms current();
    };

    int columnIndex(const QString& name) const; // -1 when absent
    // The checks of every read are inline; their failures are not.
    void requireOpen() const
    {
        if (!open_) [[unlikely]]
            throwClosed();
    }
    void requireRow() const
    {
        requireOpen();
        if (cursor_ >= rowCount_) [[unlikely]]
            throwNoRow();
    }
    [[noreturn]] static void throwClosed();
    [[noreturn]] static void throwNoRow();
    [[noreturn]] static void throwNoColumn(int column);
    // Converts the UTF-8 text buffer_[offset, offset + length) to the column's type and puts
    // it in the cell; false (the cell unchanged) when it does not convert or does not fit.
    // May rewrite those bytes in place (a decimal keeps its canonical text there).
    bool storeText(int column, int row, std::uint32_t offset, std::uint32_t length, const RegionalForms& forms);
    const Cell& cell(int column, int row) const { return cells_[std::size_t(row) * columns_.size() + column]; }
    bool cellIsNull(int column, int row) const { return cell(column, row).b == kNullCell; }
    QByteArray sliceBytes(const Cell& c) const { return QByteArray(buffer_.constData() + c.a, qsizetype(c.b)); }

    std::vector<Column> columns_;
    std::vector<Cell> cells_; // row-major
    QByteArray buffer_;       // UTF-8 text the slices point into
    int rowCount_ = 0;
    int cursor_ = 0;
    bool open_ = true;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

bool Field::isNull() const
{
    set_->requireOpen();
    return set_->cellIsNull(column_, row_);
}

ColumnType Field::type() const
{
    set_->requireOpen();
    return set_->columns_[std::size_t(column_)].type;
}

std::optional<ColumnType> Field::filledType() const
{
    set_->requireOpen();
    if (set_->cellIsNull(column_, row_))
        return std::nullopt;
    return set_->columns_[std::size_t(column_)].type;
}

// The most frequent reads (a text as text, an integer as integer, a date as OLE date) are done
// here; every other one, and every failure, out of line.
QString Field::asString() const
{
    if (filledType() == ColumnType::Text) [[likely]] {
        const Recordset::Cell& cell = set_->cell(column_, row_);
        return QString::fromUtf8(set_->buffer_.constData() + cell.a, qsizetype(cell.b));
    }
    return valueAsString();
}

qint32 Field::asInteger() const
{
    if (filledType() == ColumnType::Integer) [[likely]]
        return qint32(set_->cell(column_, row_).a);
    return valueAsInteger();
}

double Field::asDouble() const
{
    const std::optional<ColumnType> type = filledType();
    if (type == ColumnType::DateTime || type == ColumnType::Date) {
        const Recordset::Cell& cell = set_->cell(column_, row_);
        return Recordset::OleDate(cell.a, cell.b);
    }
    return valueAsDouble();
}
