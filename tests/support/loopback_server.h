// A loopback HTTP server for tests: records every request and answers from a script, a handler or a fallback.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

// One request as the server saw it.
struct LoopbackRequest {
    QByteArray method;
    QByteArray version; // "HTTP/1.1"
    QByteArray target;  // path and query exactly as sent
    QByteArray path;    // target before "?"
    QByteArray query;   // target after "?", not decoded
    QList<QPair<QByteArray, QByteArray>> headers;

    // The query as a web server's gateway script reads it: the raw query percent-decoded
    // ("%" and two hexadecimal digits give one byte, any other "%" stays), with "+" kept as
    // "+" (PHP's rawurldecode of $_SERVER['QUERY_STRING'], not the form decoding of $_GET).
    QByteArray decodedQuery() const;

    // The first value of the named header (any letter case), empty when absent.
    QByteArray header(const QByteArray& name) const;
    bool hasHeader(const QByteArray& name) const;
};

// How the server answers one request.
struct LoopbackAnswer {
    int status = 200;
    QByteArray body;
    int delayMs = 0;           // wait before answering
    bool neverAnswer = false;  // keep the connection open without answering until the server stops
    int tricklePieceBytes = 0; // send the body in pieces of this size (0: at once) ...
    int tricklePauseMs = 0;    // ... with this pause before each piece
    QList<QPair<QByteArray, QByteArray>> headers;

    static LoopbackAnswer text(QByteArray body, int status = 200);
    static LoopbackAnswer silent();
    LoopbackAnswer& withHeader(QByteArray name, QByteArray value);
    LoopbackAnswer& withDelay(int milliseconds);
    // A slow line that keeps moving: the body goes out `pieceBytes` at a time, `pauseMs` apart.
    LoopbackAnswer& trickled(int pieceBytes, int pauseMs);
};

// An HTTP server on 127.0.0.1 with a free port, running in its own thread from construction
// to destruction. Each request is recorded, then answered by the next scripted answer; when
// the script is used up, by the handler; without a handler, by the fallback (404 unless set).
class LoopbackServer {
public:
    using Handler = std::function<LoopbackAnswer(const LoopbackRequest&)>;

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    quint16 port() const;
    QString baseUrl() const; // "http://127.0.0.1:<port>/"

    void enqueue(LoopbackAnswer answer);
    void setHandler(Handler handler);
    void setFallback(LoopbackAnswer answer);

    QList<LoopbackRequest> requests() const;
    int requestCount() const;
    void clearRequests();

    // A loopback port on which nothing listens (bound once, then released).
    static quint16 closedPort();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
