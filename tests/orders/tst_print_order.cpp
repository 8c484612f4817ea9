// Tests of the printed order: every band and field read back from the PDF, the total rules, the reception order, the
// footer, pages, failures and the preview.
#include "data/http_client.h"
#include "data/payload_writer.h"
#include "data/remote_call.h"
#include "data/settings_store.h"
#include "desktop/picture_pane.h"
#include "orders/order_actions.h"
#include "orders/order_details.h"
#include "orders/print_data_module.h"
#include "orders/print_order.h"
#include "report/report_output.h"
#include "report/report_preview.h"
#include "support/letterhead_settings.h"
#include "support/settings_sandbox.h"
#include "support/window_test_kit.h"
#include "ui/message_boxes.h"

#include "loopback_sender.h"
#include "loopback_server.h"
#include "order_items_answer.h"
#include "pdf_reading.h"
#include "preview_watch.h"

#include <QApplication>
#include <QBuffer>
#include <QDate>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// What the order window passes to printNalog.
struct Order {
    qint32 id = 15;
    QString number = u"N-15"_s;
    QString vozilo = u"VW Golf"_s;
    QString registrska = u"LJ 12-ABC"_s;
    QString datum = u"05.03.2024"_s;
    QString imagePath;
    QString komentar;
    QString vnesel = u"Janez"_s;
    QString stranka = u"Stranka: Ana Kos"_s;
    QString naslov = u"Naslov: Cesta 1, Kranj"_s;
    QString podjetje = u"Podjetje: Kos d.o.o."_s;
    QString idddv = u"ID ZA DDV: SI12345678"_s;
    qint32 type = 0;
};

int countOf(const QStringList& lines, const QString& needle)
{
    int count = 0;
    for (const QString& line : lines)
        count += int(line.count(needle));
    return count;
}

} // namespace

