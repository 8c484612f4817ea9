// The order window against scripted workshops: header lines, customer block, reception look, comment, items and total,
// picture strip, failures.
#include "orders/order_details.h"

#include "support/settings_sandbox.h"
#include "support/window_test_kit.h"

#include "data/settings_store.h"
#include "desktop/picture_pane.h"
#include "desktop/url_opener.h"
#include "session/app_state.h"
#include "ui/message_boxes.h"

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// One header row; nullopt is a null value.
struct Header {
    std::optional<QString> nalogStevilka = u"DN-1532"_s;
    std::optional<QString> ime = u"Janez"_s;
    std::optional<QString> priimek = u"Novak"_s;
    std::optional<QString> idddv = QString();
    std::optional<QString> naslov = QString();
    std::optional<QString> podjetje = QString();
    std::optional<QString> nalogType = u"0"_s;
    std::optional<QString> stranka = u"7"_s;
    std::optional<QString> datum = u"2024-03-05 10:15:00"_s;
    std::optional<QString> vnesel = u"Marko"_s;
    std::optional<QString> registrska = u"LJ AB-123"_s;
    std::optional<QString> vozilo = u"Golf"_s;
    std::optional<QString> podpis = QString();
    std::array<std::optional<QString>, 4> slike{QString(), QString(), QString(), QString()};
    std::optional<QString> pravnaoseba = u"1"_s;
    std::optional<QString> komentar = u"a*newln*b*NEWLN*c"_s;
};

QByteArray HeaderAnswer(const Header& h)
{
    const QList<QPair<QString, int>> columns{
        {u"nalogStevilka"_s, 200}, {u"strankaime"_s, 200},      {u"strankapriimek"_s, 200}, {u"strankaidddv"_s, 200},
        {u"strankanaslov"_s, 200}, {u"strankapodjetje"_s, 200}, {u"nalogType"_s, 3},        {u"Stranka"_s, 3},
        {u"datum"_s, 135},         {u"vnesel"_s, 200},          {u"registrska_st"_s, 200},  {u"vozilo"_s, 200},
        {u"podpis"_s, 200},        {u"slika1"_s, 200},          {u"slika2"_s, 200},         {u"slika3"_s, 200},
        {u"slika4"_s, 200},        {u"pravnaoseba"_s, 3},       {u"komentar"_s, 200}};
    return TableAnswer(columns, {Row{h.nalogStevilka, h.ime, h.priimek, h.idddv, h.naslov, h.podjetje, h.nalogType,
                                     h.stranka, h.datum, h.vnesel, h.registrska, h.vozilo, h.podpis, h.slike[0],
                                     h.slike[1], h.slike[2], h.slike[3], h.pravnaoseba, h.komentar}});
}

using Item = std::array<QString, 4>; // opis, Dodatno, kolicina, cena

QByteArray ItemsAnswer(const QList<Item>& items)
{
    QList<Row> rows;
    for (const Item& item : items)
        rows.append(Row{item[0], item[1], item[2], item[3]});
    return TableAnswer({{u"opis"_s, 200}, {u"Dodatno"_s, 200}, {u"kolicina"_s, 200}, {u"cena"_s, 200}}, rows);
}

const QString kHeaderCall = u"call usp_listneobracunaninalogi (1,"_s;
const QString kItemsCall = u"call usp_listNalogPostavke ("_s;

} // namespace

class OrderDetailsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void rowColoursAlternate();
    void headerAndCustomerBlock_data();
    void headerAndCustomerBlock();
    void receptionOrderHidesItemsButSumsThem();
    void itemRowsAndTotalOnCommaLocale();
    void noItemsShowsZeroTotal();
    void failuresAreReportedAndKeepWhatWasFilled_data();
    void failuresAreReportedAndKeepWhatWasFilled();
    void invalidIdLoadsNothing();
    void unreachableServerIsSaidOnceAndShowsNoItems_data();
    void unreachableServerIsSaidOnceAndShowsNoItems();
    void picturesAndSignatureSetTheLayout();
    void pictureClickOpensFullSizeAndMinimises();
    void documentsNothingCanOpenAreReportedAndTheWindowStays();
    void documentButtonsOpenTheirAddresses();

