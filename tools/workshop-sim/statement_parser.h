// Gateway request decoding and a parser that reads statements with MySQL's literal rules.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// One literal argument of a procedure call. Numbers keep their written digits (with the
// sign applied); strings hold their bytes after MySQL's unescaping.
struct SqlValue {
    enum class Kind { Null, Integer, Decimal, Text };
    Kind kind = Kind::Null;
    std::string text;

    static SqlValue null() { return {}; }
    static SqlValue integer(std::string digits) { return {Kind::Integer, std::move(digits)}; }
    static SqlValue decimal(std::string digits) { return {Kind::Decimal, std::move(digits)}; }
    static SqlValue string(std::string bytes) { return {Kind::Text, std::move(bytes)}; }
    bool isNull() const { return kind == Kind::Null; }
    bool operator==(const SqlValue&) const = default;
};

struct ParsedStatement {
    enum class Kind { Call, SelectUpdateCounter, SelectDefaultsCount };
    Kind kind = Kind::Call;
    std::string procedure;      // the name as written (calls only)
    std::vector<SqlValue> args; // the literal arguments (calls only)
    std::string columnAlias;    // the alias of the selected column (selects only)
};

// Either a statement or the server's error text for it.
struct ParseResult {
    std::optional<ParsedStatement> statement;
    std::string error;
};

// The statement carried by the raw query text of a gateway request (everything after
// "run.php?"): the "0.*_." prefix removed, percent-decoded, and the client's tokens
// ("5*(5*c", "[*edp*]", "[*dot*]", "[*com*]") turned back into text. Nothing when the
// prefix is missing.
std::optional<std::string> DecodeGatewayQuery(std::string_view rawQuery);

// %XX (either case) becomes its byte; a "%" without two hex digits is copied as it is.
std::string PercentDecodeBytes(std::string_view text);

// "5*(5*c" -> "call usp_", "[*edp*]" -> "+", "[*dot*]" -> ".", "[*com*]" -> ",".
std::string ReplaceClientTokens(std::string text);

// Accepts the statement forms the client sends: "call name", "call name ()",
// "call name (literal, ...)", the bare "name literal, ..." form of the tyre search and the
// two SELECTs on ordavodefaults. Comments, blanks and one closing ";" are allowed as on a
// MySQL server; anything else is the MySQL syntax error text.
ParseResult ParseStatement(std::string_view statement);

// MySQL's text for a syntax error found at byte offset pos of statement.
std::string SyntaxErrorText(std::string_view statement, std::size_t pos);

} // namespace sim
