// Widget tests of the item catalogue window against a scripted loopback workshop: statements, selection, panel,
// failures.
#include "orders/item_catalogue.h"

#include "support/settings_sandbox.h"
#include "support/window_test_kit.h"

#include "ui/message_boxes.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kList = u"call usp_listPostavkeALL ()"_s;

QByteArray CatalogueAnswer()
{
    return TableAnswer({{u"id"_s, 3}, {u"opis"_s, 200}, {u"cena"_s, 200}, {u"enabled"_s, 3}, {u"orderby"_s, 3}},
                       {{u"3"_s, u"Menjava gum"_s, u"20.00"_s, u"1"_s, u"1"_s},
                        {u"7"_s, u"Centriranje"_s, u"12.5"_s, u"1"_s, u"4"_s},
                        {u"9"_s, u"Pranje"_s, u"8"_s, u"1"_s, u"5"_s}});
}

} // namespace

class TestItemCatalogue : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openingLoadsListAndShowsEmptyNewItem();
    void existingItemShowsItsValuesAndIsSelectedAgainAfterSaving();
    void newItemIsSavedAtPosition100AndPanelEmptiesAgain();
    void savedPriceAndDescription_data();
    void savedPriceAndDescription();
    void plusAndMinusSaveOnce_data();
    void plusAndMinusSaveOnce();
    void deleteAsksAndSendsStatus999();
    void deleteOfFixedRowSendsMinusOne();
    void failedListLeavesListEmptyWithoutFixedRow();
    void saveOrDeleteAnswerIsClassified_data();
    void saveOrDeleteAnswerIsClassified();
    void unreachableServerIsSaidOnceForEveryCall_data();
    void unreachableServerIsSaidOnceForEveryCall();
    void nullColumnShowsNapakaBox();
    void escClosesWithoutSaving();
    void arrowKeysWalkTheListAndFillThePanel();

private:
    template <typename T> T* child(const char* name) const { return RequireChild<T>(*window_, name); }
    void open();
    void selectRow(int row)
    {
        child<QTableWidget>("lviewPostavke")
            ->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    int selectedRow() const;
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }

    std::unique_ptr<ScriptedWorkshop> server_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmNalogUrejanjePostavk> window_;
};

void TestItemCatalogue::init()
{
    QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
    server_ = std::make_unique<ScriptedWorkshop>();
    server_->answer(kList, CatalogueAnswer());
    remote_ = std::make_unique<RemoteTestSetup>(server_->baseUrl());
    DialogTestHook::reset();
    DialogTestHook::activate();
}

void TestItemCatalogue::cleanup()
{
    window_.reset();
    remote_.reset();
    server_.reset();
    DialogTestHook::reset();
}

void TestItemCatalogue::open()
{
    window_ = std::make_unique<TfrmNalogUrejanjePostavk>();
    window_->show();
}

