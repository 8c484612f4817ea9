// Widget tests of the tyre placement window against a scripted loopback workshop: loads, filter, row click, save
// checks, busy guard.
#include "storage/tyre_placement.h"

#include "storage/stored_tyre_list.h"
#include "support/settings_sandbox.h"
#include "support/window_test_kit.h"

#include "orders/order_details.h"
#include "session/app_state.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QComboBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kPlaces = u"call usp_listLokacije()"_s;
const QString kUnplaced = u"call usp_listnevneseni (0)"_s;
const QString kAll = u"call usp_listnevneseni (1)"_s;

QByteArray PlacesAnswer()
{
    return TableAnswer({{u"id"_s, 3}, {u"ime"_s, 200}, {u"opis"_s, 200}},
                       {{u"4"_s, u"Regal A"_s, u"Zgoraj"_s}, {u"6"_s, u"Regal B"_s, u"Spodaj"_s}});
}

const QList<QPair<QString, int>> kOrderColumns = {
    {u"id"_s, 3},          {u"nalogStevilka"_s, 200}, {u"popisanoShranjevanje"_s, 3},
    {u"SHRLokacija"_s, 3}, {u"datum"_s, 135},         {u"Stranka"_s, 200},
    {u"vnesel"_s, 200},    {u"komentar"_s, 200},      {u"viewed"_s, 3}};

QByteArray OrdersAnswer()
{
    return TableAnswer(
        kOrderColumns,
        {{u"1523"_s, u"DN-15"_s, u"0"_s, u"-1"_s, u"2024-03-05 10:15:00"_s, std::nullopt, u"Ana"_s, u"zimske"_s,
          u"1"_s},
         {u"1524"_s, u"DN-16"_s, u"1"_s, u"6"_s, u"2024-03-06 00:00:00"_s, u"Novak"_s, u"Ana"_s, QString(), u"0"_s},
         {u"1525"_s, u"DN-17"_s, u"1"_s, u"0"_s, u"2024-03-07 00:00:00"_s, u"Kos"_s, u"Bor"_s, QString(), u"0"_s}});
}

} // namespace

class TestTyrePlacement : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rowColoursFollowThePlacedFlag();
    void openingLoadsPlacesThenOrders();
    void menuLoadsOrdersThenPlaces();
    void filterReloadsAndHidesPanel();
    void rowClickPreselectsPlace();
    void clickBesideRowsHidesPanel();
    void saveChecksInOrder();
    void saveSendsIdsAndReloads();
    void unreadableRowQuotesStatement();
    void poglejNalogWithoutRowDoesNothing();
    void focusFollowsMainSearchState();
    void clicksDuringLoadAreIgnored();
    void loadFailuresAreSaidAndTheOtherLoadStillRuns_data();
    void loadFailuresAreSaidAndTheOtherLoadStillRuns();
    void refusedSaveKeepsThePanel();
    void unreachableServerIsSaidForEveryCall_data();
    void unreachableServerIsSaidForEveryCall();
    void sortedListSavesThePlaceOfTheChosenOrder();

private:
    template <typename T> T* child(const char* name) const { return RequireChild<T>(*window_, name); }
    void open();
    void clickRow(int row);
    // On the indicator: the part of a radio button that always takes a click.
    void clickRadio(const char* name)
    {
        auto* radio = child<QRadioButton>(name);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
    }

    std::unique_ptr<ScriptedWorkshop> server_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmShranjevanjeGumVpisiNevpisane> window_;
};

void TestTyrePlacement::init()
{
    ResetAppState();
    server_ = std::make_unique<ScriptedWorkshop>();
    server_->answer(kPlaces, PlacesAnswer());
    server_->answer(u"call usp_listnevneseni"_s, OrdersAnswer());
    remote_ = std::make_unique<RemoteTestSetup>(server_->baseUrl());
    DialogTestHook::reset();
    DialogTestHook::activate();
}

void TestTyrePlacement::cleanup()
{
    window_.reset();
    remote_.reset();
    server_.reset();
    DialogTestHook::reset();
    ResetAppState();
}

void TestTyrePlacement::open()
{
    window_ = std::make_unique<TfrmShranjevanjeGumVpisiNevpisane>();
    window_->show();
}

