// The fonts the windows name and the compiled-in pictures.
#include "ui/ordavo_fonts.h"
#include "ui/ordavo_pictures.h"

#include <QApplication>
#include <QFontInfo>
#include <QImageReader>
#include <QTest>

using namespace Qt::StringLiterals;

class TestUiAssets : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(InstallOrdavoFonts()); }

    void namedFontsResolve_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("family");
        QTest::addRow("Tahoma 9 pt") << PointFont(kTahoma, 9) << u"Tahoma"_s;
        QTest::addRow("Tahoma bold 16 px") << PixelFont(kTahoma, 16, true) << u"Tahoma"_s;
        QTest::addRow("MS Sans Serif 8 pt") << PointFont(kMsSansSerif, 8) << u"MS Sans Serif"_s;
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

    void picturesAreCompiledIn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("format");
        QTest::addRow("banner") << QString(OrdavoPictures::Banner) << QSize(1000, 100) << QByteArray("png");
        for (const QLatin1String dialog : {OrdavoPictures::DialogError, OrdavoPictures::DialogWarning,
                                           OrdavoPictures::DialogInfo, OrdavoPictures::DialogConfirm})
            QTest::addRow("%s", dialog.data()) << QString(dialog) << QSize(400, 250) << QByteArray("jpeg");
        for (const QLatin1String button :
             {OrdavoPictures::Delete, OrdavoPictures::Print, OrdavoPictures::Preview, OrdavoPictures::Mail,
              OrdavoPictures::Pdf, OrdavoPictures::Signature, OrdavoPictures::Billed, OrdavoPictures::Search,
              OrdavoPictures::Save})
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
