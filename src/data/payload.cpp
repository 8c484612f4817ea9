// The payload decoder: whole-payload replacements, the splitting rule, header and rows, and the field escape tokens.
#include "payload.h"

#include "server_contract.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

using namespace ServerContract;

// How the splitting rule sees one byte for a given delimiter.
enum ByteClass : unsigned char {
    Plain,   // part of an unquoted item
    Special, // part of an unquoted item, and the start of an escape token ("[" or "&")
    Blank,   // codes 0 to 32: ends an unquoted item
    Delimiter,
};

using ByteClassTable = std::array<ByteClass, 256>;

constexpr ByteClassTable MakeByteClasses(char delimiter)
{
    ByteClassTable table{};
    for (int byte = 0; byte < 256; ++byte) {
        if (byte <= 32)
            table[std::size_t(byte)] = Blank;
        else if (byte == uchar(delimiter))
            table[std::size_t(byte)] = Delimiter;
        else if (byte == '[' || byte == '&')
            table[std::size_t(byte)] = Special;
        else
            table[std::size_t(byte)] = Plain;
    }
    return table;
}

constexpr ByteClassTable kSectionClasses = MakeByteClasses(SectionDelimiter);
constexpr ByteClassTable kFieldClasses = MakeByteClasses(FieldDelimiter);
constexpr ByteClassTable kDefinitionClasses = MakeByteClasses(DefinitionDelimiter);

const ByteClassTable& ByteClassesFor(char delimiter)
{
    switch (delimiter) {
    case SectionDelimiter:
        return kSectionClasses;
    case FieldDelimiter:
        return kFieldClasses;
    case DefinitionDelimiter:
        return kDefinitionClasses;
    default:
        break;
    }
    static thread_local ByteClassTable other;
    other = MakeByteClasses(delimiter);
    return other;
}

// One item of a split: bytes [offset, offset + length) of the buffer; `special` when it may
// hold an escape token.
struct Item {
    qsizetype offset = 0;
    qsizetype length = 0;
    bool special = false;
};

// Walks a region of a writable buffer item by item with the splitting rule. A quoted item
// is unquoted in place (its text never grows), so the items of one level can be split again.
// Codes 0 to 32 count as blanks; the decoder ends the text at a NUL before splitting.
class ItemCursor {
public:
    ItemCursor(char* data, qsizetype begin, qsizetype end, char delimiter)
        : data_(data), classes_(ByteClassesFor(delimiter)), delimiter_(delimiter), pos_(begin), end_(end)
    {
        skipBlanks();
    }

    qsizetype position() const { return pos_; }

    bool next(Item& item)
    {
        if (trailingEmpty_) {
            trailingEmpty_ = false;
            item = {end_, 0, false};
            return true;
        }
        if (pos_ >= end_)
            return false;
        item = data_[pos_] == '"' ? readQuoted() : readRun();
        skipBlanks();
        if (pos_ < end_ && data_[pos_] == delimiter_) {
            trailingEmpty_ = pos_ == end_ - 1;
            ++pos_;
            skipBlanks();
        }
        return true;
    }

private:
    ByteClass classOf(qsizetype at) const { return classes_[uchar(data_[at])]; }

    void skipBlanks()
    {
        while (pos_ < end_ && classOf(pos_) == Blank)
            ++pos_;
    }

    Item readRun()
    {
        Item item{pos_, 0, false};
        for (; pos_ < end_; ++pos_) {
            const ByteClass kind = classOf(pos_);
            if (kind == Special)
                item.special = true;
            else if (kind != Plain)
                break;
        }
        item.length = pos_ - item.offset;
        return item;
    }

