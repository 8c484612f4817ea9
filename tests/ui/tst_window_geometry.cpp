// Where a restored window and an arranged window may stand: the rectangle rules on their own.
#include "desktop/window_arranger.h"
#include "ui/window_placement.h"

#include <QTest>

class TestWindowGeometry : public QObject {
    Q_OBJECT

private slots:
    void titleBarReachable_data()
    {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<QList<QRect>>("areas");
        QTest::addColumn<QRect>("given");
        const QList<QRect> fullHd{QRect(0, 0, 1920, 1040)};
        const QList<QRect> twoScreens{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
        QTest::addRow("inside: unchanged") << QRect(100, 50, 902, 725) << fullHd << QRect(100, 50, 902, 725);
        QTest::addRow("partly off the right: title bar still reachable")
            << QRect(1500, 50, 902, 725) << fullHd << QRect(1500, 50, 902, 725);
        QTest::addRow("on the second screen") << QRect(2000, 100, 800, 600) << twoScreens << QRect(2000, 100, 800, 600);
        QTest::addRow("second screen gone") << QRect(2000, 100, 800, 600) << fullHd << QRect(1120, 100, 800, 600);
        QTest::addRow("title bar above the screen") << QRect(300, -40, 800, 600) << fullHd << QRect(300, 0, 800, 600);
        // 1366 x 768 at scale 1.5 leaves 910 x 480 available (logical pixels).
        QTest::addRow("larger than a scaled small screen")
            << QRect(100, 50, 1008, 740) << QList<QRect>{QRect(0, 0, 910, 480)} << QRect(0, 0, 910, 480);
        QTest::addRow("no screens known") << QRect(5000, 5000, 10, 10) << QList<QRect>() << QRect(5000, 5000, 10, 10);
    }
    void titleBarReachable()
    {
        QFETCH(QRect, stored);
        QFETCH(QList<QRect>, areas);
        QFETCH(QRect, given);
        QCOMPARE(KeepTitleBarReachable(stored, areas), given);
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
