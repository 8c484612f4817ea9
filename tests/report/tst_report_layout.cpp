// Tests of report generation: band order, page breaks, the footer at the page bottom, field hooks, growth and sizes.
#include "report/report.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace report;

namespace {

class RowsSource final : public DataSource {
public:
    explicit RowsSource(std::vector<std::map<QString, QString>> rows) : rows_(std::move(rows)) {}
    int rowCount() const override { return int(rows_.size()); }
    QString fieldText(int row, const QString& field) const override
    {
        const auto& values = rows_[std::size_t(row)];
        const auto it = values.find(field);
        return it == values.end() ? QString() : it->second;
    }

private:
    std::vector<std::map<QString, QString>> rows_;
};

struct PlacedText {
    int page;
    QRectF rect;
    QString text;
};

std::vector<PlacedText> textsOf(const Document& document)
{
    std::vector<PlacedText> texts;
    for (std::size_t p = 0; p < document.pages.size(); ++p)
        for (const DrawOp& op : document.pages[p].ops)
            if (const auto* text = std::get_if<TextOp>(&op))
                texts.push_back({int(p) + 1, text->rectMm, text->text});
    return texts;
}

std::vector<PlacedText> find(const std::vector<PlacedText>& texts, const QString& text)
{
    std::vector<PlacedText> found;
    for (const PlacedText& t : texts)
        if (t.text == text)
            found.push_back(t);
    return found;
}

QFont arial()
{
    return QFont(u"Arial"_s, 10);
}

// Header 20 mm, title 10 mm, detail 10 mm per row, summary 10 mm, footer 20 mm.
struct SampleReport {
    Report report;
    Label* rowLabel = nullptr;
    Label* total = nullptr;
    Band* header = nullptr;
    Band* title = nullptr;
    Band* detail = nullptr;
    Band* summary = nullptr;
    Band* footer = nullptr;

    SampleReport()
    {
        header = &report.addBand(u"header"_s, BandKind::PageHeader, 20);
        header->add<Label>(u"head"_s, QPointF(0, 2), arial())->setText(u"Glava"_s);
        title = &report.addBand(u"title"_s, BandKind::Title, 10);
        title->add<Label>(u"titleText"_s, QPointF(0, 1), arial())->setText(u"Stolpci"_s);
        detail = &report.addBand(u"detail"_s, BandKind::Detail, 10);
        rowLabel = detail->add<Label>(u"a"_s, QPointF(0, 1), arial());
        rowLabel->setField(u"a"_s);
        summary = &report.addBand(u"summary"_s, BandKind::Summary, 10);
        total = summary->add<Label>(u"total"_s, QPointF(150, 1), arial(), HAlign::Right);
        total->setText(u"Vsota"_s);
        footer = &report.addBand(u"footer"_s, BandKind::PageFooter, 20);
        footer->add<Label>(u"foot"_s, QPointF(0, 2), arial())->setText(u"Noga"_s);
    }
};

std::vector<std::map<QString, QString>> numberedRows(int count)
{
    std::vector<std::map<QString, QString>> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({{u"a"_s, u"vrstica%1"_s.arg(i)}, {u"b"_s, QString::number(i)}});
    return rows;
}

} // namespace

class TestReportLayout : public QObject {
    Q_OBJECT
private slots:
    void bandsFollowEachOtherAndFooterSitsAtPageBottom()
    {
        SampleReport sample;
        RowsSource source(numberedRows(3));
        sample.report.setDataSource(&source);
        const Document document = sample.report.generate();
        QCOMPARE(document.pages.size(), std::size_t(1));
        const auto texts = textsOf(document);
        const auto y = [&](const QString& text) { return find(texts, text).at(0).rect.top(); };
        QCOMPARE(y(u"Glava"_s), 12.0);
        QCOMPARE(y(u"Stolpci"_s), 31.0);
        QCOMPARE(y(u"vrstica1"_s), 41.0);
        QCOMPARE(y(u"vrstica3"_s), 61.0);
        QCOMPARE(y(u"Vsota"_s), 71.0);
        QCOMPARE(y(u"Noga"_s), 297.0 - 10.0 - 20.0 + 2.0);
        // Right alignment anchors the text's right edge at the label's x.
        QCOMPARE(find(texts, u"Vsota"_s).at(0).rect.right(), 10.0 + 150.0);
    }

    void emptyReportStillHasOnePageWithHeaderAndFooter()
    {
        SampleReport sample;
        RowsSource source({});
        sample.report.setDataSource(&source);
        const auto texts = textsOf(sample.report.generate());
        QCOMPARE(find(texts, u"Glava"_s).size(), std::size_t(1));
        QCOMPARE(find(texts, u"Noga"_s).size(), std::size_t(1));
        QCOMPARE(find(texts, u"Vsota"_s).size(), std::size_t(1));
    }