private:
    void show(qint32 nalogId);
    template <typename T> T* child(const char* name) const;

    std::unique_ptr<ScriptedWorkshop> workshop_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmNalogDetails> window_;
    RecordingUrlOpener opener_;
};

void OrderDetailsTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
}

void OrderDetailsTest::init()
{
    ResetAppState();
    DialogTestHook::reset();
    DialogTestHook::activate();
    workshop_ = std::make_unique<ScriptedWorkshop>();
    remote_ = std::make_unique<RemoteTestSetup>(workshop_->baseUrl());
    WriteSetting(u"ordavo"_s, u"avtotitle"_s, u"Avto:"_s);
    WriteSetting(u"ordavo"_s, u"registrkatitle"_s, QString());
    WriteSetting(u"ordavo"_s, u"kodadostop"_s, u"demo 1&2"_s);
    requestUrl = workshop_->baseUrl() + u"requests/getpodpis.php"_s;
    opener_ = RecordingUrlOpener();
    SetCurrentUrlOpener(&opener_);
    window_ = std::make_unique<TfrmNalogDetails>();
}

void OrderDetailsTest::cleanup()
{
    window_.reset();
    SetCurrentUrlOpener(nullptr);
    remote_.reset();
    workshop_.reset();
    DialogTestHook::reset();
}

template <typename T> T* OrderDetailsTest::child(const char* name) const
{
    return RequireChild<T>(*window_, name);
}

void OrderDetailsTest::show(qint32 nalogId)
{
    openNalog(nalogId);
}

void OrderDetailsTest::rowColoursAlternate()
{
    QCOMPARE(PostavkeRowColor(0), QColor(0xC5, 0xC2, 0xC2));
    QCOMPARE(PostavkeRowColor(1), QColor(Qt::white));
    QCOMPARE(PostavkeRowColor(2), QColor(0xC5, 0xC2, 0xC2));
    QCOMPARE(PostavkeRowColor(7), QColor(Qt::white));
}

void OrderDetailsTest::headerAndCustomerBlock_data()
{
    QTest::addColumn<QStringList>("values"); // ime, priimek, idddv, naslov, podjetje, Stranka ("" = null)
    QTest::addColumn<QString>("strankaLine");
    QTest::addColumn<QString>("memo");
    QTest::addRow("first name without surname")
        << QStringList{u"Janez"_s, QString(), QString(), u"Cesta 1"_s, QString(), u"7"_s} << u"Stranka: Janez "_s
        << u"Stranka: Janez \nNaslov: Cesta 1"_s;
    QTest::addRow("surname without first name")
        << QStringList{QString(), u"Novak"_s, u"SI123"_s, u"Cesta 1"_s, u"Firma"_s, u"7"_s} << QString()
        << u"Podjetje: Firma\nNaslov: Cesta 1\nID ZA DDV: SI123"_s;
    QTest::addRow("no customer") << QStringList{u"Janez"_s, u"Novak"_s, QString(), QString(), u"Firma"_s, QString()}
                                 << u"Stranka: Janez Novak"_s << u"Ni podano"_s;
}

