// The fonts the windows name and the compiled-in pictures.
#include "ui/ordavo_fonts.h"
#include "ui/ordavo_pictures.h"

#include <QApplication>
#include <QFontInfo>
#include <QImageReader>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Black text on white, its baseline at a fixed row, in grey levels.
QImage Rendered(const QFont& font, const QString& text)
{
    QImage image(120, 80, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(10, 60, text);
    painter.end();
    return image;
}

double Ink(const QImage& image, int row)
{
    double sum = 0;
    for (int x = 0; x < image.width(); ++x)
        sum += (255 - qGray(image.pixel(x, row))) / 255.0;
    return sum;
}

int TopInkRow(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        if (Ink(image, y) > 0.2)
            return y;
    }
    return image.height();
}

// The ink (in pixels of full black) in the rows above `row`.
double InkAbove(const QImage& image, int row)
{
    double sum = 0;
    for (int y = 0; y < row; ++y)
        sum += Ink(image, y);
    return sum;
}

// The width of the stem of "l" halfway up, in pixels of full black.
double StemWidth(const QFont& font)
{
    const QImage image = Rendered(font, u"l"_s);
    const int top = TopInkRow(image);
    return Ink(image, (top + 60) / 2);
}

} // namespace

class TestUiAssets : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(InstallOrdavoFonts()); }

    void namedFontsResolve_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("family");
        QTest::addRow("Tahoma 9 pt") << PointFont(kTahoma, 9) << QString(kTextFamily);
        QTest::addRow("Tahoma bold 16 px") << PixelFont(kTahoma, 16, true) << QString(kTextFamily);
        QTest::addRow("MS Sans Serif 8 pt") << PointFont(kMsSansSerif, 8) << QString(kTextFamily);
        QTest::addRow("Tahoma named directly") << QFont(u"Tahoma"_s) << QString(kTextFamily);
        QTest::addRow("Arial") << PointFont(kArial, 10) << u"Liberation Sans"_s;
        QTest::addRow("Verdana bold") << PointFont(kVerdana, 8, true) << u"DejaVu Sans"_s;
    }
    void namedFontsResolve()
    {
        QFETCH(QFont, font);
        QFETCH(QString, family);
        QCOMPARE(QFontInfo(font).family(), family);
    }

    void fontBuilders()
    {
        const QFont pixels = PixelFont(kTahoma, 21, true);
        QCOMPARE(pixels.pixelSize(), 21);
        QVERIFY(pixels.bold());
        QCOMPARE(QFontInfo(pixels).pixelSize(), 21);
        QVERIFY(QFontInfo(pixels).bold());
        const QFont points = PointFont(kTahoma, 9);
        QCOMPARE(points.pointSize(), 9);
        QVERIFY(!points.bold());
    }

    // Every size the windows use: the marks of Č Š Ž Ć stand above the capital, Đ differs from
    // D, and bold strokes are clearly wider than regular ones.
    void slovenianLettersAreLegible_data()
    {
        QTest::addColumn<QFont>("regular");
        for (const int points : {8, 9, 10})
            QTest::addRow("%d pt", points) << PointFont(kTahoma, points);
        for (const int pixels : {11, 12, 13, 15, 16, 21})
            QTest::addRow("%d px", pixels) << PixelFont(kTahoma, pixels);
    }
    void slovenianLettersAreLegible()
    {
        QFETCH(QFont, regular);
        const QString marked = u"ČŠŽĆĐ"_s;
        const QString plain = u"CSZCD"_s;
        for (const bool bold : {false, true}) {
            QFont font = regular;
            font.setBold(bold);
            for (int i = 0; i < marked.size(); ++i) {
                const QImage withMark = Rendered(font, marked.mid(i, 1));
                const QImage without = Rendered(font, plain.mid(i, 1));
                QVERIFY2(withMark != without, qPrintable(marked.mid(i, 1)));
                if (marked[i] != u'Đ')
                    QVERIFY2(
                        InkAbove(withMark, TopInkRow(without)) >= 1.0,
                        qPrintable(u"%1 %2 px bold %3"_s.arg(marked[i]).arg(QFontInfo(font).pixelSize()).arg(bold)));
            }
        }
        QFont bold = regular;
        bold.setBold(true);
        const double regularStroke = StemWidth(regular);
        const double boldStroke = StemWidth(bold);
        QVERIFY2(boldStroke >= regularStroke * 1.3,
                 qPrintable(u"regular %1 px, bold %2 px"_s.arg(regularStroke).arg(boldStroke)));
    }

    void picturesAreCompiledIn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("format");
        QTest::addRow("banner") << QString(OrdavoPictures::Banner) << QSize(1000, 100) << QByteArray("png");
        for (const QLatin1String dialog : {OrdavoPictures::DialogError, OrdavoPictures::DialogWarning,
                                           OrdavoPictures::DialogInfo, OrdavoPictures::DialogConfirm})
            QTest::addRow("%s", dialog.data()) << QString(dialog) << QSize(400, 250) << QByteArray("jpeg");
        for (const QLatin1String button : {OrdavoPictures::Delete, OrdavoPictures::Print, OrdavoPictures::Preview,
                                           OrdavoPictures::Mail, OrdavoPictures::Pdf, OrdavoPictures::Signature,
                                           OrdavoPictures::Billed, OrdavoPictures::Search, OrdavoPictures::Save})
            QTest::addRow("%s", button.data()) << QString(button) << QSize(32, 32) << QByteArray("png");
        QTest::addRow("align") << QString(OrdavoPictures::Align) << QSize(24, 24) << QByteArray("png");
        QTest::addRow("web") << QString(OrdavoPictures::Web) << QSize(24, 24) << QByteArray("png");
    }
    void picturesAreCompiledIn()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(QByteArray, format);
        QImageReader reader(OrdavoPictures::ResourcePath(name));
        QCOMPARE(reader.format(), format);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), size);
        if (format == "png" && size.width() <= 32) {
            QVERIFY(image.hasAlphaChannel());
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        }
    }
};

QTEST_MAIN(TestUiAssets)
#include "tst_ui_assets.moc"
