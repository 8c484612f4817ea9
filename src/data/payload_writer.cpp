// The payload writer: escaping and quoting of values so that DecodePayload gives them back, and the encoded answer.
#include "payload_writer.h"

#include "remote_call.h"
#include "server_contract.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

using namespace ServerContract;

QByteArrayView Bytes(std::string_view text)
{
    return {text.data(), qsizetype(text.size())};
}

// The bracket tokens of the form: a value holding one of them literally cannot be told apart
// from an escaped character.
constexpr std::array<std::string_view, 6> kBracketTokens = {BraceToken, TildeToken, PlusToken,
                                                            DotToken,   CommaToken, SpaceToken};
// The tokens the client decodes in a first field (the whole-payload ones and "[sp**ace]").
constexpr std::array<std::string_view, 3> kFirstFieldTokens = {PlusToken, DotToken, SpaceToken};

std::string_view LaterFieldEscape(char c)
{
    switch (c) {
    case ' ':
        return SpaceToken;
    case '{':
        return BraceToken;
    case '~':
        return TildeToken;
    case ',':
        return CommaToken;
    case '.':
        return DotToken;
    case '+':
        return PlusToken;
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '\'':
        return "&apos;";
    case '"':
        return "&quot;";
    case '&':
        return "&amp;";
    default:
        return {};
    }
}

std::string_view FirstFieldEscape(char c)
{
    switch (c) {
    case ' ':
        return SpaceToken;
    case '.':
        return DotToken;
    case '+':
        return PlusToken;
    default:
        return {};
    }
}

// The value's UTF-8 without line breaks, checked for what the form cannot carry.
template <std::size_t N>
QByteArray CarriableBytes(const QString& value, const std::array<std::string_view, N>& forbiddenTokens)
{
    QByteArray bytes = value.toUtf8();
    bytes.removeIf([](char c) { return c == '\r' || c == '\n'; });
    if (bytes.contains('\0'))
        throw PayloadWriteError("a payload value cannot hold a NUL byte");
    for (std::string_view token : forbiddenTokens) {
        if (bytes.contains(Bytes(token)))
            throw PayloadWriteError("a payload value cannot hold the escape token " + std::string(token));
    }
    return bytes;
}

QByteArray Escaped(const QByteArray& bytes, std::string_view (*escape)(char))
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) {
        const std::string_view token = escape(c);
        if (token.empty())
            out.append(c);
        else
            out.append(Bytes(token));
    }
    return out;
}

// An item survives the splitting rule unquoted when it is not empty, holds no code 1 to 32 and
// no delimiter, and does not start with a quote; otherwise it travels quoted with "" for ".
QByteArray AsItem(const QByteArray& text, char delimiter)
{
    const bool plain = !text.isEmpty() && !text.startsWith('"') &&
                       std::none_of(text.begin(), text.end(), [&](char c) { return uchar(c) <= 32 || c == delimiter; });
    if (plain)
        return text;
    QByteArray quoted = text;
    quoted.replace('"', QByteArrayView("\"\""));
    return '"' + quoted + '"';
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
    return Escaped(CarriableBytes(value, kFirstFieldTokens), FirstFieldEscape);
}

QByteArray PayloadWriter::EscapeLaterField(const std::optional<QString>& value)
{
    if (!value)
        return Bytes(NullText).toByteArray();
    return Escaped(CarriableBytes(*value, kBracketTokens), LaterFieldEscape);
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
    if (!inRow_ || valuesInRow_ >= columnCount_)
        throw PayloadWriteError("more payload values than columns, or no row begun");
    if (valuesInRow_ == 0 && !value)
        throw PayloadWriteError("the first value of a payload row cannot be null");
    const QByteArray field = valuesInRow_ == 0 ? EscapeFirstField(*value) : EscapeLaterField(value);
    if (valuesInRow_ > 0)
        row_.append(FieldDelimiter);
    row_.append(AsItem(field, FieldDelimiter));
    ++valuesInRow_;
}

void PayloadWriter::finishRow()
{
    if (!inRow_)
        return;
    if (valuesInRow_ == 0)
        throw PayloadWriteError("a payload row needs at least one value");
    rows_.append(SectionDelimiter);
    rows_.append(AsItem(row_, SectionDelimiter));
    row_.clear();
    valuesInRow_ = 0;
    inRow_ = false;
    anyRow_ = true;
}

QByteArray PayloadWriter::payload() const
{
    if (columnCount_ == 0)
        throw PayloadWriteError("a payload needs columns");
    PayloadWriter copy = *this;
    copy.finishRow();
    return copy.header_ + copy.rows_;
}

QByteArray PayloadWriter::EncodeAnswer(QByteArrayView payload)
{
    return Bytes(SuccessMarker).toByteArray() + PercentEncode(QString::fromUtf8(payload));
}

QByteArray PayloadWriter::EmptyRecordsetAnswer()
{
    return Bytes(SuccessMarker).toByteArray() + Bytes(EmptyRecordsetMarker).toByteArray();
}