    // Up to the next quote that is not doubled (or the end); "" stands for one quote.
    Item readQuoted()
    {
        Item item{pos_, 0, false};
        qsizetype out = pos_;
        ++pos_;
        while (pos_ < end_) {
            const char c = data_[pos_];
            if (c == '"') {
                if (pos_ + 1 < end_ && data_[pos_ + 1] == '"') {
                    data_[out++] = '"';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            item.special = item.special || c == '[' || c == '&';
            data_[out++] = c;
            ++pos_;
        }
        item.length = out - item.offset;
        return item;
    }

    char* data_;
    const ByteClassTable& classes_;
    char delimiter_;
    qsizetype pos_;
    qsizetype end_;
    bool trailingEmpty_ = false;
};

// One escape token and the text it stands for.
struct Token {
    std::string_view text;
    char replacement;
};

enum TokenKind : unsigned {
    Brace,
    Tilde,
    Plus,
    Dot,
    Comma,
    Space,
    LessThan,
    GreaterThan,
    Apostrophe,
    Quote,
    Ampersand,
    TokenKindCount
};

constexpr std::array<Token, TokenKindCount> kTokens = {{{BraceToken, '{'},
                                                        {TildeToken, '~'},
                                                        {PlusToken, '+'},
                                                        {DotToken, '.'},
                                                        {CommaToken, ','},
                                                        {SpaceToken, ' '},
                                                        {"&lt;", '<'},
                                                        {"&gt;", '>'},
                                                        {"&apos;", '\''},
                                                        {"&quot;", '"'},
                                                        {"&amp;", '&'}}};

// A set of token kinds, one bit each.
using TokenSet = unsigned;
constexpr TokenSet Bit(TokenKind kind)
{
    return 1u << kind;
}
constexpr TokenSet kNoTokens = 0;
constexpr TokenSet kEntityTokens = Bit(LessThan) | Bit(GreaterThan) | Bit(Apostrophe) | Bit(Quote) | Bit(Ampersand);
// "[*edp*]" and "[*dot*]" are replaced in the whole payload before it is split. They hold no
// delimiter, blank or quote, so replacing them inside each item after the split gives the same
// text; the decoder does that, item by item, together with the item's own tokens.
constexpr TokenSet kPayloadTokens = Bit(Plus) | Bit(Dot);
constexpr TokenSet kFirstFieldTokens = kPayloadTokens | Bit(Space);
// Every later field. The decoding runs token kind after token kind ("{", "~", the entities with
// "&amp;" last, "+", ".", ",", " "); no replacement can form or break another token, because
// the bracket tokens hold none of the replaced characters and only the entities start with "&",
// so one left-to-right pass gives the same text.
constexpr TokenSet kLaterFieldTokens =
    Bit(Brace) | Bit(Tilde) | Bit(Plus) | Bit(Dot) | Bit(Comma) | Bit(Space) | kEntityTokens;

// Whether the token of kind K is in the set and stands at `at`; the compare has a constant length,
// so it compiles to a few word compares.
template <TokenKind K>
[[gnu::always_inline]] inline bool TokenStandsAt(const char* at, const char* end, TokenSet tokens)
{
    constexpr std::string_view text = kTokens[K].text;
    return (tokens & Bit(K)) != 0 && std::size_t(end - at) >= text.size() &&
           std::memcmp(at, text.data(), text.size()) == 0;
}

// The token of the set that stands at `at` ("[" or "&"), if any. Its first bytes tell which kind
// it can only be.
[[gnu::always_inline]] inline const Token* TokenAt(const char* at, const char* end, TokenSet tokens)
{
    if (end - at < 4)
        return nullptr;
    bool found = false;
    TokenKind kind = Plus;
    if (at[0] == '[') {
        if (at[1] == 's') {
            kind = Space, found = TokenStandsAt<Space>(at, end, tokens);
        } else if (at[1] == '*') {
            switch (at[2]) {
            case 'e':
                kind = Plus, found = TokenStandsAt<Plus>(at, end, tokens);
                break;
            case 'd':
                kind = Dot, found = TokenStandsAt<Dot>(at, end, tokens);
                break;
            case 'c':
                kind = Comma, found = TokenStandsAt<Comma>(at, end, tokens);
                break;
            case 'b': // "[*beginCodeS..." or "[*beginCodeE..."
                if (end - at > 11 && at[11] == 'S')
                    kind = Brace, found = TokenStandsAt<Brace>(at, end, tokens);
                else
                    kind = Tilde, found = TokenStandsAt<Tilde>(at, end, tokens);
                break;
            default:
                break;
            }
        }
    } else {
        switch (at[1]) {
        case 'l':
            kind = LessThan, found = TokenStandsAt<LessThan>(at, end, tokens);
            break;
        case 'g':
            kind = GreaterThan, found = TokenStandsAt<GreaterThan>(at, end, tokens);
            break;
        case 'q':
            kind = Quote, found = TokenStandsAt<Quote>(at, end, tokens);
            break;
        case 'a':
            if (at[2] == 'p')
                kind = Apostrophe, found = TokenStandsAt<Apostrophe>(at, end, tokens);
            else
                kind = Ampersand, found = TokenStandsAt<Ampersand>(at, end, tokens);
            break;
        default:
            break;
        }
    }
    return found ? &kTokens[kind] : nullptr;
}

// The next "[" (or "&" when entities count) at or after `from`.
const char* NextTokenStart(const char* from, const char* end, bool withEntities)
{
    if (!withEntities) {
        const void* found = std::memchr(from, '[', std::size_t(end - from));
        return found ? static_cast<const char*>(found) : end;
    }
    while (from < end && *from != '[' && *from != '&')
        ++from;
    return from;
}

// Replaces the tokens in text[0, length) in place (bracket tokens at "[", entities at "&" when
// given) and returns the new length.
qsizetype ReplaceTokens(char* text, qsizetype length, TokenSet tokens)
{
    const char* in = text;
    const char* const end = text + length;
    char* out = text;
    while (in < end) {
        const char* at = NextTokenStart(in, end, (tokens & kEntityTokens) != 0);
        if (out != in)
            std::memmove(out, in, std::size_t(at - in));
        out += at - in;
        if (at == end)
            break;
        const Token* token = TokenAt(at, end, tokens);
        if (token) {
            *out++ = token->replacement;
            in = at + token->text.size();
        } else {
            *out++ = *at;
            in = at + 1;
        }
    }
    return out - text;
}

// What one scan of the rows tells: whether the full splitting rule is needed, and how many "~"
// there are. The rows can be split without it when no byte is a blank or control character
// (codes 0 to 32) and every double quote is part of an empty quoted field, as the server sends
// an empty text.
struct RowsShape {
    bool needsFullSplitting = false;
    std::size_t sectionDelimiters = 0;
};

// Whether every double quote in text[0, length) is one of a pair `""` that stands between a "{"
// before it and a "{", a "~" or the end after it: such a field reads as an empty item, both with
// the full rule and when the rows are split at every "{" and "~". A quoted field at the start of
// a row is not one of them, since the full rule would read the quotes as the whole row.
bool QuotesAreEmptyFields(const char* text, qsizetype length)
{
    const char* at = text;
    const char* const end = text + length;
    while (const void* found = std::memchr(at, '"', std::size_t(end - at))) {
        const char* quote = static_cast<const char*>(found);
        const bool opensAField = quote > text && quote[-1] == FieldDelimiter;
        const bool isPair = end - quote >= 2 && quote[1] == '"';
        const bool closesAField =
            end - quote == 2 || (end - quote > 2 && (quote[2] == FieldDelimiter || quote[2] == SectionDelimiter));
        if (!opensAField || !isPair || !closesAField)
            return false;
        at = quote + 2;
    }
    return true;
}

RowsShape ShapeOf(const char* text, qsizetype length, const PayloadBytesSummary& summary)
{
    RowsShape shape;
    shape.sectionDelimiters = summary.sectionDelimiters;
    shape.needsFullSplitting = summary.anyBlank || (summary.anyQuote && !QuotesAreEmptyFields(text, length));
    return shape;
}

RowsShape ScanRows(const char* text, qsizetype length)
{
    return ShapeOf(text, length, SummarizePayloadBytes(QByteArrayView(text, length)));
}

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

QByteArray Squeezed(QByteArray payload);

// The payload up to its first NUL, without carriage returns and line feeds, in its own buffer.
QByteArray PreparedPayload(QByteArray payload)
{
    const qsizetype nul = payload.indexOf('\0');
    if (nul >= 0)
        payload.truncate(nul);
    const bool hasBreaks = payload.contains('\r') || payload.contains('\n');
    if (hasBreaks)
        payload.removeIf(IsLineBreak);
    return Squeezed(std::move(payload));
}

QByteArray Squeezed(QByteArray payload)
{
    // A handed-over buffer may be far larger than its text; the table keeps it for its lifetime.
    if (payload.capacity() > payload.size() + payload.size() / 4)
        payload.squeeze();
    return payload;
}

std::optional<int> ParseTypeCode(QByteArrayView text)
{
    bool ok = false;
    const int code = text.toInt(&ok, 10);
    return ok ? std::optional<int>(code) : std::nullopt;
}

bool IsNullText(QByteArrayView text)
{
    return text == QByteArrayView(NullText.data(), qsizetype(NullText.size()));
}

} // namespace

// Builds one Recordset from the prepared payload in a single pass; the Recordset's buffer is
// the payload itself, decoded in place, and its cells point into it.
class PayloadDecoder {
public:
    static RecordsetPtr Decode(QByteArray payload, std::optional<PayloadBytesSummary> summary,
                               Recordset::Memory* earlier = nullptr)
    {
        if (payload.isEmpty() || payload.size() > qsizetype(std::numeric_limits<std::uint32_t>::max()))
            return nullptr;
        // Without any byte up to code 32 (the server's usual form) the payload holds no NUL and no
        // line break, and unless a quote stands elsewhere than in an empty field, its rows need no
        // full splitting.
        const RowsShape shape = summary ? ShapeOf(payload.constData(), payload.size(), *summary)
                                        : ScanRows(payload.constData(), payload.size());
        if (shape.needsFullSplitting) {
            PayloadDecoder decoder(PreparedPayload(std::move(payload)), std::nullopt, earlier);
            return decoder.run() ? decoder.set_ : nullptr;
        }
        PayloadDecoder decoder(Squeezed(std::move(payload)), shape, earlier);
        return decoder.run() ? decoder.set_ : nullptr;
    }

private:
    PayloadDecoder(QByteArray prepared, std::optional<RowsShape> shape, Recordset::Memory* earlier)
        : set_(std::make_shared<Recordset>()), forms_(Recordset::RegionalForms::current()), plainShape_(shape)
    {
        if (earlier) {
            set_->cells_ = std::move(earlier->cells);
            set_->cells_.clear();
        }
        set_->buffer_ = std::move(prepared);
        data_ = set_->buffer_.data(); // detached once; the buffer never grows while decoding
        bufferEnd_ = data_ + set_->buffer_.size();
    }

