// One HTTP/1.1 client over a libcurl easy handle: fixed headers, its own cookies, no redirects.
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

// Ends a transfer, and the waits between a call's attempts, from another thread: the thread that
// waits for a call asks for the end, the thread that runs it stops at once.
class TransferCancel {
public:
    TransferCancel() = default;
    TransferCancel(const TransferCancel&) = delete;
    TransferCancel& operator=(const TransferCancel&) = delete;

    // Asks for the end; any thread, any number of times.
    void cancel();
    bool cancelled() const { return cancelled_.load(std::memory_order_acquire); }

    // Sleeps for `duration` unless the end is asked for first; false when it was.
    bool sleepFor(std::chrono::milliseconds duration);

private:
    friend class HttpClient;
    // The transfer that a cancel must wake, registered by the thread that runs it.
    void attach(void* multiHandle);
    void detach();

    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::condition_variable woken_;
    void* multiHandle_ = nullptr;
};

// Synchronous GET on the calling thread; an object is used by one thread at a time and may be
// handed from one thread to another between transfers. Each object keeps its own cookie store for
// its whole life; a fresh object starts without cookies. Redirects are not followed, no proxy is
// used, TLS certificates are verified. A transfer fails when the server cannot be reached in the
// connect time, the connection breaks, no byte arrives for the stall time, the status is not 2xx,
// or the body grows past MaxBodyBytes. A slow transfer that keeps moving is never cut.
class HttpClient {
public:
    struct Response {
        bool ok = false;        // true only for a complete 2xx transfer
        long status = 0;        // HTTP status, 0 when none arrived
        QByteArray body;        // the body of a successful transfer
        QString error;          // why the transfer failed, for messages
        bool cancelled = false; // the transfer ended because its cancel was asked for
    };

    static constexpr qint64 MaxBodyBytes = 256LL * 1024 * 1024;
    static constexpr std::chrono::milliseconds DefaultConnectTimeout{5000};
    static constexpr std::chrono::milliseconds DefaultStallTimeout{10000};

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    Response get(const QByteArray& url);
    // The same, with the body written into `buffer` (its memory kept from transfer to transfer
    // while nothing else shares it) and handed back in Response::body; `cancel`, when given, ends
    // the transfer early from another thread.
    Response get(const QByteArray& url, QByteArray buffer, TransferCancel* cancel);

    // Connect: the most time to reach the server. Stall: the most time without receiving a byte.
    void setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds stall);
    std::chrono::milliseconds connectTimeout() const;
    std::chrono::milliseconds stallTimeout() const;

    // Time-outs given to every client created afterwards. They are process-wide because the clients
    // are created deep inside the program (the transport's sender, the sign-in window's client), and
    // a test that needs short time-outs must reach those too; such a test sets DefaultConnectTimeout
    // and DefaultStallTimeout back when it ends. Set them while no call runs.
    static void setDefaultTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds stall);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
