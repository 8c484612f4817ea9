// Tests of the structured exports: RTF read back with unrtf, .xlsx with openpyxl, sheet names and failed writes.
#include "report/report.h"
#include "report/report_rtf.h"
#include "report/report_xlsx.h"

#include "export_reading.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace report;

namespace {

struct ItemRow {
    QString opis;
    double price; // 0: printed as "/"
    QString quantity;
};

class ItemRows final : public DataSource {
public:
    std::vector<ItemRow> rows;
    int rowCount() const override { return int(rows.size()); }
    QString fieldText(int row, const QString& field) const override
    {
        const ItemRow& item = rows[std::size_t(row)];
        if (field == u"opis")
            return item.opis;
        return field == u"cena" ? QString::number(item.price) : item.quantity;
    }
};

// A letterhead with a left and a right column and a caption/value pair on one line, an
// items table whose price and quantity are numbers, a total, and a footer with a memo and
// a picture.
struct ExportSample {
    Report report;
    ItemRows items;
    double total = 0.0;

    ExportSample()
    {
        const QFont plain(u"Arial"_s, 10);
        QFont bold = plain;
        bold.setBold(true);
        Band& header = report.addBand(u"header"_s, BandKind::PageHeader, 30);
        header.add<Label>(u"company"_s, QPointF(2, 2), bold)->setText(u"Avtoservis Čuk {Šentjur}"_s);
        header.add<Label>(u"number"_s, QPointF(188, 1), plain, HAlign::Right)->setText(u"Nalog št:Ž-7"_s);
        header.add<Label>(u"address"_s, QPointF(2, 7), plain)->setText(u"Cesta 1\\2"_s);
        header.add<Label>(u"enteredCaption"_s, QPointF(2, 20), plain)->setText(u"Vnesel:"_s);
        header.add<Label>(u"entered"_s, QPointF(15, 20), bold)->setText(u"Janez"_s);
        auto* customer = header.add<Memo>(u"customer"_s, QRectF(100, 10, 88, 10), bold, HAlign::Right);
        customer->addText(u"Stranka: Ana Kos\nNaslov: Cesta 2"_s);

        Band& title = report.addBand(u"title"_s, BandKind::Title, 8);
        const std::pair<double, QString> headings[] = {
            {1.6, u"Postavka"_s}, {149.5, u"Cena"_s}, {170.9, u"Količina"_s}};
        for (const auto& [x, text] : headings)
            title.add<Label>(text, QPointF(x, 2), bold)->setText(text);

        Band& detail = report.addBand(u"detail"_s, BandKind::Detail, 6.6);
        detail.add<Label>(u"opis"_s, QPointF(1.9, 1), plain)->setField(u"opis"_s);
        detail.add<Label>(u"cena"_s, QPointF(158.2, 1), plain, HAlign::Right)->setField(u"cena"_s);
        detail.add<Label>(u"kolicina"_s, QPointF(183.6, 1), plain, HAlign::Right)->setField(u"kolicina"_s);
        report.setFieldHook(u"cena"_s, [](const QString& value) -> FieldValue {
            const double price = value.toDouble();
            if (price == 0.0)
                return u"/"_s;
            return {QString::number(price, 'f', 2) + u" €"_s, ShownNumber{price, 2, {}, u"€"_s}};
        });
        report.setFieldHook(u"kolicina"_s, [](const QString& value) -> FieldValue {
            bool ok = false;
            const double quantity = value.toDouble(&ok);
            if (!ok)
                return value;
            return {QString::number(quantity, 'f', 2), ShownNumber{quantity, 2, {}, {}}};
        });

        Band& summary = report.addBand(u"summary"_s, BandKind::Summary, 8);
        totalLabel = summary.add<Label>(u"total"_s, QPointF(184, 2), bold, HAlign::Right);

        Band& footer = report.addBand(u"footer"_s, BandKind::PageFooter, 40);
        footer.add<Label>(u"signatureCaption"_s, QPointF(2, 1), plain)->setText(u"Podpis:"_s);
        QImage signature(60, 20, QImage::Format_RGB32);
        signature.fill(Qt::white);
        footer.add<Picture>(u"signature"_s, QPointF(2, 6), QSizeF(20, 8))->setImage(signature);
        footer.add<Memo>(u"comment"_s, QRectF(2, 20, 180, 10), plain)->addText(u"Menjava gum\nv petek"_s);

        items.rows = {{u"Menjava olja"_s, 10.5, u"2"_s}, {u"Pregled"_s, 0, u"1"_s}, {u"Filter"_s, 4, u"dva"_s}};
        total = 21.0;
        totalLabel->setText(u"Skupaj cena: 21.00 €"_s);
        totalLabel->setNumber(ShownNumber{total, 2, u"Skupaj cena:"_s, u"€"_s});
        report.setDataSource(&items);
    }

