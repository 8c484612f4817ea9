// Widget tests of the stored tyre search against a scripted loopback workshop: statements per key, cleaning, results,
// failures.
#include "storage/tyre_search.h"

#include "storage/stored_tyre_list.h"
#include "support/settings_sandbox.h"
#include "support/window_test_kit.h"

#include "orders/order_details.h"
#include "session/app_state.h"
#include "session/window_links.h"
#include "ui/message_boxes.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The columns of the search's answer, in the server's order.
auto ResultColumns()
{
    return QList<QPair<QString, int>>{{u"id"_s, 3},          {u"nalogStevilka"_s, 200}, {u"popisanoShranjevanje"_s, 3},
                                      {u"SHRLokacija"_s, 3}, {u"lokacijaNM"_s, 200},    {u"datum"_s, 135},
                                      {u"Stranka"_s, 200},   {u"vnesel"_s, 200},        {u"komentar"_s, 200},
                                      {u"viewed"_s, 3}};
}

QByteArray ResultsAnswer()
{
    return TableAnswer(ResultColumns(), {{u"1524"_s, u"DN-16"_s, u"1"_s, u"6"_s, u"Regal B"_s, u"2024-03-06 09:00:00"_s,
                                          std::nullopt, u"Ana"_s, u"letne"_s, u"0"_s},
                                         {u"1530"_s, u"DN-20"_s, u"0"_s, u"-1"_s, QString(), u"2024-04-01 00:00:00"_s,
                                          u"O'Brien"_s, u"Bor"_s, QString(), u"1"_s}});
}

} // namespace

class TestTyreSearch : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensEmptyWithoutCalls();
    void everyKeyReleaseSearches();
    void searchTextIsCleaned_data();
    void searchTextIsCleaned();
    void resultsShowPlaceAndColours();
    void remoteFailureLeavesListEmpty();
    void unreadableRowKeepsTheRowsBefore();
    void unreachableServerIsSaidOnce_data();
    void unreachableServerIsSaidOnce();
    void poglejNalogWithoutRowDoesNothing();
    void keyReleasedDuringSearchRunsOneMoreSearchAfterIt();
    void sortedResultsOpenTheChosenOrder();

private:
    template <typename T> T* child(const char* name) const { return RequireChild<T>(*window_, name); }
    void open();

    std::unique_ptr<ScriptedWorkshop> server_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmshranjevanjeGumISkanje> window_;
};

void TestTyreSearch::init()
{
    ResetAppState();
    server_ = std::make_unique<ScriptedWorkshop>();
    server_->answer(u"usp_searchShranjeni"_s, ResultsAnswer());
    remote_ = std::make_unique<RemoteTestSetup>(server_->baseUrl());
    DialogTestHook::reset();
    DialogTestHook::activate();
}

void TestTyreSearch::cleanup()
{
    window_.reset();
    remote_.reset();
    server_.reset();
    DialogTestHook::reset();
    ResetAppState();
}

void TestTyreSearch::open()
{
    window_ = std::make_unique<TfrmshranjevanjeGumISkanje>();
    window_->show();
}

void TestTyreSearch::opensEmptyWithoutCalls()
{
    open();
    QCOMPARE(child<QTableView>("lviewMain")->model()->rowCount(), 0);
    QVERIFY(server_->statements().isEmpty());
}

void TestTyreSearch::everyKeyReleaseSearches()
{
    open();
    QTest::keyClicks(child<QLineEdit>("txtSearch"), u"ab"_s);
    QCOMPARE(server_->statements(), (QStringList{u"usp_searchShranjeni 'a'"_s, u"usp_searchShranjeni 'ab'"_s}));
    QTest::keyClick(child<QLineEdit>("txtSearch"), Qt::Key_Left); // a key that changes nothing searches too
    QCOMPARE(server_->statements().size(), 3);
}

