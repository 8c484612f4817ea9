// Builds server answers in the payload form that DecodePayload reads, for the simulator, the tests and the benchmark.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

// A column name or a value that the payload form cannot carry.
class PayloadWriteError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Usage:
//   PayloadWriter w;
//   w.addColumn(u"id"_s, 3); w.addColumn(u"ime"_s, 200);
//   w.beginRow(); w.addValue(u"1"_s); w.addValue(std::nullopt);
//   QByteArray answer = PayloadWriter::EncodeAnswer(w.payload());
//
// Values are sent as text (UTF-8); they must be storable in their column's type ("42",
// "12.50", "2024-03-05", "2024-03-05 10:15:00"), as the server sends them.
// What decodes back to exactly the value added, and what does not:
// - Every later field (second and further value of a row) is escaped with the tokens of the
//   form: blank, "{", "~", ",", ".", "+" and the entities for < > ' " &. Such a field may hold
//   any text except the cases below.
// - The first field of a row is decoded by the client with "[sp**ace]" only, so only blanks,
//   "." and "+" are escaped there; a first value with "{", "~", control characters or a
//   leading double quote is sent quoted instead. It must not be null.
// - A later field whose text is exactly "NULL" is read as null by the client: the form has no
//   way to tell the text from null, so such a text arrives as null. A null first value cannot
//   be sent at all (PayloadWriteError).
// - Carriage returns and line feeds are dropped: the client removes them from the whole
//   payload before anything else. Store line breaks of comments as "*newln*".
// - A value that holds a NUL byte or the text of an escape token itself (for example
//   "[*dot*]" or "[sp**ace]") cannot be carried: PayloadWriteError.
// The writer never emits a raw line break or NUL.
class PayloadWriter {
public:
    // Column names: not empty, no blanks, control characters, "~", "{", ",", "[" or '"', and
    // unique without regard to case. All columns come before the first row.
    void addColumn(const QString& name, int typeCode);
    void beginRow();
    // The next value of the current row, in column order; nullopt for null. A row may stop
    // before its last columns, which stay null; it must hold at least one value.
    void addValue(const std::optional<QString>& value);
    // The same for a value given as UTF-8 bytes, as a database hands them out; sent exactly
    // as addValue(QString::fromUtf8(utf8)) would send it.
    void addUtf8Value(std::optional<QByteArrayView> utf8);

    // The payload as the client receives it after percent-decoding.
    QByteArray payload() const;
    int columnCount() const { return columnCount_; }

    // "[success]" + the payload with every byte except ASCII letters, digits and "_" as %XX.
    static QByteArray EncodeAnswer(QByteArrayView payload);
    // "[success][emptyrecordset]": a successful call without a table.
    static QByteArray EmptyRecordsetAnswer();

    // One escaped field as this writer puts it into a row (without quoting).
    static QByteArray EscapeFirstField(const QString& value);
    static QByteArray EscapeLaterField(const std::optional<QString>& value);

private:
    void appendValue(std::optional<QByteArrayView> utf8); // well-formed UTF-8
    void finishRow();

    QByteArray header_;
    QByteArray rows_;
    QByteArray row_;   // fields of the current row, already quoted where needed
    QByteArray field_; // the field being escaped (reused, so a value costs no allocation)
    QByteArray clean_; // a value without its line breaks (reused)
    QStringList foldedNames_;
    int columnCount_ = 0;
    int valuesInRow_ = 0;
    bool inRow_ = false;
    bool anyRow_ = false;
};
