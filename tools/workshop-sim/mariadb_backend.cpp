// The MariaDB back end: connections, the payload types of MariaDB's result columns, seeding and control operations.
#include "mariadb_backend.h"

#include "seed_data.h"

#include <mysql.h>

#include <QFile>
#include <QString>

#include <cctype>
#include <stdexcept>

namespace sim {
namespace {

constexpr int TypeInteger = 3;
constexpr int TypeDateTime = 135;
constexpr int TypeDate = 202;
constexpr int TypeDecimal = 14;
constexpr int TypeBinary = 205;
constexpr int TypeText = 200;
constexpr unsigned BinaryCharset = 63;

// The server's defaults differ between installations; routines keep the mode they were made in.
constexpr const char* SessionSetup = "SET SESSION sql_mode = 'STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,"
                                     "NO_AUTO_CREATE_USER,NO_ENGINE_SUBSTITUTION', time_zone = '+00:00'";

int PayloadTypeOf(const MYSQL_FIELD& field)
{
    switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
        return TypeInteger;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_DATETIME2:
    case MYSQL_TYPE_TIMESTAMP2:
        return TypeDateTime;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return TypeDate;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return TypeDecimal;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VARCHAR:
        return field.charsetnr == BinaryCharset ? TypeBinary : TypeText;
    default:
        return TypeText;
    }
}

ResultTable TableOf(MYSQL_RES* result)
{
    ResultTable table;
    const unsigned count = mysql_num_fields(result);
    const MYSQL_FIELD* fields = mysql_fetch_fields(result);
    for (unsigned c = 0; c < count; ++c)
        table.columns.push_back({std::string(fields[c].name, fields[c].name_length), PayloadTypeOf(fields[c])});
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        std::vector<ResultValue> values;
        values.reserve(count);
        for (unsigned c = 0; c < count; ++c)
            values.push_back(row[c] ? ResultValue(std::string(row[c], lengths[c])) : std::nullopt);
        table.rows.push_back(std::move(values));
    }
    return table;
}

std::string ResourceText(const char* path)
{
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(std::string("missing built-in file ") + path);
    return file.readAll().toStdString();
}

// Database names go into statements as identifiers, so only plain names are taken.
void CheckDatabaseName(const std::string& name)
{
    const bool plain =
        !name.empty() && name.size() <= 50 &&
        name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") == std::string::npos;
    if (!plain)
        throw std::runtime_error("a MariaDB database name of letters, digits and \"_\" is needed, not \"" + name +
                                 "\"");
}

std::string FormatDateTime(const QDateTime& value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

std::string ToLowerUtf8(const std::string& text)
{
    return QString::fromStdString(text).toLower().toStdString();
}

std::int64_t ToInteger(const ResultValue& value)
{
    return value ? std::stoll(*value) : 0;
}

} // namespace