int TestItemCatalogue::selectedRow() const
{
    const QModelIndexList rows = child<QTableWidget>("lviewPostavke")->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

void TestItemCatalogue::openingLoadsListAndShowsEmptyNewItem()
{
    open();
    QCOMPARE(server_->statements(), QStringList{kList});
    auto* list = child<QTableWidget>("lviewPostavke");
    QCOMPARE(list->rowCount(), 4);
    QCOMPARE(list->item(0, 0)->text(), u"..Dodaj novo postavko.."_s);
    QCOMPARE(list->item(0, 1)->text(), QString());
    QCOMPARE(list->item(2, 1)->text(), u"12.5"_s); // as the server wrote it
    QCOMPARE(selectedRow(), 0);
    QVERIFY(child<QWidget>("pnlAddDelete")->isVisible());
    QCOMPARE(child<QLineEdit>("txtOpis")->text(), QString());
    QCOMPARE(child<QLineEdit>("txtCena")->text(), u"0.00"_s);
    QVERIFY(!child<QLineEdit>("txtPozicija")->isVisible());
    QVERIFY(!child<QPushButton>("btnplus")->isVisible());
    QCOMPARE(window_->layoutDirection(), Qt::RightToLeft);
    QCOMPARE(child<QLineEdit>("txtCena")->layoutDirection(), Qt::LeftToRight);
    QVERIFY(DialogTestHook::shown().isEmpty());
}

void TestItemCatalogue::existingItemShowsItsValuesAndIsSelectedAgainAfterSaving()
{
    open();
    auto* price = child<QLineEdit>("txtCena");
    QCoreApplication::processEvents();
    const QRect priceForNewItem = price->geometry();
    selectRow(2);
    // The position row appears without moving the price box under the hand.
    QCoreApplication::processEvents();
    QCOMPARE(price->geometry(), priceForNewItem);
    QCOMPARE(window_->selectedPostavkaId(), 7);
    QCOMPARE(child<QLineEdit>("txtOpis")->text(), u"Centriranje"_s);
    QCOMPARE(child<QLineEdit>("txtCena")->text(), u"12,50"_s);
    QCOMPARE(child<QLineEdit>("txtPozicija")->text(), u"4"_s);
    QVERIFY(child<QLineEdit>("txtPozicija")->isVisible());

    child<QLineEdit>("txtCena")->setText(u"12,5"_s);
    server_->clearStatements();
    click("shrani");
    QCOMPARE(server_->statements(),
             (QStringList{u"call usp_updateSavePostavka (7,'Centriranje','12.5',4,0)"_s, kList}));
    QCOMPARE(selectedRow(), 2);
    QCOMPARE(window_->selectedPostavkaId(), 7);
    QCOMPARE(child<QLineEdit>("txtCena")->text(), u"12,50"_s); // the stored value again
}

void TestItemCatalogue::newItemIsSavedAtPosition100AndPanelEmptiesAgain()
{
    open();
    child<QLineEdit>("txtOpis")->setText(u"Menjava olja"_s);
    child<QLineEdit>("txtCena")->setText(u"25,50"_s);
    child<QLineEdit>("txtPozicija")->setText(u"3"_s); // hidden; never used for a new item
    server_->clearStatements();
    click("shrani");
    QCOMPARE(server_->statements(),
             (QStringList{u"call usp_updateSavePostavka (-1,'Menjava olja','25.50',100,0)"_s, kList}));
    QCOMPARE(selectedRow(), 0);
    QCOMPARE(window_->selectedPostavkaId(), -1);
    QCOMPARE(child<QLineEdit>("txtOpis")->text(), QString());
    QCOMPARE(child<QLineEdit>("txtCena")->text(), u"0.00"_s);
}

void TestItemCatalogue::savedPriceAndDescription_data()
{
    QTest::addColumn<QString>("opis");
    QTest::addColumn<QString>("cena");
    QTest::addColumn<QString>("sent"); // empty: refused before sending
    const QString save = u"call usp_updateSavePostavka (-1,'%1','%2',100,0)"_s;
    QTest::addRow("comma") << u"Gume"_s << u"12,5"_s << save.arg(u"Gume"_s, u"12.5"_s);
    QTest::addRow("point") << u"Gume"_s << u"12.5"_s << save.arg(u"Gume"_s, u"12.5"_s);
    QTest::addRow("negative") << u"Popust"_s << u"-3"_s << save.arg(u"Popust"_s, u"-3"_s);
    QTest::addRow("apostrophe in the price") << u"Gume"_s << u"12'5"_s << QString();
    QTest::addRow("letters") << u"Gume"_s << u"abc"_s << QString();
    QTest::addRow("empty price") << u"Gume"_s << QString() << QString();
    QTest::addRow("inches kept, apostrophe and backslash dropped")
        << u"Platišča 17\" O'ring \\ x"_s << u"80"_s << save.arg(u"Platišča 17\" Oring  x"_s, u"80"_s);
}

void TestItemCatalogue::savedPriceAndDescription()
{
    QFETCH(QString, opis);
    QFETCH(QString, cena);
    QFETCH(QString, sent);
    open();
    child<QLineEdit>("txtOpis")->setText(opis);
    child<QLineEdit>("txtCena")->setText(cena);
    server_->clearStatements();
    click("shrani");
    if (sent.isEmpty()) {
        QVERIFY(server_->statements().isEmpty());
        QCOMPARE(ShownBoxes(), QStringList{u"Napačna cena|Cena mora biti število, na primer 12.50."_s});
        QCOMPARE(child<QLineEdit>("txtCena")->text(), cena);
        QCOMPARE(child<QLineEdit>("txtOpis")->text(), opis);
    } else {
        QCOMPARE(server_->statements(), (QStringList{sent, kList}));
        QVERIFY(DialogTestHook::shown().isEmpty());
    }
}

void TestItemCatalogue::plusAndMinusSaveOnce_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("position");
    QTest::addColumn<int>("sent");
    QTest::addRow("plus") << u"btnplus"_s << u"4"_s << 5;
    QTest::addRow("minus") << u"btnminus"_s << u"4"_s << 3;
    QTest::addRow("plus on abc") << u"btnplus"_s << u"abc"_s << 0;
}

