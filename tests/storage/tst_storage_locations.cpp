// Widget tests of the storage locations editor against a scripted loopback workshop: modes, checks, statements,
// messages.
#include "storage/storage_locations.h"

#include "support/settings_sandbox.h"
#include "support/window_test_kit.h"

#include "ui/message_boxes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kList = u"call usp_listLokacije ()"_s;
const QString kUpdate = u"call usp_insertUpdateLokacija"_s;

QByteArray PlacesAnswer()
{
    return TableAnswer({{u"id"_s, 3}, {u"ime"_s, 200}, {u"opis"_s, 200}},
                       {{u"4"_s, u"Regal A"_s, u"Zgoraj"_s}, {u"6"_s, u"Regal B"_s, QString()}});
}

} // namespace

class TestStorageLocations : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openingLoadsPlacesInNewPlaceMode();
    void choosingPlacesSwitchesModes();
    void savingNewPlaceSendsMinusOneAndReturnsToNewMode();
    void nameChecksAndCleaning_data();
    void nameChecksAndCleaning();
    void deleteAsksWithLoadedNameAndSendsEditedTexts();
    void cancelledDeleteSendsNothing();
    void failedLoadLeavesOnlyAddItemAndSaveSendsMinusOne();
    void failedSaveKeepsTypedTexts();
    void withoutPlacesOnlyAddItem();
    void refusedDeleteKeepsThePlace();
    void unreadablePlacesKeepTheRowsBefore_data();
    void unreadablePlacesKeepTheRowsBefore();
    void unreachableServerIsSaidOnceForEveryCall_data();
    void unreachableServerIsSaidOnceForEveryCall();

private:
    template <typename T> T* child(const char* name) const { return RequireChild<T>(*window_, name); }
    void open();
    void choose(int index);
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    QStringList comboItems() const;

    std::unique_ptr<ScriptedWorkshop> server_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmShranjevanjeGumUrejanjeProstorov> window_;
};

void TestStorageLocations::init()
{
    server_ = std::make_unique<ScriptedWorkshop>();
    server_->answer(kList, PlacesAnswer());
    remote_ = std::make_unique<RemoteTestSetup>(server_->baseUrl());
    DialogTestHook::reset();
    DialogTestHook::activate();
}

void TestStorageLocations::cleanup()
{
    window_.reset();
    remote_.reset();
    server_.reset();
    DialogTestHook::reset();
}

void TestStorageLocations::open()
{
    window_ = std::make_unique<TfrmShranjevanjeGumUrejanjeProstorov>();
    window_->show();
}

