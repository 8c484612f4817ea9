// The simulator's MariaDB back end: the gateways' statements run on a MariaDB server as they arrive.
#pragma once

#include "database.h"

#include <memory>
#include <string>

namespace sim {

struct MariaDbLogin {
    std::string socket;
    std::string user = "root";
    std::string password;
    std::string database = "ordavo"; // the directory's database is this name + "_imenik"
};

class MariaDbConnection;

// Two connections to one server, the workshop's database and the directory's, every access
// serialised by a mutex. The tables and routines come from the SQL files next to the
// simulator's sources; a statement from a gateway goes to the server as its own text, one
// statement per request (no multi-statements), and its first result set is the answer.
class MariaDbBackend : public LockedWorkshopBackend {
public:
    // Creates the two databases when missing and (re)installs their tables and routines;
    // std::runtime_error when the server cannot be reached or refuses.
    explicit MariaDbBackend(const MariaDbLogin& login);
    ~MariaDbBackend() override;
    MariaDbBackend(const MariaDbBackend&) = delete;
    MariaDbBackend& operator=(const MariaDbBackend&) = delete;

    void seed(const SeedOptions& options) override;

    StatementOutcome run(Endpoint endpoint, std::string_view statement, const std::string& workshopRoot) override;

    std::optional<std::int64_t> bumpUpdateCounter() override;
    void setUpdateCounter(std::optional<std::int64_t> value) override;
    void clearDefaults() override;
    int addOrder(const NewOrderOptions& options) override;
    bool setOrderSaved(int orderId, int saved) override;
    std::string stateJson() const override;

    std::optional<OrderDocumentData> orderDocument(int orderId) const override;
    std::optional<int> orderIdBySignaturePath(const std::string& path) const override;
    std::optional<std::pair<int, int>> orderIdByPicturePath(const std::string& path) const override;
    bool isKnownAccessCode(const std::string& code) const override;
    CompanyDetails company() const override;
    std::vector<OrderDocumentData> webPartOrders() const override;

private:
    void installSchema(const MariaDbLogin& login);
    void setSessionVariables(MariaDbConnection& connection, const std::string& workshopRoot);
    void insertOrder(const struct SeedOrder& order);
    void seedCompany(const std::string& demoCode);
    void seedCustomers();
    void seedCatalogue();
    void seedPlaces();

    std::unique_ptr<MariaDbConnection> workshop_;
    std::unique_ptr<MariaDbConnection> directory_;
};

// The statement text as the gateway hands it to MariaDB. Only the tyre search's bare form
// ("usp_name 'text'") is given the CALL and brackets that MariaDB needs; its arguments
// stay as they were written.
std::string MariaDbGatewayStatement(std::string_view statement);

} // namespace sim