void TestTyreSearch::searchTextIsCleaned_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("boxAfter");
    QTest::addColumn<QString>("sent");
    QTest::addRow("empty") << QString() << QString() << u"usp_searchShranjeni ''"_s;
    QTest::addRow("apostrophe") << u"O'Brien"_s << u"O'Brien"_s << u"usp_searchShranjeni 'OBrien'"_s;
    QTest::addRow("blanks") << u"  Kos "_s << u"Kos "_s << u"usp_searchShranjeni 'Kos '"_s;
    QTest::addRow("quotes and backslash") << u"a\"b\\'c"_s << u"a\"b\\'c"_s << u"usp_searchShranjeni 'abc'"_s;
}

void TestTyreSearch::searchTextIsCleaned()
{
    QFETCH(QString, typed);
    QFETCH(QString, boxAfter);
    QFETCH(QString, sent);
    open();
    child<QLineEdit>("txtSearch")->setText(typed);
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    QCOMPARE(server_->statements(), QStringList{sent});
    QCOMPARE(child<QLineEdit>("txtSearch")->text(), boxAfter);
    QCOMPARE(window_->lastSearchStatement(), sent);
}

void TestTyreSearch::resultsShowPlaceAndColours()
{
    open();
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    const QAbstractItemModel& model = *child<QTableView>("lviewMain")->model();
    QCOMPARE(model.rowCount(), 2);
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column)
        headers.append(model.headerData(column, Qt::Horizontal).toString());
    QCOMPARE(headers, (QStringList{u"Lokacija"_s, u"Nalog"_s, u"Datum"_s, u"Stranka"_s, u"Vnesel"_s, u"Komentar"_s}));
    QStringList first;
    for (int column = 0; column < model.columnCount(); ++column)
        first.append(model.index(0, column).data().toString());
    QCOMPARE(first, (QStringList{u"Regal B"_s, u"DN-16"_s, u"06.03.2024"_s, u"Neznano"_s, u"Ana"_s, u"letne"_s}));
    QCOMPARE(model.index(1, 3).data().toString(), u"O'Brien"_s);
    QCOMPARE(model.index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 0x80, 0));
    QCOMPARE(model.index(1, 5).data(Qt::BackgroundRole).value<QColor>(), QColor(0xFF, 0, 0));
    QCOMPARE(model.index(1, 5).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
    QCOMPARE(window_->results().row(1).id, 1530);
}

void TestTyreSearch::remoteFailureLeavesListEmpty()
{
    open();
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    server_->answer(u"usp_searchShranjeni"_s, FailureAnswer("You have an error in your SQL syntax"));
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    QCOMPARE(child<QTableView>("lviewMain")->model()->rowCount(), 0);
    const ShownMessage dialog = DialogTestHook::lastShown();
    QCOMPARE(dialog.kind, 0);
    QCOMPARE(dialog.text, u"Napaka pri komunikaciji"_s);
    QVERIFY(dialog.details.contains(u"usp_searchShranjeni ''"_s));
}

// A row whose date is null cannot be read: the rows before it stay and the box quotes the search.
void TestTyreSearch::unreadableRowKeepsTheRowsBefore()
{
    server_->answer(u"usp_searchShranjeni"_s,
                    TableAnswer(ResultColumns(), {{u"1524"_s, u"DN-16"_s, u"1"_s, u"6"_s, u"Regal B"_s,
                                                   u"2024-03-06 09:00:00"_s, u"Kos"_s, u"Ana"_s, QString(), u"0"_s},
                                                  {u"1530"_s, u"DN-20"_s, u"0"_s, u"-1"_s, QString(), std::nullopt,
                                                   u"Novak"_s, u"Bor"_s, QString(), u"1"_s}}));
    open();
    child<QLineEdit>("txtSearch")->setText(u"DN"_s);
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    QCOMPARE(child<QTableView>("lviewMain")->model()->rowCount(), 1);
    QCOMPARE(window_->results().row(0).id, 1524);
    const ShownMessage box = DialogTestHook::lastShown();
    QCOMPARE(DialogTestHook::shown().size(), 1);
    QCOMPARE(box.title, u"Napaka"_s);
    QVERIFY(box.text.startsWith(u"Napaka pri preverjanju nalogov "_s));
    QVERIFY2(box.text.endsWith(u"\r\nQry:usp_searchShranjeni 'DN'"_s), qPrintable(box.text));
    QVERIFY(child<QTableView>("lviewMain")->isEnabled());
}