// One client connection; statements of the simulator itself throw std::runtime_error on failure.
class MariaDbConnection {
public:
    MariaDbConnection(const MariaDbLogin& login, const std::string& database, bool multiStatements)
        : handle_(mysql_init(nullptr))
    {
        if (!handle_)
            throw std::runtime_error("out of memory for a MariaDB connection");
        mysql_options(handle_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        const unsigned long flags =
            CLIENT_MULTI_RESULTS | CLIENT_FOUND_ROWS | (multiStatements ? CLIENT_MULTI_STATEMENTS : 0);
        if (!mysql_real_connect(handle_, nullptr, login.user.c_str(),
                                login.password.empty() ? nullptr : login.password.c_str(),
                                database.empty() ? nullptr : database.c_str(), 0, login.socket.c_str(), flags)) {
            const std::string message = mysql_error(handle_);
            mysql_close(handle_);
            throw std::runtime_error("cannot connect to MariaDB on " + login.socket + ": " + message);
        }
        exec(SessionSetup);
    }
    ~MariaDbConnection() { mysql_close(handle_); }
    MariaDbConnection(const MariaDbConnection&) = delete;
    MariaDbConnection& operator=(const MariaDbConnection&) = delete;

    // Runs the text and answers the server's error text, or its first result set.
    StatementOutcome run(std::string_view sql)
    {
        if (mysql_real_query(handle_, sql.data(), sql.size()) != 0)
            return {mysql_error(handle_), {}};
        affectedRows_ = mysql_affected_rows(handle_);
        StatementOutcome outcome;
        for (;;) {
            if (MYSQL_RES* result = mysql_store_result(handle_)) {
                if (!outcome.table)
                    outcome.table = TableOf(result);
                mysql_free_result(result);
            } else if (mysql_field_count(handle_) != 0) {
                return {mysql_error(handle_), {}};
            }
            const int next = mysql_next_result(handle_);
            if (next > 0)
                return {mysql_error(handle_), {}};
            if (next < 0)
                return outcome;
        }
    }

    void exec(std::string_view sql)
    {
        const StatementOutcome outcome = run(sql);
        if (outcome.failed())
            throw std::runtime_error("MariaDB failed: " + outcome.error + " in " + std::string(sql.substr(0, 200)));
    }

    ResultTable rows(std::string_view sql)
    {
        StatementOutcome outcome = run(sql);
        if (outcome.failed())
            throw std::runtime_error("MariaDB failed: " + outcome.error + " in " + std::string(sql.substr(0, 200)));
        return outcome.table.value_or(ResultTable());
    }

    // The first value of the first row, or nothing.
    ResultValue value(std::string_view sql)
    {
        const ResultTable table = rows(sql);
        return table.rows.empty() || table.rows[0].empty() ? std::nullopt : table.rows[0][0];
    }

    // A string literal of the text, escaped for the connection's character set.
    std::string quote(std::string_view text) const
    {
        std::string escaped(text.size() * 2 + 1, '\0');
        const unsigned long length = mysql_real_escape_string(handle_, escaped.data(), text.data(), text.size());
        escaped.resize(length);
        return "'" + escaped + "'";
    }

    // Rows the last statement changed (or matched, for an UPDATE), before its results were read.
    std::uint64_t affectedRows() const { return affectedRows_; }

private:
    MYSQL* handle_;
    std::uint64_t affectedRows_ = 0;
};

std::string MariaDbGatewayStatement(std::string_view statement)
{
    std::size_t start = 0;
    while (start < statement.size() && std::isspace(static_cast<unsigned char>(statement[start])))
        ++start;
    const std::string_view rest = statement.substr(start);
    const bool bare = rest.size() > 4 && QByteArrayView(rest.substr(0, 4)).compare("usp_", Qt::CaseInsensitive) == 0;
    if (!bare)
        return std::string(statement);
    std::size_t end = 0;
    while (end < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[end])) || rest[end] == '_'))
        ++end;
    // The arguments stand on lines of their own, so a comment in them ends before the ")".
    return "CALL " + std::string(rest.substr(0, end)) + "(\n" + std::string(rest.substr(end)) + "\n)";
}

MariaDbBackend::MariaDbBackend(const MariaDbLogin& login)
{
    CheckDatabaseName(login.database);
    installSchema(login);
    workshop_ = std::make_unique<MariaDbConnection>(login, login.database, false);
    directory_ = std::make_unique<MariaDbConnection>(login, login.database + "_imenik", false);
}

MariaDbBackend::~MariaDbBackend() = default;

void MariaDbBackend::installSchema(const MariaDbLogin& login)
{
    const std::string workshop = login.database;
    const std::string directory = login.database + "_imenik";
    MariaDbConnection setup(login, {}, true);
    created_ =
        setup.value("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = " + setup.quote(workshop) +
                    " AND table_name = 'nalogi'") == ResultValue("0");
    for (const auto& name : {workshop, directory})
        setup.exec("CREATE DATABASE IF NOT EXISTS `" + name + "` CHARACTER SET utf8mb4 COLLATE utf8mb4_bin");
    setup.exec("USE `" + workshop + "`");
    setup.exec(ResourceText(":/workshop-sim/sql/workshop.sql"));
    setup.exec("USE `" + directory + "`");
    setup.exec(ResourceText(":/workshop-sim/sql/directory.sql"));
}

void MariaDbBackend::setSessionVariables(MariaDbConnection& connection, const std::string& workshopRoot)
{
    connection.exec("SET @sim_date_format = " + connection.quote(dateFormat_) + ", @sim_version = " +
                    connection.quote(version_) + ", @sim_root = " + connection.quote(workshopRoot));
}