void TestItemCatalogue::plusAndMinusSaveOnce()
{
    QFETCH(QString, button);
    QFETCH(QString, position);
    QFETCH(int, sent);
    open();
    selectRow(2);
    child<QLineEdit>("txtPozicija")->setText(position);
    server_->clearStatements();
    click(button.toLatin1().constData());
    QCOMPARE(server_->statements(),
             (QStringList{u"call usp_updateSavePostavka (7,'Centriranje','12.50',%1,0)"_s.arg(sent), kList}));
    QCOMPARE(selectedRow(), 2);
}

void TestItemCatalogue::deleteAsksAndSendsStatus999()
{
    open();
    selectRow(3);
    server_->clearStatements();
    DialogTestHook::setNextAnswers({mrNo});
    click("btnDeletePostavka");
    QVERIFY(server_->statements().isEmpty());
    const ShownMessage question = DialogTestHook::lastShown();
    QCOMPARE(question.title, u"Vprašanje"_s);
    QCOMPARE(question.text, u"Ali ste prepričani? Akcije ne bo možno povrniti."_s);
    QCOMPARE(question.icon, MessageIcon::Warning);
    QCOMPARE(question.buttons, MessageButtons::YesNo);

    DialogTestHook::setNextAnswers({mrYes});
    click("btnDeletePostavka");
    QCOMPARE(server_->statements(), (QStringList{u"call usp_updateSavePostavka (9,'',0,0,999)"_s, kList}));
    QVERIFY(!child<QWidget>("pnlAddDelete")->isVisible());
    QCOMPARE(window_->selectedPostavkaId(), -1);
}

void TestItemCatalogue::deleteOfFixedRowSendsMinusOne()
{
    open();
    server_->clearStatements();
    DialogTestHook::setNextAnswers({mrYes});
    click("btnDeletePostavka");
    QCOMPARE(server_->statements().value(0), u"call usp_updateSavePostavka (-1,'',0,0,999)"_s);
}

void TestItemCatalogue::failedListLeavesListEmptyWithoutFixedRow()
{
    server_->answer(kList, FailureAnswer("Table missing"));
    open();
    QCOMPARE(child<QTableWidget>("lviewPostavke")->rowCount(), 0);
    const ShownMessage dialog = DialogTestHook::lastShown();
    QCOMPARE(dialog.kind, 0);
    QCOMPARE(dialog.text, u"Napaka pri komunikaciji"_s);
    QVERIFY(dialog.details.endsWith(u"Table missing"_s));
}

void TestItemCatalogue::saveOrDeleteAnswerIsClassified_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("failure"); // details of the communication-error dialog, empty for none
    QTest::addRow("refused save") << u"shrani"_s << FailureAnswer("Duplicate entry") << u"Duplicate entry"_s;
    QTest::addRow("refused delete") << u"btnDeletePostavka"_s << FailureAnswer("locked") << u"locked"_s;
    QTest::addRow("save answered without payload") << u"shrani"_s << QByteArray("[success]") << QString();
}