    bool run()
    {
        const qsizetype size = set_->buffer_.size();
        ItemCursor sections(data_, 0, size, SectionDelimiter);
        Item header;
        if (!sections.next(header) || !readHeader(header) || set_->columns_.empty())
            return false;
        const qsizetype rowsStart = sections.position();
        const RowsShape shape = plainShape_ ? *plainShape_ : ScanRows(data_ + rowsStart, size - rowsStart);
        reserveRows(shape.sectionDelimiters + 1, size);
        if (!shape.needsFullSplitting) {
            if (!readPlainRows(rowsStart, size))
                return false;
        } else {
            Item row;
            while (sections.next(row)) {
                if (!readRow(row))
                    return false;
            }
        }
        trimCells();
        return true;
    }

    // Rows without blanks, and without quotes but those of empty fields (the server's usual form):
    // every "~" ends a section. The field decoder stops at "~" as well, so the sections are found in
    // the same pass as the fields.
    bool readPlainRows(qsizetype start, qsizetype end)
    {
        while (start < end) {
            qsizetype sectionEnd = start;
            if (!readPlainRow(start, end, sectionEnd))
                return false;
            start = sectionEnd + 1;
        }
        return true;
    }

    bool readHeader(const Item& header)
    {
        ItemCursor definitions(data_, header.offset, header.offset + header.length, FieldDelimiter);
        Item definition;
        while (definitions.next(definition)) {
            if (!readDefinition(definition))
                return false;
        }
        return true;
    }

