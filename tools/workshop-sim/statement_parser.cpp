// Gateway request decoding and a statement parser with MySQL's lexical rules for literals.
#include "statement_parser.h"

#include "data/server_contract.h"

#include <cctype>
#include <utility>

namespace sim {
namespace {

// Builds the result in a new string rather than replacing in place: one pass however many
// places match.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    std::size_t pos = text.find(from);
    if (pos == std::string::npos)
        return;
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    for (; pos != std::string::npos; pos = text.find(from, copied)) {
        result.append(text, copied, pos - copied);
        result.append(to);
        copied = pos + from.size();
    }
    result.append(text, copied, std::string::npos);
    text = std::move(result);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsBlank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsIdentifierByte(unsigned char c)
{
    return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

struct Token {
    enum class Type { End, Word, QuotedName, Number, String, Punct };
    Type type = Type::End;
    std::string text; // words and numbers as written; strings and quoted names unescaped
    std::size_t pos = 0;
    bool isDecimal = false; // numbers with a fraction or an exponent
    bool isPunct(char c) const { return type == Type::Punct && text.size() == 1 && text[0] == c; }
    bool isWord(std::string_view word) const { return type == Type::Word && EqualsIgnoreCase(text, word); }
};

// Thrown inside the parser with the byte offset where MySQL would report the error.
struct SyntaxFailure {
    std::size_t pos;
};

// Reads one token at a time, as MySQL's lexer does, so that a lexical problem further on is
// reported only when the grammar reaches it.
class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    Token next()
    {
        skipBlanksAndComments();
        Token token;
        token.pos = pos_;
        if (pos_ >= text_.size())
            return token;
        const unsigned char c = static_cast<unsigned char>(text_[pos_]);
        if (c == '\'' || c == '"')
            return readString(token);
        if (c == '`')
            return readQuotedName(token);
        if (std::isdigit(c) || (c == '.' && pos_ + 1 < text_.size() && std::isdigit(uchar(pos_ + 1))))
            return readNumberOrWord(token);
        if (IsIdentifierByte(c))
            return readWord(token);
        token.type = Token::Type::Punct;
        token.text = std::string(1, static_cast<char>(c));
        ++pos_;
        return token;
    }

private:
    unsigned char uchar(std::size_t at) const { return static_cast<unsigned char>(text_[at]); }

    void skipBlanksAndComments()
    {
        while (pos_ < text_.size()) {
            const unsigned char c = uchar(pos_);
            if (IsBlank(c)) {
                ++pos_;
            } else if (c == '#') {
                skipToLineEnd();
            } else if (c == '-' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '-' &&
                       (pos_ + 2 >= text_.size() || IsBlank(uchar(pos_ + 2)) || uchar(pos_ + 2) < 32)) {
                skipToLineEnd();
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
                const std::size_t end = text_.find("*/", pos_ + 2);
                if (end == std::string_view::npos)
                    throw SyntaxFailure{pos_};
                pos_ = end + 2;
            } else {
                return;
            }
        }
    }

    void skipToLineEnd()
    {
        while (pos_ < text_.size() && text_[pos_] != '\n')
            ++pos_;
    }

    // MySQL string literal: the same quote doubled stands for one, backslash escapes
    // \0 \' \" \b \n \r \t \Z \\ are translated, \% and \_ keep their backslash, and a
    // backslash before any other character stands for that character.
    Token readString(Token& token)
    {
        const char quote = text_[pos_];
        std::size_t at = pos_ + 1;
        std::string value;
        for (;;) {
            if (at >= text_.size())
                throw SyntaxFailure{token.pos};
            const char c = text_[at];
            if (c == '\\') {
                if (at + 1 >= text_.size())
                    throw SyntaxFailure{token.pos};
                value += UnescapedByte(text_[at + 1]);
                at += 2;
            } else if (c == quote) {
                if (at + 1 < text_.size() && text_[at + 1] == quote) {
                    value += quote;
                    at += 2;
                } else {
                    ++at;
                    break;
                }
            } else {
                value += c;
                ++at;
            }
        }
        pos_ = at;
        token.type = Token::Type::String;
        token.text = std::move(value);
        return token;
    }

    static std::string UnescapedByte(char escaped)
    {
        switch (escaped) {
        case '0':
            return std::string(1, '\0');
        case 'b':
            return "\b";
        case 'n':
            return "\n";
        case 'r':
            return "\r";
        case 't':
            return "\t";
        case 'Z':
            return "\x1A";
        case '%':
            return "\\%";
        case '_':
            return "\\_";
        default:
            return std::string(1, escaped);
        }
    }

    Token readQuotedName(Token& token)
    {
        std::size_t at = pos_ + 1;
        std::string name;
        for (;;) {
            if (at >= text_.size())
                throw SyntaxFailure{token.pos};
            if (text_[at] == '`') {
                if (at + 1 < text_.size() && text_[at + 1] == '`') {
                    name += '`';
                    at += 2;
                    continue;
                }
                ++at;
                break;
            }
            name += text_[at++];
        }
        pos_ = at;
        token.type = Token::Type::QuotedName;
        token.text = std::move(name);
        return token;
    }

    // Digits with an optional fraction and exponent form a number; digits followed by
    // identifier characters form a word, as MySQL allows identifiers such as 1abc.
    Token readNumberOrWord(Token& token)
    {
        std::size_t at = pos_;
        while (at < text_.size() && std::isdigit(uchar(at)))
            ++at;
        bool isDecimal = false;
        if (at < text_.size() && text_[at] == '.') {
            isDecimal = true;
            ++at;
            while (at < text_.size() && std::isdigit(uchar(at)))
                ++at;
        }
        if (at < text_.size() && (text_[at] == 'e' || text_[at] == 'E')) {
            std::size_t exp = at + 1;
            if (exp < text_.size() && (text_[exp] == '+' || text_[exp] == '-'))
                ++exp;
            if (exp < text_.size() && std::isdigit(uchar(exp))) {
                isDecimal = true;
                at = exp;
                while (at < text_.size() && std::isdigit(uchar(at)))
                    ++at;
            }
        }
        if (!isDecimal && at < text_.size() && IsIdentifierByte(uchar(at)))
            return readWord(token);
        token.type = Token::Type::Number;
        token.text = std::string(text_.substr(pos_, at - pos_));
        token.isDecimal = isDecimal;
        pos_ = at;
        return token;
    }

    Token readWord(Token& token)
    {
        std::size_t at = pos_;
        while (at < text_.size() && IsIdentifierByte(uchar(at)))
            ++at;
        token.type = Token::Type::Word;
        token.text = std::string(text_.substr(pos_, at - pos_));
        pos_ = at;
        return token;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

class Parser {
public:
    explicit Parser(std::string_view text) : lexer_(text) { advance(); }

    ParsedStatement parse()
    {
        ParsedStatement statement;
        if (current_.isWord("call")) {
            advance();
            statement.procedure = takeProcedureName();
            if (current_.isPunct('('))
                statement.args = takeParenthesisedArguments();
        } else if (current_.isWord("select")) {
            statement = takeSelect();
        } else if (current_.type == Token::Type::Word && current_.text.size() > 4 &&
                   EqualsIgnoreCase(std::string_view(current_.text).substr(0, 4), "usp_")) {
            // The tyre search is sent without "call " and without brackets.
            statement.procedure = current_.text;
            advance();
            statement.args = takeBareArguments();
        } else {
            fail();
        }
        takeStatementEnd();
        return statement;
    }

private:
    void advance() { current_ = lexer_.next(); }
    [[noreturn]] void fail() const { throw SyntaxFailure{current_.pos}; }

    std::string takeProcedureName()
    {
        if (current_.type != Token::Type::Word && current_.type != Token::Type::QuotedName)
            fail();
        std::string name = current_.text;
        advance();
        return name;
    }

    std::vector<SqlValue> takeParenthesisedArguments()
    {
        advance(); // "("
        std::vector<SqlValue> args;
        if (current_.isPunct(')')) {
            advance();
            return args;
        }
        for (;;) {
            args.push_back(takeLiteral());
            if (current_.isPunct(')')) {
                advance();
                return args;
            }
            if (!current_.isPunct(','))
                fail();
            advance();
        }
    }

    std::vector<SqlValue> takeBareArguments()
    {
        std::vector<SqlValue> args;
        if (current_.type == Token::Type::End || current_.isPunct(';'))
            return args;
        args.push_back(takeLiteral());
        while (current_.isPunct(',')) {
            advance();
            args.push_back(takeLiteral());
        }
        return args;
    }

    // A literal: NULL, TRUE, FALSE, a number with any chain of unary signs, or one or more
    // adjacent string literals (MySQL joins 'a' 'b' into 'ab').
    SqlValue takeLiteral()
    {
        bool negative = false;
        bool signed_ = false;
        while (current_.isPunct('-') || current_.isPunct('+')) {
            negative ^= current_.isPunct('-');
            signed_ = true;
            advance();
        }
        if (current_.type == Token::Type::Number) {
            const std::string digits = negative ? "-" + current_.text : current_.text;
            const bool isDecimal = current_.isDecimal;
            advance();
            return isDecimal ? SqlValue::decimal(digits) : SqlValue::integer(digits);
        }
        if (signed_)
            fail();
        if (current_.type == Token::Type::String) {
            std::string joined;
            while (current_.type == Token::Type::String) {
                joined += current_.text;
                advance();
            }
            return SqlValue::string(std::move(joined));
        }
        if (current_.isWord("null")) {
            advance();
            return SqlValue::null();
        }
        if (current_.isWord("true") || current_.isWord("false")) {
            const bool value = current_.isWord("true");
            advance();
            return SqlValue::integer(value ? "1" : "0");
        }
        fail();
    }

    // SELECT IFNULL(needeedupdate,-1) AS alias FROM ordavodefaults
    // SELECT COUNT(*) AS alias FROM ordavodefaults
    ParsedStatement takeSelect()
    {
        ParsedStatement statement;
        advance(); // SELECT
        if (current_.isWord("ifnull")) {
            statement.kind = ParsedStatement::Kind::SelectUpdateCounter;
            advance();
            expectPunct('(');
            expectWord("needeedupdate");
            expectPunct(',');
            expectPunct('-');
            if (current_.type != Token::Type::Number || current_.text != "1")
                fail();
            advance();
            expectPunct(')');
        } else if (current_.isWord("count")) {
            statement.kind = ParsedStatement::Kind::SelectDefaultsCount;
            advance();
            expectPunct('(');
            expectPunct('*');
            expectPunct(')');
        } else {
            fail();
        }
        expectWord("as");
        if (current_.type != Token::Type::String && current_.type != Token::Type::Word &&
            current_.type != Token::Type::QuotedName)
            fail();
        statement.columnAlias = current_.text;
        advance();
        expectWord("from");
        expectWord("ordavodefaults");
        return statement;
    }

    void expectPunct(char c)
    {
        if (!current_.isPunct(c))
            fail();
        advance();
    }

    void expectWord(std::string_view word)
    {
        if (!current_.isWord(word) &&
            !(current_.type == Token::Type::QuotedName && EqualsIgnoreCase(current_.text, word)))
            fail();
        advance();
    }

    // One closing ";" may follow; anything else (a second statement included) is an error.
    void takeStatementEnd()
    {
        if (current_.isPunct(';'))
            advance();
        if (current_.type != Token::Type::End)
            fail();
    }

    Lexer lexer_;
    Token current_;
};

} // namespace

std::string PercentDecodeBytes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ReplaceClientTokens(std::string text)
{
    ReplaceAll(text, ServerContract::CallUspToken, ServerContract::CallUsp);
    ReplaceAll(text, ServerContract::PlusToken, "+");
    ReplaceAll(text, ServerContract::DotToken, ".");
    ReplaceAll(text, ServerContract::CommaToken, ",");
    return text;
}

std::optional<std::string> DecodeGatewayQuery(std::string_view rawQuery)
{
    if (rawQuery.substr(0, ServerContract::QueryPrefix.size()) != ServerContract::QueryPrefix)
        return std::nullopt;
    return ReplaceClientTokens(PercentDecodeBytes(rawQuery.substr(ServerContract::QueryPrefix.size())));
}

std::string SyntaxErrorText(std::string_view statement, std::size_t pos)
{
    pos = std::min(pos, statement.size());
    int line = 1;
    for (std::size_t i = 0; i < pos; ++i)
        if (statement[i] == '\n')
            ++line;
    // MySQL quotes at most 80 bytes of the rest; the cut never splits a UTF-8 character.
    std::size_t length = std::min<std::size_t>(80, statement.size() - pos);
    while (length > 0 && pos + length < statement.size() &&
           (static_cast<unsigned char>(statement[pos + length]) & 0xC0) == 0x80)
        --length;
    return "You have an error in your SQL syntax; check the manual that corresponds to your MySQL server "
           "version for the right syntax to use near '" +
           std::string(statement.substr(pos, length)) + "' at line " + std::to_string(line);
}

ParseResult ParseStatement(std::string_view statement)
{
    try {
        Parser parser(statement);
        return {parser.parse(), {}};
    } catch (const SyntaxFailure& failure) {
        return {std::nullopt, SyntaxErrorText(statement, failure.pos)};
    }
}

} // namespace sim
