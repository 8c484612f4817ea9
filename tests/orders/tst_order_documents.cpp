// The order's documents: address building, the PDF download handed to the mail draft, and the pane snapshot as a
// baseline JPEG.
#include "orders/order_details.h"
#include "orders/order_documents.h"

#include "support/test_pictures.h"
#include "support/window_test_kit.h"

#include "data/errors.h"
#include "data/remote_call.h"
#include "data/settings_store.h"
#include "desktop/mail_composer.h"
#include "desktop/picture_pane.h"
#include "session/app_state.h"
#include "ui/message_boxes.h"
#include "ui/xp_button.h"

#include <QImageReader>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The markers of a JPEG file up to the start of the scan.
QList<quint8> JpegMarkers(const QByteArray& jpeg)
{
    QList<quint8> markers;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xFF) {
        const quint8 marker = quint8(jpeg[at + 1]);
        markers.append(marker);
        if (marker == 0xDA)
            break;
        const int length = (quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]);
        at += 2 + length;
    }
    return markers;
}

const QByteArray kPdf = "%PDF-1.4\nfake order\n%%EOF\n";

} // namespace

class OrderDocumentsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addresses_data();
    void addresses();
    void pdfFileNameFromAnswer_data();
    void pdfFileNameFromAnswer();
    void mailButtonDownloadsAndComposes_data();
    void mailButtonDownloadsAndComposes();
    void mailClientFailureIsReported();
    void snapshotIsBaselineJpegOfPaneSize();
    void snapshotFailures();

private:
    QTemporaryDir temp_;
    QByteArray previousTmp_;
    RecordingMailComposer composer_;
};

void OrderDocumentsTest::initTestCase()
{
    previousTmp_ = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp_.path()));
}

void OrderDocumentsTest::init()
{
    ResetAppState();
    DialogTestHook::reset();
    DialogTestHook::activate();
    composer_ = RecordingMailComposer();
    SetCurrentMailComposer(&composer_);
    QDir(PdfDownloadFolder()).removeRecursively();
}

void OrderDocumentsTest::cleanup()
{
    SetCurrentMailComposer(nullptr);
    DialogTestHook::reset();
}

void OrderDocumentsTest::addresses_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("preview");
    QTest::addColumn<QString>("file");
    QTest::addRow("root with a sub-folder")
        << u"http://127.0.0.1:8080/app/"_s
        << u"http://127.0.0.1:8080/app/requests/getnalogpdf.php?nlgid=1532&preview=1&kodainsupass=de%20mo%261%23"_s
        << u"http://127.0.0.1:8080/app/requests/getnalogpdffile.php?nlgid=1532&kodainsupass=de%20mo%261%23"_s;
    QTest::addRow("root without slash")
        << u"http://h.si"_s
        << u"http://h.si/requests/getnalogpdf.php?nlgid=1532&preview=1&kodainsupass=de%20mo%261%23"_s
        << u"http://h.si/requests/getnalogpdffile.php?nlgid=1532&kodainsupass=de%20mo%261%23"_s;
    QTest::addRow("host named requests")
        << u"https://requests.h.si/"_s
        << u"https://requests.h.si/requests/getnalogpdf.php?nlgid=1532&preview=1&kodainsupass=de%20mo%261%23"_s
        << u"https://requests.h.si/requests/getnalogpdffile.php?nlgid=1532&kodainsupass=de%20mo%261%23"_s;
}

void OrderDocumentsTest::addresses()
{
    QFETCH(QString, root);
    QFETCH(QString, preview);
    QFETCH(QString, file);
    QCOMPARE(BuildPreviewPdfUrl(root, 1532, u"de mo&1#"_s), preview);
    QCOMPARE(BuildPdfFileUrl(root, 1532, u"de mo&1#"_s), file);

    const QString request = root + u"requests/GetPodpis.php"_s;
    QCOMPARE(BuildSignatureUrl(request, u"podpisi/a b&c#.png"_s), request + u"?pth=podpisi%2Fa%20b%26c%23.png"_s);
    const QString picture = BuildPictureUrl(request, u"slike/č 1.jpg"_s);
    QCOMPARE(picture, root + u"requests/getimage.php?small=1&pth=slike%2F%C4%8D%201.jpg"_s);
    QCOMPARE(FullSizePictureUrl(picture), root + u"requests/getimage.php?pth=slike%2F%C4%8D%201.jpg"_s);
    QCOMPARE(FullSizePictureUrl(u"http://h/x.php?SMALL=1&pth=a"_s), u"http://h/x.php?pth=a"_s);
    QCOMPARE(PdfDownloadUrl(root, u"N1532.pdf\n"_s), root + u"nalogs/lib/N1532.pdf%0A"_s);
    QCOMPARE(PdfDownloadUrl(root, u"sub/N 1#.pdf"_s), root + u"nalogs/lib/sub/N%201%23.pdf"_s);
}