    // "name,code": creates the column unless the name exists; maps this position to it.
    bool readDefinition(const Item& definition)
    {
        ItemCursor parts(data_, definition.offset, definition.offset + definition.length, DefinitionDelimiter);
        Item name, code;
        if (!parts.next(name)) {
            positions_.push_back(-1);
            return true;
        }
        if (!parts.next(code) || name.length == 0)
            return false;
        replacePayloadTokens(name);
        replacePayloadTokens(code);
        const std::optional<int> typeCode = ParseTypeCode(bytes(code));
        if (!typeCode)
            return false;
        const QString columnName = QString::fromUtf8(bytes(name));
        const QString foldedName = columnName.toCaseFolded();
        auto known = columnsByFoldedName_.constFind(foldedName);
        if (known == columnsByFoldedName_.cend()) {
            known = columnsByFoldedName_.insert(foldedName, int(set_->columns_.size()));
            set_->columns_.push_back({columnName, foldedName, ColumnTypeFromCode(*typeCode)});
        }
        positions_.push_back(*known);
        return true;
    }

    // Every further section is one row at most; the cell count is bounded by the payload's
    // size so that a small hostile answer cannot claim a huge table. The cells of every possible
    // row are made at once, all null; run() trims the ones no row took.
    void reserveRows(std::size_t sectionCount, qsizetype size)
    {
        const std::size_t columns = set_->columns_.size();
        cellLimit_ = 8 * std::size_t(size) + 65536;
        if (sectionCount * columns <= cellLimit_) {
            if (set_->cells_.capacity() < sectionCount * columns) {
                set_->cells_ = {};
                set_->cells_.reserve(sectionCount * columns);
                AdviseLargePages(set_->cells_.data(), set_->cells_.capacity() * sizeof(Recordset::Cell));
            }
            set_->cells_.resize(sectionCount * columns);
        }
        columnTypes_.clear();
        for (const Recordset::Column& column : set_->columns_)
            columnTypes_.push_back(column.type);
    }

