// Round trips through the client's own transport against the running simulator: every statement form, documents,
// faults.
#include "data/http_client.h"
#include "data/remote_call.h"
#include "data/settings_store.h"
#include "support/settings_sandbox.h"
#include "support/simulator_process.h"

#include <QDate>
#include <QImage>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString ListDate(int daysFromNow)
{
    return QDate::currentDate().addDays(daysFromNow).toString(u"yyyy-MM-dd"_s);
}

QString ListStatement(int filter, int orderId = -1, const QString& search = {})
{
    return u"call usp_listneobracunaninalogi (%1,'%2','%3',%4,%5,'%6')"_s.arg(filter)
        .arg(ListDate(-365), ListDate(365))
        .arg(orderId)
        .arg(search.isEmpty() ? 0 : 1)
        .arg(search);
}

QStringList ColumnValues(Recordset& rs, const QString& name)
{
    QStringList values;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        values << (rs.FieldValue(name).isNull() ? u"NULL"_s : rs.FieldValue(name).asString());
    rs.MoveFirst();
    return values;
}

} // namespace

class SimRoundTripTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;
    std::unique_ptr<SimulatorProcess> sim_;
    std::unique_ptr<HttpClient> sender_;
    std::unique_ptr<HttpClient> login_;
    QList<int> waits_;

    void startSimulator(const QStringList& arguments = {})
    {
        sim_ = std::make_unique<SimulatorProcess>(arguments);
        QVERIFY2(sim_->isRunning(), qPrintable(sim_->errorText()));
        PointWorkshopAt(sim_->baseUrl());
    }

    // One call as every window makes it: one empty parameter, the error checked.
    RecordsetPtr call(const QString& statement)
    {
        RemoteParams = QStringList{QString()};
        RecordsetPtr rs = ExecuteRemote(statement);
        if (!LastRemoteError.isEmpty())
            qWarning("%s", qPrintable(LastRemoteError));
        return rs;
    }

    QByteArray fetch(const QString& pathAndQuery)
    {
        HttpClient client;
        const auto response = client.get((sim_->baseUrl() + pathAndQuery).toUtf8());
        return response.ok ? response.body : QByteArray();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        sandbox_ = std::make_unique<SettingsSandbox>();
        sender_ = std::make_unique<HttpClient>();
        login_ = std::make_unique<HttpClient>();
        SetSenderSlot(&sender_);
        SetLoginClient(login_.get());
        waits_.clear();
        SetRemoteWaitHook([this](int milliseconds) { waits_.append(milliseconds); });
        ClearRemoteState();
    }

    void cleanup()
    {
        SetRemoteWaitHook({});
        SetLoginClient(nullptr);
        SetSenderSlot(nullptr);
        sim_.reset();
        sandbox_.reset();
        HttpClient::setDefaultTimeouts(HttpClient::DefaultConnectTimeout, HttpClient::DefaultStallTimeout);
    }

    void startUpQueriesAndDateProbe()
    {
        startSimulator();
        const QString gateway = sim_->gatewayUrl();
        RemoteParams = QStringList{QString()};
        auto counter =
            ExecuteRemoteAt(u"SELECT IFNULL(needeedupdate,-1) as 'needeedupdate' FROM ordavodefaults"_s, gateway);
        QVERIFY2(counter, qPrintable(LastRemoteError));
        QCOMPARE(counter->FieldValue(u"needeedupdate"_s).asInteger(), 0);
        QCOMPARE(sim_->control(u"bump-update-counter"_s).json().value(u"updateCounter"_s).toInt(), 1);
        counter = ExecuteRemoteAt(u"SELECT IFNULL(needeedupdate,-1) as 'needeedupdate' FROM ordavodefaults"_s, gateway);
        QCOMPARE(counter->FieldValue(u"needeedupdate"_s).asInteger(), 1);
        auto count = ExecuteRemoteAt(u"SELECT COUNT(*) as 'stevilo' FROM ordavodefaults"_s, gateway);
        QCOMPARE(count->FieldValue(u"stevilo"_s).asString(), u"1"_s);

        // The probe: the date is a composed parameter.
        RemoteParams = QStringList{QDate(2011, 3, 15).toString(u"yyyy-MM-dd"_s)};
        ExecuteRemote(u"call usp_checkDate "_s);
        QCOMPARE(LastRemoteError, QString());
        RemoteParams = QStringList{u"2011/03/15"_s};
        ExecuteRemote(u"call usp_checkDate "_s);
        QVERIFY2(LastRemoteError.contains(u"Incorrect date value: '2011/03/15'"_s), qPrintable(LastRemoteError));
        QVERIFY(sim_->statements().contains(u"call usp_checkDate ('2011-03-15')"_s));
    }

    void dottedDateFormatPassesThroughTheDotToken()
    {
        startSimulator({u"--date-format"_s, u"dd.mm.yyyy"_s, u"--version-served"_s, u"1.1.3.340"_s});
        RemoteParams = QStringList{u"15.03.2011"_s};
        ExecuteRemote(u"call usp_checkDate "_s);
        QCOMPARE(LastRemoteError, QString());
        auto list = call(u"call usp_listneobracunaninalogi (0,'%1','%2',-1,0,'')"_s.arg(
            QDate::currentDate().addDays(-365).toString(u"dd.MM.yyyy"_s),
            QDate::currentDate().addDays(365).toString(u"dd.MM.yyyy"_s)));
        QVERIFY(list && list->RecordCount() > 10);
        QCOMPARE(call(u"call usp_getversion()"_s)->FieldValue(u"vers"_s).asString(), u"1.1.3.340"_s);
    }

    void signInAgainstTheDirectory()
    {
        startSimulator();
        RemoteParams = QStringList{QString()};
        auto found = ExecuteRemoteAt(u"call usp_findmyordavo (\"demo1234\")"_s, sim_->directoryGatewayUrl());
        QVERIFY2(found, qPrintable(LastRemoteError));
        QCOMPARE(found->FieldValue(u"ordavoroot"_s).asString(), sim_->baseUrl());
        QCOMPARE(found->FieldValue(u"imepodjetja"_s).asString(), u"Avtoservis Kovač d.o.o."_s);
        QCOMPARE(found->FieldValue(u"avtotitle"_s).asString(), u"Vozilo:"_s);
        QCOMPARE(found->FieldValue(u"registrkatitle"_s).asString(), u"Registrska št:"_s);
        QCOMPARE(found->FieldValue(u"liveversion"_s).asString(), QStringLiteral(ORDAVO_VERSION_STRING));

        QStringList values;
        for (const char* column : {"liveversion", "imepodjetja", "naslovpodjetja", "postnastevilkainposta", "telefon",
                                   "fax", "tax", "www", "avtotitle", "registrkatitle"})
            values << found->FieldValue(QString::fromLatin1(column)).asString();
        values.insert(1, u"demo1234"_s);
        const QString registration =
            u"call usp_insertupdatedefaultnalogsettings(\""_s + values.join(u"\",\""_s) + u"\")"_s;
        RemoteParams = QStringList{QString()};
        QVERIFY(!ExecuteRemoteAt(registration, sim_->gatewayUrl()));
        QCOMPARE(LastRemoteError, QString());
        QCOMPARE(sim_->state().value(u"defaultsRows"_s).toInt(), 1);

        RemoteParams = QStringList{QString()};
        QVERIFY(!ExecuteRemoteAt(u"call usp_findmyordavo (\"unknown\")"_s, sim_->directoryGatewayUrl()));
        QCOMPARE(LastRemoteError, QString());
    }

    void orderListAndOrderWindow()
    {
        startSimulator();
        auto list = call(ListStatement(0));
        QVERIFY(list && list->RecordCount() > 20);
        // The list's columns, read as the list reads them.
        for (; !list->Eof(); list->MoveNext()) {
            list->FieldValue(u"id"_s).asInteger();
            list->FieldValue(u"nalogStevilka"_s).asString();
            list->FieldValue(u"datum"_s).asDateTime();
            list->FieldValue(u"viewed"_s).asInteger();
            list->FieldValue(u"nalogType"_s).asInteger();
            list->FieldValue(u"saved"_s).asInteger();
            for (const QString& name : {u"vnesel"_s, u"komentar"_s, u"vozilo"_s, u"registrska_st"_s})
                list->FieldValue(name).asString();
        }
        QVERIFY(ColumnValues(*list, u"saved"_s).contains(u"2"_s));

        auto header = call(ListStatement(1, SimulatorProcess::OrderWithDocuments));
        QVERIFY(header && header->RecordCount() == 1);
        QCOMPARE(header->FieldValue(u"strankapriimek"_s).asString(), u"Kovačič"_s);
        QCOMPARE(header->FieldValue(u"pravnaoseba"_s).asInteger(), 1);
        QCOMPARE(header->FieldValue(u"podpis"_s).asString(), u"podpisi/N1501.png"_s);
        QVERIFY(header->FieldValue(u"datum"_s).asDateTime().isValid());
        QVERIFY(header->FieldValue(u"komentar"_s).asString().contains(u"*newln*"_s));
        QVERIFY(call(ListStatement(1, SimulatorProcess::OrderWithoutCustomer))->FieldValue(u"Stranka"_s).isNull());

        auto items = call(u"call usp_listNalogPostavke (1501)"_s);
        QVERIFY(items);
        QCOMPARE(ColumnValues(*items, u"cena"_s).last(), u"-10.00"_s);
        QCOMPARE(ParseDecimal(ColumnValues(*items, u"kolicina"_s).at(2)), 1.5);
        QCOMPARE(ColumnValues(*items, u"Dodatno"_s).first(), u"5W-30, 4.5 l"_s);

        auto found = call(ListStatement(2, -1, u"kovačič"_s));
        QVERIFY(found && ColumnValues(*found, u"id"_s).contains(u"1501"_s));
    }

    void orderActions()
    {
        startSimulator();
        QCOMPARE(call(u"call usp_updatenalog (1502,1)"_s)->FieldValue(u"saved"_s).asInteger(), 2);
        QCOMPARE(call(u"call usp_getnalogedit (1503)"_s)->FieldValue(u"saved"_s).asInteger(), 0);
        QCOMPARE(sim_->control(u"unlock-order?id=1502"_s).status, 200);
        const int before = call(ListStatement(0))->RecordCount();
        QCOMPARE(call(u"call usp_updatenalog (1502,1)"_s)->FieldValue(u"saved"_s).asInteger(), 1);
        QCOMPARE(call(ListStatement(0))->RecordCount(), before - 1);
        QCOMPARE(sim_->control(u"lock-order?id=1501"_s).status, 200);
        QCOMPARE(call(u"call usp_getnalogedit (1501)"_s)->FieldValue(u"saved"_s).asInteger(), 2);
        QCOMPARE(sim_->control(u"lock-order?id=77"_s).status, 404);
        QCOMPARE(sim_->control(u"add-order"_s).status, 200);
        QCOMPARE(call(ListStatement(0))->RecordCount(), before);
    }

    void catalogueAndStorageWindows()
    {
        startSimulator();
        // The item save ignores the answer; the list shows what was stored.
        RemoteParams = QStringList{QString()};
        ExecuteRemote(u"call usp_updateSavePostavka (-1,'Olje 5W+30','12.5',100,0)"_s, true);
        auto catalogue = call(u"call usp_listPostavkeALL ()"_s);
        QVERIFY(catalogue);
        QCOMPARE(ColumnValues(*catalogue, u"opis"_s).last(), u"Olje 5W+30"_s);
        QCOMPARE(ColumnValues(*catalogue, u"cena"_s).last(), u"12.50"_s);

        QVERIFY(!call(u"call usp_insertUpdateLokacija (-1,'Regal C','Zgoraj',0)"_s));
        QCOMPARE(LastRemoteError, QString());
        auto places = call(u"call usp_listLokacije()"_s);
        QCOMPARE(ColumnValues(*places, u"ime"_s).last(), u"Regal C"_s);
        const QString placeId = ColumnValues(*places, u"id"_s).last();

        auto unplaced = call(u"call usp_listnevneseni (0)"_s);
        QVERIFY(unplaced && unplaced->RecordCount() > 0);
        const QString orderId = unplaced->FieldValue(u"id"_s).asString();
        unplaced->FieldValue(u"popisanoShranjevanje"_s).asInteger();
        unplaced->FieldValue(u"SHRLokacija"_s).asInteger();
        call(u"call usp_saveSHRLocation (%1,%2)"_s.arg(orderId, placeId));
        QCOMPARE(LastRemoteError, QString());
        QVERIFY(!ColumnValues(*call(u"call usp_listnevneseni (0)"_s), u"id"_s).contains(orderId));

        auto search = call(u"usp_searchShranjeni 'regal c'"_s);
        QVERIFY(search);
        QCOMPARE(ColumnValues(*search, u"lokacijaNM"_s), QStringList{u"Regal C"_s});
        QCOMPARE(ColumnValues(*search, u"id"_s), QStringList{orderId});
    }

    // A statement whose encoded form is over 2000 characters travels in the plain form
    // with a literal "+" and "?", which the simulator reads from the raw request as a web
    // server does, and a tab, which goes out as %09.
    void longStatementInPlainForm()
    {
        startSimulator();
        const QString description = u"x "_s.repeated(500) + u"a+b, c.? d?e\tf"_s;
        QVERIFY(EncodeStatement(ComposeStatement(u"call usp_insertUpdateLokacija (-1,'Dolg','%1',0)"_s.arg(description),
                                                 {QString()}))
                    .size() > 2000);
        call(u"call usp_insertUpdateLokacija (-1,'Dolg','%1',0)"_s.arg(description));
        QCOMPARE(LastRemoteError, QString());
        auto places = call(u"call usp_listLokacije ()"_s);
        QCOMPARE(ColumnValues(*places, u"opis"_s).last(), description);
    }

    // The request forms a web server takes or refuses as such: a request line up to 8190 bytes,
    // "?" anywhere in the query, and a POST without a body (as `curl -X POST` sends it); a longer
    // request line is answered with 414.
    void requestFormsAsAWebServerTakesThem_data()
    {
        QTest::addColumn<int>("lineLength");
        QTest::addColumn<QByteArray>("status");
        QTest::addRow("8190") << 8190 << QByteArray("HTTP/1.1 200 OK");
        QTest::addRow("8191") << 8191 << QByteArray("HTTP/1.1 414 Request-URI Too Long");
        QTest::addRow("20000") << 20000 << QByteArray("HTTP/1.1 414 Request-URI Too Long");
    }

    void requestFormsAsAWebServerTakesThem()
    {
        QFETCH(int, lineLength);
        QFETCH(QByteArray, status);
        startSimulator();
        sim_->control(u"clear-statements"_s);
        // A statement with a comment of "?" characters: both cpp-httplib's own splitting and the
        // escapes it would need once mended stay out of what the gateway reads.
        const QByteArray head = "GET /commobj/commobj/run.php?0.*_.call%20usp_listLokacije%20()%20--%20";
        const QByteArray tail = " HTTP/1.1";
        const QByteArray comment(lineLength - head.size() - tail.size(), '?');
        QCOMPARE(sim_->statusLineOf(head + comment + tail + "\r\nHost: 127.0.0.1\r\n\r\n"), status);
        const QStringList received = sim_->statements();
        if (status.contains("200"))
            QCOMPARE(received, QStringList{u"call usp_listLokacije () -- "_s + QString::fromLatin1(comment)});
        else
            QVERIFY(received.isEmpty());

        const int orders = sim_->state().value(u"orders"_s).toInt();
        QCOMPARE(sim_->statusLineOf("POST /control/add-order HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"),
                 QByteArray("HTTP/1.1 200 OK"));
        QCOMPARE(sim_->state().value(u"orders"_s).toInt(), orders + 1);
    }

    void brokenStatementIsReportedNotRun()
    {
        startSimulator();
        const int places = call(u"call usp_listLokacije ()"_s)->RecordCount();
        call(u"call usp_insertUpdateLokacija (-1,'O'Brien','',0)"_s);
        QVERIFY2(LastRemoteError.contains(u"You have an error in your SQL syntax"_s), qPrintable(LastRemoteError));
        QVERIFY(LastRemoteError.contains(u"near 'Brien'"_s));
        ClearRemoteState();
        call(u"call usp_insertUpdateLokacija (-1,'a','b',0); drop table lokacije"_s);
        QVERIFY(!LastRemoteError.isEmpty());
        QCOMPARE(call(u"call usp_listLokacije ()"_s)->RecordCount(), places);
        call(u"call usp_nope ()"_s);
        QVERIFY(LastRemoteError.endsWith(u"PROCEDURE "_s + sim_->databaseName() + u".usp_nope does not exist"_s));
    }

    void transientFaultIsRetried()
    {
        startSimulator({u"--fault-transient-every"_s, u"2"_s});
        QVERIFY(call(u"call usp_listLokacije ()"_s));
        QCOMPARE(sim_->state().value(u"gatewayCalls"_s).toInt(), 1);
        auto second = call(u"call usp_listLokacije ()"_s);
        QVERIFY(second && second->RecordCount() == 5);
        QCOMPARE(LastRemoteError, QString());
        QCOMPARE(sim_->state().value(u"gatewayCalls"_s).toInt(), 3); // the transient answer and the retry
        QCOMPARE(waits_, QList<int>{150});
    }

    void serverErrorAndHangAreRetried()
    {
        startSimulator({u"--fault-http500-every"_s, u"2"_s});
        QVERIFY(call(u"call usp_getversion()"_s));
        QVERIFY(call(u"call usp_getversion()"_s));
        QCOMPARE(waits_, QList<int>{500});

        HttpClient::setDefaultTimeouts(std::chrono::milliseconds(1000), std::chrono::milliseconds(1500));
        sender_ = std::make_unique<HttpClient>();
        login_ = std::make_unique<HttpClient>();
        SetLoginClient(login_.get());
        QCOMPARE(sim_->control(u"faults?http500-every=0&hang-every=2&hang-ms=4000"_s).status, 200);
        waits_.clear();
        QVERIFY(call(u"call usp_getversion()"_s));
        auto afterHang = call(u"call usp_getversion()"_s);
        QVERIFY(afterHang);
        QCOMPARE(waits_, QList<int>{500});
        QCOMPARE(afterHang->FieldValue(u"vers"_s).asString(), QStringLiteral(ORDAVO_VERSION_STRING));
    }

    void documentsShowTheirOrder()
    {
        startSimulator();
        const QByteArray fileAnswer = fetch(u"requests/getnalogpdffile.php?nlgid=1501&kodainsupass=demo1234"_s);
        QCOMPARE(fileAnswer, QByteArray("file:N1501.pdf"));
        QVERIFY(fetch(u"nalogs/lib/N1501.pdf"_s).startsWith("%PDF"));
        QVERIFY(fetch(u"requests/getnalogpdf.php?nlgid=1501&preview=1&kodainsupass=demo1234"_s).startsWith("%PDF"));
        QVERIFY(fetch(u"nalogs/lib/N999999.pdf"_s).isEmpty());

        QImage small = QImage::fromData(fetch(u"requests/getpodpis.php?pth=podpisi/N1501.png&small=1"_s), "PNG");
        QImage full = QImage::fromData(fetch(u"requests/getpodpis.php?pth=podpisi/N1501.png"_s), "PNG");
        QVERIFY(!small.isNull() && !full.isNull());
        QVERIFY(small.width() < full.width());
        QImage picture = QImage::fromData(fetch(u"requests/getimage.php?small=1&pth=slike/N1505_4.jpg"_s), "JPEG");
        QImage large = QImage::fromData(fetch(u"requests/getimage.php?pth=slike/N1505_4.jpg"_s), "JPEG");
        QVERIFY(!picture.isNull() && picture.width() < large.width());

        const QByteArray page = fetch(u"?kodainsupass=demo1234"_s);
        auto header = call(ListStatement(1, 1501));
        QVERIFY(page.contains(header->FieldValue(u"nalogStevilka"_s).asString().toUtf8()));
        QVERIFY(fetch(u"?kodainsupass=wrong"_s).isEmpty()); // 403
        QVERIFY(fetch(u"directory/distro/download.php"_s).contains("Prenos"));
    }
};

QTEST_GUILESS_MAIN(SimRoundTripTest)
#include "tst_sim_round_trip.moc"