void TestTyrePlacement::clickRow(int row)
{
    auto* list = child<QTableView>("lviewMain");
    const QPoint centre = list->visualRect(list->model()->index(row, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
}

void TestTyrePlacement::rowColoursFollowThePlacedFlag()
{
    const QColor green(0x00, 0x80, 0x00);
    const QColor red(0xFF, 0x00, 0x00);
    for (auto [flag, background] : {std::pair{1, green}, {5, green}, {0, red}, {-1, red}}) {
        QCOMPARE(RowColoursFor(flag).background, background);
        QCOMPARE(RowColoursFor(flag).text, QColor(Qt::white));
    }
}

void TestTyrePlacement::openingLoadsPlacesThenOrders()
{
    open();
    QCOMPARE(server_->statements(), (QStringList{kPlaces, kUnplaced}));
    auto* combo = child<QComboBox>("cmbProstori");
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), u"Nepopisano..."_s);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(child<QPlainTextEdit>("mmoOpisProstora")->toPlainText(), u"Lokacije še ni bila popisana."_s);
    QVERIFY(child<QRadioButton>("rdbNevneseni")->isChecked());

    const QAbstractItemModel& model = *child<QTableView>("lviewMain")->model();
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), u"Nalog"_s);
    QCOMPARE(model.index(0, 0).data().toString(), u"DN-15"_s);
    QCOMPARE(model.index(0, 1).data().toString(), u"05.03.2024"_s);
    QCOMPARE(model.index(0, 2).data().toString(), u"Neznano"_s);
    QCOMPARE(model.index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0xFF, 0, 0));
    QCOMPARE(model.index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 0x80, 0));
    QVERIFY(!child<QWidget>("pnlVpisiNevpisanega")->isVisible());
}

void TestTyrePlacement::menuLoadsOrdersThenPlaces()
{
    open();
    server_->clearStatements();
    window_->findChild<QAction*>(u"Osveigume1"_s)->trigger();
    QCOMPARE(server_->statements(), (QStringList{kUnplaced, kPlaces}));
}

void TestTyrePlacement::filterReloadsAndHidesPanel()
{
    open();
    clickRow(0);
    QVERIFY(child<QWidget>("pnlVpisiNevpisanega")->isVisible());
    server_->clearStatements();
    clickRadio("rdbVneseni");
    QCOMPARE(server_->statements(), QStringList{kAll});
    QVERIFY(!child<QWidget>("pnlVpisiNevpisanega")->isVisible());
    clickRadio("rdbNevneseni");
    QCOMPARE(server_->statements(), (QStringList{kAll, kUnplaced}));
}

void TestTyrePlacement::rowClickPreselectsPlace()
{
    open();
    auto* combo = child<QComboBox>("cmbProstori");
    auto* description = child<QPlainTextEdit>("mmoOpisProstora");
    clickRow(1); // place 6
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(description->toPlainText(), u"Spodaj"_s);
    QVERIFY(child<QWidget>("pnlVpisiNevpisanega")->isVisible());
    clickRow(2); // place 0 matches nothing: "Nepopisano..." with the description left as it was
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(description->toPlainText(), u"Spodaj"_s);
    clickRow(0); // place -1 is "Nepopisano..." itself
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(description->toPlainText(), u"Lokacije še ni bila popisana."_s);
}

void TestTyrePlacement::clickBesideRowsHidesPanel()
{
    open();
    clickRow(0);
    auto* list = child<QTableView>("lviewMain");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 3));
    QVERIFY(!child<QWidget>("pnlVpisiNevpisanega")->isVisible());
}

void TestTyrePlacement::saveChecksInOrder()
{
    open();
    server_->clearStatements();
    child<QPushButton>("shrani")->click();
    QCOMPARE(ShownBoxes(), QStringList{u"Nalog ni izbran|Izberite vpisan nalog za urejanje lokacije"_s});
    QCOMPARE(DialogTestHook::lastShown().icon, MessageIcon::Information);

    clickRow(0);
    child<QPushButton>("shrani")->click();
    QCOMPARE(DialogTestHook::lastShown().title, u"Lokacija ni izbrana"_s);
    QCOMPARE(DialogTestHook::lastShown().text, u"Izberite lokacijo za shranjevanje"_s);
    QVERIFY(server_->statements().isEmpty());
}

