// One HTTP/1.1 client over a libcurl easy handle: fixed headers, its own cookies, no redirects.
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>

// Synchronous GET on the calling thread. Each object keeps its own cookie store for its
// whole life; a fresh object starts without cookies. Redirects are not followed, no proxy
// is used, TLS certificates are verified. A transfer fails when the server cannot be
// reached, the connection breaks or times out, the status is not 2xx, or the body grows
// past MaxBodyBytes.
class HttpClient {
public:
    struct Response {
        bool ok = false; // true only for a complete 2xx transfer
        long status = 0; // HTTP status, 0 when none arrived
        QByteArray body; // the body of a successful transfer
        QString error;   // why the transfer failed, for messages
    };

    static constexpr qint64 MaxBodyBytes = 256LL * 1024 * 1024;
    static constexpr std::chrono::milliseconds DefaultConnectTimeout{5000};
    static constexpr std::chrono::milliseconds DefaultTotalTimeout{30000};

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    Response get(const QByteArray& url);

    void setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);

    // Time-outs given to every client created afterwards (tests shorten them).
    static void setDefaultTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