void OrderDetailsTest::headerAndCustomerBlock()
{
    QFETCH(QStringList, values);
    QFETCH(QString, strankaLine);
    QFETCH(QString, memo);
    Header h;
    h.ime = values[0];
    h.priimek = values[1];
    h.idddv = values[2];
    h.naslov = values[3];
    h.podjetje = values[4];
    h.stranka = values[5].isEmpty() ? std::nullopt : std::optional<QString>(values[5]);
    workshop_->answer(kHeaderCall, HeaderAnswer(h));
    workshop_->answer(kItemsCall, EmptyAnswer());
    listDateFormat = u"dd.mm.yyyy"_s;

    show(1532);

    const QDate today = QDate::currentDate();
    QCOMPARE(workshop_->statements().value(0).trimmed(),
             u"call usp_listneobracunaninalogi (1,'"_s + today.addDays(-365).toString(u"dd.MM.yyyy"_s) + u"','"_s +
                 today.addDays(365).toString(u"dd.MM.yyyy"_s) + u"',1532,0,'')"_s);
    QCOMPARE(workshop_->statements().value(1).trimmed(), u"call usp_listNalogPostavke (1532)"_s);
    QCOMPARE(NalogCustomer.strankaLine, strankaLine);
    QCOMPARE(child<QPlainTextEdit>("mmoStranka")->toPlainText(), memo);
    QCOMPARE(child<QLabel>("lblNalog")->text(), u"DN-1532"_s);
    QCOMPARE(child<QLabel>("lblDatum")->text(), u"05.03.2024"_s);
    QCOMPARE(child<QLabel>("lblVnesel")->text(), u"Marko"_s);
    QCOMPARE(child<QLabel>("lblVozilo")->text(), u"Golf"_s);
    QCOMPARE(child<QLabel>("lblregistrska")->text(), u"LJ AB-123"_s);
    QCOMPARE(child<QLabel>("Label5")->text(), u"Avto:"_s);
    QCOMPARE(child<QLabel>("Label2")->text(), QString());
    QVERIFY(child<QCheckBox>("lblPravnaOseba")->isChecked());
    QCOMPARE(child<QPlainTextEdit>("mmoKomentar")->toPlainText(), u"a\nb\nc"_s);
    QCOMPARE(child<QLabel>("lblCaptionNalog")->text(), u"Delovni nalog"_s);
    QVERIFY(DialogTestHook::shown().isEmpty());
}

void OrderDetailsTest::receptionOrderHidesItemsButSumsThem()
{
    Header reception;
    reception.nalogType = u"1"_s;
    workshop_->answer(kHeaderCall, HeaderAnswer(reception));
    workshop_->answer(kItemsCall, ItemsAnswer({{u"Pregled"_s, QString(), u"2"_s, u"12.5"_s}}));
    show(1505);
    QVERIFY(!child<QTreeWidget>("lviewPostavke")->isVisible());
    QVERIFY(!child<QLabel>("lblSuma")->isVisible());
    QVERIFY(!child<QCheckBox>("lblPravnaOseba")->isVisible());
    QCOMPARE(child<QTreeWidget>("lviewPostavke")->topLevelItemCount(), 1);
    QCOMPARE(child<QLabel>("lblSuma")->text(), u"Skupaj: 25,00 €"_s);
    QCOMPARE(child<QLabel>("lblCaptionNalog")->text(), u"Sprejemni nalog"_s);
    QCOMPARE(child<QPushButton>("shrani")->text(), u"Arhiviraj"_s);
    QCOMPARE(NalogCustomer.nalogType, 1);

    workshop_->answer(kHeaderCall, HeaderAnswer(Header{}));
    show(1532);
    QVERIFY(child<QTreeWidget>("lviewPostavke")->isVisible());
    QVERIFY(child<QLabel>("lblSuma")->isVisible());
    QCOMPARE(child<QLabel>("lblCaptionNalog")->text(), u"Delovni nalog"_s);
    QCOMPARE(child<QPushButton>("shrani")->text(), u"Obračunano"_s);
}