    void pageBreaksKeepBandsWholeAndRepeatHeaderAndFooter()
    {
        SampleReport sample;
        RowsSource source(numberedRows(50));
        sample.report.setDataSource(&source);
        const Document document = sample.report.generate();
        const auto texts = textsOf(document);
        // Body per page: 297 - 20 margins - 20 header - 20 footer = 237 mm; the first page
        // also holds the 10 mm title: 22 rows, then 23 per page, then 5 rows and the summary.
        QCOMPARE(document.pages.size(), std::size_t(3));
        for (int page = 1; page <= 3; ++page) {
            int headers = 0, footers = 0;
            for (const PlacedText& t : texts) {
                headers += t.page == page && t.text == u"Glava"_s;
                footers += t.page == page && t.text == u"Noga"_s;
            }
            QCOMPARE(headers, 1);
            QCOMPARE(footers, 1);
        }
        QCOMPARE(find(texts, u"Stolpci"_s).size(), std::size_t(1));
        QCOMPARE(find(texts, u"vrstica22"_s).at(0).page, 1);
        QCOMPARE(find(texts, u"vrstica23"_s).at(0).page, 2);
        QCOMPARE(find(texts, u"vrstica23"_s).at(0).rect.top(), 31.0);
        QCOMPARE(find(texts, u"vrstica46"_s).at(0).page, 3);
        QCOMPARE(find(texts, u"Vsota"_s).at(0).page, 3);
        for (int i = 1; i <= 50; ++i) {
            const auto row = find(texts, u"vrstica%1"_s.arg(i));
            QCOMPARE(row.size(), std::size_t(1));
            // The whole 10 mm band lies above the footer.
            QVERIFY2(row.at(0).rect.top() - 1.0 + 10.0 <= 267.0 + 1e-6, qPrintable(u"row %1"_s.arg(i)));
        }
    }

    void hooksRunPerRowInTheDeclaredOrderAndMayChangeOtherBands()
    {
        SampleReport sample;
        sample.detail->add<Label>(u"b"_s, QPointF(100, 1), arial())->setField(u"b"_s);
        RowsSource source(numberedRows(3));
        sample.report.setDataSource(&source);
        QStringList calls;
        int sum = 0;
        sample.report.setBeforeGenerate([&] {
            sum = 0;
            calls.clear();
        });
        sample.report.setFieldOrder({u"b"_s, u"a"_s});
        sample.report.setFieldHook(u"b"_s, [&](const QString& value) -> QString {
            calls << u"b"_s + value;
            sum += value.toInt();
            return u"#"_s + value;
        });
        sample.report.setFieldHook(u"a"_s, [&](const QString& value) -> QString {
            calls << u"a"_s + value.right(1);
            sample.total->setText(u"Vsota %1"_s.arg(sum));
            return value.toUpper();
        });
        for (int generation = 0; generation < 2; ++generation) {
            const auto texts = textsOf(sample.report.generate());
            QCOMPARE(calls, (QStringList{u"b1"_s, u"a1"_s, u"b2"_s, u"a2"_s, u"b3"_s, u"a3"_s}));
            QCOMPARE(find(texts, u"#2"_s).size(), std::size_t(1));
            QCOMPARE(find(texts, u"VRSTICA3"_s).size(), std::size_t(1));
            QCOMPARE(find(texts, u"Vsota 6"_s).size(), std::size_t(1));
        }
    }

    void disabledBandsAndElementsLeaveNoTraceAndFreeTheirSpace()
    {
        SampleReport sample;
        RowsSource source(numberedRows(2));
        sample.report.setDataSource(&source);
        sample.title->setEnabled(false);
        sample.footer->setEnabled(false);
        sample.total->setEnabled(false);
        const auto texts = textsOf(sample.report.generate());
        QVERIFY(find(texts, u"Stolpci"_s).empty());
        QVERIFY(find(texts, u"Noga"_s).empty());
        QVERIFY(find(texts, u"Vsota"_s).empty());
        QCOMPARE(find(texts, u"vrstica1"_s).at(0).rect.top(), 31.0);

        // Without a footer the body reaches the bottom margin: 25 rows on the first page.
        SampleReport tall;
        RowsSource many(numberedRows(26));
        tall.report.setDataSource(&many);
        tall.title->setEnabled(false);
        tall.footer->setEnabled(false);
        const auto tallTexts = textsOf(tall.report.generate());
        QCOMPARE(find(tallTexts, u"vrstica25"_s).at(0).page, 1);
        QCOMPARE(find(tallTexts, u"vrstica26"_s).at(0).page, 2);
    }