    bool readRow(const Item& section)
    {
        ItemCursor fields(data_, section.offset, section.offset + section.length, FieldDelimiter);
        Item field;
        std::size_t position = 0;
        bool rowStarted = false;
        for (; fields.next(field); ++position) {
            if (position >= positions_.size())
                return false;
            const int column = positions_[position];
            if (column < 0)
                continue;
            if (!rowStarted) {
                if (field.special)
                    field.length = ReplaceTokens(data_ + field.offset, field.length, kFirstFieldTokens);
                if (!startRow(column, field))
                    return false;
                rowStarted = true;
            } else if (!IsNullText(bytes(field))) {
                if (field.special)
                    field.length = ReplaceTokens(data_ + field.offset, field.length, kLaterFieldTokens);
                store(column, field);
            }
        }
        return true;
    }

    // A row section without blanks or quotes (but those of empty fields) that starts at `start` and ends at the next
    // "~" (or `end`), where it sets sectionEnd: its fields are the texts between "{", and each is decoded in the same
    // pass that finds its end. A later field that decodes to "NULL" with nothing replaced was "NULL".
    bool readPlainRow(qsizetype start, qsizetype end, qsizetype& sectionEnd)
    {
        if (start == end || data_[start] == SectionDelimiter) {
            sectionEnd = start;
            return true;
        }
        bool rowStarted = false;
        for (std::size_t position = 0;; ++position) {
            if (position >= positions_.size())
                return false;
            const int column = positions_[position];
            const TokenSet tokens = column < 0 ? kNoTokens : rowStarted ? kLaterFieldTokens : kFirstFieldTokens;
            qsizetype fieldEnd = 0;
            const Item field = start < end && data_[start] == '"' ? emptyQuotedField(start, fieldEnd)
                                                                  : decodePlainField(start, end, tokens, fieldEnd);
            if (column >= 0) {
                if (!rowStarted) {
                    if (!startRow(column, field))
                        return false;
                    rowStarted = true;
                } else if (fieldEnd - start != qsizetype(NullText.size()) || !IsNullText(bytes(field))) {
                    store(column, field);
                }
            }
            if (fieldEnd == end || data_[fieldEnd] == SectionDelimiter) {
                sectionEnd = fieldEnd;
                return true;
            }
            start = fieldEnd + 1;
        }
    }

    // The field `""` at data_[start], which the scan of the rows found followed by "{", "~" or the end.
    static Item emptyQuotedField(qsizetype start, qsizetype& fieldEnd)
    {
        fieldEnd = start + 2;
        return {start, 0, false};
    }

