// Tests of the simulator's procedures on a seeded database: the behaviour each window relies on, MySQL-like errors,
// injection refused.
#include "database.h"
#include "server.h"

#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;
using sim::Endpoint;
using sim::StatementOutcome;

namespace {
const std::string kRoot = "http://127.0.0.1:1234/";
}

class SimProceduresTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;
    std::unique_ptr<sim::WorkshopDatabase> db_;

    StatementOutcome run(const QString& statement, Endpoint endpoint = Endpoint::Workshop)
    {
        const auto parsed = sim::ParseStatement(statement.toStdString());
        if (!parsed.statement)
            return {parsed.error, {}};
        return db_->execute(endpoint, *parsed.statement, kRoot);
    }

    // The rows of a statement that must succeed.
    sim::ResultTable rows(const QString& statement)
    {
        const StatementOutcome outcome = run(statement);
        if (outcome.failed())
            qWarning("%s -> %s", qPrintable(statement), outcome.error.c_str());
        return outcome.table.value_or(sim::ResultTable{});
    }

    QStringList column(const sim::ResultTable& table, const char* name)
    {
        QStringList values;
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const auto& value = table.value(r, name);
            values << (value ? QString::fromStdString(*value) : u"NULL"_s);
        }
        return values;
    }

    QString listStatement(int filter, const QString& search = {}, int orderId = -1)
    {
        return u"call usp_listneobracunaninalogi (%1,'2000-01-01','2100-01-01',%2,%3,'%4')"_s.arg(filter)
            .arg(orderId)
            .arg(search.isEmpty() ? 0 : 1)
            .arg(search);
    }

    int orderCount(int filter) { return int(rows(listStatement(filter)).rows.size()); }