    Label* totalLabel = nullptr;
};

// Index of the first line containing needle at or after from; -1 when none does.
int lineIndex(const QStringList& lines, const QString& needle, int from = 0)
{
    for (int i = from; i < lines.size(); ++i)
        if (lines[i].contains(needle))
            return i;
    return -1;
}

} // namespace

class TestReportExports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void rtfEscapes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("rtf");
        QTest::addRow("plain") << u"Nalog 15"_s << QByteArray("Nalog 15");
        QTest::addRow("rtf syntax") << u"a{b}\\c"_s << QByteArray("a\\{b\\}\\\\c");
        QTest::addRow("caron") << u"Č"_s << QByteArray("\\u268\\'3f");
        QTest::addRow("euro") << u"5 €"_s << QByteArray("5 \\u8364\\'3f");
        QTest::addRow("beyond 16 bits") << u"\U0001F697"_s << QByteArray("\\u-10179\\'3f\\u-8553\\'3f");
        QTest::addRow("line breaks") << u"a\r\nb\nc"_s << QByteArray("a\\line b\\line c");
        QTest::addRow("tab") << u"a\tb"_s << QByteArray("a\\tab b");
    }

    void rtfEscapes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, rtf);
        QCOMPARE(RtfEscaped(text), rtf);
    }

    void rtfReadsBackInThePagesOrder()
    {
        ExportSample sample;
        const Document document = sample.report.generate();
        const QString path = dir_.filePath(u"sample.rtf"_s);
        QString error;
        QVERIFY2(WriteRtf(document, path, &error), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("{\\rtf1"));
        QVERIFY2(std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }), "RTF must be ASCII");
        QVERIFY(bytes.contains("\\pngblip"));

        const QStringList lines = RtfLines(path);
        const QString text = lines.join(u'\n');
        // The left column, the right column, then the table, the total and the footer.
        const QStringList inOrder = {u"Avtoservis Čuk {Šentjur}"_s,
                                     u"Cesta 1\\2"_s,
                                     u"Vnesel: Janez"_s,
                                     u"Nalog št:Ž-7"_s,
                                     u"Stranka: Ana Kos"_s,
                                     u"Naslov: Cesta 2"_s,
                                     u"Postavka"_s,
                                     u"Količina"_s,
                                     u"Menjava olja"_s,
                                     u"10.50 €"_s,
                                     u"2.00"_s,
                                     u"Pregled"_s,
                                     u"/"_s,
                                     u"Filter"_s,
                                     u"dva"_s,
                                     u"Skupaj cena: 21.00 €"_s,
                                     u"Podpis:"_s,
                                     u"Menjava gum"_s,
                                     u"v petek"_s};
        int at = 0;
        for (const QString& expected : inOrder) {
            const int found = lineIndex(lines, expected, at);
            QVERIFY2(found >= 0, qPrintable(expected + u" not after line "_s + QString::number(at) + u":\n"_s + text));
            at = found;
        }
    }

    void xlsxHoldsTextsTheTableWithNumbersAndTheTotal()
    {
        ExportSample sample;
        const QString path = dir_.filePath(u"sample.xlsx"_s);
        QString error;
        QVERIFY2(WriteXlsx(sample.report.generate(), path, u"Ž-7"_s, &error), qPrintable(error));
        const std::optional<XlsxBook> book = ReadXlsx(path);
        QVERIFY(book);
        QCOMPARE(book->sheetNames, QStringList{u"Ž-7"_s});

        const XlsxCell* company = book->find(u"Avtoservis Čuk {Šentjur}"_s);
        QVERIFY(company && company->bold && company->column == 1);
        const XlsxCell* entered = book->find(u"Vnesel:"_s);
        QVERIFY(entered);
        QCOMPARE(book->rowTexts(entered->row), (QStringList{u"Vnesel:"_s, u"Janez"_s}));
        QVERIFY(book->find(u"Stranka: Ana Kos"_s) && book->find(u"Naslov: Cesta 2"_s));

        const XlsxCell* heading = book->find(u"Postavka"_s);
        QVERIFY(heading && heading->bold);
        QCOMPARE(book->rowTexts(heading->row), (QStringList{u"Postavka"_s, u"Cena"_s, u"Količina"_s}));
        const int first = heading->row + 1;
        QCOMPARE(book->rowTexts(first), (QStringList{u"Menjava olja"_s, u"10.50"_s, u"2.00"_s}));
        QCOMPARE(book->rowTexts(first + 1), (QStringList{u"Pregled"_s, u"/"_s, u"1.00"_s}));
        QCOMPARE(book->rowTexts(first + 2), (QStringList{u"Filter"_s, u"4.00"_s, u"dva"_s}));
        const XlsxCell* price = book->at(first, 2);
        QVERIFY(price && price->isNumber());
        QCOMPARE(price->value.toDouble(), 10.5);
        QCOMPARE(price->numberFormat, u"0.00 \"€\""_s);
        const XlsxCell* quantity = book->at(first, 3);
        QVERIFY(quantity && quantity->isNumber());
        QCOMPARE(quantity->numberFormat, u"0.00"_s);
        QVERIFY(!book->at(first + 1, 2)->isNumber());
        QVERIFY(!book->at(first + 2, 3)->isNumber());

        const XlsxCell* totalCaption = book->find(u"Skupaj cena:"_s);
        QVERIFY(totalCaption && totalCaption->row > first + 2);
        const XlsxCell* total = book->at(totalCaption->row, totalCaption->column + 1);
        QVERIFY(total && total->isNumber());
        QCOMPARE(total->value.toDouble(), sample.total);
        QVERIFY(book->find(u"v petek"_s));
    }

    void sheetNames_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QString>("name");
        QTest::addRow("order number") << u"N-15"_s << u"N-15"_s;
        QTest::addRow("forbidden characters") << u"12/2024 [a]:*?\\"_s << u"12_2024 _a_____"_s;
        QTest::addRow("too long") << QString(40, u'x') << QString(31, u'x');
        QTest::addRow("apostrophes at the ends") << u"'7'"_s << u"_7_"_s;
        QTest::addRow("empty") << u"  "_s << u"List1"_s;
    }

    void sheetNames()
    {
        QFETCH(QString, wanted);
        QFETCH(QString, name);
        QCOMPARE(SheetNameFor(wanted), name);
    }

    void failedWritesSayWhyAndLeaveTheTargetAlone()
    {
        ExportSample sample;
        const Document document = sample.report.generate();
        QString error;
        QVERIFY(!WriteXlsx(document, dir_.filePath(u"missing/folder/a.xlsx"_s), u"1"_s, &error));
        QVERIFY2(error.startsWith(u"Datoteke Excel ni bilo mogoče zapisati"_s), qPrintable(error));
        error.clear();
        QVERIFY(!WriteRtf(document, dir_.filePath(u"missing/folder/a.rtf"_s), &error));
        QVERIFY(!error.isEmpty());

        // A good write replaces an older file and leaves no temporary file behind.
        const QString path = dir_.filePath(u"replaced.xlsx"_s);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QVERIFY(WriteXlsx(document, path, u"1"_s, &error));
        QVERIFY(ReadXlsx(path));
        const QStringList left = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(std::none_of(left.begin(), left.end(), [](const QString& n) { return n.endsWith(u".tmp"_s); }),
                 qPrintable(left.join(u", "_s)));
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestReportExports)
#include "tst_report_exports.moc"
