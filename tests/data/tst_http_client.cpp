// Tests of the HTTP client against a loopback server: headers, status handling, redirects, cookies per object,
// time-outs.
#include "data/http_client.h"
#include "support/loopback_server.h"

#include <QTest>

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