private slots:
    void init()
    {
        QVERIFY(folder_.isValid());
        static int counter = 0;
        db_ = std::make_unique<sim::WorkshopDatabase>(folder_.filePath(u"db%1.sqlite"_s.arg(++counter)).toStdString());
        QVERIFY(db_->wasCreated());
        db_->seed({40, "Demo1234", QDateTime(QDate(2024, 3, 5), QTime(12, 0))});
    }

    void cleanup() { db_.reset(); }

    // A stop that comes before the server listens (a signal right after start-up) still ends
    // run(), and so does one that races its start.
    void stopBeforeOrWhileStartingEndsRun()
    {
        sim::ServerOptions options;
        options.logRequests = false;
        for (int round = 0; round < 20; ++round) {
            sim::WorkshopServer server(*db_, options);
            QVERIFY(server.bind() > 0);
            std::thread stopper;
            if (round == 0)
                server.stop();
            else
                stopper = std::thread([&server] { server.stop(); });
            auto running = std::async(std::launch::async, [&server] { server.run(); });
            const bool ended = running.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
            if (!ended)
                server.stop(); // now listening, so the test does not hang on its failure
            if (stopper.joinable())
                stopper.join();
            QVERIFY2(ended, qPrintable(u"round %1"_s.arg(round)));
        }
    }

    void reportsMySqlErrors_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<int>("endpoint");
        QTest::addColumn<QString>("error");
        QTest::addRow("unknown procedure")
            << u"call usp_nope ()"_s << int(Endpoint::Workshop) << u"PROCEDURE ordavo.usp_nope does not exist"_s;
        QTest::addRow("workshop procedure on the directory")
            << u"call usp_listLokacije ()"_s << int(Endpoint::Directory)
            << u"PROCEDURE ordavo_imenik.usp_listLokacije does not exist"_s;
        QTest::addRow("too many arguments")
            << u"call usp_updatenalog (1501,1,3)"_s << int(Endpoint::Workshop)
            << u"Incorrect number of arguments for PROCEDURE ordavo.usp_updatenalog; expected 2, got 3"_s;
        QTest::addRow("arguments missing")
            << u"call usp_listNalogPostavke"_s << int(Endpoint::Workshop)
            << u"Incorrect number of arguments for PROCEDURE ordavo.usp_listNalogPostavke; expected 1, got 0"_s;
        QTest::addRow("text for an integer") << u"call usp_listNalogPostavke ('x')"_s << int(Endpoint::Workshop)
                                             << u"Incorrect integer value: 'x' for column ``.``.`pNalogId` at row 0"_s;
        QTest::addRow("price that is no number")
            << u"call usp_updateSavePostavka (-1,'a','abc',100,0)"_s << int(Endpoint::Workshop)
            << u"Incorrect decimal value: 'abc' for column ``.``.`pCena` at row 0"_s;
        QTest::addRow("number with a tail") << u"call usp_listNalogPostavke ('15x')"_s << int(Endpoint::Workshop)
                                            << u"Data truncated for column 'pNalogId' at row 0"_s;
        QTest::addRow("date in another format")
            << u"call usp_checkDate ('2024/03/05')"_s << int(Endpoint::Workshop)
            << u"Incorrect date value: '2024/03/05' for column ``.``.`pDatum` at row 0"_s;
        QTest::addRow("impossible date") << u"call usp_checkDate ('2024-02-30')"_s << int(Endpoint::Workshop)
                                         << u"Incorrect date value: '2024-02-30' for column ``.``.`pDatum` at row 0"_s;
    }

    void reportsMySqlErrors()
    {
        QFETCH(QString, statement);
        QFETCH(int, endpoint);
        QFETCH(QString, error);
        QCOMPARE(QString::fromStdString(run(statement, Endpoint(endpoint)).error), error);
    }

    void dateCheckFollowsTheConfiguredFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("accepted");
        QTest::addColumn<QString>("refused");
        QTest::addRow("iso") << u"yyyy-mm-dd"_s << u"2023-03-06"_s << u"06.03.2023"_s;
        QTest::addRow("slashes") << u"yyyy/mm/dd"_s << u"2023/03/06"_s << u"2023-03-06"_s;
        QTest::addRow("dotted") << u"dd.mm.yyyy"_s << u"06.03.2023"_s << u"2023/03/06"_s;
    }

    void dateCheckFollowsTheConfiguredFormat()
    {
        QFETCH(QString, format);
        QFETCH(QString, accepted);
        QFETCH(QString, refused);
        db_->setDateFormat(format.toStdString());
        QVERIFY(!run(u"call usp_checkDate ('%1')"_s.arg(accepted)).failed());
        QVERIFY(run(u"call usp_checkDate ('%1')"_s.arg(refused)).failed());
        QVERIFY(run(u"call usp_listneobracunaninalogi (0,'%1','%1',-1,0,'')"_s.arg(refused)).failed());
    }

    void listsOrdersByFilterDateAndSearch()
    {
        const int unbilled = orderCount(0);
        const int all = orderCount(2);
        QVERIFY(unbilled > 20);
        QVERIFY(all > unbilled);
        QCOMPARE(all, 40);
        // A range that ends before the first order holds nothing.
        QCOMPARE(rows(u"call usp_listneobracunaninalogi (2,'2000-01-01','2000-12-31',-1,0,'')"_s).rows.size(),
                 std::size_t(0));
        // Search: case-insensitive, also beyond ASCII, on customer, order number, plate and vehicle.
        const auto byCustomer = rows(listStatement(2, u"KOVAČIČ"_s));
        QVERIFY(!byCustomer.rows.empty());
        for (const QString& customer : column(byCustomer, "Stranka"))
            QVERIFY2(customer.contains(u"Kovačič"_s), qPrintable(customer));
        const auto first = rows(listStatement(1, {}, 1501));
        QCOMPARE(column(rows(listStatement(2, column(first, "nalogStevilka").value(0).toLower())), "id"),
                 QStringList{u"1501"_s});
        const QString plate = column(first, "registrska_st").value(0);
        QVERIFY(column(rows(listStatement(2, plate.toLower())), "id").contains(u"1501"_s));
        // Flag 0 ignores the text.
        QCOMPARE(int(rows(u"call usp_listneobracunaninalogi (2,'2000-01-01','2100-01-01',-1,0,'zzz')"_s).rows.size()),
                 all);
    }

    void singleOrderFormAnswersTheHeader()
    {
        const auto header = rows(listStatement(1, {}, 1504));
        QCOMPARE(header.rows.size(), std::size_t(1));
        QVERIFY(!header.value(0, "Stranka")); // no customer
        for (const char* name : {"strankaime", "strankapriimek", "strankaidddv", "strankanaslov", "strankapodjetje",
                                 "podpis", "slika1", "slika4", "komentar", "vnesel", "vozilo", "registrska_st"})
            QVERIFY2(header.value(0, name).has_value(), name);
        const auto withDocuments = rows(listStatement(1, {}, 1501));
        QCOMPARE(*withDocuments.value(0, "podpis"), std::string("podpisi/N1501.png"));
        QCOMPARE(*withDocuments.value(0, "slika2"), std::string("slike/N1501_2.jpg"));
        QCOMPARE(*withDocuments.value(0, "strankapodjetje"), std::string("Gradbeništvo Kovačič d.o.o."));
        QCOMPARE(*withDocuments.value(0, "pravnaoseba"), std::string("1"));
        QVERIFY(QString::fromStdString(*withDocuments.value(0, "komentar")).contains(u"*newln*"_s));
        // Reading the header marks a new order as viewed.
        const int newest = 1540;
        QCOMPARE(column(rows(listStatement(1, {}, newest)), "viewed"), QStringList{u"0"_s});
        QCOMPARE(column(rows(listStatement(1, {}, newest)), "viewed"), QStringList{u"1"_s});
    }

    void itemsCarryTextPricesAndTheDiscount()
    {
        const auto items = rows(u"call usp_listNalogPostavke (1501)"_s);
        QCOMPARE(column(items, "opis"),
                 (QStringList{u"Menjava olja"_s, u"Oljni filter"_s, u"Delo (ura)"_s, u"Popust"_s}));
        QCOMPARE(column(items, "cena"), (QStringList{u"25.50"_s, u"12.90"_s, u"42.00"_s, u"-10.00"_s}));
        QCOMPARE(column(items, "kolicina").value(2), u"1.5"_s);
        for (const auto& c : items.columns)
            if (c.name != "id")
                QCOMPARE(c.typeCode, 200);
    }

    void statusChangesRespectTheEditLock_data()
    {
        QTest::addColumn<int>("orderId");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<bool>("changes");
        QTest::addRow("bill") << 1501 << 1 << u"1"_s << true;
        QTest::addRow("delete") << 1501 << 199 << u"1"_s << true;
        QTest::addRow("locked order is not billed") << 1502 << 1 << u"2"_s << false;
        QTest::addRow("locked order is not deleted") << 1502 << 199 << u"2"_s << false;
        QTest::addRow("unsaved order") << 1503 << 1 << u"0"_s << false;
        QTest::addRow("missing order") << 99999 << 1 << u"0"_s << false;
    }

    void statusChangesRespectTheEditLock()
    {
        QFETCH(int, orderId);
        QFETCH(int, status);
        QFETCH(QString, saved);
        QFETCH(bool, changes);
        const int unbilledBefore = orderCount(0);
        QCOMPARE(column(rows(u"call usp_updatenalog (%1,%2)"_s.arg(orderId).arg(status)), "saved"), QStringList{saved});
        QCOMPARE(orderCount(0), unbilledBefore - (changes ? 1 : 0));
        if (changes && status == 199) {
            QCOMPARE(column(rows(u"call usp_getnalogedit (%1)"_s.arg(orderId)), "saved"), QStringList{u"0"_s});
            QCOMPARE(orderCount(2), 39);
            QVERIFY(rows(u"call usp_listNalogPostavke (%1)"_s.arg(orderId)).rows.empty());
        }
        if (changes && status == 1)
            QCOMPARE(orderCount(2), 40); // billed orders stay in the list of all orders
    }

    void editLockFollowsTheControlOperations()
    {
        QCOMPARE(column(rows(u"call usp_getnalogedit (1501)"_s), "saved"), QStringList{u"1"_s});
        QVERIFY(db_->setOrderSaved(1501, 2));
        QCOMPARE(column(rows(u"call usp_getnalogedit (1501)"_s), "saved"), QStringList{u"2"_s});
        QVERIFY(!db_->setOrderSaved(99999, 2));
        const int id = db_->addOrder({1, true});
        QCOMPARE(column(rows(listStatement(1, {}, id)), "nalogType"), QStringList{u"1"_s});
        QVERIFY(column(rows(u"call usp_listnevneseni (0)"_s), "id").contains(QString::number(id)));
    }

    void catalogueInsertUpdateMoveDelete()
    {
        QVERIFY(!run(u"call usp_updateSavePostavka (-1,'Menjava svečk','25.5',100,0)"_s).failed());
        auto catalogue = rows(u"call usp_listPostavkeALL ()"_s);
        const qsizetype added = column(catalogue, "opis").indexOf(u"Menjava svečk"_s);
        QVERIFY(added >= 0);
        const QString id = column(catalogue, "id").at(added);
        QCOMPARE(column(catalogue, "cena").at(added), u"25.50"_s);
        QCOMPARE(column(catalogue, "orderby").at(added), u"100"_s);
        QCOMPARE(column(catalogue, "opis").last(), u"Menjava svečk"_s); // ordered by position

        QVERIFY(!run(u"call usp_updateSavePostavka (%1,'Svečke','12.5',0,0)"_s.arg(id)).failed());
        catalogue = rows(u"call usp_listPostavkeALL ()"_s);
        QCOMPARE(column(catalogue, "opis").first(), u"Svečke"_s);
        QCOMPARE(column(catalogue, "cena").first(), u"12.50"_s);

        QVERIFY(!run(u"call usp_updateSavePostavka (%1,'',0,0,999)"_s.arg(id)).failed());
        QVERIFY(!column(rows(u"call usp_listPostavkeALL ()"_s), "id").contains(id));
        QVERIFY(!run(u"call usp_updateSavePostavka (-1,'',0,0,999)"_s).table);
    }

    void placesAndStoredTyres()
    {
        QVERIFY(!run(u"call usp_insertUpdateLokacija (-1,'Regal C','Zgoraj\r\nlevo',0)"_s).failed());
        const auto places = rows(u"call usp_listLokacije ()"_s);
        const QString placeId = column(places, "id").last();
        QCOMPARE(column(places, "opis").last(), u"Zgoraj\r\nlevo"_s);

        const QString orderId = column(rows(u"call usp_listnevneseni (0)"_s), "id").first();
        QVERIFY(!run(u"call usp_saveSHRLocation (%1,%2)"_s.arg(orderId, placeId)).failed());
        QVERIFY(!column(rows(u"call usp_listnevneseni (0)"_s), "id").contains(orderId));
        const auto all = rows(u"call usp_listnevneseni (1)"_s);
        const qsizetype row = column(all, "id").indexOf(orderId);
        QCOMPARE(column(all, "SHRLokacija").at(row), placeId);
        QCOMPARE(column(all, "popisanoShranjevanje").at(row), u"1"_s);

        const auto found = rows(u"usp_searchShranjeni 'regal c'"_s);
        QCOMPARE(column(found, "id"), QStringList{orderId});
        QCOMPARE(column(found, "lokacijaNM"), QStringList{u"Regal C"_s});
        QVERIFY(rows(u"usp_searchShranjeni ''"_s).rows.size() > 1);

        // Deleting the place leaves no order pointing at it.
        QVERIFY(!run(u"call usp_insertUpdateLokacija (%1,'Regal C','',99)"_s.arg(placeId)).failed());
        QVERIFY(column(rows(u"call usp_listnevneseni (0)"_s), "id").contains(orderId));
        QVERIFY(run(u"call usp_saveSHRLocation (%1,%2)"_s.arg(orderId, placeId)).failed());
    }

    void registrationKeepsTheUpdateCounter()
    {
        const QString registration =
            u"call usp_insertupdatedefaultnalogsettings(\"1.1.3.337\",\"demo1234\",\"Servis d.o.o.\",\"Cesta 1\","
            u"\"1000 Ljubljana\",\"01\",\"02\",\"SI1\",\"www\",\"Vozilo:\",\"Registrska št:\")"_s;
        db_->setUpdateCounter(5);
        QVERIFY(!run(registration).failed());
        QCOMPARE(
            column(rows(u"SELECT IFNULL(needeedupdate,-1) as 'needeedupdate' FROM ordavodefaults"_s), "needeedupdate"),
            QStringList{u"5"_s});
        db_->setUpdateCounter(std::nullopt);
        QCOMPARE(
            column(rows(u"SELECT IFNULL(needeedupdate,-1) as 'needeedupdate' FROM ordavodefaults"_s), "needeedupdate"),
            QStringList{u"-1"_s});
        db_->clearDefaults();
        QVERIFY(rows(u"SELECT IFNULL(needeedupdate,-1) as 'needeedupdate' FROM ordavodefaults"_s).rows.empty());
        QCOMPARE(column(rows(u"SELECT COUNT(*) as 'stevilo' FROM ordavodefaults"_s), "stevilo"), QStringList{u"0"_s});
        QVERIFY(!run(registration).failed());
        QCOMPARE(column(rows(u"SELECT COUNT(*) as 'stevilo' FROM ordavodefaults"_s), "stevilo"), QStringList{u"1"_s});
        QCOMPARE(db_->bumpUpdateCounter(), std::optional<std::int64_t>(1));
    }

    void directoryFindsTheCodeInAnyCase()
    {
        const auto found = run(u"call usp_findmyordavo (\"DEMO1234\")"_s, Endpoint::Directory);
        QVERIFY(found.table && found.table->rows.size() == 1);
        QCOMPARE(*found.table->value(0, "ordavoroot"), kRoot);
        QCOMPARE(*found.table->value(0, "imepodjetja"), std::string("Avtoservis Kovač d.o.o."));
        QCOMPARE(*found.table->value(0, "registrkatitle"), std::string("Registrska št:"));
        QCOMPARE(*found.table->value(0, "liveversion"), std::string(ORDAVO_VERSION_STRING));
        const auto unknown = run(u"call usp_findmyordavo (\"nope\")"_s, Endpoint::Directory);
        QVERIFY(!unknown.failed() && unknown.table->rows.empty());
        QCOMPARE(sim::GatewayAnswer(unknown), std::string("[success][emptyrecordset]"));
    }

    // Values only ever reach SQLite as bound parameters; statements the parser refuses
    // never run at all.
    void injectionIsStoredOrRefusedNeverRun()
    {
        const std::size_t places = rows(u"call usp_listLokacije ()"_s).rows.size();
        QVERIFY(run(u"call usp_insertUpdateLokacija (-1,'a','b',0); call usp_insertUpdateLokacija (-1,'c','d',0)"_s)
                    .failed());
        QVERIFY(run(u"call usp_insertUpdateLokacija (-1,'it's','b',0)"_s).failed());
        QCOMPARE(rows(u"call usp_listLokacije ()"_s).rows.size(), places);

        const QString hostile = u"x'); DELETE FROM lokacije; --"_s;
        QString quoted = hostile;
        quoted.replace(u"'"_s, u"''"_s);
        QVERIFY(!run(u"call usp_insertUpdateLokacija (-1,'%1','',0)"_s.arg(quoted)).failed());
        const auto after = rows(u"call usp_listLokacije ()"_s);
        QCOMPARE(after.rows.size(), places + 1);
        QCOMPARE(column(after, "ime").last(), hostile);
    }

    void answersInTheGatewayForm()
    {
        QCOMPARE(sim::AnswerStatement(*db_, Endpoint::Workshop, "call usp_getversion()", kRoot),
                 std::string("[success]vers%2C200%7E1%5B%2Adot%2A%5D1%5B%2Adot%2A%5D3%5B%2Adot%2A%5D337"));
        QCOMPARE(sim::AnswerStatement(*db_, Endpoint::Workshop, "call usp_saveSHRLocation (1501,1)", kRoot),
                 std::string("[success][emptyrecordset]"));
        QCOMPARE(sim::AnswerStatement(*db_, Endpoint::Workshop, "  ", kRoot), std::string("Query was empty"));
    }
};

QTEST_GUILESS_MAIN(SimProceduresTest)
#include "tst_sim_procedures.moc"
