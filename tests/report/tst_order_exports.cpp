// Tests of the printed order's RTF and Excel exports from the preview, read back and compared with the order's data.
#include "data/http_client.h"
#include "data/remote_call.h"
#include "data/settings_store.h"
#include "orders/print_order.h"
#include "report/report_output.h"
#include "report/report_preview.h"
#include "report/report_rtf.h"
#include "report/report_xlsx.h"
#include "ui/message_boxes.h"

#include "export_reading.h"
#include "letterhead_settings.h"
#include "loopback_sender.h"
#include "loopback_server.h"
#include "order_items_answer.h"
#include "pdf_reading.h"
#include "preview_watch.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {

// Rows of every kind the printed page treats apart: plain, zero price, discount, a quantity
// and a price that are no numbers.
const QList<OrderItemRow> MixedItems = {
    {u"Menjava olja"_s, u""_s, u"2"_s, u"10.5"_s}, {u"Filter"_s, u"5W30"_s, u"3"_s, u"4"_s},
    {u""_s, u"brezplačno"_s, u"1"_s, u"0"_s},      {u"Popust"_s, u""_s, u"1"_s, u"-5"_s},
    {u"Metlice"_s, u""_s, u"dva"_s, u"5"_s},       {u"Karoserija"_s, u""_s, u"1"_s, u"po dogovoru"_s},
};
// What the page prints for them: description, extra, price, quantity (numbers with ".").
const QList<QStringList> MixedRows = {
    {u"Menjava olja"_s, u"/"_s, u"10.50"_s, u"2.00"_s}, {u"Filter"_s, u"5W30"_s, u"4.00"_s, u"3.00"_s},
    {u"/"_s, u"brezplačno"_s, u"/"_s, u"1.00"_s},       {u"Popust"_s, u"/"_s, u"-5.00"_s, u"1.00"_s},
    {u"Metlice"_s, u"/"_s, u"5.00"_s, u"dva"_s},        {u"Karoserija"_s, u"/"_s, u"po dogovoru"_s, u"1.00"_s},
};
// 2 x 10.50 + 3 x 4.00 - 5.00; the rows without a numeric quantity or price stay out.
constexpr double MixedTotal = 28.0;

} // namespace

class TestOrderExports : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
        InstallLoopbackSender(sender_);
        server_.setHandler([this](const LoopbackRequest&) { return LoopbackAnswer::text(answer_); });
        QVERIFY(dir_.isValid());
        WriteSetting(u"ordavo"_s, u"weburlroot"_s, server_.baseUrl());
        WriteSetting(u"ordavo"_s, u"weburl"_s, QString());
        StoreLetterheadSettings();
        DialogTestHook::activate();
        new TfrmPrintIzpis(qApp);
    }

    void cleanupTestCase()
    {
        DialogTestHook::reset();
        report::ReportPreviewDialog::setPathChooser({});
        SetSenderSlot(nullptr);
    }

    void previewSavesAllFourFormatsWithTheSamePage()
    {
        answer_ = OrderItemsAnswer(MixedItems);
        QStringList suggested;
        report::ReportPreviewDialog::setPathChooser([&](QWidget*, const QString&, const QString& path, const QString&) {
            suggested << path;
            return dir_.filePath(QFileInfo(path).fileName());
        });
        QStringList toolBarTexts;
        const PreviewWatch watch([&](report::ReportPreviewDialog& dialog) {
            for (QAction* action : dialog.findChild<QToolBar*>(u"exportBar"_s)->actions())
                if (action->text().startsWith(u"Shrani kot"_s))
                    toolBarTexts << action->text();
            for (QAction* action :
                 {dialog.savePdfAction(), dialog.saveRtfAction(), dialog.saveXlsxAction(), dialog.saveHtmlAction()})
                action->trigger();
            dialog.accept();
        });
        print(1, u"N-15"_s, 0, QString());

        QCOMPARE(toolBarTexts,
                 (QStringList{u"Shrani kot PDF"_s, u"Shrani kot RTF"_s, u"Shrani kot Excel"_s, u"Shrani kot HTML"_s}));
        QCOMPARE(suggested.size(), 4);

        const QString total = u"Skupaj cena: 28,00 €"_s;
        QVERIFY(PdfText(dir_.filePath(u"Nalog N-15.pdf"_s)).contains(total));
        const QStringList rtf = RtfLines(dir_.filePath(u"Nalog N-15.rtf"_s));
        QVERIFY2(rtf.contains(total), qPrintable(rtf.join(u'\n')));
        verifyWorkbook(dir_.filePath(u"Nalog N-15.xlsx"_s), u"N-15"_s);
        QFile html(dir_.filePath(u"Nalog N-15.html"_s));
        QVERIFY(html.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(html.readAll()).contains(total));
    }

    void rtfHoldsTheOrderInThePagesOrder()
    {
        answer_ = OrderItemsAnswer(MixedItems);
        const QString path = dir_.filePath(u"order.rtf"_s);
        QVERIFY(fill(u"N-16"_s, 0, u"Zamenjati brisalce"_s));
        QString error;
        QVERIFY2(report::WriteRtf(frmPrintIzpis->qreport().generate(), path, &error), qPrintable(error));
        const QStringList lines = RtfLines(path);

        QStringList expected = {u"Avtoservis Novak"_s,  u"Glavna cesta 5"_s,
                                u"4000 Kranj"_s,        u"Tel: 04 123 45 67"_s,
                                u"Vnesel: Janez"_s,     u"Delovni nalog"_s,
                                u"Nalog št:N-16"_s,     u"Datum izdaje:05.03.2024"_s,
                                u"Vozilo: VW Golf"_s,   u"Reg.št.:LJ 12-ABC"_s,
                                u"Stranka: Ana Kos"_s,  u"Postavka"_s,
                                u"Dodatni parametri"_s, u"Cena"_s,
                                u"Količina"_s};
        for (const QStringList& row : MixedRows)
            expected << row[0] << row[1] << shownOnPage(row[2], u" €"_s) << shownOnPage(row[3], QString());
        expected << u"Skupaj cena: 28,00 €"_s << u"Komentar:"_s << u"Zamenjati brisalce"_s;
        // Every expected text is a line of its own, in this order.
        qsizetype at = 0;
        for (const QString& text : expected) {
            const qsizetype found = lines.indexOf(text, at);
            QVERIFY2(found >= 0, qPrintable(u"\""_s + text + u"\" missing after line "_s + QString::number(at) +
                                            u":\n"_s + lines.join(u'\n')));
            at = found + 1;
        }
    }

    void receptionOrderExportsTheMemoAndNoTable()
    {
        answer_ = OrderItemsAnswer({{u"Skrita postavka"_s, {}, u"1"_s, u"10"_s}});
        QVERIFY(fill(u"S-3"_s, 1, u"Stranka pusti avto\ndo petka"_s));
        const report::Document document = frmPrintIzpis->qreport().generate();
        const QString rtfPath = dir_.filePath(u"reception.rtf"_s);
        const QString xlsxPath = dir_.filePath(u"reception.xlsx"_s);
        QVERIFY(report::WriteRtf(document, rtfPath, nullptr));
        QVERIFY(report::WriteXlsx(document, xlsxPath, u"S-3"_s, nullptr));

        const QStringList rtf = RtfLines(rtfPath);
        QFile rtfFile(rtfPath);
        QVERIFY(rtfFile.open(QIODevice::ReadOnly));
        QCOMPARE(int(rtfFile.readAll().count("\\brdrb\\brdrdot")), 8); // the lines to write on
        const std::optional<XlsxBook> book = ReadXlsx(xlsxPath);
        QVERIFY(book);
        for (const QString& text : {u"Sprejemni nalog"_s, u"Stranka pusti avto"_s, u"do petka"_s}) {
            QVERIFY2(rtf.contains(text), qPrintable(text));
            QVERIFY2(book->find(text), qPrintable(text));
        }
        for (const QString& text : {u"Postavka"_s, u"Skrita postavka"_s, u"Komentar:"_s}) {
            QVERIFY2(!rtf.join(u'\n').contains(text), qPrintable(text));
            QVERIFY2(!book->find(text), qPrintable(text));
        }
    }