void OrderDocumentsTest::pdfFileNameFromAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("name");
    QTest::addRow("plain") << u"file:N1532.pdf"_s << u"N1532.pdf"_s;
    QTest::addRow("trailing line break kept") << u"ok file:N1532.pdf\n"_s << u"N1532.pdf\n"_s;
    QTest::addRow("first marker") << u"file:a file:b"_s << u"a file:b"_s;
    QTest::addRow("no marker") << u"N1532.pdf"_s << QString();
    QTest::addRow("marker without name") << u"file:"_s << QString();
}

void OrderDocumentsTest::pdfFileNameFromAnswer()
{
    QFETCH(QString, answer);
    QFETCH(QString, name);
    QCOMPARE(PdfFileNameFromAnswer(answer), name);
}

void OrderDocumentsTest::mailButtonDownloadsAndComposes_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("pdfTarget"); // the second request, empty when none
    QTest::addColumn<QString>("box");          // empty when none
    QTest::addColumn<QString>("stored");       // the file handed to the mail draft, empty when none
    QTest::addRow("file answer") << 200 << QByteArray("file:N1532.pdf") << QByteArray("/app/nalogs/lib/N1532.pdf")
                                 << QString() << u"N1532.pdf"_s;
    QTest::addRow("name with blank and hash")
        << 200 << QByteArray("file:N 15#32.pdf") << QByteArray("/app/nalogs/lib/N%2015%2332.pdf") << QString()
        << u"N 15#32.pdf"_s;
    QTest::addRow("trailing line break kept in the name")
        << 200 << QByteArray("file:N1532.pdf\n") << QByteArray()
        << u"Napaka|Žal je prišlo do napake pri lociranju PDF Datoteke"_s << QString();
    QTest::addRow("no file in the answer")
        << 200 << QByteArray("N1532.pdf") << QByteArray()
        << u"Informacija|Žal nisem mogel locirati naloga, poizkusite kasneje"_s << QString();
    QTest::addRow("server error") << 500 << QByteArray("file:N1532.pdf") << QByteArray()
                                  << u"Napaka|Žal je prišlo do napake pri lociranju PDF Datoteke"_s << QString();
    QTest::addRow("name reaching outside the folder")
        << 200 << QByteArray("file:../../N1532.pdf") << QByteArray("/app/N1532.pdf") << QString() << u"N1532.pdf"_s;
}

void OrderDocumentsTest::mailButtonDownloadsAndComposes()
{
    QFETCH(int, status);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, pdfTarget);
    QFETCH(QString, box);
    QFETCH(QString, stored);
    LoopbackServer server;
    server.setHandler([status, answer](const LoopbackRequest& request) {
        if (request.path.endsWith("getnalogpdffile.php"))
            return LoopbackAnswer::text(answer, status);
        if (request.target.endsWith("/N1532.pdf") || request.target.endsWith("/N%2015%2332.pdf"))
            return LoopbackAnswer::text(kPdf);
        return LoopbackAnswer::text("not found", 404);
    });
    const QString root = server.baseUrl() + u"app/"_s;
    WriteSetting(u"ordavo"_s, u"weburlroot"_s, root);
    TfrmNalogDetails window;
    window.PdfFileUrl = BuildPdfFileUrl(root, 1532, u"demo 1&2"_s);

    window.XpButton4->click();

    const QList<LoopbackRequest> requests = server.requests();
    QVERIFY(!requests.isEmpty());
    QCOMPARE(requests[0].target, QByteArray("/app/requests/getnalogpdffile.php?nlgid=1532&kodainsupass=demo%201%262"));
    // The loopback server refuses a path with an encoded line break before recording it.
    QCOMPARE(requests.size(), pdfTarget.isEmpty() ? 1 : 2);
    if (!pdfTarget.isEmpty())
        QCOMPARE(requests[1].target, pdfTarget);
    QCOMPARE(ShownBoxes(), box.isEmpty() ? QStringList() : QStringList{box});
    QCOMPARE(composer_.drafts.size(), stored.isEmpty() ? 0 : 1);
    if (!stored.isEmpty()) {
        const MailDraft& draft = composer_.drafts.first();
        QCOMPARE(draft.attachmentPath, temp_.path() + u"/ordavo/"_s + stored);
        QCOMPARE(draft.recipient, u"vpisite.naslov@primer.invalid"_s);
        QCOMPARE(draft.subject, u"Pošiljamo vam Ordavo za opravljene storitve"_s);
        QFile file(draft.attachmentPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), kPdf);
    }
    QVERIFY(!QGuiApplication::overrideCursor());
}

