// Tests of the HTTP client against a loopback server: headers, status handling, redirects, cookies per object,
// time-outs.
#include "data/http_client.h"
#include "support/loopback_server.h"

#include <QElapsedTimer>
#include <QTest>

#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class HttpClientTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LoopbackServer> server_;

    QByteArray url(const char* path) const { return server_->baseUrl().toUtf8() + path; }

private slots:
    void init() { server_ = std::make_unique<LoopbackServer>(); }
    void cleanup() { server_.reset(); }

    void sendsFixedHeadersOverHttp11()
    {
        server_->enqueue(LoopbackAnswer::text("hello"));
        HttpClient client;
        const HttpClient::Response response = client.get(url("some/run.php?0.*_.x%20y"));
        QVERIFY(response.ok);
        QCOMPARE(response.status, 200L);
        QCOMPARE(response.body, QByteArray("hello"));
        const LoopbackRequest request = server_->requests().value(0);
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.version, QByteArray("HTTP/1.1"));
        QCOMPARE(request.target, QByteArray("/some/run.php?0.*_.x%20y"));
        QCOMPARE(request.header("Accept"), QByteArray("text/html, */*"));
        QCOMPARE(request.header("User-Agent"), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
        QVERIFY(!request.hasHeader("Cookie"));
        QVERIFY(!request.hasHeader("Authorization"));
    }

    void onlySuccessStatusesSucceed_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("ok");
        QTest::addRow("200") << 200 << true;
        QTest::addRow("204") << 204 << true;
        QTest::addRow("302 is not followed") << 302 << false;
        QTest::addRow("404") << 404 << false;
        QTest::addRow("500") << 500 << false;
    }

    void onlySuccessStatusesSucceed()
    {
        QFETCH(int, status);
        QFETCH(bool, ok);
        server_->enqueue(LoopbackAnswer::text("body", status).withHeader("Location", url("elsewhere")));
        server_->setFallback(LoopbackAnswer::text("followed"));
        HttpClient client;
        const HttpClient::Response response = client.get(url("first"));
        QCOMPARE(response.ok, ok);
        QCOMPARE(response.status, long(status));
        QCOMPARE(response.error.isEmpty(), ok);
        QCOMPARE(server_->requestCount(), 1);
    }

    void eachClientKeepsItsOwnCookies()
    {
        server_->enqueue(LoopbackAnswer::text("set").withHeader("Set-Cookie", "sid=abc; Path=/"));
        server_->setFallback(LoopbackAnswer::text("ok"));
        HttpClient first;
        HttpClient second;
        QVERIFY(first.get(url("a")).ok);
        QVERIFY(first.get(url("b")).ok);
        QVERIFY(second.get(url("c")).ok);
        const QList<LoopbackRequest> requests = server_->requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[1].header("Cookie"), QByteArray("sid=abc"));
        QVERIFY(!requests[2].hasHeader("Cookie"));
    }

    void unreachableServerFails()
    {
        HttpClient client;
        const QByteArray closed = u"http://127.0.0.1:%1/run.php"_s.arg(LoopbackServer::closedPort()).toUtf8();
        const HttpClient::Response response = client.get(closed);
        QVERIFY(!response.ok);
        QCOMPARE(response.status, 0L);
        QVERIFY(!response.error.isEmpty());
    }

    void silentServerTimesOut()
    {
        server_->setFallback(LoopbackAnswer::silent());
        HttpClient client;
        client.setTimeouts(500ms, 300ms);
        const HttpClient::Response response = client.get(url("never"));
        QVERIFY(!response.ok);
        QVERIFY(!response.error.isEmpty());
    }

    // Only a transfer that stops moving is ended: a slow answer that keeps coming is read whole,
    // however long it takes in all.
    void stallEndsOnlyATransferThatStopsMoving_data()
    {
        QTest::addColumn<LoopbackAnswer>("answer");
        QTest::addColumn<bool>("ok");
        const QByteArray body(40, 'x');
        QTest::addRow("nothing comes") << LoopbackAnswer::silent() << false;
        QTest::addRow("late start") << LoopbackAnswer::text(body).withDelay(900) << false;
        QTest::addRow("slow but moving, three stall times in all")
            << LoopbackAnswer::text(body).trickled(4, 90) << true;
    }

    void stallEndsOnlyATransferThatStopsMoving()
    {
        QFETCH(LoopbackAnswer, answer);
        QFETCH(bool, ok);
        server_->setFallback(answer);
        HttpClient client;
        client.setTimeouts(2000ms, 300ms);
        const HttpClient::Response response = client.get(url("slow"));
        QCOMPARE(response.ok, ok);
        if (ok)
            QCOMPARE(response.body, answer.body);
        else
            QVERIFY2(response.error.contains(u"no data received"_s), qPrintable(response.error));
    }

    // A cancel from another thread ends a stalled transfer at once, not at its stall time.
    void cancelFromAnotherThreadEndsTheTransfer()
    {
        server_->setFallback(LoopbackAnswer::silent());
        HttpClient client;
        client.setTimeouts(2000ms, 60000ms);
        TransferCancel cancel;
        HttpClient::Response response;
        QElapsedTimer clock;
        clock.start();
        std::thread transfer([&] { response = client.get(url("never"), QByteArray(), &cancel); });
        QTRY_COMPARE(server_->requestCount(), 1);
        cancel.cancel();
        transfer.join();
        QVERIFY(!response.ok);
        QVERIFY(response.cancelled);
        QVERIFY2(clock.elapsed() < 30000, "the cancel waited for the stall time");
        QVERIFY(!cancel.sleepFor(60000ms)); // the waits between attempts end too
    }

    // The answer is written into the memory handed in, so a caller that keeps it avoids fresh pages.
    void bodyIsWrittenIntoTheGivenBuffer()
    {
        const QByteArray body(200000, 'b');
        server_->setFallback(LoopbackAnswer::text(body));
        HttpClient client;
        QByteArray buffer;
        buffer.reserve(1 << 20);
        const char* memory = buffer.constData();
        const HttpClient::Response response = client.get(url("big"), std::move(buffer), nullptr);
        QVERIFY(response.ok);
        QCOMPARE(response.body, body);
        QCOMPARE(response.body.constData(), memory);
    }

    void onlyHttpSchemesAreFetched()
    {
        HttpClient client;
        const HttpClient::Response response = client.get("file:///etc/hostname");
        QVERIFY(!response.ok);
        QVERIFY(response.body.isEmpty());
    }
};

QTEST_GUILESS_MAIN(HttpClientTest)
#include "tst_http_client.moc"
