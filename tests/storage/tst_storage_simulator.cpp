// The catalogue and tyre-storage windows against the real workshop simulator: whole flows, and user quotes and
// backslashes never reaching a statement.
#include "orders/item_catalogue.h"
#include "orders/order_details.h"
#include "storage/storage_locations.h"
#include "storage/stored_tyre_list.h"
#include "storage/tyre_placement.h"
#include "storage/tyre_search.h"
#include "support/window_test_kit.h"

#include "support/simulator_process.h"

#include "session/app_state.h"
#include "session/window_links.h"
#include "ui/message_boxes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

template <typename T> T* Child(const QWidget& window, const char* name)
{
    return RequireChild<T>(window, name);
}

void Click(const QWidget& window, const char* name)
{
    QTest::mouseClick(Child<QPushButton>(window, name), Qt::LeftButton);
}

void Choose(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

int FindText(const QComboBox* combo, const QString& text)
{
    return combo->findText(text, Qt::MatchExactly);
}

int FindRow(const QTableWidget* list, const QString& text)
{
    for (int row = 0; row < list->rowCount(); ++row)
        if (list->item(row, 0)->text() == text)
            return row;
    return -1;
}

// No statement the simulator received carries a quote or a backslash inside its texts.
// Whether the statements of the procedure hold none of the breakers besides the apostrophes
// that delimit their literals.
bool SentWithoutBreakers(const QStringList& statements, const QString& procedure, const QString& breakers = u"\"\\"_s)
{
    for (const QString& statement : statements) {
        if (!statement.contains(procedure))
            continue;
        QString inner = statement;
        inner.remove(u'\''); // the literal delimiters themselves
        for (const QChar breaker : breakers)
            if (inner.contains(breaker))
                return false;
    }
    return true;
}

} // namespace

class TestStorageSimulator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void catalogueItemAddedMovedEditedDeleted();
    void placeCreatedRenamedDeleted();
    void tyresPlacedAndFoundAgain();
    void longTextsReachTheServerWhole();

private:
    std::unique_ptr<SimulatorProcess> sim_;
    std::unique_ptr<RemoteTestSetup> remote_;
};

void TestStorageSimulator::initTestCase()
{
    QVERIFY2(StartSimulatorSession(sim_, remote_), qPrintable(sim_->errorText()));
    // Without a main window in this test, the order window answers the storage windows' requests itself.
    QObject::connect(&Links(), &WindowLinks::orderRequested, [](qint32 nalogId) { openNalog(nalogId); });
}

void TestStorageSimulator::init()
{
    ResetAppState();
    DialogTestHook::reset();
    DialogTestHook::activate();
}

void TestStorageSimulator::cleanup()
{
    DialogTestHook::reset();
}

void TestStorageSimulator::cleanupTestCase()
{
    remote_.reset();
    sim_.reset();
}

void TestStorageSimulator::catalogueItemAddedMovedEditedDeleted()
{
    TfrmNalogUrejanjePostavk window;
    window.show();
    auto* list = Child<QTableWidget>(window, "lviewPostavke");
    const int itemsBefore = list->rowCount();
    QVERIFY(itemsBefore > 1);

    Child<QLineEdit>(window, "txtOpis")->setText(u"Ventil \"TR\" 'O' \\ 1"_s);
    Child<QLineEdit>(window, "txtCena")->setText(u"3,5"_s);
    Click(window, "shrani");
    QCOMPARE(list->rowCount(), itemsBefore + 1);
    const int row = FindRow(list, u"Ventil \"TR\" O  1"_s);
    QVERIFY(row > 0);
    // A double quote is harmless inside the quoted value and is stored as typed.
    QVERIFY(SentWithoutBreakers(sim_->statements(), u"usp_updateSavePostavka"_s, u"\\"_s));

    list->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const int position = Child<QLineEdit>(window, "txtPozicija")->text().toInt();
    Click(window, "btnplus");
    QCOMPARE(Child<QLineEdit>(window, "txtPozicija")->text(), QString::number(position + 1));
    QCOMPARE(list->item(list->selectionModel()->selectedRows().value(0).row(), 0)->text(), u"Ventil \"TR\" O  1"_s);

    Child<QLineEdit>(window, "txtOpis")->setText(u"Ventil TR"_s);
    Click(window, "shrani");
    QVERIFY(FindRow(list, u"Ventil TR"_s) > 0);
    QCOMPARE(Child<QLineEdit>(window, "txtCena")->text(), u"3,50"_s);

    DialogTestHook::setNextAnswers({mrYes});
    Click(window, "btnDeletePostavka");
    QCOMPARE(list->rowCount(), itemsBefore);
    QCOMPARE(FindRow(list, u"Ventil TR"_s), -1);
    QCOMPARE(DialogTestHook::shown().size(), 1); // only the question: no failure anywhere
}

