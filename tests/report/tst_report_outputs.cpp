// Tests of the report outputs: the uncompressed PDF read back with pdftotext, the single-file HTML and the preview
// window.
#include "report/pdf_streams.h"
#include "report/report.h"
#include "report/report_output.h"
#include "report/report_preview.h"

#include "pdf_reading.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace Qt::StringLiterals;
using namespace report;

namespace {

class NumberedRows final : public DataSource {
public:
    explicit NumberedRows(int count) : count_(count) {}
    int rowCount() const override { return count_; }
    QString fieldText(int row, const QString&) const override { return u"Postavka%1"_s.arg(row + 1); }

private:
    int count_;
};

// A letterhead, a detail row per data row, a footer with a dotted rule, a frame and a picture.
struct SampleReport {
    Report report;
    NumberedRows rows;

    explicit SampleReport(int rowCount) : rows(rowCount)
    {
        Band& header = report.addBand(u"header"_s, BandKind::PageHeader, 30);
        header.add<Label>(u"name"_s, QPointF(2, 2), QFont(u"Arial"_s, 10, QFont::Bold))->setText(u"Avtoservis Čuk"_s);
        header.add<Label>(u"right"_s, QPointF(188.4, 10), QFont(u"Arial"_s, 12), HAlign::Right)->setText(u"Desno<&>"_s);
        Band& detail = report.addBand(u"detail"_s, BandKind::Detail, 6.6);
        detail.add<Label>(u"opis"_s, QPointF(1.9, 0.5), QFont(u"Arial"_s, 10))->setField(u"opis"_s);
        detail.add<Rule>(u"rule"_s, QPointF(0, 5.8), 190.0, QColor(0xC0, 0xC0, 0xC0));
        Band& footer = report.addBand(u"footer"_s, BandKind::PageFooter, 40);
        footer.add<Label>(u"podpis"_s, QPointF(1.9, 2.9), QFont(u"Arial"_s, 10))->setText(u"Podpis:"_s);
        QImage signature(303, 114, QImage::Format_RGB32);
        signature.fill(Qt::white);
        footer.add<Picture>(u"image"_s, QPointF(-13, 6.9), QSizeF(80.2, 30.2))->setImage(signature);
        footer.add<Rule>(u"dotted"_s, QPointF(0, 38), 182.3, Qt::black, PixelsToMm(2), LineStyle::Dotted);
        auto* memo = footer.add<Memo>(u"memo"_s, QRectF(100, 5, 80, 10), QFont(u"Arial"_s, 10));
        memo->setFrame(true);
        memo->addText(u"Komentar v okvirju"_s);
        report.setDataSource(&rows);
    }
};

} // namespace

