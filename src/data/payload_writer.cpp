// The payload writer: escaping and quoting of values so that DecodePayload gives them back, and the encoded answer.
#include "payload_writer.h"
#include "remote_call.h"

#include "server_contract.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

using namespace ServerContract;

QByteArrayView Bytes(std::string_view text)
{
    return {text.data(), qsizetype(text.size())};
}

bool Contains(QByteArrayView bytes, std::string_view part)
{
    return std::string_view(bytes.data(), std::size_t(bytes.size())).find(part) != std::string_view::npos;
}

// The bracket tokens of the form: a value holding one of them literally cannot be told apart
// from an escaped character.
constexpr std::array<std::string_view, 6> kBracketTokens = {BraceToken, TildeToken, PlusToken,
                                                            DotToken,   CommaToken, SpaceToken};
// The tokens the client decodes in a first field (the whole-payload ones and "[sp**ace]").
constexpr std::array<std::string_view, 3> kFirstFieldTokens = {PlusToken, DotToken, SpaceToken};

// The replacement of each byte in a field; empty for a byte that stays as it is.
using EscapeTable = std::array<std::string_view, 256>;

constexpr EscapeTable MakeLaterFieldEscapes()
{
    EscapeTable table{};
    table[uchar(' ')] = SpaceToken;
    table[uchar('{')] = BraceToken;
    table[uchar('~')] = TildeToken;
    table[uchar(',')] = CommaToken;
    table[uchar('.')] = DotToken;
    table[uchar('+')] = PlusToken;
    table[uchar('<')] = "&lt;";
    table[uchar('>')] = "&gt;";
    table[uchar('\'')] = "&apos;";
    table[uchar('"')] = "&quot;";
    table[uchar('&')] = "&amp;";
    return table;
}

constexpr EscapeTable MakeFirstFieldEscapes()
{
    EscapeTable table{};
    table[uchar(' ')] = SpaceToken;
    table[uchar('.')] = DotToken;
    table[uchar('+')] = PlusToken;
    return table;
}

constexpr EscapeTable kLaterFieldEscapes = MakeLaterFieldEscapes();
constexpr EscapeTable kFirstFieldEscapes = MakeFirstFieldEscapes();

// The length of the leading run of ASCII bytes.
qsizetype AsciiPrefixLength(QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        if (word & 0x8080808080808080u)
            break;
    }
    while (i < bytes.size() && uchar(data[i]) < 0x80)
        ++i;
    return i;
}

bool IsContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

// True for well-formed UTF-8 (no overlong forms, surrogates or code points above U+10FFFF).
bool IsWellFormedUtf8(QByteArrayView bytes)
{
    const auto* begin = reinterpret_cast<const uchar*>(bytes.data());
    const auto* p = begin;
    const auto* end = begin + bytes.size();
    while (true) {
        p += AsciiPrefixLength(bytes.sliced(p - begin));
        if (p == end)
            return true;
        const uchar lead = *p;
        int length = 0;
        uchar low = 0x80;
        uchar high = 0xBF; // allowed range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (end - p < length || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i < length; ++i) {
            if (!IsContinuation(p[i]))
                return false;
        }
        p += length;
    }
}

// True when QString::fromUtf8 keeps the bytes exactly: well-formed UTF-8 that does not start
// with a byte order mark (which it drops).
bool SurvivesQStringRoundTrip(QByteArrayView bytes)
{
    return !bytes.startsWith("\xEF\xBB\xBF") && IsWellFormedUtf8(bytes);
}

