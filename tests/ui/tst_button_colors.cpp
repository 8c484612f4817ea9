// Tables for the gradient button's arithmetic: rounding, gradient rows, grey levels, the colour flip and the window
// shape.
#include "ui/button_colors.h"

#include <QTest>

#include <array>

using namespace ButtonColors;

class TestButtonColors : public QObject {
    Q_OBJECT

private slots:
    void divideRounded_data()
    {
        QTest::addColumn<int>("numerator");
        QTest::addColumn<int>("denominator");
        QTest::addColumn<int>("expected");
        QTest::addRow("half up") << 5 << 2 << 3;
        QTest::addRow("negative half away from zero") << -5 << 2 << -3;
        QTest::addRow("below half") << 4 << 3 << 1;
        QTest::addRow("negative below half") << -4 << 3 << -1;
        QTest::addRow("small negative half") << -1 << 2 << -1;
        QTest::addRow("zero") << 0 << 7 << 0;
    }
    void divideRounded()
    {
        QFETCH(int, numerator);
        QFETCH(int, denominator);
        QFETCH(int, expected);
        QCOMPARE(DivideRounded(numerator, denominator), expected);
    }

    void gradientRow_data()
    {
        QTest::addColumn<QColor>("start");
        QTest::addColumn<QColor>("end");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("height");
        QTest::addColumn<QColor>("expected");
        const QColor white(255, 255, 255);
        const QColor beige(214, 208, 197);
        const QColor red(255, 0, 0);
        const QColor black(0, 0, 0);
        QTest::addRow("row 0 is the start colour") << white << beige << 0 << 20 << white;
        QTest::addRow("middle row, t rounds 127.5 up") << white << beige << 10 << 20 << QColor(234, 231, 226);
        QTest::addRow("red to black, first row pure red") << red << black << 0 << 32 << red;
        QTest::addRow("red to black, last painted row not black") << red << black << 30 << 32 << QColor(16, 0, 0);
        QTest::addRow("dialog blue, rising and falling parts")
            << QColor(0x08, 0x74, 0xB5) << QColor(0x01, 0x41, 0x67) << 16 << 32 << QColor(4, 90, 142);
        QTest::addRow("dark to light") << black << white << 1 << 3 << QColor(85, 85, 85);
    }
    void gradientRow()
    {
        QFETCH(QColor, start);
        QFETCH(QColor, end);
        QFETCH(int, y);
        QFETCH(int, height);
        QFETCH(QColor, expected);
        QCOMPARE(GradientRowColor(ComputeGradient(start, end), y, height), expected);
    }

    void computeGradient()
    {
        const Gradient g = ComputeGradient(QColor(10, 200, 30), QColor(250, 0, 30));
        QCOMPARE((std::array{g.base[0], g.base[1], g.base[2]}), (std::array{10, 200, 30}));
        QCOMPARE((std::array{g.delta[0], g.delta[1], g.delta[2]}), (std::array{240, -200, 0}));
    }

    void greyLevel_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("expected");
        QTest::addRow("red, 76.5 rounds up") << QColor(255, 0, 0) << 77;
        QTest::addRow("green") << QColor(0, 255, 0) << 150;
        QTest::addRow("blue") << QColor(0, 0, 255) << 28;
        QTest::addRow("disabled fill") << QColor(245, 244, 234) << 243;
        QTest::addRow("disabled caption") << QColor(161, 161, 146) << 159;
        QTest::addRow("white") << QColor(255, 255, 255) << 255;
        QTest::addRow("black") << QColor(0, 0, 0) << 0;
    }
    void greyLevel()
    {
        QFETCH(QColor, colour);
        QFETCH(int, expected);
        QCOMPARE(GreyLevel(colour.red(), colour.green(), colour.blue()), expected);
    }

    void convertToGreyKeepsAlpha()
    {
        QImage image(2, 1, QImage::Format_ARGB32);
        image.setPixel(0, 0, qRgba(255, 0, 0, 255));
        image.setPixel(1, 0, qRgba(0, 0, 255, 0));
        ConvertToGrey(image);
        QCOMPARE(image.pixel(0, 0), qRgba(77, 77, 77, 255));
        QCOMPARE(qAlpha(image.pixel(1, 0)), 0);
    }

    void flipLowestBits_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QColor>("expected");
        QTest::addRow("white") << QColor(255, 255, 255) << QColor(254, 254, 254);
        QTest::addRow("black") << QColor(0, 0, 0) << QColor(1, 1, 1);
        QTest::addRow("mixed") << QColor(0x08, 0x74, 0xB5) << QColor(0x09, 0x75, 0xB4);
    }
    void flipLowestBits()
    {
        QFETCH(QColor, colour);
        QFETCH(QColor, expected);
        QCOMPARE(FlipLowestBits(colour), expected);
    }

    void colorFromBgr_data()
    {
        QTest::addColumn<int>("bgr");
        QTest::addColumn<QColor>("expected");
        QTest::addRow("button start") << 11891720 << QColor(0x08, 0x74, 0xB5);
        QTest::addRow("band") << 6500870 << QColor(0x06, 0x32, 0x63);
        QTest::addRow("details box") << 12088329 << QColor(0x09, 0x74, 0xB8);
        QTest::addRow("white") << 16777215 << QColor(255, 255, 255);
    }
    void colorFromBgr()
    {
        QFETCH(int, bgr);
        QFETCH(QColor, expected);
        QCOMPARE(ColorFromBgr(bgr), expected);
    }

    void roundedRegion()
    {
        const QRegion region = RoundedButtonRegion(QSize(120, 32));
        for (const QPoint corner : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(119, 0), QPoint(119, 31),
                                    QPoint(0, 31), QPoint(118, 31)})
            QVERIFY2(!region.contains(corner),
                     qPrintable(QStringLiteral("corner %1,%2").arg(corner.x()).arg(corner.y())));
        for (const QPoint inside : {QPoint(2, 0), QPoint(1, 1), QPoint(60, 16), QPoint(117, 31), QPoint(119, 2)})
            QVERIFY(region.contains(inside));
        QCOMPARE(region.boundingRect(), QRect(0, 0, 120, 32));
    }
};

QTEST_APPLESS_MAIN(TestButtonColors)
#include "tst_button_colors.moc"