void OrderDetailsTest::itemRowsAndTotalOnCommaLocale()
{
    workshop_->answer(kHeaderCall, HeaderAnswer(Header{}));
    workshop_->answer(kItemsCall, ItemsAnswer({{u"Guma"_s, u"R16"_s, u"2"_s, u"12.5"_s},
                                               {u"Delo"_s, QString(), u"1,5"_s, u"40"_s},
                                               {u"Popust"_s, u"stalna stranka"_s, u"1"_s, u"-5.25"_s}}));
    show(1532);
    auto* list = child<QTreeWidget>("lviewPostavke");
    QCOMPARE(list->topLevelItemCount(), 3);
    const QTreeWidgetItem* first = list->topLevelItem(0);
    QCOMPARE(first->text(0), u"Guma"_s);
    QCOMPARE(first->text(1), u"R16"_s);
    QCOMPARE(first->text(2), u"2,00"_s);
    QCOMPARE(first->text(3), u"12,50€"_s);
    QCOMPARE(list->topLevelItem(1)->text(2), u"1,50"_s);
    QCOMPARE(list->topLevelItem(2)->text(3), u"-5,25€"_s);
    QCOMPARE(first->background(3).color(), QColor(0xC5, 0xC2, 0xC2));
    QCOMPARE(list->topLevelItem(1)->background(0).color(), QColor(Qt::white));
    QCOMPARE(list->topLevelItem(1)->foreground(0).color(), QColor(Qt::black));
    QCOMPARE(child<QLabel>("lblSuma")->text(), u"Skupaj: 79,75 €"_s);
}

void OrderDetailsTest::noItemsShowsZeroTotal()
{
    workshop_->answer(kHeaderCall, HeaderAnswer(Header{}));
    workshop_->answer(kItemsCall, EmptyAnswer());
    show(1532);
    QCOMPARE(child<QTreeWidget>("lviewPostavke")->topLevelItemCount(), 0);
    QCOMPARE(child<QLabel>("lblSuma")->text(), u"Skupaj: 0,00 €"_s);
}

void OrderDetailsTest::failuresAreReportedAndKeepWhatWasFilled_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("items");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("suma");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("nalog"); // the order number shown afterwards

    Header nullVnesel;
    nullVnesel.vnesel = std::nullopt;
    const QByteArray twoItems = ItemsAnswer({{u"A"_s, QString(), u"1"_s, u"2"_s}, {u"B"_s, QString(), u"1"_s, u"3"_s}});
    QTest::addRow("header call fails") << FailureAnswer("DB error 1064") << twoItems
                                       << u"Napaka|Napaka pri komunikaciji"_s << u"Skupaj: 5,00 €"_s << 2 << u"prej"_s;
    QTest::addRow("items call fails") << HeaderAnswer(Header{}) << FailureAnswer("DB error 1064")
                                      << u"Napaka|Napaka pri komunikaciji"_s << u"Skupaj: 0€"_s << 0 << u"DN-1532"_s;
    QTest::addRow("null in the header") << HeaderAnswer(nullVnesel) << twoItems
                                        << u"Napaka|Napaka pri polnenju informacij na levi"_s << u"Skupaj: 5,00 €"_s
                                        << 2 << u"DN-1532"_s;
    QTest::addRow("item that is no number")
        << HeaderAnswer(Header{})
        << ItemsAnswer({{u"A"_s, QString(), u"1"_s, u"2"_s}, {u"B"_s, QString(), u"x"_s, u"3"_s}})
        << u"Napaka|Napaka pri preverjanju nalogov"_s << u"Skupaj: 0€"_s << 1 << u"DN-1532"_s;
}

void OrderDetailsTest::failuresAreReportedAndKeepWhatWasFilled()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, items);
    QFETCH(QString, box);
    QFETCH(QString, suma);
    QFETCH(int, rows);
    QFETCH(QString, nalog);
    child<QLabel>("lblNalog")->setText(u"prej"_s);
    workshop_->answer(kHeaderCall, header);
    workshop_->answer(kItemsCall, items);
    show(1532);
    QCOMPARE(ShownBoxes(), QStringList{box});
    if (box.endsWith(u"komunikaciji"_s))
        QVERIFY(DialogTestHook::lastShown().details.contains(u"DB error 1064"_s));
    QCOMPARE(child<QLabel>("lblSuma")->text(), suma);
    QCOMPARE(child<QTreeWidget>("lviewPostavke")->topLevelItemCount(), rows);
    QCOMPARE(child<QLabel>("lblNalog")->text(), nalog);
}

void OrderDetailsTest::unreachableServerIsSaidOnceAndShowsNoItems_data()
{
    AddUnreachableRows();
}

