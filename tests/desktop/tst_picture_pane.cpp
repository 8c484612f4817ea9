// The picture pane against a loopback server: the asynchronous load, the fitted and centred picture on its background,
// stop and the rendered image.
#include "desktop/picture_pane.h"

#include "support/loopback_server.h"
#include "support/test_pictures.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

class PicturePaneTest : public QObject {
    Q_OBJECT

private slots:
    void showsPictureFittedAndCentredOnBackground();
    void stopAbandonsTheRunningLoad();
    void answerThatIsNoPictureLeavesThePaneEmpty();
};

void PicturePaneTest::showsPictureFittedAndCentredOnBackground()
{
    LoopbackServer server;
    server.setFallback(LoopbackAnswer::text(Png({40, 20}, Qt::red)).withHeader("Content-Type", "image/png"));
    PicturePane pane;
    pane.resize(100, 100);
    pane.setBackgroundColor(QColor(0x06, 0x32, 0x63));
    QSignalSpy loaded(&pane, &PicturePane::loaded);
    const QString address = server.baseUrl() + u"requests/getimage.php?small=1&pth=a%20b"_s;
    pane.navigate(address);
    QCOMPARE(pane.currentUrl(), address);
    QVERIFY(loaded.wait(10000));
    QCOMPARE(loaded.first().first().toBool(), true);
    QCOMPARE(server.requests().first().target, QByteArray("/requests/getimage.php?small=1&pth=a%20b"));

    const QImage image = pane.renderToImage();
    QCOMPARE(image.size(), QSize(100, 100));
    // 40 x 20 fitted into 100 x 100 is 100 x 50, centred: rows 25 to 74 are the picture.
    QCOMPARE(QColor(image.pixel(50, 50)), QColor(Qt::red));
    QCOMPARE(QColor(image.pixel(50, 10)), QColor(0x06, 0x32, 0x63));
    QCOMPARE(QColor(image.pixel(50, 90)), QColor(0x06, 0x32, 0x63));
}

void PicturePaneTest::stopAbandonsTheRunningLoad()
{
    LoopbackServer server;
    server.setHandler([](const LoopbackRequest& request) {
        if (request.path == "/slow")
            return LoopbackAnswer::text(Png({10, 10}, Qt::green)).withDelay(1500);
        return LoopbackAnswer::text(Png({10, 10}, Qt::yellow));
    });
    PicturePane pane;
    pane.resize(20, 20);
    QSignalSpy loaded(&pane, &PicturePane::loaded);
    pane.navigate(server.baseUrl() + u"slow"_s);
    QVERIFY(pane.isLoading());
    pane.stop();
    QVERIFY(!pane.isLoading());
    QCOMPARE(pane.currentUrl(), server.baseUrl() + u"slow"_s);

    pane.navigate(server.baseUrl() + u"fast"_s);
    QVERIFY(loaded.wait(10000));
    QCOMPARE(QColor(pane.picture().pixel(5, 5)), QColor(Qt::yellow));
    QCOMPARE(loaded.size(), 1);
}

void PicturePaneTest::answerThatIsNoPictureLeavesThePaneEmpty()
{
    LoopbackServer server;
    server.setFallback(LoopbackAnswer::text("<html>not found</html>", 404));
    PicturePane pane;
    pane.resize(30, 30);
    pane.setBackgroundColor(Qt::white);
    QSignalSpy loaded(&pane, &PicturePane::loaded);
    pane.navigate(server.baseUrl() + u"missing.png"_s);
    QVERIFY(loaded.wait(10000));
    QCOMPARE(loaded.first().first().toBool(), false);
    QVERIFY(pane.picture().isNull());
    QCOMPARE(QColor(pane.renderToImage().pixel(15, 15)), QColor(Qt::white));
}

QTEST_MAIN(PicturePaneTest)
#include "tst_picture_pane.moc"