// The value without line breaks (the client drops them), checked for what the form cannot
// carry. The result views `value` itself, or `scratch` when line breaks had to go.
template <std::size_t N>
QByteArrayView CarriableBytes(QByteArrayView value, const std::array<std::string_view, N>& forbiddenTokens,
                              QByteArray& scratch)
{
    bool lineBreak = false;
    bool bracket = false; // every escape token starts with "["
    for (char c : value) {
        if (c == '\0')
            throw PayloadWriteError("a payload value cannot hold a NUL byte");
        lineBreak = lineBreak || c == '\r' || c == '\n';
        bracket = bracket || c == '[';
    }
    QByteArrayView bytes = value;
    if (lineBreak) {
        scratch.resize(0);
        for (char c : value) {
            if (c != '\r' && c != '\n')
                scratch.append(c);
        }
        bytes = scratch;
    }
    if (bracket) {
        for (std::string_view token : forbiddenTokens) {
            if (Contains(bytes, token))
                throw PayloadWriteError("a payload value cannot hold the escape token " + std::string(token));
        }
    }
    return bytes;
}

// Appends the bytes with each byte that has an escape replaced by it.
void AppendEscaped(QByteArray& out, QByteArrayView bytes, const EscapeTable& escapes)
{
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const std::string_view escape = escapes[uchar(bytes[i])];
        if (escape.empty())
            continue;
        out.append(bytes.sliced(runStart, i - runStart));
        out.append(Bytes(escape));
        runStart = i + 1;
    }
    out.append(bytes.sliced(runStart));
}

// True when the escaped field stays one unquoted item of its row: not empty, no control
// character, and, for a first field (whose escaping leaves them), no field delimiter and no
// leading quote. Blanks and every other delimiter are escaped in a later field.
bool EscapesToPlainItem(QByteArrayView clean, bool firstField)
{
    if (clean.isEmpty() || (firstField && clean.front() == '"'))
        return false;
    return std::none_of(clean.begin(), clean.end(),
                        [&](char c) { return uchar(c) < 32 || (firstField && c == FieldDelimiter); });
}

// Appends one item of a list split at `delimiter`. It survives the splitting rule unquoted when
// it is not empty, holds no code 1 to 32 and no delimiter, and does not start with a quote;
// otherwise it travels quoted with "" for ".
void AppendItem(QByteArray& out, QByteArrayView text, char delimiter)
{
    const bool plain = !text.isEmpty() && text.front() != '"' &&
                       std::none_of(text.begin(), text.end(), [&](char c) { return uchar(c) <= 32 || c == delimiter; });
    if (plain) {
        out.append(text);
        return;
    }
    out.append('"');
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '"')
            continue;
        out.append(text.sliced(runStart, i + 1 - runStart));
        out.append('"');
        runStart = i + 1;
    }
    out.append(text.sliced(runStart));
    out.append('"');
}

bool IsValidColumnName(const QByteArray& name)
{
    return !name.isEmpty() && std::none_of(name.begin(), name.end(), [](char c) {
        return uchar(c) <= 32 || c == '~' || c == '{' || c == ',' || c == '[' || c == '"';
    });
}

} // namespace

QByteArray PayloadWriter::EscapeFirstField(const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    QByteArray scratch;
    QByteArray out;
    AppendEscaped(out, CarriableBytes(utf8, kFirstFieldTokens, scratch), kFirstFieldEscapes);
    return out;
}

QByteArray PayloadWriter::EscapeLaterField(const std::optional<QString>& value)
{
    if (!value)
        return Bytes(NullText).toByteArray();
    const QByteArray utf8 = value->toUtf8();
    QByteArray scratch;
    QByteArray out;
    AppendEscaped(out, CarriableBytes(utf8, kBracketTokens, scratch), kLaterFieldEscapes);
    return out;
}

void PayloadWriter::addColumn(const QString& name, int typeCode)
{
    if (anyRow_ || inRow_)
        throw PayloadWriteError("payload columns must come before the rows");
    const QByteArray bytes = name.toUtf8();
    if (!IsValidColumnName(bytes) || foldedNames_.contains(name.toCaseFolded()))
        throw PayloadWriteError("invalid or repeated payload column name: " + bytes.toStdString());
    foldedNames_.append(name.toCaseFolded());
    if (columnCount_ > 0)
        header_.append(FieldDelimiter);
    header_.append(bytes + DefinitionDelimiter + QByteArray::number(typeCode));
    ++columnCount_;
}