private:
    static bool isNumber(const QString& cell)
    {
        bool ok = false;
        QLocale::c().toDouble(cell, &ok);
        return ok;
    }

    // A number as the page shows it: decimal comma, then its unit.
    static QString shownOnPage(const QString& cell, const QString& unit)
    {
        return isNumber(cell) ? QString(cell).replace(u'.', u',') + unit : cell;
    }

    void verifyWorkbook(const QString& path, const QString& sheet)
    {
        const std::optional<XlsxBook> book = ReadXlsx(path);
        QVERIFY(book);
        QCOMPARE(book->sheetNames, QStringList{sheet});
        for (const QString& text :
             QStringList{u"Avtoservis Novak"_s, u"Delovni nalog"_s, u"Nalog št:"_s + sheet,
                         u"Datum izdaje:05.03.2024"_s, u"Vozilo: VW Golf"_s, u"Stranka: Ana Kos"_s})
            QVERIFY2(book->find(text), qPrintable(text));
        const XlsxCell* heading = book->find(u"Postavka"_s);
        QVERIFY(heading);
        QCOMPARE(book->rowTexts(heading->row),
                 (QStringList{u"Postavka"_s, u"Dodatni parametri"_s, u"Cena"_s, u"Količina"_s}));
        for (int i = 0; i < MixedRows.size(); ++i) {
            const int row = heading->row + 1 + i;
            QCOMPARE(book->rowTexts(row), MixedRows[i]);
            // Numbers are number cells in the page's format; "/" and texts that are no
            // number stay texts.
            for (int column = 3; column <= 4; ++column) {
                const XlsxCell* cell = book->at(row, column);
                const bool numeric = isNumber(MixedRows[i][column - 1]);
                QCOMPARE(cell->isNumber(), numeric);
                if (numeric)
                    QCOMPARE(cell->numberFormat, column == 3 ? u"0.00 \"€\""_s : u"0.00"_s);
            }
        }
        const XlsxCell* caption = book->find(u"Skupaj cena:"_s);
        QVERIFY(caption);
        const XlsxCell* total = book->at(caption->row, caption->column + 1);
        QVERIFY(total && total->isNumber());
        QCOMPARE(total->value.toDouble(), MixedTotal);
    }

    static PrintedOrder order(const QString& number, qint32 type, const QString& komentar)
    {
        PrintedOrder order;
        order.nalogId = 15;
        order.nalogNumber = number;
        order.vozilo = u"VW Golf"_s;
        order.registrska = u"LJ 12-ABC"_s;
        order.datum = u"05.03.2024"_s;
        order.komentar = komentar;
        order.vnesel = u"Janez"_s;
        order.strankaLine = u"Stranka: Ana Kos"_s;
        order.nalogType = type;
        return order;
    }

    bool fill(const QString& number, qint32 type, const QString& komentar)
    {
        return frmPrintIzpis->fillNalog(order(number, type, komentar));
    }

    void print(int mode, const QString& number, qint32 type, const QString& komentar)
    {
        frmPrintIzpis->printNalog(mode, order(number, type, komentar));
    }

    LoopbackServer server_;
    std::unique_ptr<HttpClient> sender_;
    QByteArray answer_;
    QTemporaryDir dir_;
};

QTEST_MAIN(TestOrderExports)
#include "tst_order_exports.moc"