void TestTyreSearch::unreachableServerIsSaidOnce_data()
{
    AddUnreachableRows();
}

void TestTyreSearch::unreachableServerIsSaidOnce()
{
    QFETCH(int, kind);
    open();
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    QVERIFY(child<QTableView>("lviewMain")->model()->rowCount() > 0);
    const UnreachableWorkshop down{UnreachableWorkshop::Kind(kind)};
    PointWorkshopAt(down.baseUrl());
    DialogTestHook::reset();
    DialogTestHook::activate();
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(child<QTableView>("lviewMain")->model()->rowCount(), 0);
}

void TestTyreSearch::poglejNalogWithoutRowDoesNothing()
{
    open();
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    server_->clearStatements();
    currentNalogId = 77;
    QTest::mouseClick(child<QPushButton>("btnPoglejNalog"), Qt::LeftButton);
    QVERIFY(server_->statements().isEmpty());
    QCOMPARE(currentNalogId, 77);
}

void TestTyreSearch::keyReleasedDuringSearchRunsOneMoreSearchAfterIt()
{
    open();
    auto* box = child<QLineEdit>("txtSearch");
    box->setText(u"ko"_s);
    // Queued now, delivered while the search lets queued events run at its start.
    QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, Qt::Key_S, Qt::NoModifier, u"s"_s));
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    QCOMPARE(server_->statements(), (QStringList{u"usp_searchShranjeni 'ko'"_s, u"usp_searchShranjeni 'ko'"_s}));
    QCOMPARE(child<QTableView>("lviewMain")->model()->rowCount(), 2); // one search's rows, not two
}

// The comment's line breaks show as " / " in the cell and as lines in its tooltip; a list
// sorted by date stays sorted through the next search and opens the order of the chosen row.
void TestTyreSearch::sortedResultsOpenTheChosenOrder()
{
    const SettingsSandbox sandbox; // the chosen sort is remembered, here only for this test
    remote_.reset();
    remote_ = std::make_unique<RemoteTestSetup>(server_->baseUrl());
    server_->answer(u"usp_searchShranjeni"_s,
                    TableAnswer(ResultColumns(),
                                {{u"1524"_s, u"DN-16"_s, u"1"_s, u"6"_s, u"Regal B"_s, u"2024-03-06 09:00:00"_s,
                                  u"Kos"_s, u"Ana"_s, u"Ropotanje podvozja.*newln*Preveriti*NEWLN*zavore"_s, u"0"_s},
                                 {u"1530"_s, u"DN-20"_s, u"0"_s, u"-1"_s, QString(), u"2023-12-24 00:00:00"_s,
                                  u"Novak"_s, u"Bor"_s, QString(), u"1"_s}}));
    open();
    auto* view = child<QTableView>("lviewMain");
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    const QModelIndex comment = view->model()->index(0, 5);
    QCOMPARE(comment.data().toString(), u"Ropotanje podvozja. / Preveriti / zavore"_s);
    QCOMPARE(comment.data(Qt::ToolTipRole).toString(), u"Ropotanje podvozja.\nPreveriti\nzavore"_s);

    view->sortByColumn(2, Qt::AscendingOrder);
    QTest::mouseClick(child<QPushButton>("btnNajdi"), Qt::LeftButton);
    QCOMPARE(view->model()->index(0, 1).data().toString(), u"DN-20"_s);
    view->selectRow(0);
    QSignalSpy requested(&Links(), &WindowLinks::orderRequested);
    QTest::mouseClick(child<QPushButton>("btnPoglejNalog"), Qt::LeftButton);
    QCOMPARE(requested.size(), 1);
    QCOMPARE(requested.first().first().toInt(), 1530);
}

QTEST_MAIN(TestTyreSearch)
#include "tst_tyre_search.moc"