    // Decodes the field at data_[start] in place up to the next "{" or "~" (or `end`, which it sets
    // in fieldEnd) with the given tokens.
    Item decodePlainField(qsizetype start, qsizetype end, TokenSet tokens, qsizetype& fieldEnd)
    {
        const char* in = data_ + start;
        const char* const stop = data_ + end;
        char* out = data_ + start;
        while (true) {
            // Until the first replacement the text stays where it is; after it, bytes move down.
            const char* const at = NextFieldStop(in, stop);
            if (out != in)
                MoveDownWithin(out, in, at - in);
            out += at - in;
            in = at;
            if (in == stop || *in == FieldDelimiter || *in == SectionDelimiter)
                break;
            // No token holds "{" or "~", so matching up to the rows' end never crosses the field's end.
            const Token* token = TokenAt(in, stop, tokens);
            if (token) {
                *out++ = token->replacement;
                in += token->text.size();
            } else {
                *out++ = *in++;
            }
        }
        fieldEnd = in - data_;
        return {start, out - (data_ + start), false};
    }

    // MoveDown for a piece of a field being decoded, without touching a byte past the piece: whole
    // words go forward (each store lands below every byte not read yet, since to < from), and the
    // piece's last word, read before any store, is written last, overlapping the one before it.
    static void MoveDownWithin(char* to, const char* from, qsizetype count)
    {
        if (count >= 8) {
            std::uint64_t last;
            std::memcpy(&last, from + count - 8, sizeof last);
            for (qsizetype i = 0; i + 8 <= count; i += 8) {
                std::uint64_t word;
                std::memcpy(&word, from + i, sizeof word);
                std::memcpy(to + i, &word, sizeof word);
            }
            std::memcpy(to + count - 8, &last, sizeof last);
        } else if (count >= 4) {
            std::uint32_t first, last;
            std::memcpy(&first, from, sizeof first);
            std::memcpy(&last, from + count - 4, sizeof last);
            std::memcpy(to, &first, sizeof first);
            std::memcpy(to + count - 4, &last, sizeof last);
        } else {
            for (qsizetype i = 0; i < count; ++i)
                to[i] = from[i];
        }
    }

    // The first "{", "~", "[" or "&" in [from, stop), or stop, found in a window of 64 bytes whose
    // stops are kept as bits. The rows are read forward, and a byte is only written once it has
    // been read, so the bits of the bytes not read yet stay true while the window is in use.
    const char* NextFieldStop(const char* from, const char* stop)
    {
        while (from < stop) {
            const qsizetype offset = from - data_;
            if (offset < windowStart_ || offset >= windowStart_ + 64)
                loadWindow(offset);
            const std::uint64_t ahead = windowStops_ & (~std::uint64_t(0) << (offset - windowStart_));
            if (ahead != 0)
                return std::min<const char*>(data_ + windowStart_ + std::countr_zero(ahead), stop);
            from = data_ + windowStart_ + 64;
        }
        return stop;
    }

    // The stops of the 64 bytes at data_[start] (fewer at the end of the buffer) as bits.
    void loadWindow(qsizetype start)
    {
        windowStart_ = start;
        windowStops_ = 0;
        const char* const base = data_ + start;
#ifdef __SSE2__
        if (base + 64 <= bufferEnd_) {
            const __m128i brace = _mm_set1_epi8(FieldDelimiter);
            const __m128i tilde = _mm_set1_epi8(SectionDelimiter);
            const __m128i bracket = _mm_set1_epi8('[');
            const __m128i ampersand = _mm_set1_epi8('&');
            for (int block = 0; block < 4; ++block) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + 16 * block));
                const __m128i hits =
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, brace), _mm_cmpeq_epi8(bytes, tilde)),
                                 _mm_or_si128(_mm_cmpeq_epi8(bytes, bracket), _mm_cmpeq_epi8(bytes, ampersand)));
                windowStops_ |= std::uint64_t(unsigned(_mm_movemask_epi8(hits))) << (16 * block);
            }
            return;
        }
