// The simulator's SQLite database: schema, seeded demo data and the stored procedures of the workshop and directory
// servers.
#pragma once

#include "statement_parser.h"

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace sim {

class Query;
struct SeedOrder;

struct ResultColumn {
    std::string name;
    int typeCode = 200; // payload type code: 3 integer, 135 date-time, 200 text
};

using ResultValue = std::optional<std::string>; // nullopt is SQL NULL

struct ResultTable {
    std::vector<ResultColumn> columns;
    std::vector<std::vector<ResultValue>> rows;
    // The value of a named column in a row (tests and documents read tables this way).
    const ResultValue& value(std::size_t row, std::string_view column) const;
};

// What one statement did: a failure text, or success with an optional result set.
struct StatementOutcome {
    std::string error;
    std::optional<ResultTable> table;
    bool failed() const { return !error.empty(); }
};

// Which server answers: the workshop's gateway or the directory server's.
enum class Endpoint { Workshop, Directory };

// The list-date formats the client probes for.
inline constexpr std::string_view DateFormatIso = "yyyy-mm-dd";
inline constexpr std::string_view DateFormatSlashes = "yyyy/mm/dd";
inline constexpr std::string_view DateFormatDotted = "dd.mm.yyyy";
bool IsSupportedDateFormat(std::string_view format);
// A date written in format ("yyyy", "mm", "dd" replaced, everything else literal).
std::optional<QDate> ParseListDate(std::string_view text, std::string_view format);

struct SeedOptions {
    int orderCount = 40;
    std::string demoCode = "demo1234";
    QDateTime now = QDateTime::currentDateTime();
};

// The fields the documents of an order show.
struct OrderDocumentData {
    int id = 0;
    std::string number;
    int type = 0;
    std::string date; // "YYYY-MM-DD HH:MM:SS"
    std::string customer;
    std::string customerAddress;
    std::string vehicle;
    std::string plate;
    std::string enteredBy;
    std::string comment;
    struct Item {
        std::string description;
        std::string extra;
        std::string quantity;
        std::string price;
    };
    std::vector<Item> items;
};

struct CompanyDetails {
    std::string name;
    std::string address;
    std::string post;
    std::string phone;
};

struct NewOrderOptions {
    int type = 0;
    bool withTyres = false;
};

// What the HTTP server needs of a database: statements of the gateways, the control
// operations of tests and the demo, and the data of the documents and the web part.
class WorkshopBackend {
public:
    virtual ~WorkshopBackend() = default;

    // Runs the statement text one gateway received, decoded. workshopRoot is what the
    // directory answers as "ordavoroot".
    virtual StatementOutcome run(Endpoint endpoint, std::string_view statement, const std::string& workshopRoot) = 0;

    virtual void setDateFormat(std::string format) = 0;
    virtual std::string dateFormat() const = 0;
    virtual void setVersionServed(std::string version) = 0;
    virtual std::string versionServed() const = 0;

    virtual std::optional<std::int64_t> bumpUpdateCounter() = 0;
    virtual void setUpdateCounter(std::optional<std::int64_t> value) = 0;
    virtual void clearDefaults() = 0;
    virtual int addOrder(const NewOrderOptions& options) = 0;
    virtual bool setOrderSaved(int orderId, int saved) = 0;
    virtual std::string stateJson() const = 0;

    virtual std::optional<OrderDocumentData> orderDocument(int orderId) const = 0;
    virtual std::optional<int> orderIdBySignaturePath(const std::string& path) const = 0;
    virtual std::optional<std::pair<int, int>> orderIdByPicturePath(const std::string& path) const = 0; // id, picture N
    virtual bool isKnownAccessCode(const std::string& code) const = 0;
    virtual CompanyDetails company() const = 0;
    virtual std::vector<OrderDocumentData> webPartOrders() const = 0;
};

// What the state query reports besides the served date format and version.
struct BackendCounts {
    std::int64_t orders = 0;
    std::int64_t unbilledOrders = 0;
    std::int64_t catalogueItems = 0;
    std::int64_t locations = 0;
    std::int64_t defaultsRows = 0;
    std::optional<std::int64_t> updateCounter;
    std::vector<std::int64_t> lockedOrders;
    std::vector<std::string> accessCodes;
    std::optional<std::string> registeredName;
};

// Fills the row counts of counts from the workshop's tables; count answers the single number
// of a SELECT COUNT(*) statement.
void CountWorkshopRows(BackendCounts& counts, const std::function<std::int64_t(const char* sql)>& count);

// What both back ends share: one recursive mutex that serialises every access, and the date
// format and version the server currently serves. Setting either one takes effect on the
// next statement.
class LockedWorkshopBackend : public WorkshopBackend {
public:
    // True when the storage held no schema when it was opened.
    bool wasCreated() const { return created_; }
    // Fills freshly created storage with the seeded workshop: orders, catalogue, places, codes.
    virtual void seed(const SeedOptions& options) = 0;

    void setDateFormat(std::string format) override;
    std::string dateFormat() const override;
    void setVersionServed(std::string version) override;
    std::string versionServed() const override;

protected:
    // The state as compact JSON: the counts, the served version and date format, and the
    // back end's name. Call with mutex_ held.
    std::string stateJsonOf(const BackendCounts& counts, const char* backendName) const;

    bool created_ = false;
    mutable std::recursive_mutex mutex_;
    std::string dateFormat_{DateFormatIso};
    std::string version_{ORDAVO_VERSION_STRING};
};

// One SQLite file, one connection, every access serialised by a mutex, every value bound
// as a parameter. Procedures follow MySQL's argument rules (count, integer and date
// conversion) and answer MySQL-like error texts.
class WorkshopDatabase : public LockedWorkshopBackend {
public:
    // Opens or creates the file; std::runtime_error when SQLite refuses it.
    explicit WorkshopDatabase(const std::string& path);
    ~WorkshopDatabase();
    WorkshopDatabase(const WorkshopDatabase&) = delete;
    WorkshopDatabase& operator=(const WorkshopDatabase&) = delete;

    // Fills a new database: company, directory code, customers, orders, catalogue, places.
    void seed(const SeedOptions& options) override;

    // Reads the statement as a MySQL server would and runs it: "Query was empty" for blank
    // text, the server's syntax error for anything but the forms the client sends.
    StatementOutcome run(Endpoint endpoint, std::string_view statement, const std::string& workshopRoot) override;
    // Runs one parsed statement. workshopRoot is what the directory answers as "ordavoroot".
    StatementOutcome execute(Endpoint endpoint, const ParsedStatement& statement, const std::string& workshopRoot);

    // Control operations for tests and the demo.
    std::optional<std::int64_t> bumpUpdateCounter() override;
    void setUpdateCounter(std::optional<std::int64_t> value) override;
    void clearDefaults() override;
    int addOrder(const NewOrderOptions& options) override;
    bool setOrderSaved(int orderId, int saved) override;
    std::string stateJson() const override;

    // Data of the document scripts and the web part.
    std::optional<OrderDocumentData> orderDocument(int orderId) const override;
    std::optional<int> orderIdBySignaturePath(const std::string& path) const override;
    std::optional<std::pair<int, int>> orderIdByPicturePath(const std::string& path) const override; // id, picture N
    bool isKnownAccessCode(const std::string& code) const override;
    CompanyDetails company() const override;
    std::vector<OrderDocumentData> webPartOrders() const override;

private:
    struct Procedure;
    class Arguments;
    using Handler = StatementOutcome (WorkshopDatabase::*)(const Arguments&, const std::string& workshopRoot);

    void createSchema();
    void registerFunctions();
    void registerProcedures();
    void exec(const char* sql) const;

    StatementOutcome selectUpdateCounter(const std::string& alias);
    StatementOutcome selectDefaultsCount(const std::string& alias);
    StatementOutcome callProcedure(Endpoint endpoint, const ParsedStatement& statement, const std::string& root);

    StatementOutcome checkDate(const Arguments& args, const std::string&);
    StatementOutcome getVersion(const Arguments& args, const std::string&);
    StatementOutcome insertUpdateDefaults(const Arguments& args, const std::string&);
    StatementOutcome listOrders(const Arguments& args, const std::string&);
    StatementOutcome listOrderItems(const Arguments& args, const std::string&);
    StatementOutcome updateOrderStatus(const Arguments& args, const std::string&);
    StatementOutcome getOrderEditLock(const Arguments& args, const std::string&);
    StatementOutcome listCatalogue(const Arguments& args, const std::string&);
    StatementOutcome saveCatalogueItem(const Arguments& args, const std::string&);
    StatementOutcome listLocations(const Arguments& args, const std::string&);
    StatementOutcome saveLocation(const Arguments& args, const std::string&);
    StatementOutcome listTyreOrders(const Arguments& args, const std::string&);
    StatementOutcome saveTyreLocation(const Arguments& args, const std::string&);
    StatementOutcome searchStoredTyres(const Arguments& args, const std::string&);
    StatementOutcome findWorkshop(const Arguments& args, const std::string& root);

    std::optional<int> orderSavedState(int orderId) const;
    void insertOrderLocked(const SeedOrder& order);
    void insertOrderWith(Query& insert, Query& item, const SeedOrder& order);
    void seedCompany(const std::string& demoCode);
    void seedCustomers();
    void seedCatalogue();
    void seedPlaces();
    void seedOrders(int count, const QDateTime& now);

    sqlite3* db_ = nullptr;
    std::map<std::string, Procedure> workshopProcedures_;
    std::map<std::string, Procedure> directoryProcedures_;
};

} // namespace sim