StatementOutcome MariaDbBackend::run(Endpoint endpoint, std::string_view statement, const std::string& workshopRoot)
{
    std::lock_guard lock(mutex_);
    MariaDbConnection& connection = endpoint == Endpoint::Workshop ? *workshop_ : *directory_;
    try {
        setSessionVariables(connection, workshopRoot);
    } catch (const std::exception& error) {
        return {std::string("Internal server error: ") + error.what(), {}};
    }
    return connection.run(MariaDbGatewayStatement(statement));
}

// ---------------------------------------------------------------------------------------
// Control operations.

std::optional<std::int64_t> MariaDbBackend::bumpUpdateCounter()
{
    std::lock_guard lock(mutex_);
    workshop_->exec("UPDATE ordavodefaults SET needeedupdate = COALESCE(needeedupdate, 0) + 1");
    const ResultTable table = workshop_->rows("SELECT needeedupdate FROM ordavodefaults ORDER BY id LIMIT 1");
    if (table.rows.empty())
        return std::nullopt;
    return ToInteger(table.rows[0][0]);
}

void MariaDbBackend::setUpdateCounter(std::optional<std::int64_t> value)
{
    std::lock_guard lock(mutex_);
    workshop_->exec("UPDATE ordavodefaults SET needeedupdate = " +
                    (value ? std::to_string(*value) : std::string("NULL")));
}

void MariaDbBackend::clearDefaults()
{
    std::lock_guard lock(mutex_);
    workshop_->exec("DELETE FROM ordavodefaults");
}

bool MariaDbBackend::setOrderSaved(int orderId, int saved)
{
    std::lock_guard lock(mutex_);
    workshop_->exec("UPDATE nalogi SET saved = " + std::to_string(saved) + " WHERE id = " + std::to_string(orderId));
    const std::uint64_t changed = workshop_->affectedRows();
    return changed > 0 && changed != std::uint64_t(-1);
}

int MariaDbBackend::addOrder(const NewOrderOptions& options)
{
    std::lock_guard lock(mutex_);
    const int id = int(ToInteger(
        workshop_->value("SELECT COALESCE(MAX(id), " + std::to_string(FirstSeedOrderId - 1) + ") + 1 FROM nalogi")));
    const QDateTime now = QDateTime::currentDateTime();
    SeedOrderGenerator generator(1, now, unsigned(id));
    workshop_->exec("START TRANSACTION");
    try {
        insertOrder(generator.freshOrder(id, options.type, options.withTyres, now));
        workshop_->exec("COMMIT");
    } catch (...) {
        workshop_->run("ROLLBACK");
        throw;
    }
    return id;
}

std::string MariaDbBackend::stateJson() const
{
    std::lock_guard lock(mutex_);
    MariaDbConnection& db = *workshop_;
    BackendCounts counts;
    CountWorkshopRows(counts, [&db](const char* sql) { return ToInteger(db.value(sql)); });
    const ResultTable counter = db.rows("SELECT needeedupdate FROM ordavodefaults ORDER BY id LIMIT 1");
    if (!counter.rows.empty() && counter.rows[0][0])
        counts.updateCounter = ToInteger(counter.rows[0][0]);
    for (const auto& row : db.rows("SELECT id FROM nalogi WHERE saved = 2 AND status <> 199 ORDER BY id").rows)
        counts.lockedOrders.push_back(ToInteger(row[0]));
    for (const auto& row : directory_->rows("SELECT koda FROM imenik ORDER BY koda").rows)
        counts.accessCodes.push_back(row[0].value_or(std::string()));
    counts.registeredName = db.value("SELECT imepodjetja FROM ordavodefaults ORDER BY id LIMIT 1");
    return stateJsonOf(counts, "mariadb");
}

// ---------------------------------------------------------------------------------------
// Data of the documents and the web part.

std::optional<OrderDocumentData> MariaDbBackend::orderDocument(int orderId) const
{
    std::lock_guard lock(mutex_);
    const std::string id = std::to_string(orderId);
    const ResultTable header = workshop_->rows(
        "SELECT n.id, n.nalogStevilka, n.nalogType, DATE_FORMAT(n.datum, '%Y-%m-%d %H:%i:%s'), COALESCE(s.prikaz, ''), "
        "COALESCE(s.naslov, ''), n.vozilo, n.registrska_st, n.vnesel, n.komentar "
        "FROM nalogi n LEFT JOIN stranke s ON s.id = n.stranka_id WHERE n.id = " +
        id + " AND n.status <> 199");
    if (header.rows.empty())
        return std::nullopt;
    const auto& row = header.rows[0];
    OrderDocumentData data;
    data.id = int(ToInteger(row[0]));
    data.number = *row[1];
    data.type = int(ToInteger(row[2]));
    data.date = *row[3];
    data.customer = *row[4];
    data.customerAddress = *row[5];
    data.vehicle = *row[6];
    data.plate = *row[7];
    data.enteredBy = *row[8];
    data.comment = *row[9];
    for (const auto& item : workshop_
                                ->rows("SELECT opis, dodatno, kolicina, cena FROM postavke_naloga WHERE nalog_id = " +
                                       id + " ORDER BY pozicija, id")
                                .rows)
        data.items.push_back({*item[0], *item[1], *item[2], *item[3]});
    return data;
}