// A refused save or delete is said, and the list is reloaded to show what the server holds.
void TestItemCatalogue::saveOrDeleteAnswerIsClassified()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, answer);
    QFETCH(QString, failure);
    open();
    selectRow(1);
    server_->answer(u"call usp_updateSavePostavka"_s, answer);
    server_->clearStatements();
    DialogTestHook::setNextAnswers({mrYes});
    click(button.toLatin1().constData());
    QCOMPARE(server_->statements().size(), 2);
    QCOMPARE(server_->statements().value(1), kList);
    QList<ShownMessage> dialogs;
    for (const ShownMessage& message : DialogTestHook::shown())
        if (message.box == ShownMessage::Box::Dialog)
            dialogs.append(message);
    QCOMPARE(dialogs.size(), failure.isEmpty() ? 0 : 1);
    if (!failure.isEmpty()) {
        QCOMPARE(dialogs.first().text, u"Napaka pri komunikaciji"_s);
        QVERIFY2(dialogs.first().details.endsWith(failure), qPrintable(dialogs.first().details));
    }
}

void TestItemCatalogue::unreachableServerIsSaidOnceForEveryCall_data()
{
    AddUnreachableRows();
}

// A save or delete that reached no server keeps the panel as it was; a load leaves the list empty.
void TestItemCatalogue::unreachableServerIsSaidOnceForEveryCall()
{
    QFETCH(int, kind);
    open();
    selectRow(1);
    const UnreachableWorkshop down{UnreachableWorkshop::Kind(kind)};
    PointWorkshopAt(down.baseUrl());

    DialogTestHook::reset();
    DialogTestHook::activate();
    click("shrani");
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(selectedRow(), 1);
    QVERIFY(child<QWidget>("pnlAddDelete")->isVisible());

    DialogTestHook::reset();
    DialogTestHook::activate();
    DialogTestHook::setNextAnswers({mrYes});
    click("btnDeletePostavka");
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(selectedRow(), 1);

    DialogTestHook::reset();
    DialogTestHook::activate();
    open();
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(child<QTableWidget>("lviewPostavke")->rowCount(), 0);
}

void TestItemCatalogue::nullColumnShowsNapakaBox()
{
    server_->answer(
        kList, TableAnswer({{u"id"_s, 3}, {u"opis"_s, 200}, {u"cena"_s, 200}, {u"enabled"_s, 3}, {u"orderby"_s, 3}},
                           {{u"3"_s, u"Menjava gum"_s, u"20.00"_s, u"1"_s, u"1"_s},
                            {u"4"_s, std::nullopt, u"1"_s, u"1"_s, u"2"_s}}));
    open();
    const ShownMessage box = DialogTestHook::lastShown();
    QCOMPARE(box.box, ShownMessage::Box::System);
    QCOMPARE(box.title, u"Napaka"_s);
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(child<QTableWidget>("lviewPostavke")->rowCount(), 2); // the fixed row and the first item stay
}

void TestItemCatalogue::escClosesWithoutSaving()
{
    open();
    child<QLineEdit>("txtOpis")->setText(u"Nekaj"_s);
    server_->clearStatements();
    QTest::keyClick(child<QLineEdit>("txtOpis"), Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
    QVERIFY(server_->statements().isEmpty());
}

// The list answers the arrow keys as it answers clicks, right to left as the window reads.
void TestItemCatalogue::arrowKeysWalkTheListAndFillThePanel()
{
    open();
    auto* list = child<QTableWidget>("lviewPostavke");
    QCOMPARE(selectedRow(), 0);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(selectedRow(), 1);
    QCOMPARE(child<QLineEdit>("txtOpis")->text(), u"Menjava gum"_s);
    QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(selectedRow(), 3);
    QCOMPARE(child<QLineEdit>("txtOpis")->text(), u"Pranje"_s);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(window_->selectedPostavkaId(), 7);
    QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(window_->selectedPostavkaId(), -1);
    QCOMPARE(child<QLineEdit>("txtOpis")->text(), QString());
    QVERIFY(server_->statements() == QStringList{kList});
}

QTEST_MAIN(TestItemCatalogue)
#include "tst_item_catalogue.moc"
