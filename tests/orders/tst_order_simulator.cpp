// The order window against the workshop simulator: the seeded orders with their documents, billing, the lock refusal
// and the mail draft's download.
#include "orders/order_details.h"
#include "orders/order_documents.h"

#include "support/simulator_process.h"
#include "support/window_test_kit.h"

#include "data/remote_call.h"
#include "data/settings_store.h"
#include "data/text_helpers.h"
#include "desktop/mail_composer.h"
#include "desktop/picture_pane.h"
#include "desktop/url_opener.h"
#include "session/app_state.h"
#include "ui/message_boxes.h"
#include "ui/xp_button.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

class OrderSimulatorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void orderWithDocuments();
    void orderWithoutCustomer();
    void receptionOrder();
    void billingLeavesTheUnbilledList();
    void lockedOrderIsNotBilled();

private:
    template <typename T> T* child(const char* name) const;

    std::unique_ptr<SimulatorProcess> sim_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmNalogDetails> window_;
    RecordingUrlOpener opener_;
    RecordingMailComposer composer_;
};

void OrderSimulatorTest::initTestCase()
{
    QVERIFY2(StartSimulatorSession(sim_, remote_), qPrintable(sim_->errorText()));
    WriteSetting(u"ordavo"_s, u"kodadostop"_s, QString::fromLatin1(SimulatorProcess::DemoCode));
}

void OrderSimulatorTest::init()
{
    ResetAppState();
    requestUrl = (sim_->baseUrl() + u"requests/getpodpis.php"_s).toLower();
    DialogTestHook::reset();
    DialogTestHook::activate();
    opener_ = RecordingUrlOpener();
    SetCurrentUrlOpener(&opener_);
    composer_ = RecordingMailComposer();
    SetCurrentMailComposer(&composer_);
    window_ = std::make_unique<TfrmNalogDetails>();
}

void OrderSimulatorTest::cleanup()
{
    window_.reset();
    SetCurrentUrlOpener(nullptr);
    SetCurrentMailComposer(nullptr);
    DialogTestHook::reset();
}

void OrderSimulatorTest::cleanupTestCase()
{
    remote_.reset();
    sim_.reset();
}

template <typename T> T* OrderSimulatorTest::child(const char* name) const
{
    return RequireChild<T>(*window_, name);
}

void OrderSimulatorTest::orderWithDocuments()
{
    openNalog(SimulatorProcess::OrderWithDocuments);
    QCOMPARE(ShownBoxes(), QStringList());
    QVERIFY(child<QLabel>("lblNalog")->text().startsWith(u"DN"_s));
    QCOMPARE(child<QPlainTextEdit>("mmoKomentar")->toPlainText(), u"Redni servis.\nNaslednji servis čez 15.000 km."_s);
    QVERIFY(!child<QPlainTextEdit>("mmoStranka")->toPlainText().isEmpty());
    QVERIFY(QDate::fromString(child<QLabel>("lblDatum")->text(), u"dd.MM.yyyy"_s).isValid());

    auto* list = child<QTreeWidget>("lviewPostavke");
    QCOMPARE(list->topLevelItemCount(), 4);
    QCOMPARE(list->topLevelItem(0)->text(0), u"Menjava olja"_s);
    QCOMPARE(list->topLevelItem(0)->text(3), u"25,50€"_s);
    QCOMPARE(list->topLevelItem(2)->text(2), u"1,50"_s);
    double total = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        total += ParseDecimal(item->text(2)) * ParseDecimal(item->text(3).chopped(1));
    }
    QVERIFY(total < 25.50 + 12.90 + 63.00); // the discount counts
    QCOMPARE(child<QLabel>("lblSuma")->text(), TotalCaption(total));

    // Signature and the two pictures load from the simulator's document scripts.
    QVERIFY(child<QWidget>("pnlbrowser")->isVisible());
    QVERIFY(window_->WebBrowsers[0]->isVisible() && window_->WebBrowsers[1]->isVisible());
    QVERIFY(!window_->WebBrowsers[2]->isVisible() && !window_->WebBrowsers[3]->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!child<PicturePane>("browserpodpis")->picture().isNull(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!window_->WebBrowsers[0]->picture().isNull(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!window_->WebBrowsers[1]->picture().isNull(), 15000);

    QTest::mouseClick(window_->WebBrowsers[1], Qt::LeftButton);
    QCOMPARE(opener_.opened.size(), 1);
    QVERIFY(!opener_.opened.first().toString(QUrl::FullyEncoded).contains(u"small=1"_s, Qt::CaseInsensitive));

    window_->XpButton4->click();
    QCOMPARE(ShownBoxes(), QStringList());
    QCOMPARE(composer_.drafts.size(), 1);
    QFile pdf(composer_.drafts.first().attachmentPath);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(composer_.drafts.first().attachmentPath.startsWith(PdfDownloadFolder()));
}

void OrderSimulatorTest::orderWithoutCustomer()
{
    openNalog(SimulatorProcess::OrderWithoutCustomer);
    QCOMPARE(ShownBoxes(), QStringList());
    QCOMPARE(child<QPlainTextEdit>("mmoStranka")->toPlainText(), u"Ni podano"_s);
}

void OrderSimulatorTest::receptionOrder()
{
    openNalog(SimulatorProcess::ReceptionOrder);
    QCOMPARE(ShownBoxes(), QStringList());
    QCOMPARE(child<QLabel>("lblCaptionNalog")->text(), u"Sprejemni nalog"_s);
    QVERIFY(!child<QTreeWidget>("lviewPostavke")->isVisible());
    for (PicturePane* pane : window_->WebBrowsers)
        QVERIFY(pane->isVisible());
    QCOMPARE(NalogCustomer.nalogType, 1);
}

void OrderSimulatorTest::billingLeavesTheUnbilledList()
{
    const int before = sim_->state()[u"unbilledOrders"_s].toInt();
    openNalog(SimulatorProcess::OrderWithoutCustomer);
    window_->shrani->click();
    QCOMPARE(ShownBoxes(), QStringList());
    QVERIFY(!window_->isVisible());
    QCOMPARE(sim_->state()[u"unbilledOrders"_s].toInt(), before - 1);
}

void OrderSimulatorTest::lockedOrderIsNotBilled()
{
    const int before = sim_->state()[u"unbilledOrders"_s].toInt();
    openNalog(SimulatorProcess::LockedOrder);
    window_->shrani->click();
    QCOMPARE(ShownBoxes(),
             QStringList{u"Ni možno|Nalog je trenutno v urejanju zato trenutno ne more biti obračunan."_s});
    QCOMPARE(sim_->state()[u"unbilledOrders"_s].toInt(), before);
}

QTEST_MAIN(OrderSimulatorTest)
#include "tst_order_simulator.moc"