void OrderDocumentsTest::mailClientFailureIsReported()
{
    LoopbackServer server;
    server.setHandler([](const LoopbackRequest& request) {
        return LoopbackAnswer::text(request.path.endsWith("getnalogpdffile.php") ? QByteArray("file:N1.pdf") : kPdf);
    });
    WriteSetting(u"ordavo"_s, u"weburlroot"_s, server.baseUrl());
    composer_.outcome = {MailOutcome::Status::DisplayFailed, u"ni računa"_s};
    TfrmNalogDetails window;
    downloadpdfandsendit(BuildPdfFileUrl(server.baseUrl(), 1, u"x"_s));
    QCOMPARE(ShownBoxes(), QStringList{u"Napaka|Outlook javlja napako:ni računa"_s});
    QVERIFY(QFile::exists(PdfDownloadFolder() + u"N1.pdf"_s));
}

void OrderDocumentsTest::snapshotIsBaselineJpegOfPaneSize()
{
    LoopbackServer server;
    server.setFallback(LoopbackAnswer::text(Png({60, 30}, QColor(200, 30, 30))));
    PicturePane pane;
    pane.resize(303, 116);
    QSignalSpy loaded(&pane, &PicturePane::loaded);
    pane.navigate(server.baseUrl() + u"requests/getpodpis.php?pth=a&small=1"_s);
    QVERIFY(loaded.wait(10000));
    const QString path = temp_.filePath(u"pdps/tmp.jpg"_s);
    QVERIFY(QDir().mkpath(temp_.filePath(u"pdps"_s)));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();

    saveBrowserSnapshot(pane, path);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray jpeg = file.readAll();
    QVERIFY(jpeg.startsWith("\xFF\xD8"));
    const QList<quint8> markers = JpegMarkers(jpeg);
    QVERIFY2(markers.contains(0xC0), "no baseline frame");
    QVERIFY(!markers.contains(0xC2));
    QVERIFY(markers.contains(0xDA));
    const QImage image(path);
    QCOMPARE(image.size(), QSize(303, 116));
    QVERIFY(!image.isGrayscale());
    const QColor centre = image.pixelColor(151, 58);
    QVERIFY2(qAbs(centre.red() - 200) < 12 && qAbs(centre.green() - 30) < 12, qPrintable(centre.name()));
}

void OrderDocumentsTest::snapshotFailures()
{
    PicturePane never;
    never.resize(50, 50);
    const QString path = temp_.filePath(u"never.jpg"_s);
    saveBrowserSnapshot(never, path);
    QVERIFY(!QFile::exists(path));

    LoopbackServer server;
    server.setFallback(LoopbackAnswer::text(Png({5, 5}, Qt::blue)));
    PicturePane pane;
    pane.resize(50, 50);
    QSignalSpy loaded(&pane, &PicturePane::loaded);
    pane.navigate(server.baseUrl());
    QVERIFY(loaded.wait(10000));
    QVERIFY_THROWS_EXCEPTION(DataError, saveBrowserSnapshot(pane, temp_.filePath(u"missing/folder/tmp.jpg"_s)));
}

QTEST_MAIN(OrderDocumentsTest)
#include "tst_order_documents.moc"