class TestPrintOrder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
        InstallLoopbackSender(sender_);
        server_.setHandler([this](const LoopbackRequest& request) {
            if (request.path.contains("getpodpis"))
                return signatureAnswer();
            if (QString::fromUtf8(PercentDecode(request.query)).contains(u"getnalogedit"_s))
                return LoopbackAnswer::text(lockAnswer_);
            return LoopbackAnswer::text(answer_);
        });
        QVERIFY(dir_.isValid());
    }

    void cleanupTestCase()
    {
        window_.reset();
        SetSenderSlot(nullptr);
    }

    void init()
    {
        DialogTestHook::activate();
        WriteSetting(u"ordavo"_s, u"weburlroot"_s, server_.baseUrl());
        WriteSetting(u"ordavo"_s, u"weburl"_s, u"commobj/commobj/"_s);
        StoreLetterheadSettings();
        answer_ = OrderItemsAnswer({});
        lockAnswer_ = PayloadWriter::EmptyRecordsetAnswer();
        server_.clearRequests();
        ClearRemoteState();
    }

    void cleanup()
    {
        DialogTestHook::reset();
        report::ReportPreviewDialog::setPathChooser({});
    }

    void letterheadOrderDataAndCustomerLines()
    {
        const QString pdf = printToPdf(Order{});
        const QStringList lines = PdfLines(pdf);
        const QString text = lines.join(u'\n');
        for (const QString& expected :
             QStringList{u"Avtoservis Novak"_s, u"Glavna cesta 5"_s, u"4000 Kranj"_s, u"Tel: 04 123 45 67"_s,
                         u"Fax: 04 123 45 68"_s, u"www: novak.si"_s, u"Vnesel: Janez"_s, u"Delovni nalog"_s,
                         u"Nalog št:N-15"_s, u"Datum izdaje:05.03.2024"_s,
                         QString(u"Datum izpisa:"_s + QDate::currentDate().toString(u"dd.MM.yyyy"_s)),
                         u"Vozilo: VW Golf"_s, u"Reg.št.:LJ 12-ABC"_s})
            QVERIFY2(text.contains(expected), qPrintable(expected + u"\n---\n"_s + text));

        // The customer block: right-aligned at 188.4 mm from the margin, in this order.
        const auto words = PdfWords(pdf);
        const QStringList customerEnds{u"d.o.o."_s, u"Kos"_s, u"Kranj"_s, u"SI12345678"_s};
        double previousTop = 0;
        for (const QString& end : customerEnds) {
            const auto found = FindWords(words, end);
            QVERIFY2(!found.empty(), qPrintable(end));
            const PdfWord& word = found.back();
            QVERIFY2(qAbs(word.boxMm.right() - 198.4) < 1.0,
                     qPrintable(end + u" "_s + QString::number(word.boxMm.right())));
            QVERIFY2(word.boxMm.top() > previousTop, qPrintable(end));
            previousTop = word.boxMm.top();
        }
        const auto number = FindWords(words, u"št:N-15"_s);
        QCOMPARE(number.size(), std::size_t(1));
        QVERIFY(qAbs(number[0].boxMm.right() - 198.4) < 1.0);
        QVERIFY(qAbs(FindWords(words, u"Avtoservis"_s).at(0).boxMm.left() - 12.1) < 1.0);
    }

    void emptySettingsAndLinesPrintNothing()
    {
        WriteSetting(u"ordavo"_s, u"companyphone"_s, QString());
        WriteSetting(u"ordavo"_s, u"companywww"_s, QString());
        Order order;
        order.podjetje.clear();
        order.idddv.clear();
        const QString text = PdfLines(printToPdf(order)).join(u'\n');
        QVERIFY(!text.contains(u"Tel:"_s));
        QVERIFY(!text.contains(u"www:"_s));
        QVERIFY(text.contains(u"Fax: 04 123 45 68"_s));
        QVERIFY(!text.contains(u"Podjetje"_s));
        QVERIFY(!text.contains(u"ID ZA DDV"_s));
        QVERIFY(text.contains(u"Stranka: Ana Kos"_s));
    }

    void itemsTableWithTotal()
    {
        answer_ = OrderItemsAnswer({{u"Menjava olja"_s, u""_s, u"2"_s, u"10.5"_s},
                                    {u"Filter"_s, u"5W30"_s, u"3"_s, u"4"_s},
                                    {u""_s, u"brezplačno"_s, u"1"_s, u"0"_s}});
        const QString pdf = printToPdf(Order{});
        QVERIFY(server_.requests().at(0).query.contains("listNalogPostavke"));
        QVERIFY(QString::fromUtf8(PercentDecode(server_.requests().at(0).query)).contains(u"listNalogPostavke (15)"_s));
        const QStringList lines = PdfLines(pdf);
        const QString text = lines.join(u'\n');
        QVERIFY2(text.contains(u"Postavka Dodatni parametri Cena Količina"_s), qPrintable(text));
        QVERIFY2(text.contains(u"Menjava olja / 10,50 € 2,00"_s), qPrintable(text));
        QVERIFY(text.contains(u"Filter 5W30 4,00 € 3,00"_s));
        QVERIFY(text.contains(u"/ brezplačno / 1,00"_s));
        QVERIFY(text.contains(u"Skupaj cena: 33,00 €"_s));

        const auto words = PdfWords(pdf);
        const auto price = FindWords(words, u"10,50"_s);
        const auto euro = FindWords(words, u"€"_s);
        QVERIFY(!price.empty() && !euro.empty());
        QVERIFY2(qAbs(euro.front().boxMm.right() - 168.2) < 1.0,
                 qPrintable(QString::number(euro.front().boxMm.right())));
        QVERIFY(qAbs(FindWords(words, u"2,00"_s).at(0).boxMm.right() - 193.6) < 1.0);
        QVERIFY(qAbs(FindWords(words, u"5W30"_s).at(0).boxMm.left() - 87.3) < 1.0);
        const auto total = FindWords(words, u"33,00"_s);
        QVERIFY(qAbs(total.at(0).boxMm.right() - 194.4) < 4.0);
    }

    void totalRules_data()
    {
        QTest::addColumn<QList<OrderItemRow>>("items");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QString>("total"); // empty: no total line

        QTest::addRow("discount counts") << QList<OrderItemRow>{{u"Servis"_s, {}, u"1"_s, u"100"_s},
                                                                {u"Popust"_s, {}, u"1"_s, u"-15"_s}}
                                         << QStringList{u"-15,00 €"_s, u"100,00 €"_s} << u"Skupaj cena: 85,00 €"_s;
        QTest::addRow("only a discount") << QList<OrderItemRow>{{u"Popust"_s, {}, u"2"_s, u"-5"_s}}
                                         << QStringList{u"-5,00 €"_s} << u"Skupaj cena: -10,00 €"_s;
        QTest::addRow("only zero prices") << QList<OrderItemRow>{{u"Pregled"_s, {}, u"1"_s, u"0"_s}}
                                          << QStringList{u"Pregled / / 1,00"_s} << QString();
        QTest::addRow("no rows") << QList<OrderItemRow>{} << QStringList{} << QString();
        QTest::addRow("decimal commas and points") << QList<OrderItemRow>{{u"Olje"_s, {}, u"1,5"_s, u"2.5"_s}}
                                                   << QStringList{u"2,50 €"_s, u"1,50"_s} << u"Skupaj cena: 3,75 €"_s;
        QTest::addRow("empty quantity is zero") << QList<OrderItemRow>{{u"Delo"_s, {}, u""_s, u"20"_s}}
                                                << QStringList{u"20,00 € 0,00"_s} << u"Skupaj cena: 0,00 €"_s;
        QTest::addRow("not numbers print as they came")
            << QList<OrderItemRow>{{u"A"_s, {}, u"dva"_s, u"5"_s},
                                   {u"B"_s, {}, u"1"_s, u"po dogovoru"_s},
                                   {u"C"_s, {}, u"1"_s, u"3"_s}}
            << QStringList{u"5,00 € dva"_s, u"po dogovoru 1,00"_s} << u"Skupaj cena: 3,00 €"_s;
    }

    void totalRules()
    {
        QFETCH(QList<OrderItemRow>, items);
        QFETCH(QStringList, printed);
        QFETCH(QString, total);
        answer_ = OrderItemsAnswer(items);
        const QString text = PdfLines(printToPdf(Order{})).join(u'\n');
        for (const QString& expected : printed)
            QVERIFY2(text.contains(expected), qPrintable(expected + u"\n---\n"_s + text));
        if (total.isEmpty()) {
            QVERIFY(!text.contains(u"Skupaj"_s));
            QCOMPARE(countSummaryRules(), 0);
        } else {
            QVERIFY2(text.contains(total), qPrintable(text));
            QCOMPARE(countSummaryRules(), 1);
        }
    }

    void receptionOrderPrintsTheCommentMemoWithWritingLines()
    {
        answer_ = OrderItemsAnswer({{u"Skrita postavka"_s, {}, u"1"_s, u"10"_s}});
        Order order;
        order.type = 1;
        order.komentar = u"Stranka pusti avto\ndo petka"_s;
        order.imagePath = writeSignature();
        const QString pdf = printToPdf(order);
        const QString text = PdfLines(pdf).join(u'\n');
        QVERIFY(text.contains(u"Sprejemni nalog"_s));
        QVERIFY(text.contains(u"Stranka pusti avto\ndo petka"_s));
        QVERIFY(!text.contains(u"Postavka"_s));
        QVERIFY(!text.contains(u"Skrita postavka"_s));
        QVERIFY(!text.contains(u"Komentar:"_s));
        QVERIFY(!text.contains(u"Skupaj"_s));
        QVERIFY(text.contains(u"Podpis:"_s));

        const report::Document document = frmPrintIzpis->qreport().generate();
        int writingLines = 0, images = 0, frames = 0;
        for (const auto& op : document.pages.at(0).ops) {
            if (const auto* line = std::get_if<report::LineOp>(&op))
                writingLines += qAbs(line->lineMm.dx() - 182.3) < 0.01 && line->style == report::LineStyle::Dotted;
            images += std::holds_alternative<report::ImageOp>(op);
            frames += std::holds_alternative<report::FrameOp>(op);
        }
        QCOMPARE(writingLines, 8);
        QCOMPARE(images, 1);
        QCOMPARE(frames, 1); // the memo's dotted frame; no comment frame in the footer
    }

    void footerShowsCommentOnlyForWorkOrdersAndSignatureWhenPresent_data()
    {
        QTest::addColumn<QString>("komentar");
        QTest::addColumn<bool>("signature");
        QTest::addColumn<bool>("unreadableSignature");
        // The footer ends 2 mm above the bottom margin (287 mm) under its lowest element: the
        // comment memo (80.7 mm into the band), else the picture (37.1 mm), else the label.
        QTest::addColumn<double>("markerTop");
        QTest::addRow("comment only") << u"Zamenjati zavore"_s << false << false << 287.0 - 82.7 + 30.2;
        QTest::addRow("signature only") << QString() << true << false << 287.0 - 39.1 + 2.9;
        QTest::addRow("both") << u"Zamenjati zavore"_s << true << false << 287.0 - 82.7 + 2.9;
        QTest::addRow("neither") << QString() << false << false << 0.0;
        QTest::addRow("unreadable signature file") << QString() << true << true << 281.0;
    }

    void footerShowsCommentOnlyForWorkOrdersAndSignatureWhenPresent()
    {
        QFETCH(QString, komentar);
        QFETCH(bool, signature);
        QFETCH(bool, unreadableSignature);
        QFETCH(double, markerTop);
        Order order;
        order.komentar = komentar;
        if (signature)
            order.imagePath = unreadableSignature ? dir_.filePath(u"ni-slika.jpg"_s) : writeSignature();
        if (unreadableSignature) {
            QFile broken(order.imagePath);
            QVERIFY(broken.open(QIODevice::WriteOnly));
            broken.write("to ni jpeg");
        }
        const QString pdf = printToPdf(order);
        const QString text = PdfLines(pdf).join(u'\n');
        QCOMPARE(text.contains(u"Komentar:"_s), !komentar.isEmpty());
        QCOMPARE(text.contains(u"Zamenjati zavore"_s), !komentar.isEmpty());
        QCOMPARE(text.contains(u"Podpis:"_s), signature);
        int images = 0;
        const report::Document document = frmPrintIzpis->qreport().generate();
        for (const auto& op : document.pages.at(0).ops)
            images += std::holds_alternative<report::ImageOp>(op);
        QCOMPARE(images, signature && !unreadableSignature ? 1 : 0);
        QVERIFY(DialogTestHook::shown().isEmpty());
        if (markerTop > 0) {
            const auto words = PdfWords(pdf);
            const double top = FindWords(words, signature ? u"Podpis:"_s : u"Komentar:"_s).at(0).boxMm.top();
            QVERIFY2(qAbs(top - markerTop) < 1.5, qPrintable(QString::number(top)));
        }
    }

    void manyItemsSpreadOverPagesWithHeaderAndFooterOnEach()
    {
        QList<OrderItemRow> items;
        for (int i = 1; i <= 60; ++i)
            items.append({u"Postavka št. %1"_s.arg(i), u"dodatno %1"_s.arg(i), u"1"_s, u"2"_s});
        answer_ = OrderItemsAnswer(items);
        Order order;
        order.komentar = u"Komentar na vsaki strani"_s;
        const QString pdf = printToPdf(order);
        const int pages = PdfPageCount(pdf);
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        for (int page = 1; page <= pages; ++page) {
            const QStringList lines = PdfLines(pdf, page, page);
            QCOMPARE(countOf(lines, u"Nalog št:N-15"_s), 1);
            QCOMPARE(countOf(lines, u"Avtoservis Novak"_s), 1);
            QCOMPARE(countOf(lines, u"Komentar na vsaki strani"_s), 1);
            QCOMPARE(countOf(lines, u"Dodatni parametri"_s), page == 1 ? 1 : 0);
        }
        const QString all = PdfLines(pdf).join(u'\n');
        for (int i = 1; i <= 60; ++i)
            QCOMPARE(int(all.count(u"Postavka št. %1 "_s.arg(i))), 1);
        QVERIFY(PdfLines(pdf, pages, pages).join(u'\n').contains(u"Skupaj cena: 120,00 €"_s));
    }

    void longDescriptionWrapsInsideItsColumn()
    {
        const QString longText = u"Zelo dolg opis postavke, ki ne gre v eno vrstico stolpca in se mora prelomiti"_s;
        answer_ = OrderItemsAnswer({{longText, u"kratko"_s, u"1"_s, u"5"_s}});
        const auto words = PdfWords(printToPdf(Order{}));
        for (const PdfWord& word : words)
            if (longText.contains(word.text) && word.text.size() > 2)
                QVERIFY2(word.boxMm.right() < 87.0, qPrintable(word.text));
        QVERIFY(FindWords(words, u"prelomiti"_s).at(0).boxMm.top() > FindWords(words, u"Zelo"_s).at(0).boxMm.top());
    }

    void failedItemCallStopsWithoutPrintingOrMessage()
    {
        answer_ = "Napaka v proceduri";
        QVERIFY(frmPrintIzpis || new TfrmPrintIzpis(qApp));
        bool previewShown = false;
        const PreviewWatch watch([&](report::ReportPreviewDialog& dialog) {
            previewShown = true;
            dialog.reject();
        });
        printNalog(1, Order{});
        printNalog(2, Order{});
        QVERIFY(!previewShown);
        QVERIFY(DialogTestHook::shown().isEmpty());
        QVERIFY(server_.requestCount() >= 2);
    }

    // A server that could not be reached, unlike a failure text, is said; nothing is printed.
    void unreachableItemCallIsSaidOnce_data() { AddUnreachableRows(); }
    void unreachableItemCallIsSaidOnce()
    {
        QFETCH(int, kind);
        const UnreachableWorkshop down{UnreachableWorkshop::Kind(kind)};
        PointWorkshopAt(down.baseUrl());
        QVERIFY(frmPrintIzpis || new TfrmPrintIzpis(qApp));
        QVERIFY(!frmPrintIzpis->fillNalog(printed(Order{})));
        QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
                 qPrintable(UnreachableDialogsMismatch(down.reason())));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void itemsWithoutAColumnShowNapakaAndStillPrint()
    {
        PayloadWriter writer;
        writer.addColumn(u"id"_s, 3);
        writer.addColumn(u"opis"_s, 200);
        writer.beginRow();
        writer.addValue(u"1"_s);
        writer.addValue(u"Samo opis"_s);
        answer_ = PayloadWriter::EncodeAnswer(writer.payload());
        const QString text = PdfLines(printToPdf(Order{})).join(u'\n');
        QCOMPARE(DialogTestHook::shown().size(), 1);
        QCOMPARE(DialogTestHook::lastShown().title, u"Napaka"_s);
        QCOMPARE(DialogTestHook::lastShown().icon, MessageIcon::Error);
        QVERIFY(text.contains(u"Delovni nalog"_s));
        QVERIFY(!text.contains(u"Samo opis"_s));
    }

    void printingWithoutAPrinterSaysWhy()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        printNalog(2, Order{});
        QCOMPARE(DialogTestHook::shown().size(), 1);
        QVERIFY(DialogTestHook::lastShown().text.contains(u"tiskalnika"_s));
    }

    void previewShowsTheOrderAndSavesItAsPdfAndHtml()
    {
        answer_ = OrderItemsAnswer({{u"Menjava olja"_s, {}, u"2"_s, u"10.5"_s}});
        report::ReportPreviewDialog::setPathChooser(
            [this](QWidget*, const QString&, const QString& suggested, const QString&) {
                return dir_.filePath(u"preview-"_s + QFileInfo(suggested).fileName());
            });
        QString seenTitle;
        const PreviewWatch watch([&](report::ReportPreviewDialog& dialog) {
            seenTitle = dialog.windowTitle();
            dialog.savePdfAction()->trigger();
            dialog.saveHtmlAction()->trigger();
            dialog.accept();
        });
        printNalog(1, Order{});
        QCOMPARE(seenTitle, u"Nalog N-15"_s);
        const QString text = PdfLines(dir_.filePath(u"preview-Nalog N-15.pdf"_s)).join(u'\n');
        QVERIFY2(text.contains(u"Skupaj cena: 21,00 €"_s), qPrintable(text));
        QFile html(dir_.filePath(u"preview-Nalog N-15.html"_s));
        QVERIFY(html.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(html.readAll()).contains(u"Skupaj cena: 21,00 €"_s));
    }

    void parsedNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::addRow("empty") << QString() << true << 0.0;
        QTest::addRow("point") << u"10.5"_s << true << 10.5;
        QTest::addRow("comma") << u"10,5"_s << true << 10.5;
        QTest::addRow("negative") << u"-3"_s << true << -3.0;
        QTest::addRow("blanks") << u" 4 "_s << true << 4.0;
        QTest::addRow("two separators") << u"1.234,5"_s << false << 0.0;
        QTest::addRow("words") << u"po dogovoru"_s << false << 0.0;
        QTest::addRow("exponent") << u"1e3"_s << false << 0.0;
    }

    void parsedNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const auto parsed = ParsePrintedNumber(text);
        QCOMPARE(parsed.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*parsed, value);
    }

    void signatureSnapshotLivesInTheCacheFolder()
    {
        const QString path = SignatureSnapshotPath();
        QVERIFY(path.endsWith(u"/ordavo/pdps/tmp.jpg"_s));
        QVERIFY(path.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)));
        QVERIFY(QFileInfo(QFileInfo(path).path()).isDir());
    }

    void shownOrderPreviewPrintsTheWindowTextsAndSignature()
    {
        TfrmNalogDetails& window = shownOrderWindow();
        window.pnlbrowser->show();
        QSignalSpy loaded(window.browserpodpis, &PicturePane::loaded);
        window.browserpodpis->navigate(server_.baseUrl() + u"requests/getpodpis.php?pth=p.png&small=1"_s);
        QVERIFY(loaded.wait(5000));
        const int panelWidth = window.pnlbrowser->width();
        answer_ = OrderItemsAnswer({{u"Menjava gum"_s, u"zimske"_s, u"4"_s, u"12.5"_s}});

        QString pdf;
        report::Document shown;
        const PreviewWatch watch([&](report::ReportPreviewDialog& dialog) {
            shown = frmPrintIzpis->qreport().generate();
            pdf = dir_.filePath(u"shown.pdf"_s);
            report::ReportPreviewDialog::setPathChooser(
                [&](QWidget*, const QString&, const QString&, const QString&) { return pdf; });
            dialog.savePdfAction()->trigger();
            dialog.accept();
        });
        window.XpButton3Click();
        QVERIFY(!pdf.isEmpty());
        QVERIFY(statementsSent().filter(u"getnalogedit (77)"_s).size() == 1);
        QCOMPARE(window.pnlbrowser->width(), panelWidth);

        const QString text = PdfLines(pdf).join(u'\n');
        for (const QString& expected :
             QStringList{u"Nalog št:N-77"_s, u"Datum izdaje:01.02.2024"_s, u"Vozilo: Škoda Octavia"_s,
                         u"Reg.št.:KR AB-123"_s, u"Vnesel: Marko"_s, u"Podjetje: Avto d.o.o."_s, u"Komentar:"_s,
                         u"Prva vrstica\nDruga vrstica"_s, u"Podpis:"_s, u"Skupaj cena: 50,00 €"_s})
            QVERIFY2(text.contains(expected), qPrintable(expected + u"\n---\n"_s + text));
        // The snapshot was taken at the printed picture's width (303 px less the panel's border).
        const report::ImageOp* image = nullptr;
        for (const auto& op : shown.pages.at(0).ops)
            if (const auto* candidate = std::get_if<report::ImageOp>(&op))
                image = candidate;
        QVERIFY(image);
        QVERIFY2(qAbs(image->rectMm.width() - report::PixelsToMm(301)) < 0.6,
                 qPrintable(QString::number(image->rectMm.width())));
        QCOMPARE(image->rectMm.left(), 10.0 - 13.0);
    }

    void shownOrderPreviewStopsWhenTheOrderIsBeingEdited()
    {
        TfrmNalogDetails& window = shownOrderWindow();
        PayloadWriter lock;
        lock.addColumn(u"saved"_s, 3);
        lock.beginRow();
        lock.addValue(u"2"_s);
        lockAnswer_ = PayloadWriter::EncodeAnswer(lock.payload());
        bool previewShown = false;
        const PreviewWatch watch([&](report::ReportPreviewDialog& dialog) {
            previewShown = true;
            dialog.reject();
        });
        window.XpButton3Click();
        QVERIFY(!previewShown);
        QCOMPARE(DialogTestHook::shown().size(), 1);
        QCOMPARE(DialogTestHook::lastShown().text, PreviewRefusalText(NalogEditLock::BeingEdited));
        QVERIFY(statementsSent().filter(u"listNalogPostavke"_s).isEmpty());
    }

    void shownOrderPrintMakesNoLockCheck()
    {
        TfrmNalogDetails& window = shownOrderWindow();
        window.XpButton2Click();
        QVERIFY(statementsSent().filter(u"getnalogedit"_s).isEmpty());
        QCOMPARE(statementsSent().filter(u"listNalogPostavke (77)"_s).size(), 1);
        if (QPrinterInfo::defaultPrinter().isNull())
            QCOMPARE(DialogTestHook::lastShown().title, u"Tisk"_s);
    }