void TestStorageLocations::choose(int index)
{
    auto* combo = child<QComboBox>("cmbProstori");
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QStringList TestStorageLocations::comboItems() const
{
    auto* combo = child<QComboBox>("cmbProstori");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

void TestStorageLocations::openingLoadsPlacesInNewPlaceMode()
{
    open();
    QCOMPARE(server_->statements(), QStringList{kList});
    QCOMPARE(comboItems(), (QStringList{u"Dodaj novega..."_s, u"Regal A"_s, u"Regal B"_s}));
    QCOMPARE(child<QComboBox>("cmbProstori")->currentIndex(), 0);
    QCOMPARE(window_->locations().value(0).id, -1);
    QCOMPARE(window_->locations().value(2).id, 6);
    QVERIFY(!child<QPushButton>("btnIzbrisi")->isEnabled());
    QCOMPARE(child<QLineEdit>("txtImeProstora")->text(), QString());
}

void TestStorageLocations::choosingPlacesSwitchesModes()
{
    open();
    choose(1);
    QCOMPARE(child<QLineEdit>("txtImeProstora")->text(), u"Regal A"_s);
    QCOMPARE(child<QPlainTextEdit>("mmoOpisProstora")->toPlainText(), u"Zgoraj"_s);
    QVERIFY(child<QPushButton>("btnIzbrisi")->isEnabled());
    choose(2);
    QCOMPARE(child<QLineEdit>("txtImeProstora")->text(), u"Regal B"_s);
    QCOMPARE(child<QPlainTextEdit>("mmoOpisProstora")->toPlainText(), QString());
    choose(0);
    QCOMPARE(child<QLineEdit>("txtImeProstora")->text(), QString());
    QVERIFY(!child<QPushButton>("btnIzbrisi")->isEnabled());
}

void TestStorageLocations::savingNewPlaceSendsMinusOneAndReturnsToNewMode()
{
    open();
    child<QLineEdit>("txtImeProstora")->setText(u"Regal C"_s);
    child<QPlainTextEdit>("mmoOpisProstora")->setPlainText(u"Spodaj"_s);
    server_->clearStatements();
    click("shrani");
    QCOMPARE(server_->statements(), (QStringList{kUpdate + u" (-1,'Regal C','Spodaj',0)"_s, kList}));
    QCOMPARE(ShownBoxes(), QStringList{u"Uspeh|Uspešno shranjeno"_s});
    QCOMPARE(DialogTestHook::lastShown().icon, MessageIcon::Information);
    QCOMPARE(child<QComboBox>("cmbProstori")->currentIndex(), 0);
    QCOMPARE(child<QLineEdit>("txtImeProstora")->text(), QString());

    choose(1);
    child<QLineEdit>("txtImeProstora")->setText(u"Regal A1"_s);
    server_->clearStatements();
    click("shrani");
    QCOMPARE(server_->statements().value(0), kUpdate + u" (4,'Regal A1','Zgoraj',0)"_s);
}

void TestStorageLocations::nameChecksAndCleaning_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("sent"); // empty: nothing may be sent
    QTest::addRow("empty name") << QString() << u"x"_s << QString();
    QTest::addRow("blanks are a name") << u"   "_s << QString() << kUpdate + u" (-1,'   ','',0)"_s;
    QTest::addRow("quotes and backslashes")
        << u"O'Neil \"A\" \\"_s << u"a'b\\'c"_s << kUpdate + u" (-1,'ONeil A ','abc',0)"_s;
    QTest::addRow("lines") << u"R"_s << u"prva\ndruga"_s << kUpdate + u" (-1,'R','prva\r\ndruga',0)"_s;
}

void TestStorageLocations::nameChecksAndCleaning()
{
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(QString, sent);
    open();
    child<QLineEdit>("txtImeProstora")->setText(name);
    child<QPlainTextEdit>("mmoOpisProstora")->setPlainText(description);
    server_->clearStatements();
    click("shrani");
    if (sent.isEmpty()) {
        QVERIFY(server_->statements().isEmpty());
        QCOMPARE(ShownBoxes(), QStringList{u"Prazno polje|Polje ime ne sme biti prazno"_s});
        QCOMPARE(DialogTestHook::lastShown().icon, MessageIcon::Error);
        return;
    }
    QCOMPARE(server_->statements().value(0), sent);
    QCOMPARE(child<QComboBox>("cmbProstori")->currentIndex(), 0);
}

void TestStorageLocations::deleteAsksWithLoadedNameAndSendsEditedTexts()
{
    open();
    choose(2);
    child<QLineEdit>("txtImeProstora")->setText(u"Regal X"_s);
    server_->clearStatements();
    DialogTestHook::setNextAnswers({mrOk});
    click("btnIzbrisi");
    const ShownMessage question = DialogTestHook::shown().value(0);
    QCOMPARE(question.title, u"Ali ste prepričani?"_s);
    QCOMPARE(question.text, u"Ali res želite izbrisati Regal B?"_s);
    QCOMPARE(question.icon, MessageIcon::Question);
    QCOMPARE(question.buttons, MessageButtons::OkCancel);
    QCOMPARE(server_->statements(), (QStringList{kUpdate + u" (6,'Regal X','',99)"_s, kList}));
    QCOMPARE(DialogTestHook::lastShown().text, u"Uspešno izbrisano"_s);
    QVERIFY(!child<QPushButton>("btnIzbrisi")->isEnabled());
}

void TestStorageLocations::cancelledDeleteSendsNothing()
{
    open();
    choose(1);
    server_->clearStatements();
    DialogTestHook::setNextAnswers({mrCancel});
    click("btnIzbrisi");
    QVERIFY(server_->statements().isEmpty());
    QCOMPARE(DialogTestHook::shown().size(), 1);
}

void TestStorageLocations::failedLoadLeavesOnlyAddItemAndSaveSendsMinusOne()
{
    server_->answer(kList, FailureAnswer("no table"));
    open();
    QCOMPARE(comboItems(), QStringList{u"Dodaj novega..."_s});
    QCOMPARE(DialogTestHook::lastShown().text, u"Napaka pri komunikaciji"_s);
    QCOMPARE(DialogTestHook::lastShown().kind, 0);
    child<QLineEdit>("txtImeProstora")->setText(u"Nov"_s);
    server_->clearStatements();
    click("shrani");
    QCOMPARE(server_->statements().value(0), kUpdate + u" (-1,'Nov','',0)"_s);
}

void TestStorageLocations::failedSaveKeepsTypedTexts()
{
    open();
    choose(1);
    server_->answer(kUpdate, FailureAnswer("duplicate"));
    child<QLineEdit>("txtImeProstora")->setText(u"Regal Z"_s);
    server_->clearStatements();
    DialogTestHook::reset();
    DialogTestHook::activate();
    click("shrani");
    QCOMPARE(server_->statements().size(), 1); // no reload
    QCOMPARE(ShownBoxes(), QStringList{u"Napaka|Napaka pri komunikaciji"_s});
    QCOMPARE(child<QLineEdit>("txtImeProstora")->text(), u"Regal Z"_s);
    QCOMPARE(child<QComboBox>("cmbProstori")->currentIndex(), 1);
}

void TestStorageLocations::withoutPlacesOnlyAddItem()
{
    server_->answer(kList, EmptyAnswer());
    open();
    QCOMPARE(comboItems(), QStringList{u"Dodaj novega..."_s});
    QVERIFY(!child<QPushButton>("btnIzbrisi")->isEnabled());
    QVERIFY(DialogTestHook::shown().isEmpty());
}

void TestStorageLocations::refusedDeleteKeepsThePlace()
{
    open();
    choose(2);
    server_->answer(kUpdate, FailureAnswer("in use"));
    server_->clearStatements();
    DialogTestHook::setNextAnswers({mrOk});
    click("btnIzbrisi");
    QCOMPARE(server_->statements(), QStringList{kUpdate + u" (6,'Regal B','',99)"_s}); // no reload
    QCOMPARE(ShownBoxes(), (QStringList{u"Ali ste prepričani?|Ali res želite izbrisati Regal B?"_s,
                                        u"Napaka|Napaka pri komunikaciji"_s}));
    QVERIFY(DialogTestHook::lastShown().details.endsWith(u"in use"_s));
    QCOMPARE(comboItems(), (QStringList{u"Dodaj novega..."_s, u"Regal A"_s, u"Regal B"_s}));
    QCOMPARE(child<QComboBox>("cmbProstori")->currentIndex(), 2);
    QVERIFY(child<QPushButton>("btnIzbrisi")->isEnabled());
}

void TestStorageLocations::unreadablePlacesKeepTheRowsBefore_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("items");
    const QStringList onlyAdd{u"Dodaj novega..."_s};
    QTest::addRow("missing column") << TableAnswer({{u"id"_s, 3}, {u"ime"_s, 200}}, {{u"4"_s, u"Regal A"_s}})
                                    << onlyAdd;
    QTest::addRow("null name after a readable row")
        << TableAnswer({{u"id"_s, 3}, {u"ime"_s, 200}, {u"opis"_s, 200}},
                       {{u"4"_s, u"Regal A"_s, u"x"_s}, {u"6"_s, std::nullopt, u"y"_s}})
        << QStringList{u"Dodaj novega..."_s, u"Regal A"_s};
}

