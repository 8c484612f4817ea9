// The simulator's SQLite database: schema, procedures with MySQL's argument rules, and control operations.
#include "database.h"

#include "seed_data.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace sim {

// A failure a MySQL server would answer with its own text; caught by execute().
struct SqlError {
    std::string message;
};

namespace {

constexpr int TypeInteger = 3;
constexpr int TypeDateTime = 135;
constexpr int TypeText = 200;

constexpr const char* WorkshopSchemaName = "ordavo";
constexpr const char* DirectorySchemaName = "ordavo_imenik";

} // namespace

// A prepared statement; values only ever enter SQL through bind().
class Query {
public:
    Query(sqlite3* db, const char* sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("SQLite prepare failed: ") + sqlite3_errmsg(db) + " in " + sql);
    }
    ~Query() { sqlite3_finalize(stmt_); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int index, std::int64_t value)
    {
        sqlite3_bind_int64(stmt_, index, value);
        return *this;
    }
    Query& bind(int index, const std::string& value)
    {
        sqlite3_bind_text(stmt_, index, value.data(), int(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Query& bindNull(int index)
    {
        sqlite3_bind_null(stmt_, index);
        return *this;
    }
    Query& bind(int index, const std::optional<std::string>& value)
    {
        if (value)
            return bind(index, *value);
        sqlite3_bind_null(stmt_, index);
        return *this;
    }
    Query& bind(int index, const std::optional<std::int64_t>& value)
    {
        if (value)
            return bind(index, *value);
        sqlite3_bind_null(stmt_, index);
        return *this;
    }

    // True while a row is available.
    bool step()
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw std::runtime_error(std::string("SQLite step failed: ") + sqlite3_errmsg(db_));
    }
    void run()
    {
        while (step()) {
        }
        reset();
    }
    void reset()
    {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }

    std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    ResultValue text(int column) const
    {
        if (isNull(column))
            return std::nullopt;
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return std::string(bytes, std::size_t(sqlite3_column_bytes(stmt_, column)));
    }
    int columnCount() const { return sqlite3_column_count(stmt_); }

    // All remaining rows as a result table with the given column names and type codes.
    ResultTable table(std::vector<ResultColumn> columns)
    {
        ResultTable result;
        result.columns = std::move(columns);
        const int count = columnCount();
        while (step()) {
            std::vector<ResultValue> row;
            row.reserve(std::size_t(count));
            for (int c = 0; c < count; ++c)
                row.push_back(text(c));
            result.rows.push_back(std::move(row));
        }
        return result;
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) { sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr); }
    ~Transaction()
    {
        if (!committed_)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit()
    {
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        committed_ = true;
    }

private:
    sqlite3* db_;
    bool committed_ = false;
};

namespace {

QString FoldForSearch(const QString& text)
{
    QString folded = text.toCaseFolded();
    folded.remove(QLatin1Char(' '));
    folded.remove(QLatin1Char('-'));
    return folded;
}

// ci_contains(haystack, needle): case-insensitive substring match on UTF-8 text, also
// ignoring blanks and dashes, so "lj12" finds the plate "LJ 12-ABC".
void CiContainsFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    if (sqlite3_value_type(values[0]) == SQLITE_NULL || sqlite3_value_type(values[1]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    const auto hay = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(values[0])));
    const auto needle = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(values[1])));
    const bool found = hay.contains(needle, Qt::CaseInsensitive) || FoldForSearch(hay).contains(FoldForSearch(needle));
    sqlite3_result_int(context, found ? 1 : 0);
}

// MySQL's texts for a procedure argument that does not convert to its parameter's type.
std::string ColumnValueError(std::string_view kind, std::string_view value, std::string_view column)
{
    return "Incorrect " + std::string(kind) + " value: '" + std::string(value) + "' for column ``.``.`" +
           std::string(column) + "` at row 0";
}

std::string TruncatedError(std::string_view column)
{
    return "Data truncated for column '" + std::string(column) + "' at row 0";
}

std::string OutOfRangeError(std::string_view column)
{
    return "Out of range value for column '" + std::string(column) + "' at row 0";
}

std::string Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// A number as MySQL reads a text for a numeric parameter: blanks around it are allowed; a
// text that starts with no number is incorrect, a number followed by anything else is
// truncated. The number is written with "." (MySQL's only separator), optional sign and exponent.
struct SqlNumber {
    enum class Reading { Number, Truncated, Incorrect };
    Reading reading = Reading::Incorrect;
    double value = 0;
    std::string written; // the number as written, without blanks and what follows it
    bool hasExponent = false;
};