// The header load that reached no server is said once; the items are not asked for, and the
// items of the order shown before do not stay.
void OrderDetailsTest::unreachableServerIsSaidOnceAndShowsNoItems()
{
    QFETCH(int, kind);
    workshop_->answer(kHeaderCall, HeaderAnswer(Header{}));
    workshop_->answer(kItemsCall, ItemsAnswer({{u"A"_s, QString(), u"1"_s, u"2"_s}}));
    show(1532);
    QCOMPARE(child<QTreeWidget>("lviewPostavke")->topLevelItemCount(), 1);
    window_->close();
    const UnreachableWorkshop down{UnreachableWorkshop::Kind(kind)};
    PointWorkshopAt(down.baseUrl());
    DialogTestHook::reset();
    DialogTestHook::activate();
    show(1532);
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(child<QTreeWidget>("lviewPostavke")->topLevelItemCount(), 0);
}

void OrderDetailsTest::invalidIdLoadsNothing()
{
    show(-1);
    QCOMPARE(ShownBoxes(),
             QStringList{
                 u"Napaka pri iskanju naloga|Nepravilen nalog. Nalog je bil verjetno zbrisan ali pa nima postavk."_s});
    QVERIFY(workshop_->statements().isEmpty());
    QCOMPARE(child<QLabel>("Label5")->text(), u"Avto:"_s);
}

void OrderDetailsTest::picturesAndSignatureSetTheLayout()
{
    Header h;
    h.podpis = u"podpisi/N 1532&x#.png"_s;
    h.slike[1] = u"slike/N1532 #2.jpg"_s;
    workshop_->answer(kHeaderCall, HeaderAnswer(h));
    show(1532);
    QVERIFY(child<QWidget>("pnlNalogimgs")->isVisible());
    QCOMPARE(window_->WebBrowsers[0]->isVisible(), false);
    QCOMPARE(window_->WebBrowsers[1]->isVisible(), true);
    QCOMPARE(window_->WebBrowsers[1]->currentUrl(),
             workshop_->baseUrl() + u"requests/getimage.php?small=1&pth=slike%2FN1532%20%232.jpg"_s);
    QVERIFY(child<QWidget>("pnlbrowser")->isVisible());
    QVERIFY(child<QPushButton>("btnPoglejPodpis")->isVisible());
    QCOMPARE(window_->SignatureUrl, requestUrl + u"?pth=podpisi%2FN%201532%26x%23.png"_s);
    QCOMPARE(child<PicturePane>("browserpodpis")->currentUrl(), window_->SignatureUrl + u"&small=1"_s);
    auto* list = child<QTreeWidget>("lviewPostavke");
    // The strip stands right under the list, one layout gap below it.
    const int gap = list->parentWidget()->layout()->spacing();
    QCOMPARE(list->geometry().bottom() + 1 + gap, child<QWidget>("pnlNalogimgs")->geometry().top());
    const QString root = workshop_->baseUrl();
    QCOMPARE(window_->PreviewPdfUrl,
             root + u"requests/getnalogpdf.php?nlgid=1532&preview=1&kodainsupass=demo%201%262"_s);
    QCOMPARE(window_->PdfFileUrl, root + u"requests/getnalogpdffile.php?nlgid=1532&kodainsupass=demo%201%262"_s);

    workshop_->answer(kHeaderCall, HeaderAnswer(Header{}));
    show(1533);
    QVERIFY(!child<QWidget>("pnlNalogimgs")->isVisible());
    QVERIFY(!child<QWidget>("pnlbrowser")->isVisible());
    QVERIFY(!child<QPushButton>("btnPoglejPodpis")->isVisible());
    QVERIFY(list->geometry().bottom() >= child<QWidget>("pnlNalogimgs")->geometry().bottom());
}