std::optional<int> MariaDbBackend::orderIdBySignaturePath(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const ResultValue id = workshop_->value("SELECT id FROM nalogi WHERE podpis = " + workshop_->quote(path) +
                                            " AND podpis <> '' AND status <> 199");
    return id ? std::optional<int>(int(ToInteger(id))) : std::nullopt;
}

std::optional<std::pair<int, int>> MariaDbBackend::orderIdByPicturePath(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const std::string quoted = workshop_->quote(path);
    const ResultTable table =
        workshop_->rows("SELECT id, CASE " + quoted +
                        " WHEN slika1 THEN 1 WHEN slika2 THEN 2 WHEN slika3 THEN 3 ELSE 4 END "
                        "FROM nalogi WHERE " +
                        quoted + " <> '' AND " + quoted + " IN (slika1, slika2, slika3, slika4) AND status <> 199");
    if (table.rows.empty())
        return std::nullopt;
    return std::pair{int(ToInteger(table.rows[0][0])), int(ToInteger(table.rows[0][1]))};
}

bool MariaDbBackend::isKnownAccessCode(const std::string& code) const
{
    std::lock_guard lock(mutex_);
    const std::string lower = ToLowerUtf8(code);
    return ToInteger(directory_->value("SELECT COUNT(*) FROM imenik WHERE koda = " + directory_->quote(lower))) > 0 ||
           ToInteger(workshop_->value("SELECT COUNT(*) FROM ordavodefaults WHERE LOWER(koda) = " +
                                      workshop_->quote(lower))) > 0;
}

CompanyDetails MariaDbBackend::company() const
{
    std::lock_guard lock(mutex_);
    const ResultTable table = directory_->rows(
        "SELECT imepodjetja, naslovpodjetja, postnastevilkainposta, telefon FROM imenik ORDER BY koda LIMIT 1");
    if (table.rows.empty())
        return {};
    const auto& row = table.rows[0];
    return {*row[0], *row[1], *row[2], *row[3]};
}

std::vector<OrderDocumentData> MariaDbBackend::webPartOrders() const
{
    std::lock_guard lock(mutex_);
    std::vector<OrderDocumentData> orders;
    for (const auto& row :
         workshop_->rows("SELECT id FROM nalogi WHERE status <> 199 ORDER BY datum DESC, id DESC LIMIT 500").rows)
        if (auto order = orderDocument(int(ToInteger(row[0]))))
            orders.push_back(std::move(*order));
    return orders;
}

// ---------------------------------------------------------------------------------------
// Seeding.

void MariaDbBackend::insertOrder(const SeedOrder& order)
{
    MariaDbConnection& db = *workshop_;
    const auto number = [](std::int64_t value) { return std::to_string(value); };
    std::string sql =
        "INSERT INTO nalogi (id, nalogStevilka, nalogType, datum, vnesel, vozilo, registrska_st, komentar, "
        "viewed, saved, status, stranka_id, podpis, slika1, slika2, slika3, slika4, shranjevanje, "
        "popisanoShranjevanje, SHRLokacija) VALUES (" +
        number(order.id) + "," + db.quote(order.number) + "," + number(order.type) + "," +
        db.quote(FormatDateTime(order.date)) + "," + db.quote(order.enteredBy) + "," + db.quote(order.vehicle) + "," +
        db.quote(order.plate) + "," + db.quote(order.comment) + "," + number(order.viewed) + "," + number(order.saved) +
        "," + number(order.status) + "," +
        (order.customerIndex ? number(*order.customerIndex + 1) : std::string("NULL")) + "," +
        db.quote(order.signature);
    for (const auto& picture : order.pictures)
        sql += "," + db.quote(picture);
    sql += "," + number(order.tyres ? 1 : 0) + "," + number(order.placeIndex ? 1 : 0) + "," +
           number(order.placeIndex ? *order.placeIndex + 1 : -1) + ")";
    db.exec(sql);
    if (order.items.empty())
        return;
    std::string items = "INSERT INTO postavke_naloga (nalog_id, pozicija, opis, dodatno, kolicina, cena) VALUES ";
    for (std::size_t i = 0; i < order.items.size(); ++i) {
        const SeedItem& item = order.items[i];
        items += (i ? ",(" : "(") + number(order.id) + "," + number(std::int64_t(i)) + "," +
                 db.quote(item.description) + "," + db.quote(item.extra) + "," + db.quote(item.quantity) + "," +
                 db.quote(item.price) + ")";
    }
    db.exec(items);
}