// A number written without exponent, rounded half away from zero to two decimals on its
// digits as written (as a DECIMAL column does, where a double would turn 12.555 into 12.55).
// Nothing when more than eight digits stand before the point.
std::optional<std::string> RoundToCents(std::string_view written)
{
    const bool negative = !written.empty() && written.front() == '-';
    if (!written.empty() && (written.front() == '-' || written.front() == '+'))
        written.remove_prefix(1);
    const std::size_t point = written.find('.');
    std::string whole(written.substr(0, point));
    std::string fraction(point == std::string_view::npos ? std::string_view() : written.substr(point + 1));
    fraction.resize(3, '0');
    std::string digits = whole + fraction.substr(0, 2); // the value in cents
    if (fraction[2] >= '5') {
        std::size_t at = digits.size();
        while (at > 0 && digits[at - 1] == '9')
            digits[--at] = '0';
        if (at == 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[at - 1];
    }
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    digits.insert(0, std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0'));
    if (digits.size() - 2 > 8)
        return std::nullopt;
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    std::string rounded = negative && !zero ? "-" : "";
    rounded.append(digits, 0, digits.size() - 2);
    rounded += '.';
    rounded.append(digits, digits.size() - 2);
    return rounded;
}

SqlNumber ReadSqlNumber(std::string_view text)
{
    const std::string trimmed = Trimmed(text);
    std::size_t at = 0;
    auto digits = [&trimmed, &at] {
        const std::size_t from = at;
        while (at < trimmed.size() && trimmed[at] >= '0' && trimmed[at] <= '9')
            ++at;
        return at - from;
    };
    if (at < trimmed.size() && (trimmed[at] == '+' || trimmed[at] == '-'))
        ++at;
    std::size_t mantissa = digits();
    if (at < trimmed.size() && trimmed[at] == '.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return {};
    std::size_t end = at;
    if (at < trimmed.size() && (trimmed[at] == 'e' || trimmed[at] == 'E')) {
        ++at;
        if (at < trimmed.size() && (trimmed[at] == '+' || trimmed[at] == '-'))
            ++at;
        if (digits() > 0)
            end = at;
    }
    bool ok = false;
    const double value = QString::fromStdString(trimmed.substr(0, end)).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return {};
    return {end == trimmed.size() ? SqlNumber::Reading::Number : SqlNumber::Reading::Truncated, value,
            trimmed.substr(0, end), trimmed.find_first_of("eE") < end};
}

std::string FormatMoney(double value)
{
    return QString::number(value, 'f', 2).toStdString();
}

std::string FormatDateTime(const QDateTime& value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

std::string ToLowerUtf8(const std::string& text)
{
    return QString::fromStdString(text).toLower().toStdString();
}

ResultTable SingleValueTable(std::string column, int typeCode, ResultValue value)
{
    ResultTable table;
    table.columns.push_back({std::move(column), typeCode});
    table.rows.push_back({std::move(value)});
    return table;
}

StatementOutcome Rows(ResultTable table)
{
    return {{}, std::move(table)};
}

StatementOutcome NoResultSet()
{
    return {};
}

// The columns of an order row as every order list answers them: the list's columns and
// the order window's header columns together.
constexpr const char* OrderRowSelect = R"(
SELECT n.id, n.nalogStevilka, s.prikaz, n.vnesel, n.komentar, n.datum, n.viewed, n.vozilo,
       n.registrska_st, n.nalogType, n.saved,
       COALESCE(s.ime, ''), COALESCE(s.priimek, ''), COALESCE(s.idddv, ''), COALESCE(s.naslov, ''),
       COALESCE(s.podjetje, ''), n.podpis, n.slika1, n.slika2, n.slika3, n.slika4,
       COALESCE(s.pravnaoseba, 0), n.popisanoShranjevanje, n.SHRLokacija
FROM nalogi n LEFT JOIN stranke s ON s.id = n.stranka_id
)";

// The list forms answer only the columns the order list reads; the single-order form adds
// the customer, documents and storage columns the order window reads.
constexpr const char* OrderListSelect = R"(
SELECT n.id, n.nalogStevilka, s.prikaz, n.vnesel, n.komentar, n.datum, n.viewed, n.vozilo,
       n.registrska_st, n.nalogType, n.saved
FROM nalogi n LEFT JOIN stranke s ON s.id = n.stranka_id
)";
constexpr std::size_t OrderListColumnCount = 11;

std::vector<ResultColumn> OrderRowColumns()
{
    return {{"id", TypeInteger},
            {"nalogStevilka", TypeText},
            {"Stranka", TypeText},
            {"vnesel", TypeText},
            {"komentar", TypeText},
            {"datum", TypeDateTime},
            {"viewed", TypeInteger},
            {"vozilo", TypeText},
            {"registrska_st", TypeText},
            {"nalogType", TypeInteger},
            {"saved", TypeInteger},
            {"strankaime", TypeText},
            {"strankapriimek", TypeText},
            {"strankaidddv", TypeText},
            {"strankanaslov", TypeText},
            {"strankapodjetje", TypeText},
            {"podpis", TypeText},
            {"slika1", TypeText},
            {"slika2", TypeText},
            {"slika3", TypeText},
            {"slika4", TypeText},
            {"pravnaoseba", TypeInteger},
            {"popisanoShranjevanje", TypeInteger},
            {"SHRLokacija", TypeInteger}};
}

constexpr const char* TyreRowSelect = R"(
SELECT n.id, n.nalogStevilka, n.popisanoShranjevanje, n.SHRLokacija, n.datum, s.prikaz, n.vnesel,
       n.komentar, n.viewed, COALESCE(l.ime, 'Nepopisano')
FROM nalogi n LEFT JOIN stranke s ON s.id = n.stranka_id LEFT JOIN lokacije l ON l.id = n.SHRLokacija
)";

std::vector<ResultColumn> TyreRowColumns(bool withPlaceName)
{
    std::vector<ResultColumn> columns = {
        {"id", TypeInteger},          {"nalogStevilka", TypeText}, {"popisanoShranjevanje", TypeInteger},
        {"SHRLokacija", TypeInteger}, {"datum", TypeDateTime},     {"Stranka", TypeText},
        {"vnesel", TypeText},         {"komentar", TypeText},      {"viewed", TypeInteger}};
    if (withPlaceName)
        columns.push_back({"lokacijaNM", TypeText});
    return columns;
}

} // namespace

const ResultValue& ResultTable::value(std::size_t row, std::string_view column) const
{
    static const ResultValue missing;
    for (std::size_t c = 0; c < columns.size(); ++c)
        if (QString::fromStdString(columns[c].name)
                .compare(QString::fromUtf8(column.data(), qsizetype(column.size())), Qt::CaseInsensitive) == 0)
            return rows.at(row).at(c);
    return missing;
}

bool IsSupportedDateFormat(std::string_view format)
{
    return format == DateFormatIso || format == DateFormatSlashes || format == DateFormatDotted;
}