private:
    // The order window showing order 77 as its header load would have left it; what showing
    // it loaded and reported is forgotten.
    TfrmNalogDetails& shownOrderWindow()
    {
        if (!window_) {
            window_ = std::make_unique<TfrmNalogDetails>();
            window_->setAttribute(Qt::WA_DontShowOnScreen);
            window_->show();
        }
        TfrmNalogDetails& window = *window_;
        currentNalogId = 77;
        NalogCustomer = TNalogCustomer{u"Stranka: Eva Breg"_s, QString(), QString(), u"Podjetje: Avto d.o.o."_s, 0};
        window.lblNalog->setText(u"N-77"_s);
        window.lblVozilo->setText(u"Škoda Octavia"_s);
        window.lblregistrska->setText(u"KR AB-123"_s);
        window.lblDatum->setText(u"01.02.2024"_s);
        window.lblVnesel->setText(u"Marko"_s);
        window.mmoKomentar->setPlainText(u"Prva vrstica\nDruga vrstica"_s);
        DialogTestHook::reset();
        DialogTestHook::activate();
        server_.clearRequests();
        return window;
    }

    QStringList statementsSent() const
    {
        QStringList statements;
        for (const LoopbackRequest& request : server_.requests())
            statements << QString::fromUtf8(PercentDecode(request.query));
        return statements;
    }

    static LoopbackAnswer signatureAnswer()
    {
        QImage picture(200, 80, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        return LoopbackAnswer::text(png).withHeader("Content-Type", "image/png");
    }

    static PrintedOrder printed(const Order& o)
    {
        return {o.id,     o.number,  o.vozilo, o.registrska, o.datum, o.imagePath, o.komentar,
                o.vnesel, o.stranka, o.naslov, o.podjetje,   o.idddv, o.type};
    }

    void printNalog(int mode, const Order& o)
    {
        if (!frmPrintIzpis)
            new TfrmPrintIzpis(qApp);
        frmPrintIzpis->printNalog(mode, printed(o));
    }

    QString printToPdf(const Order& o)
    {
        if (!frmPrintIzpis)
            new TfrmPrintIzpis(qApp);
        const bool filled = frmPrintIzpis->fillNalog(printed(o));
        if (!filled)
            return {};
        const QString path = dir_.filePath(u"nalog-%1.pdf"_s.arg(++pdfCount_));
        QString error;
        if (!report::WritePdf(frmPrintIzpis->qreport().generate(), path, &error))
            qWarning() << error;
        return path;
    }

    // The thick dotted rule above the total, on the last page.
    int countSummaryRules()
    {
        int rules = 0;
        const report::Document document = frmPrintIzpis->qreport().generate();
        for (const auto& page : document.pages)
            for (const auto& op : page.ops)
                if (const auto* line = std::get_if<report::LineOp>(&op))
                    rules += line->widthMm > 0.5 && line->style == report::LineStyle::Dotted;
        return rules;
    }

    QString writeSignature()
    {
        QImage signature(303, 114, QImage::Format_RGB32);
        signature.fill(Qt::white);
        signature.setPixel(10, 10, qRgb(0, 0, 0));
        const QString path = dir_.filePath(u"podpis.jpg"_s);
        signature.save(path, "JPG", 90);
        return path;
    }

    LoopbackServer server_;
    QByteArray answer_;
    QByteArray lockAnswer_;
    std::unique_ptr<TfrmNalogDetails> window_;
    std::unique_ptr<HttpClient> sender_;
    QTemporaryDir dir_;
    int pdfCount_ = 0;
};

QTEST_MAIN(TestPrintOrder)
#include "tst_print_order.moc"