void MariaDbBackend::seed(const SeedOptions& options)
{
    std::lock_guard lock(mutex_);
    workshop_->exec("START TRANSACTION");
    seedCompany(options.demoCode);
    seedCustomers();
    seedCatalogue();
    seedPlaces();
    SeedOrderGenerator generator(options.orderCount, options.now);
    for (int i = 0; i < options.orderCount; ++i)
        insertOrder(generator.order(i));
    workshop_->exec("COMMIT");
}

void MariaDbBackend::seedCompany(const std::string& demoCode)
{
    const SeedCompany company = DemoCompany();
    const std::vector<std::string> details = {company.name,  company.address,      company.post,
                                              company.phone, company.fax,          company.tax,
                                              company.www,   company.vehicleTitle, company.plateTitle};
    std::string values;
    // Appended piece by piece: "literal" + temporary string makes the optimiser warn of an overlap
    // that cannot happen.
    for (const auto& detail : details) {
        values += ',';
        values += workshop_->quote(detail);
    }
    const std::string code = workshop_->quote(ToLowerUtf8(demoCode));
    std::string listed = "REPLACE INTO imenik (koda, imepodjetja, naslovpodjetja, postnastevilkainposta, "
                         "telefon, fax, tax, www, avtotitle, registrkatitle) VALUES (";
    listed += code;
    listed += values;
    listed += ')';
    directory_->exec(listed);
    // The workshop is registered already, so a client that signed in before finds its row.
    std::string registered = "INSERT INTO ordavodefaults (needeedupdate, liveversion, koda, imepodjetja, "
                             "naslovpodjetja, postnastevilkainposta, telefon, fax, tax, www, avtotitle, "
                             "registrkatitle) VALUES (0,";
    registered += workshop_->quote(version_);
    registered += ',';
    registered += code;
    registered += values;
    registered += ')';
    workshop_->exec(registered);
}

void MariaDbBackend::seedCustomers()
{
    const auto& customers = SeedCustomers();
    for (std::size_t i = 0; i < customers.size(); ++i) {
        const SeedCustomer& c = customers[i];
        workshop_->exec(
            "INSERT INTO stranke (id, ime, priimek, idddv, naslov, podjetje, pravnaoseba, prikaz) VALUES (" +
            std::to_string(i + 1) + "," + workshop_->quote(c.firstName) + "," + workshop_->quote(c.surname) + "," +
            workshop_->quote(c.vatId) + "," + workshop_->quote(c.address) + "," + workshop_->quote(c.company) + "," +
            std::to_string(c.legalPerson) + "," + workshop_->quote(c.displayName()) + ")");
    }
}

void MariaDbBackend::seedCatalogue()
{
    const auto& items = SeedCatalogue();
    for (std::size_t i = 0; i < items.size(); ++i)
        workshop_->exec("INSERT INTO postavke (id, opis, cena, enabled, orderby) VALUES (" + std::to_string(i + 1) +
                        "," + workshop_->quote(items[i].description) + "," + workshop_->quote(items[i].price) + ",1," +
                        std::to_string(i + 1) + ")");
}

void MariaDbBackend::seedPlaces()
{
    const auto& places = SeedPlaces();
    for (std::size_t i = 0; i < places.size(); ++i)
        workshop_->exec("INSERT INTO lokacije (id, ime, opis) VALUES (" + std::to_string(i + 1) + "," +
                        workshop_->quote(places[i].name) + "," + workshop_->quote(places[i].description) + ")");
}

} // namespace sim
