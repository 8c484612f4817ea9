// The demo data a fresh simulator database is filled with: company, customers, catalogue, places and generated orders.
#pragma once

#include <QDateTime>

#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace sim {

inline constexpr int FirstSeedOrderId = 1501;

struct SeedCompany {
    std::string name, address, post, phone, fax, tax, www, vehicleTitle, plateTitle;
};

struct SeedCustomer {
    std::string firstName, surname, vatId, address, company;
    int legalPerson = 0;
    // "Ime Priimek", "Ime Priimek (Podjetje)" or the company alone.
    std::string displayName() const;
};

struct SeedCatalogueItem {
    std::string description, price;
};

struct SeedPlace {
    std::string name, description;
};

struct SeedItem {
    std::string description, extra, quantity, price;
};

struct SeedOrder {
    int id = 0;
    std::string number;
    int type = 0; // 1 reception order, 0 work order
    QDateTime date;
    std::string enteredBy, vehicle, plate, comment;
    int viewed = 0;
    int saved = 1;
    int status = 0;                   // 0 open, 1 billed or archived, 199 deleted
    std::optional<int> customerIndex; // into SeedCustomers(); none for an order without customer
    std::string signature;
    std::array<std::string, 4> pictures;
    bool tyres = false;
    std::optional<int> placeIndex; // into SeedPlaces() when the tyres are placed
    std::vector<SeedItem> items;
};

SeedCompany DemoCompany();
const std::vector<SeedCustomer>& SeedCustomers();
const std::vector<SeedCatalogueItem>& SeedCatalogue();
const std::vector<SeedPlace>& SeedPlaces();

// Deterministic orders for a fresh database: ids from FirstSeedOrderId, the newest last,
// dates spread over the months before now. The first five have fixed roles: 1501 a work
// order with signature, pictures and a discount; 1502 locked for editing (saved 2); 1503
// not saved completely (saved 0); 1504 without customer; 1505 a reception order with a
// signature and four pictures.
class SeedOrderGenerator {
public:
    SeedOrderGenerator(int orderCount, QDateTime now, unsigned seed = 20240305u);
    SeedOrder order(int index);
    // An order added while the simulator runs: new, not viewed, dated when.
    SeedOrder freshOrder(int id, int type, bool withTyres, const QDateTime& when);

private:
    SeedOrder baseOrder(int id, int type, const QDateTime& when);
    std::vector<SeedItem> itemsFor(int type);
    void applyFixedRole(SeedOrder& order, int index);

    int count_;
    QDateTime now_;
    std::mt19937 random_;
};

} // namespace sim