std::optional<QDate> ParseListDate(std::string_view text, std::string_view format)
{
    if (text.size() != format.size())
        return std::nullopt;
    int year = 0, month = 0, day = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char f = format[i];
        const char c = text[i];
        int* target = f == 'y' ? &year : f == 'm' ? &month : f == 'd' ? &day : nullptr;
        if (!target) {
            if (c != f)
                return std::nullopt;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        *target = *target * 10 + (c - '0');
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// ---------------------------------------------------------------------------------------
// Procedure declarations and MySQL's conversion of IN arguments.

enum class ParamKind { Integer, Text, Date, Decimal };

struct ParamSpec {
    const char* name;
    ParamKind kind;
};

struct WorkshopDatabase::Procedure {
    std::vector<ParamSpec> params;
    Handler handler;
};

// The arguments of one call, converted to the declared parameter types at call time as a
// MySQL server does (strict mode): a value that does not convert fails the whole call.
class WorkshopDatabase::Arguments {
public:
    Arguments(const std::vector<ParamSpec>& specs, const std::vector<SqlValue>& values, const std::string& dateFormat)
    {
        for (std::size_t i = 0; i < specs.size(); ++i)
            converted_.push_back(convert(specs[i], values[i], dateFormat));
    }

    std::optional<std::int64_t> integer(std::size_t i) const
    {
        if (!converted_[i])
            return std::nullopt;
        return std::stoll(*converted_[i]);
    }
    std::int64_t integerOr(std::size_t i, std::int64_t fallback) const { return integer(i).value_or(fallback); }
    // Text, dates ("YYYY-MM-DD") and decimals ("0.00") in their stored form.
    const ResultValue& text(std::size_t i) const { return converted_[i]; }
    std::string textOrEmpty(std::size_t i) const { return converted_[i].value_or(std::string()); }

private:
    static ResultValue convert(const ParamSpec& param, const SqlValue& value, const std::string& dateFormat)
    {
        if (value.isNull())
            return std::nullopt;
        switch (param.kind) {
        case ParamKind::Text:
            return value.text;
        case ParamKind::Integer:
            return toInteger(param, value);
        case ParamKind::Decimal:
            return toDecimal(param, value);
        case ParamKind::Date:
            return toDate(param, value, dateFormat);
        }
        return std::nullopt;
    }

    static double number(const ParamSpec& param, const SqlValue& value, const char* kind)
    {
        const SqlNumber read = ReadSqlNumber(value.text);
        if (read.reading == SqlNumber::Reading::Incorrect)
            throw SqlError{ColumnValueError(kind, value.text, param.name)};
        if (read.reading == SqlNumber::Reading::Truncated)
            throw SqlError{TruncatedError(param.name)};
        return read.value;
    }

    static std::string toInteger(const ParamSpec& param, const SqlValue& value)
    {
        const double rounded = std::round(number(param, value, "integer")); // MySQL rounds half away from zero
        if (rounded > 2147483647.0 || rounded < -2147483648.0)
            throw SqlError{OutOfRangeError(param.name)};
        return std::to_string(static_cast<std::int64_t>(rounded));
    }

    // DECIMAL(10,2): at most eight digits before the point once rounded to cents.
    static std::string toDecimal(const ParamSpec& param, const SqlValue& value)
    {
        const double read = number(param, value, "decimal");
        const SqlNumber exact = ReadSqlNumber(value.text);
        if (!exact.hasExponent) {
            const auto rounded = RoundToCents(exact.written);
            if (!rounded)
                throw SqlError{OutOfRangeError(param.name)};
            return *rounded;
        }
        const double cents = std::round(read * 100.0);
        if (std::fabs(cents) >= 1e10)
            throw SqlError{OutOfRangeError(param.name)};
        return FormatMoney(cents / 100.0 + 0.0); // + 0.0 turns -0 into 0
    }

    static std::string toDate(const ParamSpec& param, const SqlValue& value, const std::string& dateFormat)
    {
        const auto date = ParseListDate(value.text, dateFormat);
        if (!date)
            throw SqlError{ColumnValueError("date", value.text, param.name)};
        return date->toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    }

    std::vector<ResultValue> converted_;
};

// ---------------------------------------------------------------------------------------

// The connection is opened without SQLite's own locking: every access already runs under
// mutex_, and SQLite's per-call locking costs more than the query on large lists.
WorkshopDatabase::WorkshopDatabase(const std::string& path)
{
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open database " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
    exec("PRAGMA journal_mode=WAL");
    {
        Query probe(db_, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'nalogi'");
        probe.step();
        created_ = probe.integer(0) == 0;
    }
    createSchema();
    registerFunctions();
    registerProcedures();
}

WorkshopDatabase::~WorkshopDatabase()
{
    sqlite3_close(db_);
}

void WorkshopDatabase::exec(const char* sql) const
{
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("SQLite failed: " + message);
    }
}

void WorkshopDatabase::createSchema()
{
    exec(R"(
CREATE TABLE IF NOT EXISTS stranke (
  id INTEGER PRIMARY KEY, ime TEXT NOT NULL, priimek TEXT NOT NULL, idddv TEXT NOT NULL,
  naslov TEXT NOT NULL, podjetje TEXT NOT NULL, pravnaoseba INTEGER NOT NULL, prikaz TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS lokacije (id INTEGER PRIMARY KEY, ime TEXT NOT NULL, opis TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS nalogi (
  id INTEGER PRIMARY KEY, nalogStevilka TEXT NOT NULL, nalogType INTEGER NOT NULL, datum TEXT NOT NULL,
  vnesel TEXT NOT NULL, vozilo TEXT NOT NULL, registrska_st TEXT NOT NULL, komentar TEXT NOT NULL,
  viewed INTEGER NOT NULL, saved INTEGER NOT NULL, status INTEGER NOT NULL,
  stranka_id INTEGER REFERENCES stranke(id), podpis TEXT NOT NULL,
  slika1 TEXT NOT NULL, slika2 TEXT NOT NULL, slika3 TEXT NOT NULL, slika4 TEXT NOT NULL,
  shranjevanje INTEGER NOT NULL, popisanoShranjevanje INTEGER NOT NULL, SHRLokacija INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS nalogi_datum ON nalogi(datum);
CREATE TABLE IF NOT EXISTS postavke_naloga (
  id INTEGER PRIMARY KEY, nalog_id INTEGER NOT NULL REFERENCES nalogi(id), pozicija INTEGER NOT NULL,
  opis TEXT NOT NULL, dodatno TEXT NOT NULL, kolicina TEXT NOT NULL, cena TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS postavke_naloga_nalog ON postavke_naloga(nalog_id);
CREATE TABLE IF NOT EXISTS postavke (
  id INTEGER PRIMARY KEY, opis TEXT NOT NULL, cena TEXT NOT NULL, enabled INTEGER NOT NULL, orderby INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS ordavodefaults (
  id INTEGER PRIMARY KEY, needeedupdate INTEGER, liveversion TEXT, koda TEXT, imepodjetja TEXT,
  naslovpodjetja TEXT, postnastevilkainposta TEXT, telefon TEXT, fax TEXT, tax TEXT, www TEXT,
  avtotitle TEXT, registrkatitle TEXT);
CREATE TABLE IF NOT EXISTS imenik (
  koda TEXT PRIMARY KEY, imepodjetja TEXT NOT NULL, naslovpodjetja TEXT NOT NULL,
  postnastevilkainposta TEXT NOT NULL, telefon TEXT NOT NULL, fax TEXT NOT NULL, tax TEXT NOT NULL,
  www TEXT NOT NULL, avtotitle TEXT NOT NULL, registrkatitle TEXT NOT NULL);
)");
}

void WorkshopDatabase::registerFunctions()
{
    sqlite3_create_function(db_, "ci_contains", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, CiContainsFunction,
                            nullptr, nullptr);
}

void WorkshopDatabase::registerProcedures()
{
    using K = ParamKind;
    workshopProcedures_ = {
        {"usp_checkdate", {{{"pDatum", K::Date}}, &WorkshopDatabase::checkDate}},
        {"usp_getversion", {{}, &WorkshopDatabase::getVersion}},
        {"usp_insertupdatedefaultnalogsettings",
         {{{"pLiveVersion", K::Text},
           {"pKoda", K::Text},
           {"pImePodjetja", K::Text},
           {"pNaslovPodjetja", K::Text},
           {"pPostnaStevilkaInPosta", K::Text},
           {"pTelefon", K::Text},
           {"pFax", K::Text},
           {"pTax", K::Text},
           {"pWww", K::Text},
           {"pAvtoTitle", K::Text},
           {"pRegistrkaTitle", K::Text}},
          &WorkshopDatabase::insertUpdateDefaults}},
        {"usp_listneobracunaninalogi",
         {{{"pFilter", K::Integer},
           {"pOd", K::Date},
           {"pDo", K::Date},
           {"pNalogId", K::Integer},
           {"pIskanje", K::Integer},
           {"pNiz", K::Text}},
          &WorkshopDatabase::listOrders}},
        {"usp_listnalogpostavke", {{{"pNalogId", K::Integer}}, &WorkshopDatabase::listOrderItems}},
        {"usp_updatenalog",
         {{{"pNalogId", K::Integer}, {"pStatus", K::Integer}}, &WorkshopDatabase::updateOrderStatus}},
        {"usp_getnalogedit", {{{"pNalogId", K::Integer}}, &WorkshopDatabase::getOrderEditLock}},
        {"usp_listpostavkeall", {{}, &WorkshopDatabase::listCatalogue}},
        {"usp_updatesavepostavka",
         {{{"pId", K::Integer},
           {"pOpis", K::Text},
           {"pCena", K::Decimal},
           {"pOrderBy", K::Integer},
           {"pAkcija", K::Integer}},
          &WorkshopDatabase::saveCatalogueItem}},
        {"usp_listlokacije", {{}, &WorkshopDatabase::listLocations}},
        {"usp_insertupdatelokacija",
         {{{"pId", K::Integer}, {"pIme", K::Text}, {"pOpis", K::Text}, {"pAkcija", K::Integer}},
          &WorkshopDatabase::saveLocation}},
        {"usp_listnevneseni", {{{"pVsi", K::Integer}}, &WorkshopDatabase::listTyreOrders}},
        {"usp_saveshrlocation",
         {{{"pNalogId", K::Integer}, {"pLokacijaId", K::Integer}}, &WorkshopDatabase::saveTyreLocation}},
        {"usp_searchshranjeni", {{{"pNiz", K::Text}}, &WorkshopDatabase::searchStoredTyres}},
    };
    directoryProcedures_ = {
        {"usp_findmyordavo", {{{"pKoda", K::Text}}, &WorkshopDatabase::findWorkshop}},
    };
}

void LockedWorkshopBackend::setDateFormat(std::string format)
{
    std::lock_guard lock(mutex_);
    dateFormat_ = std::move(format);
}

std::string LockedWorkshopBackend::dateFormat() const
{
    std::lock_guard lock(mutex_);
    return dateFormat_;
}

void LockedWorkshopBackend::setVersionServed(std::string version)
{
    std::lock_guard lock(mutex_);
    version_ = std::move(version);
}

std::string LockedWorkshopBackend::versionServed() const
{
    std::lock_guard lock(mutex_);
    return version_;
}

StatementOutcome WorkshopDatabase::run(Endpoint endpoint, std::string_view statement, const std::string& workshopRoot)
{
    // The server drops blanks in front and blanks and semicolons at the end before it parses.
    constexpr std::string_view Blanks = " \t\r\n\f\v";
    const std::size_t first = statement.find_first_not_of(Blanks);
    const std::size_t last = statement.find_last_not_of(std::string(Blanks) + ";");
    if (first == std::string_view::npos || last == std::string_view::npos || last < first)
        return {"Query was empty", {}};
    statement = statement.substr(first, last - first + 1);
    const ParseResult parsed = ParseStatement(statement);
    if (!parsed.statement)
        return {parsed.error, {}};
    return execute(endpoint, *parsed.statement, workshopRoot);
}

StatementOutcome WorkshopDatabase::execute(Endpoint endpoint, const ParsedStatement& statement,
                                           const std::string& workshopRoot)
{
    std::lock_guard lock(mutex_);
    try {
        switch (statement.kind) {
        case ParsedStatement::Kind::SelectUpdateCounter:
        case ParsedStatement::Kind::SelectDefaultsCount:
            if (endpoint != Endpoint::Workshop)
                return {std::string("Table '") + DirectorySchemaName + ".ordavodefaults' doesn't exist", {}};
            return statement.kind == ParsedStatement::Kind::SelectUpdateCounter
                       ? selectUpdateCounter(statement.columnAlias)
                       : selectDefaultsCount(statement.columnAlias);
        case ParsedStatement::Kind::Call:
            return callProcedure(endpoint, statement, workshopRoot);
        }
    } catch (const SqlError& error) {
        return {error.message, {}};
    } catch (const std::exception& error) {
        return {std::string("Internal server error: ") + error.what(), {}};
    }
    return {"Internal server error", {}};
}

StatementOutcome WorkshopDatabase::callProcedure(Endpoint endpoint, const ParsedStatement& statement,
                                                 const std::string& root)
{
    const auto& procedures = endpoint == Endpoint::Workshop ? workshopProcedures_ : directoryProcedures_;
    const char* schema = endpoint == Endpoint::Workshop ? WorkshopSchemaName : DirectorySchemaName;
    const auto found = procedures.find(ToLowerUtf8(statement.procedure));
    if (found == procedures.end())
        return {std::string("PROCEDURE ") + schema + "." + statement.procedure + " does not exist", {}};
    const Procedure& procedure = found->second;
    if (procedure.params.size() != statement.args.size())
        return {std::string("Incorrect number of arguments for PROCEDURE ") + schema + "." + statement.procedure +
                    "; expected " + std::to_string(procedure.params.size()) + ", got " +
                    std::to_string(statement.args.size()),
                {}};
    const Arguments args(procedure.params, statement.args, dateFormat_);
    return (this->*procedure.handler)(args, root);
}

// ---------------------------------------------------------------------------------------
// The two SELECTs of the start-up.

StatementOutcome WorkshopDatabase::selectUpdateCounter(const std::string& alias)
{
    Query query(db_, "SELECT IFNULL(needeedupdate, -1) FROM ordavodefaults ORDER BY id");
    return Rows(query.table({{alias, TypeInteger}}));
}

StatementOutcome WorkshopDatabase::selectDefaultsCount(const std::string& alias)
{
    Query query(db_, "SELECT COUNT(*) FROM ordavodefaults");
    return Rows(query.table({{alias, TypeInteger}}));
}

// ---------------------------------------------------------------------------------------
// Start-up, version and registration.

StatementOutcome WorkshopDatabase::checkDate(const Arguments& args, const std::string&)
{
    return Rows(SingleValueTable("datum", TypeText, args.text(0)));
}

StatementOutcome WorkshopDatabase::getVersion(const Arguments&, const std::string&)
{
    return Rows(SingleValueTable("vers", TypeText, version_));
}

StatementOutcome WorkshopDatabase::insertUpdateDefaults(const Arguments& args, const std::string&)
{
    Query existing(db_, "SELECT id FROM ordavodefaults ORDER BY id LIMIT 1");
    const bool exists = existing.step();
    const std::int64_t id = exists ? existing.integer(0) : 0;
    // The update counter is kept on update; a new row starts at 0.
    Query write(db_, exists ? "UPDATE ordavodefaults SET liveversion=?1, koda=?2, imepodjetja=?3, naslovpodjetja=?4, "
                              "postnastevilkainposta=?5, telefon=?6, fax=?7, tax=?8, www=?9, avtotitle=?10, "
                              "registrkatitle=?11 WHERE id=?12"
                            : "INSERT INTO ordavodefaults (liveversion, koda, imepodjetja, naslovpodjetja, "
                              "postnastevilkainposta, telefon, fax, tax, www, avtotitle, registrkatitle, "
                              "needeedupdate) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,0)");
    for (int i = 0; i < 11; ++i)
        write.bind(i + 1, args.text(std::size_t(i)));
    if (exists)
        write.bind(12, id);
    write.run();
    return NoResultSet();
}

// ---------------------------------------------------------------------------------------
// Orders.

// Filter 1 is the order window's single-order form (the order id in the fourth argument,
// any state but deleted); 2 lists every order that is not deleted; any other value lists
// the unbilled ones. The date range applies to the lists; search flag 1 matches the text
// against order number, customer, plate and vehicle. Reading the single-order form marks
// the order as viewed.
StatementOutcome WorkshopDatabase::listOrders(const Arguments& args, const std::string&)
{
    const std::int64_t filter = args.integerOr(0, 0);
    if (filter == 1) {
        const auto id = args.integer(3);
        Query query(db_, (std::string(OrderRowSelect) + " WHERE n.id = ?1 AND n.status <> 199").c_str());
        query.bind(1, id);
        ResultTable table = query.table(OrderRowColumns());
        if (!table.rows.empty()) {
            Query mark(db_, "UPDATE nalogi SET viewed = 1 WHERE id = ?1");
            mark.bind(1, id).run();
        }
        return Rows(std::move(table));
    }
    const bool search = args.integerOr(4, 0) == 1;
    std::string sql = std::string(OrderListSelect) +
                      " WHERE (CASE WHEN ?1 = 2 THEN n.status <> 199 ELSE n.status = 0 END)"
                      " AND (?2 IS NULL OR substr(n.datum, 1, 10) >= ?2)"
                      " AND (?3 IS NULL OR substr(n.datum, 1, 10) <= ?3)";
    if (search)
        sql += " AND (ci_contains(n.nalogStevilka, ?4) OR ci_contains(s.prikaz, ?4) OR"
               " ci_contains(n.registrska_st, ?4) OR ci_contains(n.vozilo, ?4))";
    sql += " ORDER BY n.datum DESC, n.id DESC";
    Query query(db_, sql.c_str());
    query.bind(1, std::int64_t(filter == 2 ? 2 : 0)).bind(2, args.text(1)).bind(3, args.text(2));
    if (search)
        query.bind(4, args.textOrEmpty(5));
    std::vector<ResultColumn> columns = OrderRowColumns();
    columns.resize(OrderListColumnCount);
    return Rows(query.table(std::move(columns)));
}

StatementOutcome WorkshopDatabase::listOrderItems(const Arguments& args, const std::string&)
{
    Query query(db_, "SELECT p.id, p.opis, p.dodatno, p.kolicina, p.cena FROM postavke_naloga p "
                     "JOIN nalogi n ON n.id = p.nalog_id WHERE p.nalog_id = ?1 AND n.status <> 199 "
                     "ORDER BY p.pozicija, p.id");
    query.bind(1, args.integer(0));
    return Rows(query.table(
        {{"id", TypeInteger}, {"opis", TypeText}, {"Dodatno", TypeText}, {"kolicina", TypeText}, {"cena", TypeText}}));
}

// The saved state of an order; a missing or deleted order counts as 0 (not saved).
std::optional<int> WorkshopDatabase::orderSavedState(int orderId) const
{
    Query query(db_, "SELECT saved, status FROM nalogi WHERE id = ?1");
    query.bind(1, std::int64_t(orderId));
    if (!query.step() || query.integer(1) == 199)
        return std::nullopt;
    return int(query.integer(0));
}

// Status 1 bills (archives a reception order), 199 deletes. An order that is being edited
// (saved 2), not saved completely or already deleted (saved 0) is left unchanged; the
// answer's saved tells the client which case it was.
StatementOutcome WorkshopDatabase::updateOrderStatus(const Arguments& args, const std::string&)
{
    const auto id = args.integer(0);
    const auto status = args.integer(1);
    if (status != 1 && status != 199)
        throw SqlError{"Unknown order status " + args.textOrEmpty(1)};
    const int saved = id ? orderSavedState(int(*id)).value_or(0) : 0;
    if (saved != 0 && saved != 2) {
        Query update(db_, "UPDATE nalogi SET status = ?1 WHERE id = ?2");
        update.bind(1, *status).bind(2, *id).run();
    }
    return Rows(SingleValueTable("saved", TypeInteger, std::to_string(saved)));
}

StatementOutcome WorkshopDatabase::getOrderEditLock(const Arguments& args, const std::string&)
{
    const auto id = args.integer(0);
    const int saved = id ? orderSavedState(int(*id)).value_or(0) : 0;
    return Rows(SingleValueTable("saved", TypeInteger, std::to_string(saved)));
}

// ---------------------------------------------------------------------------------------
// Item catalogue.

StatementOutcome WorkshopDatabase::listCatalogue(const Arguments&, const std::string&)
{
    Query query(db_, "SELECT id, opis, cena, enabled, orderby FROM postavke ORDER BY orderby, id");
    return Rows(query.table({{"id", TypeInteger},
                             {"opis", TypeText},
                             {"cena", TypeText},
                             {"enabled", TypeInteger},
                             {"orderby", TypeInteger}}));
}

// Action 0 stores (id -1 or below 1 inserts, otherwise updates that item), 999 deletes.
StatementOutcome WorkshopDatabase::saveCatalogueItem(const Arguments& args, const std::string&)
{
    const std::int64_t action = args.integerOr(4, -1);
    const std::int64_t id = args.integerOr(0, -1);
    if (action == 999) {
        Query remove(db_, "DELETE FROM postavke WHERE id = ?1");
        remove.bind(1, id).run();
        return NoResultSet();
    }
    if (action != 0)
        throw SqlError{"Unknown action " + args.textOrEmpty(4)};
    if (!args.text(1))
        throw SqlError{"Column 'opis' cannot be null"};
    if (!args.text(2))
        throw SqlError{"Column 'cena' cannot be null"};
    Query write(db_, id < 1 ? "INSERT INTO postavke (opis, cena, orderby, enabled) VALUES (?1, ?2, ?3, 1)"
                            : "UPDATE postavke SET opis = ?1, cena = ?2, orderby = ?3 WHERE id = ?4");
    write.bind(1, args.text(1)).bind(2, args.text(2)).bind(3, args.integerOr(3, 0));
    if (id >= 1)
        write.bind(4, id);
    write.run();
    return NoResultSet();
}

// ---------------------------------------------------------------------------------------
// Storage places and stored tyres.

StatementOutcome WorkshopDatabase::listLocations(const Arguments&, const std::string&)
{
    Query query(db_, "SELECT id, ime, opis FROM lokacije ORDER BY id");
    return Rows(query.table({{"id", TypeInteger}, {"ime", TypeText}, {"opis", TypeText}}));
}

// Action 0 stores (id -1 inserts), 99 deletes the place and marks the tyres that lay there
// as not placed, so no order points at a place that no longer exists.
StatementOutcome WorkshopDatabase::saveLocation(const Arguments& args, const std::string&)
{
    const std::int64_t action = args.integerOr(3, -1);
    const std::int64_t id = args.integerOr(0, -1);
    if (action == 99) {
        Transaction transaction(db_);
        Query unplace(db_, "UPDATE nalogi SET SHRLokacija = -1, popisanoShranjevanje = 0 WHERE SHRLokacija = ?1");
        unplace.bind(1, id).run();
        Query remove(db_, "DELETE FROM lokacije WHERE id = ?1");
        remove.bind(1, id).run();
        transaction.commit();
        return NoResultSet();
    }
    if (action != 0)
        throw SqlError{"Unknown action " + args.textOrEmpty(3)};
    if (!args.text(1))
        throw SqlError{"Column 'ime' cannot be null"};
    Query write(db_, id < 1 ? "INSERT INTO lokacije (ime, opis) VALUES (?1, ?2)"
                            : "UPDATE lokacije SET ime = ?1, opis = ?2 WHERE id = ?3");
    write.bind(1, args.text(1)).bind(2, args.textOrEmpty(2));
    if (id >= 1)
        write.bind(3, id);
    write.run();
    return NoResultSet();
}

// Flag 1 lists every order with tyres to store, otherwise only those not placed yet.
StatementOutcome WorkshopDatabase::listTyreOrders(const Arguments& args, const std::string&)
{
    Query query(db_, (std::string(TyreRowSelect) +
                      " WHERE n.shranjevanje = 1 AND n.status <> 199 AND (?1 = 1 OR n.popisanoShranjevanje = 0)"
                      " ORDER BY n.datum DESC, n.id DESC")
                         .c_str());
    query.bind(1, args.integerOr(0, 0));
    ResultTable table = query.table(TyreRowColumns(true));
    for (auto& row : table.rows)
        row.pop_back(); // the place's name belongs to the search only
    table.columns = TyreRowColumns(false);
    return Rows(std::move(table));
}

StatementOutcome WorkshopDatabase::saveTyreLocation(const Arguments& args, const std::string&)
{
    const auto orderId = args.integer(0);
    const auto placeId = args.integer(1);
    Query place(db_, "SELECT COUNT(*) FROM lokacije WHERE id = ?1");
    place.bind(1, placeId);
    place.step();
    if (place.integer(0) == 0)
        throw SqlError{"Cannot add or update a child row: a foreign key constraint fails (`ordavo`.`nalogi`, "
                       "CONSTRAINT `fk_nalogi_lokacije` FOREIGN KEY (`SHRLokacija`) REFERENCES `lokacije` (`id`))"};
    Query update(db_, "UPDATE nalogi SET SHRLokacija = ?1, popisanoShranjevanje = 1, shranjevanje = 1 "
                      "WHERE id = ?2 AND status <> 199");
    update.bind(1, placeId).bind(2, orderId).run();
    return NoResultSet();
}

// Stored sets whose order number, customer, plate, vehicle, comment or place name holds
// the text (case-insensitive); the empty text finds them all.
StatementOutcome WorkshopDatabase::searchStoredTyres(const Arguments& args, const std::string&)
{
    Query query(db_, (std::string(TyreRowSelect) +
                      " WHERE n.shranjevanje = 1 AND n.status <> 199 AND (?1 = '' OR ci_contains(n.nalogStevilka, ?1)"
                      " OR ci_contains(s.prikaz, ?1) OR ci_contains(n.registrska_st, ?1) OR ci_contains(n.vozilo, ?1)"
                      " OR ci_contains(n.komentar, ?1) OR ci_contains(l.ime, ?1))"
                      " ORDER BY n.datum DESC, n.id DESC")
                         .c_str());
    query.bind(1, args.textOrEmpty(0));
    return Rows(query.table(TyreRowColumns(true)));
}

// ---------------------------------------------------------------------------------------
// Directory server.

StatementOutcome WorkshopDatabase::findWorkshop(const Arguments& args, const std::string& root)
{
    Query query(db_, "SELECT imepodjetja, naslovpodjetja, postnastevilkainposta, telefon, fax, tax, www, avtotitle, "
                     "registrkatitle, ?2, ?3 FROM imenik WHERE koda = ?1");
    query.bind(1, ToLowerUtf8(args.textOrEmpty(0))).bind(2, version_).bind(3, root);
    return Rows(query.table({{"imepodjetja", TypeText},
                             {"naslovpodjetja", TypeText},
                             {"postnastevilkainposta", TypeText},
                             {"telefon", TypeText},
                             {"fax", TypeText},
                             {"tax", TypeText},
                             {"www", TypeText},
                             {"avtotitle", TypeText},
                             {"registrkatitle", TypeText},
                             {"liveversion", TypeText},
                             {"ordavoroot", TypeText}}));
}

// ---------------------------------------------------------------------------------------
// Control operations.

std::optional<std::int64_t> WorkshopDatabase::bumpUpdateCounter()
{
    std::lock_guard lock(mutex_);
    exec("UPDATE ordavodefaults SET needeedupdate = COALESCE(needeedupdate, 0) + 1");
    Query query(db_, "SELECT needeedupdate FROM ordavodefaults ORDER BY id LIMIT 1");
    if (!query.step())
        return std::nullopt;
    return query.integer(0);
}

void WorkshopDatabase::setUpdateCounter(std::optional<std::int64_t> value)
{
    std::lock_guard lock(mutex_);
    Query update(db_, "UPDATE ordavodefaults SET needeedupdate = ?1");
    update.bind(1, value).run();
}

void WorkshopDatabase::clearDefaults()
{
    std::lock_guard lock(mutex_);
    exec("DELETE FROM ordavodefaults");
}

bool WorkshopDatabase::setOrderSaved(int orderId, int saved)
{
    std::lock_guard lock(mutex_);
    Query update(db_, "UPDATE nalogi SET saved = ?1 WHERE id = ?2");
    update.bind(1, std::int64_t(saved)).bind(2, std::int64_t(orderId)).run();
    return sqlite3_changes(db_) > 0;
}

int WorkshopDatabase::addOrder(const NewOrderOptions& options)
{
    std::lock_guard lock(mutex_);
    Query next(db_, "SELECT COALESCE(MAX(id), ?1 - 1) + 1 FROM nalogi");
    next.bind(1, std::int64_t(FirstSeedOrderId));
    next.step();
    const int id = int(next.integer(0));
    const QDateTime now = QDateTime::currentDateTime();
    SeedOrderGenerator generator(1, now, unsigned(id));
    Transaction transaction(db_);
    insertOrderLocked(generator.freshOrder(id, options.type, options.withTyres, now));
    transaction.commit();
    return id;
}

void CountWorkshopRows(BackendCounts& counts, const std::function<std::int64_t(const char* sql)>& count)
{
    counts.orders = count("SELECT COUNT(*) FROM nalogi WHERE status <> 199");
    counts.unbilledOrders = count("SELECT COUNT(*) FROM nalogi WHERE status = 0");
    counts.catalogueItems = count("SELECT COUNT(*) FROM postavke");
    counts.locations = count("SELECT COUNT(*) FROM lokacije");
    counts.defaultsRows = count("SELECT COUNT(*) FROM ordavodefaults");
}

std::string LockedWorkshopBackend::stateJsonOf(const BackendCounts& counts, const char* backendName) const
{
    QJsonObject state;
    state[QStringLiteral("orders")] = qint64(counts.orders);
    state[QStringLiteral("unbilledOrders")] = qint64(counts.unbilledOrders);
    state[QStringLiteral("catalogueItems")] = qint64(counts.catalogueItems);
    state[QStringLiteral("locations")] = qint64(counts.locations);
    state[QStringLiteral("defaultsRows")] = qint64(counts.defaultsRows);
    state[QStringLiteral("updateCounter")] =
        counts.updateCounter ? QJsonValue(qint64(*counts.updateCounter)) : QJsonValue();
    QJsonArray locked;
    for (const std::int64_t id : counts.lockedOrders)
        locked.append(qint64(id));
    state[QStringLiteral("lockedOrders")] = locked;
    QJsonArray codes;
    for (const std::string& code : counts.accessCodes)
        codes.append(QString::fromStdString(code));
    state[QStringLiteral("accessCodes")] = codes;
    state[QStringLiteral("version")] = QString::fromStdString(version_);
    state[QStringLiteral("dateFormat")] = QString::fromStdString(dateFormat_);
    state[QStringLiteral("registeredName")] =
        counts.registeredName ? QJsonValue(QString::fromStdString(*counts.registeredName)) : QJsonValue();
    state[QStringLiteral("backend")] = QString::fromLatin1(backendName);
    return QJsonDocument(state).toJson(QJsonDocument::Compact).toStdString();
}

std::string WorkshopDatabase::stateJson() const
{
    std::lock_guard lock(mutex_);
    BackendCounts counts;
    CountWorkshopRows(counts, [this](const char* sql) {
        Query query(db_, sql);
        query.step();
        return query.integer(0);
    });
    Query counter(db_, "SELECT needeedupdate FROM ordavodefaults ORDER BY id LIMIT 1");
    if (counter.step() && !counter.isNull(0))
        counts.updateCounter = counter.integer(0);
    Query lockedOrders(db_, "SELECT id FROM nalogi WHERE saved = 2 AND status <> 199 ORDER BY id");
    while (lockedOrders.step())
        counts.lockedOrders.push_back(lockedOrders.integer(0));
    Query directory(db_, "SELECT koda FROM imenik ORDER BY koda");
    while (directory.step())
        counts.accessCodes.push_back(directory.text(0).value_or(std::string()));
    Query registered(db_, "SELECT imepodjetja FROM ordavodefaults ORDER BY id LIMIT 1");
    if (registered.step() && !registered.isNull(0))
        counts.registeredName = *registered.text(0);
    return stateJsonOf(counts, "sqlite");
}

// ---------------------------------------------------------------------------------------
// Data of the documents and the web part.

std::optional<OrderDocumentData> WorkshopDatabase::orderDocument(int orderId) const
{
    std::lock_guard lock(mutex_);
    Query header(db_, "SELECT n.id, n.nalogStevilka, n.nalogType, n.datum, COALESCE(s.prikaz, ''), "
                      "COALESCE(s.naslov, ''), n.vozilo, n.registrska_st, n.vnesel, n.komentar "
                      "FROM nalogi n LEFT JOIN stranke s ON s.id = n.stranka_id WHERE n.id = ?1 AND n.status <> 199");
    header.bind(1, std::int64_t(orderId));
    if (!header.step())
        return std::nullopt;
    OrderDocumentData data;
    data.id = int(header.integer(0));
    data.number = *header.text(1);
    data.type = int(header.integer(2));
    data.date = *header.text(3);
    data.customer = *header.text(4);
    data.customerAddress = *header.text(5);
    data.vehicle = *header.text(6);
    data.plate = *header.text(7);
    data.enteredBy = *header.text(8);
    data.comment = *header.text(9);
    Query items(db_, "SELECT opis, dodatno, kolicina, cena FROM postavke_naloga WHERE nalog_id = ?1 "
                     "ORDER BY pozicija, id");
    items.bind(1, std::int64_t(orderId));
    while (items.step())
        data.items.push_back({*items.text(0), *items.text(1), *items.text(2), *items.text(3)});
    return data;
}

std::optional<int> WorkshopDatabase::orderIdBySignaturePath(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    Query query(db_, "SELECT id FROM nalogi WHERE podpis = ?1 AND podpis <> '' AND status <> 199");
    query.bind(1, path);
    if (!query.step())
        return std::nullopt;
    return int(query.integer(0));
}

std::optional<std::pair<int, int>> WorkshopDatabase::orderIdByPicturePath(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    Query query(db_, "SELECT id, CASE ?1 WHEN slika1 THEN 1 WHEN slika2 THEN 2 WHEN slika3 THEN 3 ELSE 4 END "
                     "FROM nalogi WHERE ?1 <> '' AND ?1 IN (slika1, slika2, slika3, slika4) AND status <> 199");
    query.bind(1, path);
    if (!query.step())
        return std::nullopt;
    return std::pair{int(query.integer(0)), int(query.integer(1))};
}

bool WorkshopDatabase::isKnownAccessCode(const std::string& code) const
{
    std::lock_guard lock(mutex_);
    Query query(db_, "SELECT (SELECT COUNT(*) FROM imenik WHERE koda = ?1) + "
                     "(SELECT COUNT(*) FROM ordavodefaults WHERE lower(koda) = ?1)");
    query.bind(1, ToLowerUtf8(code));
    query.step();
    return query.integer(0) > 0;
}

CompanyDetails WorkshopDatabase::company() const
{
    std::lock_guard lock(mutex_);
    Query query(db_,
                "SELECT imepodjetja, naslovpodjetja, postnastevilkainposta, telefon FROM imenik ORDER BY koda LIMIT 1");
    if (!query.step())
        return {};
    return {*query.text(0), *query.text(1), *query.text(2), *query.text(3)};
}

std::vector<OrderDocumentData> WorkshopDatabase::webPartOrders() const
{
    std::lock_guard lock(mutex_);
    std::vector<int> ids;
    {
        Query query(db_, "SELECT id FROM nalogi WHERE status <> 199 ORDER BY datum DESC, id DESC LIMIT 500");
        while (query.step())
            ids.push_back(int(query.integer(0)));
    }
    std::vector<OrderDocumentData> orders;
    for (int id : ids)
        if (auto order = orderDocument(id))
            orders.push_back(std::move(*order));
    return orders;
}

// ---------------------------------------------------------------------------------------
// Seeding.

void WorkshopDatabase::insertOrderLocked(const SeedOrder& order)
{
    Query insert(db_, "INSERT INTO nalogi (id, nalogStevilka, nalogType, datum, vnesel, vozilo, registrska_st, "
                      "komentar, viewed, saved, status, stranka_id, podpis, slika1, slika2, slika3, slika4, "
                      "shranjevanje, popisanoShranjevanje, SHRLokacija) "
                      "VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,?18,?19,?20)");
    Query item(db_, "INSERT INTO postavke_naloga (nalog_id, pozicija, opis, dodatno, kolicina, cena) "
                    "VALUES (?1,?2,?3,?4,?5,?6)");
    insertOrderWith(insert, item, order);
}

void WorkshopDatabase::insertOrderWith(Query& insert, Query& item, const SeedOrder& order)
{
    insert.bind(1, std::int64_t(order.id))
        .bind(2, order.number)
        .bind(3, std::int64_t(order.type))
        .bind(4, FormatDateTime(order.date))
        .bind(5, order.enteredBy)
        .bind(6, order.vehicle)
        .bind(7, order.plate)
        .bind(8, order.comment)
        .bind(9, std::int64_t(order.viewed))
        .bind(10, std::int64_t(order.saved))
        .bind(11, std::int64_t(order.status))
        .bind(13, order.signature);
    if (order.customerIndex)
        insert.bind(12, std::int64_t(*order.customerIndex + 1));
    else
        insert.bindNull(12);
    for (int n = 0; n < 4; ++n)
        insert.bind(14 + n, order.pictures[std::size_t(n)]);
    insert.bind(18, std::int64_t(order.tyres ? 1 : 0))
        .bind(19, std::int64_t(order.placeIndex ? 1 : 0))
        .bind(20, std::int64_t(order.placeIndex ? *order.placeIndex + 1 : -1));
    insert.run();
    for (std::size_t i = 0; i < order.items.size(); ++i) {
        const SeedItem& entry = order.items[i];
        item.bind(1, std::int64_t(order.id))
            .bind(2, std::int64_t(i))
            .bind(3, entry.description)
            .bind(4, entry.extra)
            .bind(5, entry.quantity)
            .bind(6, entry.price);
        item.run();
    }
}

void WorkshopDatabase::seed(const SeedOptions& options)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(db_);
    seedCompany(options.demoCode);
    seedCustomers();
    seedCatalogue();
    seedPlaces();
    seedOrders(options.orderCount, options.now);
    transaction.commit();
}

void WorkshopDatabase::seedCompany(const std::string& demoCode)
{
    const SeedCompany company = DemoCompany();
    const std::vector<std::string> details = {company.name,  company.address,      company.post,
                                              company.phone, company.fax,          company.tax,
                                              company.www,   company.vehicleTitle, company.plateTitle};
    Query directory(db_, "INSERT OR REPLACE INTO imenik (koda, imepodjetja, naslovpodjetja, postnastevilkainposta, "
                         "telefon, fax, tax, www, avtotitle, registrkatitle) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)");
    directory.bind(1, ToLowerUtf8(demoCode));
    for (std::size_t i = 0; i < details.size(); ++i)
        directory.bind(int(i) + 2, details[i]);
    directory.run();
    // The workshop is registered already, so a client that signed in before finds its row.
    Query defaults(db_, "INSERT INTO ordavodefaults (needeedupdate, liveversion, koda, imepodjetja, naslovpodjetja, "
                        "postnastevilkainposta, telefon, fax, tax, www, avtotitle, registrkatitle) "
                        "VALUES (0,?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11)");
    defaults.bind(1, version_).bind(2, ToLowerUtf8(demoCode));
    for (std::size_t i = 0; i < details.size(); ++i)
        defaults.bind(int(i) + 3, details[i]);
    defaults.run();
}

void WorkshopDatabase::seedCustomers()
{
    Query insert(db_, "INSERT INTO stranke (id, ime, priimek, idddv, naslov, podjetje, pravnaoseba, prikaz) "
                      "VALUES (?1,?2,?3,?4,?5,?6,?7,?8)");
    const auto& customers = SeedCustomers();
    for (std::size_t i = 0; i < customers.size(); ++i) {
        const SeedCustomer& c = customers[i];
        insert.bind(1, std::int64_t(i + 1))
            .bind(2, c.firstName)
            .bind(3, c.surname)
            .bind(4, c.vatId)
            .bind(5, c.address)
            .bind(6, c.company)
            .bind(7, std::int64_t(c.legalPerson))
            .bind(8, c.displayName());
        insert.run();
    }
}

void WorkshopDatabase::seedCatalogue()
{
    Query insert(db_, "INSERT INTO postavke (opis, cena, enabled, orderby) VALUES (?1, ?2, 1, ?3)");
    const auto& items = SeedCatalogue();
    for (std::size_t i = 0; i < items.size(); ++i) {
        insert.bind(1, items[i].description).bind(2, items[i].price).bind(3, std::int64_t(i + 1));
        insert.run();
    }
}

void WorkshopDatabase::seedPlaces()
{
    Query insert(db_, "INSERT INTO lokacije (id, ime, opis) VALUES (?1, ?2, ?3)");
    const auto& places = SeedPlaces();
    for (std::size_t i = 0; i < places.size(); ++i) {
        insert.bind(1, std::int64_t(i + 1)).bind(2, places[i].name).bind(3, places[i].description);
        insert.run();
    }
}

void WorkshopDatabase::seedOrders(int count, const QDateTime& now)
{
    Query insert(db_, "INSERT INTO nalogi (id, nalogStevilka, nalogType, datum, vnesel, vozilo, registrska_st, "
                      "komentar, viewed, saved, status, stranka_id, podpis, slika1, slika2, slika3, slika4, "
                      "shranjevanje, popisanoShranjevanje, SHRLokacija) "
                      "VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,?18,?19,?20)");
    Query item(db_, "INSERT INTO postavke_naloga (nalog_id, pozicija, opis, dodatno, kolicina, cena) "
                    "VALUES (?1,?2,?3,?4,?5,?6)");
    SeedOrderGenerator generator(count, now);
    for (int i = 0; i < count; ++i)
        insertOrderWith(insert, item, generator.order(i));
}

} // namespace sim