// A place that cannot be read is reported in the "Napaka" box; the places read before it stay.
void TestStorageLocations::unreadablePlacesKeepTheRowsBefore()
{
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, items);
    server_->answer(kList, answer);
    open();
    QCOMPARE(comboItems(), items);
    QCOMPARE(DialogTestHook::shown().size(), 1);
    QCOMPARE(DialogTestHook::lastShown().title, u"Napaka"_s);
    QCOMPARE(DialogTestHook::lastShown().icon, MessageIcon::Error);
}

void TestStorageLocations::unreachableServerIsSaidOnceForEveryCall_data()
{
    AddUnreachableRows();
}

// A save or delete that reached no server keeps what was typed; a load shows no places.
void TestStorageLocations::unreachableServerIsSaidOnceForEveryCall()
{
    QFETCH(int, kind);
    open();
    choose(1);
    child<QLineEdit>("txtImeProstora")->setText(u"Regal Z"_s);
    const UnreachableWorkshop down{UnreachableWorkshop::Kind(kind)};
    PointWorkshopAt(down.baseUrl());

    DialogTestHook::reset();
    DialogTestHook::activate();
    click("shrani");
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(child<QLineEdit>("txtImeProstora")->text(), u"Regal Z"_s);
    QCOMPARE(child<QComboBox>("cmbProstori")->currentIndex(), 1);

    DialogTestHook::reset();
    DialogTestHook::activate();
    DialogTestHook::setNextAnswers({mrOk});
    click("btnIzbrisi");
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(comboItems().size(), 3);

    DialogTestHook::reset();
    DialogTestHook::activate();
    open();
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(comboItems(), QStringList{u"Dodaj novega..."_s});
}

QTEST_MAIN(TestStorageLocations)
#include "tst_storage_locations.moc"
