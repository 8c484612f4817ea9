// The demo data of a fresh simulator database: Slovenian customers, vehicles, catalogue items, places and generated
// orders.
#include "seed_data.h"

#include <QString>

namespace sim {
namespace {

const std::vector<std::string>& Vehicles()
{
    static const std::vector<std::string> vehicles = {"VW Golf 1.6 TDI",
                                                      "Renault Clio 1.2 16V",
                                                      "Škoda Octavia 2.0 TDI",
                                                      "Peugeot 308 1.5 BlueHDi",
                                                      "Opel Astra 1.4 Turbo",
                                                      "Toyota Yaris 1.5 Hybrid",
                                                      "Ford Focus 1.0 EcoBoost",
                                                      "BMW 320d Touring",
                                                      "Audi A4 Avant 2.0 TDI",
                                                      "Citroën C3 1.2 PureTech",
                                                      "Dacia Sandero 1.0 TCe",
                                                      "Hyundai i30 1.6 CRDi",
                                                      "Kia Ceed 1.4 T-GDi",
                                                      "Mercedes-Benz Vito 116 CDI",
                                                      "Fiat Punto 1.3 Multijet",
                                                      "Renault Mégane 1.5 dCi",
                                                      "Seat Leon 1.5 TSI",
                                                      "Mazda CX-5 2.2 Skyactiv-D",
                                                      "Volvo V60 D4",
                                                      "Suzuki Vitara 1.4 Boosterjet"};
    return vehicles;
}

const std::vector<std::string>& PlatePrefixes()
{
    static const std::vector<std::string> prefixes = {"LJ", "MB", "CE", "KR", "NM", "KP", "GO", "PO", "SG", "MS", "KK"};
    return prefixes;
}

const std::vector<std::string>& Comments()
{
    static const std::vector<std::string> comments = {
        "Redni servis po intervalu.",
        "Stranka želi klic pred prevzemom.*newln*Tel.: 041 123 456",
        "Hrup pri zaviranju spredaj.",
        "Sezonska menjava pnevmatik, zimske gume ostanejo v hrambi.",
        "Ropotanje podvozja.*newln*Preveriti roke in stabilizator.",
        "Klima ne hladi - polnjenje klime.",
        "Vozilo pripeljano s pajkom, ne vžge.",
        "Lučka motorja sveti.*newln*Diagnostika in brisanje napak.",
        "Priprava na tehnični pregled.",
        "",
        "Menjava metlic in dolivanje tekočine za pranje stekel.",
        "Stranka čaka v čakalnici.",
    };
    return comments;
}

const std::vector<std::string>& EnteredBy()
{
    static const std::vector<std::string> names = {"Matej Kovač", "Petra Zupan", "Andrej Kos", "Sprejem"};
    return names;
}

// Items a work order is built from: catalogue index, extra text, quantity.
struct ItemTemplate {
    int catalogueIndex;
    const char* extra;
    const char* quantity;
};

const std::vector<ItemTemplate>& ItemTemplates()
{
    static const std::vector<ItemTemplate> items = {{0, "5W-30, 4.5 l", "1"},
                                                    {1, "Mann", "1"},
                                                    {2, "", "1"},
                                                    {3, "z aktivnim ogljem", "1"},
                                                    {4, "Bosch", "1"},
                                                    {5, "", "1"},
                                                    {6, "R1234yf", "1"},
                                                    {7, "zimske 205/55 R16", "1"},
                                                    {8, "", "1"},
                                                    {9, "4 kos", "1"},
                                                    {10, "", "1"},
                                                    {11, "", "1.5"},
                                                    {12, "", "2"},
                                                    {13, "Varta 60 Ah", "1"}};
    return items;
}

constexpr int DiscountCatalogueIndex = 14;

std::string Padded(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')).toStdString();
}

} // namespace

std::string SeedCustomer::displayName() const
{
    std::string person = firstName;
    if (!surname.empty())
        person += (person.empty() ? "" : " ") + surname;
    if (company.empty())
        return person;
    if (person.empty())
        return company;
    return person + " (" + company + ")";
}

SeedCompany DemoCompany()
{
    return {
        "Avtoservis Kovač d.o.o.", "Tržaška cesta 45", "1000 Ljubljana", "01 234 56 78", "01 234 56 79", "SI12345678",
        "www.avtoservis-kovac.si", "Vozilo:",          "Registrska št:"};
}

const std::vector<SeedCustomer>& SeedCustomers()
{
    static const std::vector<SeedCustomer> customers = {
        {"Janez", "Novak", "", "Celovška cesta 150, 1000 Ljubljana", "", 0},
        {"Maja", "Horvat", "", "Partizanska cesta 12, 2000 Maribor", "", 0},
        {"Luka", "Kovačič", "SI45678912", "Ulica heroja Staneta 3, 3000 Celje", "Gradbeništvo Kovačič d.o.o.", 1},
        {"Nina", "Krajnc", "", "Kidričeva ulica 7, 4000 Kranj", "", 0},
        {"Tomaž", "Zupančič", "SI23456789", "Glavni trg 5, 8000 Novo mesto", "Transport Zupančič s.p.", 1},
        {"Mojca", "Potočnik", "", "Prešernova ulica 21, 6000 Koper", "", 0},
        {"Andrej", "Mlakar", "", "Trg svobode 2, 5000 Nova Gorica", "", 0},
        {"Katarina", "Kos", "SI87654321", "Šmartinska cesta 52, 1000 Ljubljana", "Pekarna Kos d.o.o.", 1},
        {"Boštjan", "Vidmar", "", "Cesta talcev 8, 4220 Škofja Loka", "", 0},
        {"Urška", "Golob", "", "Mariborska cesta 33, 3000 Celje", "", 0},
        {"Gregor", "Turk", "SI11223344", "Industrijska cesta 4, 1290 Grosuplje", "Elektro Turk d.o.o.", 1},
        {"Špela", "Božič", "", "Ljubljanska cesta 17, 1230 Domžale", "", 0},
        {"Jože", "Kralj", "", "Koroška cesta 61, 2380 Slovenj Gradec", "", 0},
        {"Nataša", "Zupan", "", "Vrtna ulica 2, 1360 Vrhnika", "", 0},
        {"Primož", "Bizjak", "", "Obala 110, 6320 Portorož", "", 0},
        {"Tjaša", "Hribar", "", "Titova cesta 9, 4270 Jesenice", "", 0},
        {"Rok", "Korošec", "SI99887766", "Tržaška cesta 200, 1000 Ljubljana", "Korošec Logistika d.o.o.", 1},
        {"Sara", "Rozman", "", "Cankarjeva ulica 4, 9000 Murska Sobota", "", 0},
        {"Marko", "Kotnik", "", "Ptujska cesta 45, 2250 Ptuj", "", 0},
        {"Ana", "", "", "Zaloška cesta 90, 1000 Ljubljana", "", 0},
        {"", "", "SI55443322", "Letališka cesta 16, 1000 Ljubljana", "Rent-a-car Sonček d.o.o.", 1},
    };
    return customers;
}

const std::vector<SeedCatalogueItem>& SeedCatalogue()
{
    static const std::vector<SeedCatalogueItem> items = {
        {"Menjava olja", "25.50"},
        {"Oljni filter", "12.90"},
        {"Zračni filter", "14.50"},
        {"Filter kabine", "16.00"},
        {"Zavorne ploščice - spredaj", "45.00"},
        {"Zavorni diski (par)", "89.00"},
        {"Polnjenje klime", "59.00"},
        {"Premontaža pnevmatik", "40.00"},
        {"Centriranje koles", "24.00"},
        {"Shranjevanje pnevmatik (sezona)", "30.00"},
        {"Diagnostika", "35.00"},
        {"Delo (ura)", "42.00"},
        {"Metlice brisalcev", "18.90"},
        {"Akumulator", "95.00"},
        {"Popust", "-10.00"},
    };
    return items;
}

const std::vector<SeedPlace>& SeedPlaces()
{
    static const std::vector<SeedPlace> places = {
        {"Regal A - polica 1", "Levo ob vhodu, spodnja polica."},
        {"Regal A - polica 2", "Levo ob vhodu, zgornja polica."},
        {"Regal B - polica 1", "Zadaj desno."},
        {"Skladišče zadaj", "Za delavnico, ključ v pisarni."},
        {"Kontejner 1", ""},
    };
    return places;
}

SeedOrderGenerator::SeedOrderGenerator(int orderCount, QDateTime now, unsigned seed)
    : count_(orderCount), now_(std::move(now)), random_(seed)
{
}

SeedOrder SeedOrderGenerator::baseOrder(int id, int type, const QDateTime& when)
{
    SeedOrder order;
    order.id = id;
    order.type = type;
    order.date = when;
    order.number =
        (type == 1 ? "SN-" : "DN-") + std::to_string(when.date().year()) + "-" + Padded(id - FirstSeedOrderId + 1, 4);
    order.enteredBy = EnteredBy()[random_() % EnteredBy().size()];
    order.vehicle = Vehicles()[random_() % Vehicles().size()];
    const char letters[] = "ABCDEFHJKLMNPRSTUVZ";
    const std::size_t letterCount = sizeof(letters) - 1;
    order.plate = PlatePrefixes()[random_() % PlatePrefixes().size()] + " " + Padded(int(random_() % 100), 2) + "-" +
                  letters[random_() % letterCount] + letters[random_() % letterCount] +
                  letters[random_() % letterCount];
    order.comment = Comments()[random_() % Comments().size()];
    order.customerIndex = int(random_() % SeedCustomers().size());
    order.items = itemsFor(type);
    return order;
}

std::vector<SeedItem> SeedOrderGenerator::itemsFor(int type)
{
    std::vector<SeedItem> items;
    const int count = type == 1 ? int(random_() % 2) : 1 + int(random_() % 4);
    for (int i = 0; i < count; ++i) {
        const ItemTemplate& item = ItemTemplates()[random_() % ItemTemplates().size()];
        const SeedCatalogueItem& catalogue = SeedCatalogue()[std::size_t(item.catalogueIndex)];
        items.push_back({catalogue.description, item.extra, item.quantity, catalogue.price});
    }
    return items;
}

SeedOrder SeedOrderGenerator::order(int index)
{
    // The newest order is the last one; about three days apart for the demo data, and
    // never older than 300 days, so every order lies in the client's one-year window.
    const qint64 spanMinutes = std::min<qint64>(300LL * 24 * 60, qint64(count_) * 3 * 24 * 60);
    const qint64 minutesAgo = count_ > 1 ? spanMinutes * (count_ - 1 - index) / (count_ - 1) : 0;
    QDateTime when = now_.addSecs(-minutesAgo * 60 - 3600);
    when.setTime(QTime(7 + int(random_() % 10), int(random_() % 60), int(random_() % 60)));
    if (when > now_)
        when = when.addDays(-1);
    const int type = random_() % 10 < 3 ? 1 : 0;
    SeedOrder order = baseOrder(FirstSeedOrderId + index, type, when);
    const bool recent = index >= count_ - 6;
    order.viewed = recent ? 0 : 1;
    if (!recent && index % 6 == 5)
        order.status = 1;
    if (index % 4 == 3) {
        order.tyres = true;
        if (index % 8 == 3)
            order.placeIndex = int(std::size_t(index / 8) % SeedPlaces().size());
    }
    if (index % 5 == 2)
        order.signature = "podpisi/N" + std::to_string(order.id) + ".png";
    if (index % 7 == 4)
        for (int n = 0; n < 2; ++n)
            order.pictures[std::size_t(n)] =
                "slike/N" + std::to_string(order.id) + "_" + std::to_string(n + 1) + ".jpg";
    applyFixedRole(order, index);
    return order;
}

void SeedOrderGenerator::applyFixedRole(SeedOrder& order, int index)
{
    const std::string id = std::to_string(order.id);
    switch (index) {
    case 0:
        order.type = 0;
        order.number = "DN" + order.number.substr(2);
        order.status = 0;
        order.customerIndex = 2;
        order.signature = "podpisi/N" + id + ".png";
        order.pictures = {"slike/N" + id + "_1.jpg", "slike/N" + id + "_2.jpg", "", ""};
        order.items = {{"Menjava olja", "5W-30, 4.5 l", "1", "25.50"},
                       {"Oljni filter", "Mann", "1", "12.90"},
                       {"Delo (ura)", "", "1.5", "42.00"},
                       {"Popust", "stalna stranka", "1", SeedCatalogue()[DiscountCatalogueIndex].price}};
        order.comment = "Redni servis.*newln*Naslednji servis čez 15.000 km.";
        break;
    case 1:
        order.saved = 2;
        order.status = 0;
        break;
    case 2:
        order.saved = 0;
        order.status = 0;
        break;
    case 3:
        order.customerIndex.reset();
        order.status = 0;
        break;
    case 4:
        order.type = 1;
        order.number = "SN" + order.number.substr(2);
        order.status = 0;
        order.signature = "podpisi/N" + id + ".png";
        for (int n = 0; n < 4; ++n)
            order.pictures[std::size_t(n)] = "slike/N" + id + "_" + std::to_string(n + 1) + ".jpg";
        break;
    default:
        break;
    }
}

SeedOrder SeedOrderGenerator::freshOrder(int id, int type, bool withTyres, const QDateTime& when)
{
    SeedOrder order = baseOrder(id, type, when);
    order.viewed = 0;
    order.tyres = withTyres;
    return order;
}

} // namespace sim