void PayloadWriter::beginRow()
{
    if (columnCount_ == 0)
        throw PayloadWriteError("a payload row needs columns");
    finishRow();
    inRow_ = true;
}

void PayloadWriter::addValue(const std::optional<QString>& value)
{
    if (!value)
        return appendValue(std::nullopt);
    const QByteArray utf8 = value->toUtf8();
    appendValue(QByteArrayView(utf8));
}

void PayloadWriter::addUtf8Value(std::optional<QByteArrayView> utf8)
{
    if (!utf8 || SurvivesQStringRoundTrip(*utf8))
        return appendValue(utf8);
    const QByteArray repaired = QString::fromUtf8(*utf8).toUtf8();
    appendValue(QByteArrayView(repaired));
}

void PayloadWriter::appendValue(std::optional<QByteArrayView> utf8)
{
    if (!inRow_ || valuesInRow_ >= columnCount_)
        throw PayloadWriteError("more payload values than columns, or no row begun");
    const bool first = valuesInRow_ == 0;
    if (first && !utf8)
        throw PayloadWriteError("the first value of a payload row cannot be null");
    // Checked before the row changes, so a refused value leaves the row as it was.
    QByteArrayView clean;
    if (utf8)
        clean =
            first ? CarriableBytes(*utf8, kFirstFieldTokens, clean_) : CarriableBytes(*utf8, kBracketTokens, clean_);
    if (!first)
        row_.append(FieldDelimiter);
    ++valuesInRow_;
    if (!utf8) {
        row_.append(Bytes(NullText));
        return;
    }
    const EscapeTable& escapes = first ? kFirstFieldEscapes : kLaterFieldEscapes;
    if (EscapesToPlainItem(clean, first)) {
        AppendEscaped(row_, clean, escapes);
        return;
    }
    field_.resize(0);
    AppendEscaped(field_, clean, escapes);
    AppendItem(row_, field_, FieldDelimiter);
}

void PayloadWriter::finishRow()
{
    if (!inRow_)
        return;
    if (valuesInRow_ == 0)
        throw PayloadWriteError("a payload row needs at least one value");
    rows_.append(SectionDelimiter);
    AppendItem(rows_, row_, SectionDelimiter);
    row_.resize(0);
    valuesInRow_ = 0;
    inRow_ = false;
    anyRow_ = true;
}

QByteArray PayloadWriter::payload() const
{
    if (columnCount_ == 0)
        throw PayloadWriteError("a payload needs columns");
    if (inRow_ && valuesInRow_ == 0)
        throw PayloadWriteError("a payload row needs at least one value");
    QByteArray out;
    out.reserve(header_.size() + rows_.size() + (inRow_ ? 2 * row_.size() + 3 : 0));
    out.append(header_);
    out.append(rows_);
    if (inRow_) {
        out.append(SectionDelimiter);
        AppendItem(out, row_, SectionDelimiter);
    }
    return out;
}

QByteArray PayloadWriter::EncodeAnswer(QByteArrayView payload)
{
    // The payload travels as UTF-8 text: ill-formed bytes go as U+FFFD, a leading byte order
    // mark is dropped.
    QByteArray repaired;
    if (!SurvivesQStringRoundTrip(payload)) {
        repaired = QString::fromUtf8(payload).toUtf8();
        payload = repaired;
    }
    QByteArray answer;
    answer.reserve(qsizetype(SuccessMarker.size()) + 3 * payload.size());
    answer.append(Bytes(SuccessMarker));
    AppendPercentEncoded(answer, payload);
    return answer;
}

QByteArray PayloadWriter::EmptyRecordsetAnswer()
{
    return Bytes(SuccessMarker).toByteArray() + Bytes(EmptyRecordsetMarker).toByteArray();
}
