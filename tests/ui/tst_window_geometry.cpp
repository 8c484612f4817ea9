// Where a restored window and an arranged window may stand: the rectangle rules on their own.
#include "desktop/window_arranger.h"
#include "ui/window_placement.h"

#include <QTest>

class TestWindowGeometry : public QObject {
    Q_OBJECT

private slots:
    void fitIntoAvailableArea_data()
    {
        QTest::addColumn<QRect>("outer");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QList<QRect>>("areas");
        QTest::addColumn<QRect>("given");
        const QSize small(300, 200);
        const QList<QRect> fullHd{QRect(0, 0, 1920, 1040)};
        const QList<QRect> twoScreens{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
        const QList<QRect> laptop{QRect(0, 0, 1366, 768)};
        QTest::addRow("inside: unchanged") << QRect(100, 50, 902, 725) << small << fullHd << QRect(100, 50, 902, 725);
        QTest::addRow("partly off the right: moved in")
            << QRect(1500, 50, 902, 725) << small << fullHd << QRect(1018, 50, 902, 725);
        QTest::addRow("a sliver of the title bar on screen: moved in")
            << QRect(1900, 100, 800, 600) << small << fullHd << QRect(1120, 100, 800, 600);
        QTest::addRow("on the second screen")
            << QRect(2000, 100, 800, 600) << small << twoScreens << QRect(2000, 100, 800, 600);
        QTest::addRow("across both screens: onto the one holding most")
            << QRect(1700, 100, 800, 600) << small << twoScreens << QRect(1920, 100, 800, 600);
        QTest::addRow("second screen gone")
            << QRect(2000, 100, 800, 600) << small << fullHd << QRect(1120, 100, 800, 600);
        QTest::addRow("title bar above the screen")
            << QRect(300, -40, 800, 600) << small << fullHd << QRect(300, 0, 800, 600);
        // The main window's design place on a laptop: its bottom would stand at 928.
        QTest::addRow("design place below a laptop's edge: moved up, size kept")
            << QRect(299, 168, 1010, 760) << QSize(302, 647) << laptop << QRect(299, 8, 1010, 760);
        // 1920 x 1080 at scale 1.5 leaves 1280 x 720 (logical pixels).
        QTest::addRow("taller than a scaled screen: shrunk to it")
            << QRect(299, 168, 1010, 760) << QSize(302, 647) << QList<QRect>{QRect(0, 0, 1280, 720)}
            << QRect(270, 0, 1010, 720);
        QTest::addRow("never below the minimum: title bar kept on screen")
            << QRect(100, 50, 1008, 740) << QSize(600, 600) << QList<QRect>{QRect(0, 0, 910, 480)}
            << QRect(0, 0, 910, 600);
        QTest::addRow("no screens known")
            << QRect(5000, 5000, 10, 10) << small << QList<QRect>() << QRect(5000, 5000, 10, 10);
    }
    void fitIntoAvailableArea()
    {
        QFETCH(QRect, outer);
        QFETCH(QSize, minimum);
        QFETCH(QList<QRect>, areas);
        QFETCH(QRect, given);
        QCOMPARE(FitIntoAvailableArea(outer, minimum, areas), given);
    }

    void insideWorkArea_data()
    {
        QTest::addColumn<QRect>("outer");
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<QRect>("kept");
        QTest::addRow("bottom panel") << QRect(0, 0, 1420, 1040) << QRect(0, 0, 1920, 1040) << QRect(0, 0, 1420, 1040);
        QTest::addRow("top panel") << QRect(0, 0, 1420, 1040) << QRect(0, 40, 1920, 1040) << QRect(0, 40, 1420, 1040);
        QTest::addRow("left panel") << QRect(0, 0, 1420, 1080) << QRect(60, 0, 1860, 1080) << QRect(60, 0, 1420, 1080);
        QTest::addRow("right panel cuts the width")
            << QRect(0, 0, 1920, 1080) << QRect(0, 0, 1860, 1080) << QRect(0, 0, 1860, 1080);
        QTest::addRow("no work area") << QRect(0, 0, 1420, 1040) << QRect() << QRect(0, 0, 1420, 1040);
    }
    void insideWorkArea()
    {
        QFETCH(QRect, outer);
        QFETCH(QRect, workArea);
        QFETCH(QRect, kept);
        QCOMPARE(KeepInsideWorkArea(outer, workArea), kept);
    }
};

QTEST_GUILESS_MAIN(TestWindowGeometry)
#include "tst_window_geometry.moc"