class TestReportOutputs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void pdfIsUncompressedAndReadsBackWithTextAtItsPlace()
    {
        SampleReport sample(3);
        const QString path = dir_.filePath(u"sample.pdf"_s);
        QString error;
        QVERIFY2(WritePdf(sample.report.generate(), path, &error), qPrintable(error));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(!bytes.contains("FlateDecode"));
        QVERIFY(bytes.contains("Tj") || bytes.contains("TJ")); // page text operators readable as is

        const QString text = PdfText(path);
        QVERIFY2(text.contains(u"Avtoservis Čuk"_s), qPrintable(text));
        QVERIFY(text.contains(u"Postavka3"_s));
        QVERIFY(text.contains(u"Komentar v okvirju"_s));

        const auto words = PdfWords(path);
        const auto right = FindWords(words, u"Desno<&>"_s);
        QCOMPARE(right.size(), std::size_t(1));
        QVERIFY2(qAbs(right[0].boxMm.right() - 198.4) < 1.0, qPrintable(QString::number(right[0].boxMm.right())));
        const auto name = FindWords(words, u"Avtoservis"_s);
        QVERIFY(qAbs(name.at(0).boxMm.left() - 12.0) < 1.0);
        const auto footer = FindWords(words, u"Podpis:"_s);
        QVERIFY(qAbs(footer.at(0).boxMm.top() - (297.0 - 10.0 - 40.0 + 2.9)) < 1.5);
    }

    void pdfOfManyRowsHasEveryPageWithHeaderAndFooter()
    {
        SampleReport sample(80);
        const QString path = dir_.filePath(u"long.pdf"_s);
        QVERIFY(WritePdf(sample.report.generate(), path, nullptr));
        const int pages = PdfPageCount(path);
        QVERIFY(pages >= 3);
        for (int page = 1; page <= pages; ++page) {
            const QString text = PdfText(path, page, page);
            QVERIFY2(text.contains(u"Avtoservis Čuk"_s), qPrintable(u"page %1"_s.arg(page)));
            QVERIFY2(text.contains(u"Podpis:"_s), qPrintable(u"page %1"_s.arg(page)));
        }
        QVERIFY(PdfText(path, pages, pages).contains(u"Postavka80"_s));
    }

    void inflatingLeavesNonPdfInputAlone()
    {
        QVERIFY(!InflatePdfStreams("not a pdf"));
        QVERIFY(!InflatePdfStreams("%PDF-1.4\nstartxref\n99999\n%%EOF\n"));
    }

    void htmlIsOneFileWithPagesTextsAndEmbeddedPicture()
    {
        SampleReport sample(60);
        const Document document = sample.report.generate();
        const QString path = dir_.filePath(u"sample.html"_s);
        QVERIFY(WriteHtml(document, path, u"Nalog 12"_s, nullptr));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QCOMPARE(int(html.count(u"<div class=\"page\">"_s)), int(document.pages.size()));
        QVERIFY(html.contains(u"<title>Nalog 12</title>"_s));
        QVERIFY(html.contains(u"Avtoservis Čuk"_s));
        QVERIFY(html.contains(u"Desno&lt;&amp;&gt;"_s));
        QVERIFY(html.contains(u"src=\"data:image/png;base64,"_s));
        QVERIFY(html.contains(u"dotted"_s));
        QVERIFY(!html.contains(u"<a "_s));
        QVERIFY(!html.contains(u"src=\"http"_s));
    }

    void previewShowsPagesAtPageWidthAndSavesPdfAndHtml()
    {
        SampleReport sample(30);
        int generations = 0;
        ReportPreviewDialog dialog(
            [&] {
                ++generations;
                return sample.report.generate();
            },
            u"Nalog 7"_s);
        QStringList asked;
        ReportPreviewDialog::setPathChooser(
            [&](QWidget*, const QString& caption, const QString& suggested, const QString&) {
                asked << caption;
                return dir_.filePath(QFileInfo(suggested).fileName());
            });
        QCOMPARE(dialog.size(), QSize(1024, 768));
        auto* exportBar = dialog.findChild<QToolBar*>(u"exportBar"_s);
        QVERIFY(exportBar);
        const QList<QAction*> exports{dialog.savePdfAction(), dialog.saveRtfAction(), dialog.saveXlsxAction(),
                                      dialog.saveHtmlAction()};
        QCOMPARE(exportBar->actions(), exports);
        QCOMPARE(dialog.savePdfAction()->text(), u"Shrani kot PDF"_s);
        QCOMPARE(dialog.saveHtmlAction()->text(), u"Shrani kot HTML"_s);

        dialog.show();
        QTRY_VERIFY(generations > 0);
        // At the default size every export has its own button in view, none behind an overflow arrow.
        for (QAction* action : exports) {
            const QWidget* button = exportBar->widgetForAction(action);
            QVERIFY2(button && button->isVisible(), qPrintable(action->text()));
            QVERIFY2(exportBar->rect().contains(QRect(button->mapTo(exportBar, QPoint(0, 0)), button->size())),
                     qPrintable(action->text()));
        }
        QCOMPARE(dialog.previewWidget()->zoomMode(), QPrintPreviewWidget::FitToWidth);
        QTRY_COMPARE(dialog.previewWidget()->pageCount(), int(sample.report.generate().pages.size()));

        dialog.savePdfAction()->trigger();
        dialog.saveRtfAction()->trigger();
        dialog.saveXlsxAction()->trigger();
        dialog.saveHtmlAction()->trigger();
        QCOMPARE(asked,
                 (QStringList{u"Shrani kot PDF"_s, u"Shrani kot RTF"_s, u"Shrani kot Excel"_s, u"Shrani kot HTML"_s}));
        for (const QString& extension : {u".rtf"_s, u".xlsx"_s})
            QVERIFY2(QFileInfo(dir_.filePath(u"Nalog 7"_s + extension)).size() > 0, qPrintable(extension));
        QVERIFY(PdfText(dir_.filePath(u"Nalog 7.pdf"_s)).contains(u"Postavka30"_s));
        QVERIFY(QFile::exists(dir_.filePath(u"Nalog 7.html"_s)));
        ReportPreviewDialog::setPathChooser({});
        dialog.close();
    }

    // The save dialog starts in the documents folder, or at home when there is none, never
    // in the working folder.
    void saveDialogStartsInDocumentsOrHome()
    {
        QTemporaryDir home;
        const QByteArray realHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        SampleReport sample(1);
        ReportPreviewDialog dialog([&] { return sample.report.generate(); }, u"Nalog 8"_s);
        QStringList suggested;
        ReportPreviewDialog::setPathChooser([&](QWidget*, const QString&, const QString& path, const QString&) {
            suggested << path;
            return QString(); // cancelled: nothing is written
        });
        dialog.savePdfAction()->trigger();
        QVERIFY(QDir(home.path()).mkdir(u"Documents"_s));
        dialog.saveXlsxAction()->trigger();
        ReportPreviewDialog::setPathChooser({});
        qputenv("HOME", realHome);
        QCOMPARE(suggested, (QStringList{home.filePath(u"Nalog 8.pdf"_s), home.filePath(u"Documents/Nalog 8.xlsx"_s)}));
        QVERIFY(!QFile::exists(home.filePath(u"Documents/Nalog 8.xlsx"_s)));
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestReportOutputs)
#include "tst_report_outputs.moc"