void TestStorageSimulator::placeCreatedRenamedDeleted()
{
    TfrmShranjevanjeGumUrejanjeProstorov window;
    window.show();
    auto* combo = Child<QComboBox>(window, "cmbProstori");
    const int placesBefore = combo->count();

    Child<QLineEdit>(window, "txtImeProstora")->setText(u"Regal 'Z' \"X\" \\"_s);
    Child<QPlainTextEdit>(window, "mmoOpisProstora")->setPlainText(u"Zgoraj\nlevo \\n"_s);
    Click(window, "shrani");
    QCOMPARE(combo->count(), placesBefore + 1);
    const int index = FindText(combo, u"Regal Z X "_s);
    QVERIFY(index > 0);
    Choose(combo, index);
    // The answer's form carries no line breaks, so the box shows the lines joined.
    QCOMPARE(Child<QPlainTextEdit>(window, "mmoOpisProstora")->toPlainText(), u"Zgorajlevo n"_s);
    QVERIFY(sim_->statements().filter(u"(-1,'Regal Z X ','Zgoraj\r\nlevo n',0)"_s).size() == 1);
    QVERIFY(SentWithoutBreakers(sim_->statements(), u"usp_insertUpdateLokacija"_s));

    Child<QLineEdit>(window, "txtImeProstora")->setText(u"Regal Z2"_s);
    Click(window, "shrani");
    QVERIFY(FindText(combo, u"Regal Z2"_s) > 0);

    Choose(combo, FindText(combo, u"Regal Z2"_s));
    DialogTestHook::setNextAnswers({mrOk});
    Click(window, "btnIzbrisi");
    QCOMPARE(combo->count(), placesBefore);
    QCOMPARE(ShownBoxes(),
             (QStringList{u"Uspeh|Uspešno shranjeno"_s, u"Uspeh|Uspešno shranjeno"_s,
                          u"Ali ste prepričani?|Ali res želite izbrisati Regal Z2?"_s, u"Uspeh|Uspešno izbrisano"_s}));
}

void TestStorageSimulator::tyresPlacedAndFoundAgain()
{
    qint32 orderId = 0;
    QString orderNumber;
    QString placeName;
    {
        TfrmShranjevanjeGumVpisiNevpisane window;
        window.show();
        auto* list = Child<QTableView>(window, "lviewMain");
        QVERIFY(list->model()->rowCount() > 0);
        const int rowsBefore = list->model()->rowCount();
        orderId = window.orders().row(0).id;
        orderNumber = window.orders().row(0).nalogStevilka;

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 1)).center());
        Click(window, "btnPoglejNalog");
        QCOMPARE(currentNalogId, orderId);
        QVERIFY(frmNalogDetails && frmNalogDetails->isVisible());
        frmNalogDetails->close();
        currentNalogId = 0;

        auto* combo = Child<QComboBox>(window, "cmbProstori");
        QVERIFY(combo->count() > 1);
        Choose(combo, 1);
        placeName = combo->currentText();
        Click(window, "shrani");
        QCOMPARE(DialogTestHook::lastShown().text, u"Uspešno shranjena lokacija"_s);
        QCOMPARE(list->model()->rowCount(), rowsBefore - 1); // placed, so no longer listed
    }
    {
        TfrmshranjevanjeGumISkanje window;
        window.show();
        auto* box = Child<QLineEdit>(window, "txtSearch");
        box->setText(u"'"_s + orderNumber + u"\\"_s);
        Click(window, "btnNajdi");
        QCOMPARE(sim_->statements().last().trimmed(), u"usp_searchShranjeni '"_s + orderNumber + u"'"_s);
        QCOMPARE(window.results().rowCount(), 1);
        QCOMPARE(window.results().row(0).id, orderId);
        QCOMPARE(window.results().row(0).lokacijaNM, placeName);
        QCOMPARE(RowColoursFor(window.results().row(0).popisanoShranjevanje).background, QColor(0, 0x80, 0));

        auto* list = Child<QTableView>(window, "lviewMain");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 1)).center());
        Click(window, "btnPoglejNalog");
        QCOMPARE(currentNalogId, orderId);
        QVERIFY(frmNalogDetails && frmNalogDetails->isVisible());
        delete frmNalogDetails;
    }
    QCOMPARE(DialogTestHook::shown().size(), 1); // the success notice only
}

// Texts long enough to take the transport's plain form, holding what a web server would decode
// or cut: they are stored exactly as the window meant them and read back so.
void TestStorageSimulator::longTextsReachTheServerWhole()
{
    const QString hostile = u"100%27 50%5C 3%2B4 a+b #7 \u010d"_s;
    QString words;
    while (words.size() < 2400)
        words += u"beseda "_s;
    const QString injection = u"x%27,0); call usp_insertUpdateLokacija (-1,%27INJECTED%27,%27x%27,0); -- "_s;
    {
        TfrmShranjevanjeGumUrejanjeProstorov window;
        window.show();
        auto* combo = Child<QComboBox>(window, "cmbProstori");
        Child<QLineEdit>(window, "txtImeProstora")->setText(u"Dolgi regal"_s);
        Child<QPlainTextEdit>(window, "mmoOpisProstora")->setPlainText(hostile + u"\n"_s + words + injection);
        Click(window, "shrani");
        const int index = FindText(combo, u"Dolgi regal"_s);
        QVERIFY(index > 0);
        QCOMPARE(FindText(combo, u"INJECTED"_s), -1);
        Choose(combo, index);
        // The window drops nothing but quotes; the long form drops the line break.
        QCOMPARE(Child<QPlainTextEdit>(window, "mmoOpisProstora")->toPlainText(), hostile + words + injection);
    }
    {
        TfrmNalogUrejanjePostavk window;
        window.show();
        auto* list = Child<QTableWidget>(window, "lviewPostavke");
        const QString description = hostile + u" O'ring "_s + words;
        Child<QLineEdit>(window, "txtOpis")->setText(description);
        Click(window, "shrani");
        QString expected = description;
        expected.remove(u'\'').remove(u'\\');
        QVERIFY2(FindRow(list, expected) > 0, "the long item description is listed as it was stored");
    }
    QCOMPARE(ShownBoxes(), QStringList{u"Uspeh|Uspešno shranjeno"_s});
}

QTEST_MAIN(TestStorageSimulator)
#include "tst_storage_simulator.moc"
