// Small text helpers shared by the windows: Windows-1250 projection, statement-safe user
// text, and the number and date formats the windows show.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

// The text as Windows-1250 can hold it: every character without a Windows-1250 form
// becomes "?".
QString ToWindows1250(const QString& text);
bool HasWindows1250Form(char32_t codePoint);
// Windows-1250 bytes as text (the five bytes the code page leaves undefined map to the
// control characters of the same number, as Windows does).
QString FromWindows1250(QByteArrayView bytes);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF, no sequence cut off at the end).
bool IsValidUtf8(QByteArrayView bytes);
// Well-formed UTF-8 rewritten in place as the UTF-8 of its Windows-1250 projection: every
// character without a Windows-1250 form becomes "?" (so the text never grows). False, with
// the bytes left in an unspecified state, when the bytes are not well-formed UTF-8.
bool ProjectUtf8ToWindows1250(QByteArray& utf8);

// User-typed text before it goes into a statement between quotes: every apostrophe and
// double-quote character removed, and every backslash too, which a MySQL server would
// read as an escape.
QString StripStatementBreakers(const QString& text);

// A stored comment with each of its line-break markers ("*newln*", any letter case) written
// as `lineBreak`.
QString WithLineBreaksAs(const QString& comment, const QString& lineBreak);

// "0.00": exactly two decimals, the system's decimal separator, no thousands separator.
QString FormatFixed2(double value);
// "dd.mm.yyyy".
QString FormatDisplayDate(const QDateTime& value);
// The date of a text in the form FormatDisplayDate writes; an invalid date for any other text.
QDate ParseDisplayDate(const QString& text);
// A date in one of the list-date formats "yyyy-mm-dd", "yyyy/mm/dd" or "dd.mm.yyyy"
// (yyyy, mm and dd are replaced, everything else is literal).
QString FormatListDate(const QDate& date, const QString& format);

// A decimal number from a text with "." or "," as separator; empty gives 0. DataError
// when the text is not a number (thousands separators are not accepted).
double ParseDecimal(const QString& text);