void TestTyrePlacement::saveSendsIdsAndReloads()
{
    open();
    clickRow(0);
    auto* combo = child<QComboBox>("cmbProstori");
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QCOMPARE(child<QPlainTextEdit>("mmoOpisProstora")->toPlainText(), u"Zgoraj"_s);
    server_->clearStatements();
    QTest::mouseClick(child<QPushButton>("shrani"), Qt::LeftButton);
    QCOMPARE(server_->statements(), (QStringList{u"call usp_saveSHRLocation (1523,4)"_s, kPlaces, kUnplaced}));
    QCOMPARE(ShownBoxes(), QStringList{u"Uspeh|Uspešno shranjena lokacija"_s});
    QVERIFY(!child<QWidget>("pnlVpisiNevpisanega")->isVisible());
}

void TestTyrePlacement::unreadableRowQuotesStatement()
{
    server_->answer(
        u"call usp_listnevneseni"_s,
        TableAnswer(kOrderColumns,
                    {{u"1"_s, u"DN-1"_s, u"0"_s, u"-1"_s, u"2024-03-05 00:00:00"_s, u"A"_s, u"B"_s, u"C"_s, u"0"_s},
                     {u"2"_s, u"DN-2"_s, u"0"_s, u"-1"_s, std::nullopt, u"A"_s, u"B"_s, u"C"_s, u"0"_s}}));
    open();
    QCOMPARE(child<QTableView>("lviewMain")->model()->rowCount(), 1);
    const ShownMessage box = DialogTestHook::lastShown();
    QCOMPARE(box.title, u"Napaka"_s);
    QVERIFY(box.text.startsWith(u"Napaka pri preverjanju nalogov "_s));
    QVERIFY(box.text.endsWith(u"\r\nQry:call usp_listnevneseni (0)"_s));
}

void TestTyrePlacement::poglejNalogWithoutRowDoesNothing()
{
    open();
    server_->clearStatements();
    currentNalogId = 77;
    QTest::mouseClick(child<QPushButton>("btnPoglejNalog"), Qt::LeftButton);
    QVERIFY(server_->statements().isEmpty());
    QCOMPARE(currentNalogId, 77);
    QVERIFY(DialogTestHook::shown().isEmpty());
}

void TestTyrePlacement::focusFollowsMainSearchState()
{
    auto* const list = [&] {
        open();
        return child<QTableView>("lviewMain");
    }();
    QCOMPARE(window_->focusWidget(), list);
    window_.reset();

    searchText = u"Novak"_s;
    open();
    QVERIFY(window_->focusWidget() != child<QTableView>("lviewMain"));
    window_.reset();

    searchText.clear();
    searchApplied = true;
    open();
    QVERIFY(window_->focusWidget() != child<QTableView>("lviewMain"));
}

void TestTyrePlacement::clicksDuringLoadAreIgnored()
{
    open();
    server_->clearStatements();
    // A click queued now arrives while the next load lets queued events run.
    auto* other = child<QRadioButton>("rdbVneseni");
    const auto postClick = [other] {
        const QPointF centre(6, other->height() / 2);
        const QPointF global = other->mapToGlobal(centre);
        QCoreApplication::postEvent(other, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                                                           Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(other, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                                                           Qt::NoButton, Qt::NoModifier));
    };
    postClick();
    window_->findChild<QAction*>(u"Osveigume1"_s)->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(server_->statements(), (QStringList{kUnplaced, kPlaces}));
    QVERIFY(!other->isChecked());
    QCOMPARE(child<QTableView>("lviewMain")->model()->rowCount(), 3);

    // The same queued click on an idle window is a click like any other.
    postClick();
    QCoreApplication::processEvents();
    QVERIFY(other->isChecked());
    QCOMPARE(server_->statements().last(), kAll);
}

void TestTyrePlacement::loadFailuresAreSaidAndTheOtherLoadStillRuns_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("box"); // "title|text" of the one failure shown
    QTest::addColumn<int>("places");  // entries of the place box afterwards
    QTest::addColumn<int>("orders");  // rows of the list afterwards
    QTest::addRow("places refused") << kPlaces << FailureAnswer() << u"Napaka|Napaka pri komunikaciji"_s << 0 << 3;
    QTest::addRow("places unreadable") << kPlaces
                                       << TableAnswer({{u"id"_s, 3}, {u"ime"_s, 200}}, {{u"4"_s, u"Regal A"_s}})
                                       << u"Napaka|"_s << 1 << 3;
    QTest::addRow("orders refused") << u"call usp_listnevneseni"_s << FailureAnswer()
                                    << u"Napaka|Napaka pri komunikaciji"_s << 3 << 0;
}