    void emptyOnceBandsTakeNoSpaceAndShrinkingFooterFitsItsContent()
    {
        SampleReport sample;
        RowsSource source(numberedRows(22)); // fills the first page's body exactly
        sample.report.setDataSource(&source);
        sample.total->setEnabled(false);
        QCOMPARE(sample.report.generate().pages.size(), std::size_t(1));

        Label* hidden = sample.footer->add<Label>(u"hidden"_s, QPointF(0, 15), arial());
        hidden->setText(u"skrito"_s);
        hidden->setEnabled(false);
        sample.footer->setShrinkToContent(true);
        const double footerHeight = sample.footer->heightMm();
        QVERIFY(footerHeight < 10.0);
        const auto texts = textsOf(sample.report.generate());
        QCOMPARE(find(texts, u"Noga"_s).at(0).rect.top(), 297.0 - 10.0 - footerHeight + 2.0);
        QCOMPARE(find(texts, u"vrstica22"_s).at(0).page, 1);
        hidden->setEnabled(true);
        QCOMPARE(sample.footer->heightMm(), 20.0);
    }

    void memoGrowsWithItsTextAndPushesWhatLiesBelow()
    {
        Report report;
        Band& band = report.addBand(u"summary"_s, BandKind::Summary, 30);
        Memo* memo = band.add<Memo>(u"memo"_s, QRectF(0, 0, 40, 10), arial());
        Rule* rule = band.add<Rule>(u"rule"_s, QPointF(0, 20), 40.0);
        band.add<Label>(u"beside"_s, QPointF(50, 5), arial())->setText(u"ob strani"_s);
        Q_UNUSED(rule);
        QCOMPARE(band.heightMm(), 30.0);

        for (int i = 0; i < 6; ++i)
            memo->addText(u"Prva vrstica komentarja, ki je dovolj dolga za prelom\nin druga"_s);
        QVERIFY(memo->heightMm() > 40.0);
        const double growth = memo->growthMm();
        QCOMPARE(band.heightMm(), 20.0 + growth + 0.2);

        Page page;
        band.draw(QPointF(0, 0), page);
        double ruleY = -1, besideY = -1;
        for (const DrawOp& op : page.ops) {
            if (const auto* line = std::get_if<LineOp>(&op))
                ruleY = line->lineMm.y1();
            if (const auto* text = std::get_if<TextOp>(&op); text && text->text == u"ob strani"_s)
                besideY = text->rectMm.top();
        }
        QCOMPARE(ruleY, 20.0 + growth + 0.1);
        QCOMPARE(besideY, 5.0); // beside the memo, not below it
    }

    void bandTallerThanAPagePrintsOnceWithoutEndlessPages()
    {
        SampleReport sample;
        RowsSource source(numberedRows(1));
        sample.report.setDataSource(&source);
        Band& huge = sample.report.addBand(u"sub"_s, BandKind::SubDetail, 400);
        huge.add<Label>(u"big"_s, QPointF(0, 0), arial())->setText(u"velik"_s);
        const Document document = sample.report.generate();
        QCOMPARE(document.pages.size(), std::size_t(3));
        QCOMPARE(find(textsOf(document), u"velik"_s).at(0).page, 2);
    }

    void pictureSizeFollowsTheImageResolution_data()
    {
        QTest::addColumn<int>("dotsPerInch");
        QTest::addColumn<double>("widthMm");
        QTest::addColumn<double>("heightMm");
        QTest::addRow("none stored: 96 dpi") << 0 << 303 * 25.4 / 96 << 114 * 25.4 / 96;
        QTest::addRow("300 dpi") << 300 << 303 * 25.4 / 300 << 114 * 25.4 / 300;
    }

    void pictureSizeFollowsTheImageResolution()
    {
        QFETCH(int, dotsPerInch);
        QFETCH(double, widthMm);
        QFETCH(double, heightMm);
        QImage image(303, 114, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
        image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
        Picture picture(u"p"_s, QPointF(-13, 6.9), QSizeF(80.2, 30.2));
        QCOMPARE(picture.sizeMm(), QSizeF(80.2, 30.2));
        picture.setImage(image);
        QVERIFY(qAbs(picture.sizeMm().width() - widthMm) < 0.1);
        QVERIFY(qAbs(picture.sizeMm().height() - heightMm) < 0.1);
        QVERIFY(!picture.load(u"/nonexistent/podpis.jpg"_s));
        QVERIFY(!picture.hasImage());
    }
};

QTEST_MAIN(TestReportLayout)
#include "tst_report_layout.moc"