#endif
        const qsizetype available = std::min<qsizetype>(64, bufferEnd_ - base);
        for (qsizetype i = 0; i < available; ++i) {
            const char c = base[i];
            if (c == FieldDelimiter || c == SectionDelimiter || c == '[' || c == '&')
                windowStops_ |= std::uint64_t(1) << i;
        }
    }

    // The first named field of a row appends the row; a value that cannot be stored fails the
    // whole payload.
    bool startRow(int column, const Item& field)
    {
        const std::size_t columns = set_->columns_.size();
        const std::size_t rowEnd = (std::size_t(set_->rowCount_) + 1) * columns;
        if (rowEnd > cellLimit_ || set_->rowCount_ == std::numeric_limits<int>::max())
            return false;
        if (rowEnd > set_->cells_.size())
            set_->cells_.resize(rowEnd);
        rowStart_ = rowEnd - columns;
        ++set_->rowCount_;
        return store(column, field);
    }

    bool store(int column, const Item& field)
    {
        // Most cells are texts short enough to need no check, or small integers: they are stored
        // here, without a call.
        Recordset::Cell& cell = set_->cells_[rowStart_ + std::size_t(column)];
        const ColumnType type = columnTypes_[std::size_t(column)];
        if (type == ColumnType::Text && std::size_t(field.length) <= Recordset::kMaxTextCharacters) {
            cell = {std::uint32_t(field.offset), std::uint32_t(field.length)};
            return true;
        }
        if (type == ColumnType::Integer) {
            if (const std::optional<qint32> small =
                    Recordset::ShortUnsigned(data_ + field.offset, std::uint32_t(field.length))) {
                cell = {std::uint32_t(*small), 0};
                return true;
            }
        }
        return set_->storeText(column, set_->rowCount_ - 1, std::uint32_t(field.offset), std::uint32_t(field.length),
                               forms_);
    }

    // The cells the rows took, without those made for rows that did not come.
    void trimCells()
    {
        set_->cells_.resize(std::size_t(set_->rowCount_) * set_->columns_.size());
    }

    void replacePayloadTokens(Item& item)
    {
        if (item.special)
            item.length = ReplaceTokens(data_ + item.offset, item.length, kPayloadTokens);
    }

    QByteArrayView bytes(const Item& item) const
    {
        return {data_ + item.offset, item.length};
    }

    RecordsetPtr set_;
    Recordset::RegionalForms forms_;
    char* data_ = nullptr;
    const char* bufferEnd_ = nullptr;
    std::vector<int> positions_; // column of each header position; -1 for an empty definition
    QHash<QString, int> columnsByFoldedName_;
    std::size_t cellLimit_ = 0;
    std::vector<ColumnType> columnTypes_; // the type of each column
    std::size_t rowStart_ = 0;            // index of the current row's first cell
    qsizetype windowStart_ = -64;         // the window of NextFieldStop, at first none
    std::uint64_t windowStops_ = 0;
    std::optional<RowsShape> plainShape_; // the whole payload's shape when it needed no preparation
};

void AdviseLargePages(void* data, std::size_t bytes)
{
#ifdef __linux__
    constexpr std::size_t kLargeBuffer = std::size_t(8) << 20;
    constexpr std::uintptr_t kPage = 4096;
    if (bytes < kLargeBuffer)
        return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end > begin)
        (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

namespace {
RecordsetPtr DecodeOrNothing(QByteArray payload, std::optional<PayloadBytesSummary> summary,
                             Recordset::Memory* earlier = nullptr)
{
    try {
        return PayloadDecoder::Decode(std::move(payload), summary, earlier);
    } catch (...) {
        return nullptr; // out of memory or a failure of Qt: no data, never an exception
    }
}
} // namespace

RecordsetPtr DecodePayloadBuffer(QByteArray payload)
{
    return DecodeOrNothing(std::move(payload), std::nullopt);
}

RecordsetPtr DecodePayloadBuffer(QByteArray payload, const PayloadBytesSummary& summary)
{
    return DecodeOrNothing(std::move(payload), summary);
}

RecordsetPtr DecodePayloadBuffer(QByteArray payload, const PayloadBytesSummary& summary, Recordset::Memory& earlier)
{
    return DecodeOrNothing(std::move(payload), summary, &earlier);
}

RecordsetPtr DecodePayload(QByteArrayView payload)
{
    try {
        return DecodePayloadBuffer(payload.toByteArray());
    } catch (...) {
        return nullptr;
    }
}

QList<QByteArray> SplitDelimited(QByteArrayView text, char delimiter)
{
    if (text.isEmpty())
        return {};
    const void* nul = std::memchr(text.data(), '\0', std::size_t(text.size()));
    QByteArray copy = text.first(nul ? static_cast<const char*>(nul) - text.data() : text.size()).toByteArray();
    QList<QByteArray> items;
    ItemCursor cursor(copy.data(), 0, copy.size(), delimiter);
    Item item;
    while (cursor.next(item))
        items.append(QByteArray(copy.constData() + item.offset, item.length));
    return items;
}