// Each load's failure is said once; the other load of the opening still fills its part.
void TestTyrePlacement::loadFailuresAreSaidAndTheOtherLoadStillRuns()
{
    QFETCH(QString, call);
    QFETCH(QByteArray, answer);
    QFETCH(QString, box);
    QFETCH(int, places);
    QFETCH(int, orders);
    server_->answer(call, answer);
    open();
    const QStringList shown = ShownBoxes();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(box), qPrintable(shown.first()));
    QCOMPARE(child<QComboBox>("cmbProstori")->count(), places);
    QCOMPARE(child<QTableView>("lviewMain")->model()->rowCount(), orders);
}

void TestTyrePlacement::refusedSaveKeepsThePanel()
{
    open();
    clickRow(0);
    auto* combo = child<QComboBox>("cmbProstori");
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    server_->answer(u"call usp_saveSHRLocation"_s, FailureAnswer("no such place"));
    server_->clearStatements();
    QTest::mouseClick(child<QPushButton>("shrani"), Qt::LeftButton);
    QCOMPARE(server_->statements(), QStringList{u"call usp_saveSHRLocation (1523,4)"_s}); // no reload
    QCOMPARE(ShownBoxes(), QStringList{u"Napaka|Napaka pri komunikaciji"_s});
    QVERIFY(DialogTestHook::lastShown().details.endsWith(u"no such place"_s));
    QVERIFY(child<QWidget>("pnlVpisiNevpisanega")->isVisible());
    QCOMPARE(combo->currentIndex(), 1);
}

void TestTyrePlacement::unreachableServerIsSaidForEveryCall_data()
{
    AddUnreachableRows();
}

// A save that reached no server keeps the panel and says no success; a reload and an opening
// say it once per load and leave the lists empty.
void TestTyrePlacement::unreachableServerIsSaidForEveryCall()
{
    QFETCH(int, kind);
    open();
    clickRow(0);
    auto* combo = child<QComboBox>("cmbProstori");
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    const UnreachableWorkshop down{UnreachableWorkshop::Kind(kind)};
    PointWorkshopAt(down.baseUrl());

    DialogTestHook::reset();
    DialogTestHook::activate();
    QTest::mouseClick(child<QPushButton>("shrani"), Qt::LeftButton);
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QVERIFY(child<QWidget>("pnlVpisiNevpisanega")->isVisible());
    QCOMPARE(combo->currentIndex(), 1);

    DialogTestHook::reset();
    DialogTestHook::activate();
    clickRadio("rdbVneseni");
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(child<QTableView>("lviewMain")->model()->rowCount(), 0);

    DialogTestHook::reset();
    DialogTestHook::activate();
    open();
    QVERIFY2(UnreachableDialogsMismatch(down.reason(), 2).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason(), 2)));
    QCOMPARE(child<QComboBox>("cmbProstori")->count(), 0);
}

// In a sorted list a row click shows, and the save stores, the place of the order in the
// clicked row, not of the order in that position of the server's answer.
void TestTyrePlacement::sortedListSavesThePlaceOfTheChosenOrder()
{
    const SettingsSandbox sandbox; // the chosen sort is remembered, here only for this test
    remote_.reset();
    remote_ = std::make_unique<RemoteTestSetup>(server_->baseUrl());
    open();
    child<QTableView>("lviewMain")->sortByColumn(2, Qt::AscendingOrder); // Kos DN-17, Neznano DN-15, Novak DN-16
    clickRow(2);
    auto* combo = child<QComboBox>("cmbProstori");
    QCOMPARE(combo->currentText(), u"Regal B"_s);
    combo->setCurrentIndex(1);
    server_->clearStatements();
    QTest::mouseClick(child<QPushButton>("shrani"), Qt::LeftButton);
    QCOMPARE(server_->statements().value(0), u"call usp_saveSHRLocation (1524,4)"_s);
}

QTEST_MAIN(TestTyrePlacement)
#include "tst_tyre_placement.moc"