void OrderDetailsTest::pictureClickOpensFullSizeAndMinimises()
{
    Header h;
    h.podpis = u"podpisi/N1532.png"_s;
    h.slike = {u"a.jpg"_s, QString(), u"slike/N1532_3.jpg"_s, QString()};
    workshop_->answer(kHeaderCall, HeaderAnswer(h));
    show(1532);
    QTest::mouseClick(child<PicturePane>("browserpodpis"), Qt::LeftButton);
    QTest::mouseClick(child<QWidget>("pnlNalogimgs"), Qt::LeftButton, {}, QPoint(470, 5));
    QVERIFY(opener_.opened.isEmpty());
    QVERIFY(!window_->isMinimized());

    QTest::mouseClick(window_->WebBrowsers[2], Qt::LeftButton);
    QCOMPARE(opener_.opened.size(), 1);
    QCOMPARE(opener_.opened.first().toString(QUrl::FullyEncoded),
             workshop_->baseUrl() + u"requests/getimage.php?pth=slike%2FN1532_3.jpg"_s);
    QVERIFY(window_->isMinimized());
    QTest::mouseClick(window_->WebBrowsers[0], Qt::RightButton);
    QCOMPARE(opener_.opened.size(), 1);

    // The keyboard opens a picture as the left button does; other keys open nothing.
    window_->showNormal();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_A})
        QTest::keyClick(window_->WebBrowsers[0], key);
    QCOMPARE(opener_.opened.size(), 3);
    QCOMPARE(opener_.opened[1].toString(QUrl::FullyEncoded),
             workshop_->baseUrl() + u"requests/getimage.php?pth=a.jpg"_s);
    QCOMPARE(opener_.opened[2], opener_.opened[1]);
    QVERIFY(window_->isMinimized());
}

void OrderDetailsTest::documentButtonsOpenTheirAddresses()
{
    Header h;
    h.podpis = u"podpisi/N1532.png"_s;
    workshop_->answer(kHeaderCall, HeaderAnswer(h));
    show(1532);
    QTest::mouseClick(child<QPushButton>("btnposljinalogkotpdf"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("btnPoglejPodpis"), Qt::LeftButton);
    QCOMPARE(opener_.opened.size(), 2);
    QCOMPARE(opener_.opened[0].toString(QUrl::FullyEncoded), window_->PreviewPdfUrl);
    QCOMPARE(opener_.opened[1].toString(QUrl::FullyEncoded), window_->SignatureUrl);
    QVERIFY(window_->isMinimized());
}

// The opener fails as xdg-open does when no program takes the address (exit 3): a "Napaka" box
// names the address, with the access code hidden, and the window stays on screen.
void OrderDetailsTest::documentsNothingCanOpenAreReportedAndTheWindowStays()
{
    Header h;
    h.podpis = u"podpisi/N1532.png"_s;
    h.slike = {u"a.jpg"_s, QString(), QString(), QString()};
    workshop_->answer(kHeaderCall, HeaderAnswer(h));
    show(1532);
    opener_.exitCode = 3;
    QTest::mouseClick(child<QPushButton>("btnposljinalogkotpdf"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("btnPoglejPodpis"), Qt::LeftButton);
    QTest::mouseClick(window_->WebBrowsers[0], Qt::LeftButton);
    QCOMPARE(opener_.opened.size(), 3);
    const QList<ShownMessage> shown = DialogTestHook::shown();
    QCOMPARE(shown.size(), 3);
    QString pdfAddress = opener_.opened[0].toString(QUrl::FullyEncoded);
    QVERIFY(pdfAddress.endsWith(u"&kodainsupass=demo%201%262"_s));
    pdfAddress.replace(u"demo%201%262"_s, u"****"_s);
    const QStringList shownAddresses = {pdfAddress, opener_.opened[1].toString(QUrl::FullyEncoded),
                                        opener_.opened[2].toString(QUrl::FullyEncoded)};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(shown[i].title, u"Napaka"_s);
        QCOMPARE(shown[i].icon, MessageIcon::Error);
        QCOMPARE(shown[i].text, u"Naslova ni bilo mogoče odpreti:\n"_s + shownAddresses[i]);
    }
    QVERIFY(!window_->isMinimized());
}

QTEST_MAIN(OrderDetailsTest)
#include "tst_order_details.moc"
