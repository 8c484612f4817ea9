// The loopback HTTP server fixture on cpp-httplib: a listening thread, a request log and scripted answers.
#include "loopback_server.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

QByteArray LoopbackRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QByteArray LoopbackRequest::decodedQuery() const
{
    const auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    QByteArray decoded;
    decoded.reserve(query.size());
    for (qsizetype i = 0; i < query.size(); ++i) {
        const int high = i + 2 < query.size() ? hexValue(query[i + 1]) : -1;
        const int low = i + 2 < query.size() ? hexValue(query[i + 2]) : -1;
        if (query[i] == '%' && high >= 0 && low >= 0) {
            decoded.append(char(high << 4 | low));
            i += 2;
        } else {
            decoded.append(query[i]);
        }
    }
    return decoded;
}

bool LoopbackRequest::hasHeader(const QByteArray& name) const
{
    for (const auto& header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

LoopbackAnswer LoopbackAnswer::text(QByteArray body, int status)
{
    LoopbackAnswer answer;
    answer.status = status;
    answer.body = std::move(body);
    return answer;
}

LoopbackAnswer LoopbackAnswer::silent()
{
    LoopbackAnswer answer;
    answer.neverAnswer = true;
    return answer;
}

LoopbackAnswer& LoopbackAnswer::withHeader(QByteArray name, QByteArray value)
{
    headers.append({std::move(name), std::move(value)});
    return *this;
}

LoopbackAnswer& LoopbackAnswer::withDelay(int milliseconds)
{
    delayMs = milliseconds;
    return *this;
}

LoopbackAnswer& LoopbackAnswer::trickled(int pieceBytes, int pauseMs)
{
    tricklePieceBytes = pieceBytes;
    tricklePauseMs = pauseMs;
    return *this;
}

struct LoopbackServer::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable stopping;
    bool stopRequested = false;
    QList<LoopbackRequest> requests;
    std::deque<LoopbackAnswer> script;
    Handler handler;
    LoopbackAnswer fallback = LoopbackAnswer::text("no scripted answer", 404);

    static LoopbackRequest record(const httplib::Request& request)
    {
        LoopbackRequest recorded;
        recorded.method = QByteArray::fromStdString(request.method);
        recorded.version = QByteArray::fromStdString(request.version);
        recorded.target = QByteArray::fromStdString(request.target);
        const qsizetype question = recorded.target.indexOf('?');
        recorded.path = question < 0 ? recorded.target : recorded.target.left(question);
        recorded.query = question < 0 ? QByteArray() : recorded.target.mid(question + 1);
        for (const auto& [name, value] : request.headers) {
            // cpp-httplib adds the peer addresses as pseudo-headers; they were not sent.
            if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT")
                continue;
            recorded.headers.append({QByteArray::fromStdString(name), QByteArray::fromStdString(value)});
        }
        return recorded;
    }

    LoopbackAnswer answerFor(const LoopbackRequest& request)
    {
        Handler currentHandler;
        {
            std::lock_guard lock(mutex);
            requests.append(request);
            if (!script.empty()) {
                LoopbackAnswer answer = std::move(script.front());
                script.pop_front();
                return answer;
            }
            if (!handler)
                return fallback;
            currentHandler = handler;
        }
        return currentHandler(request);
    }

    // Sleeps for the delay, or until the server stops; "forever" for a silent answer.
    void holdBack(const LoopbackAnswer& answer)
    {
        std::unique_lock lock(mutex);
        if (answer.neverAnswer)
            stopping.wait(lock, [this] { return stopRequested; });
        else if (answer.delayMs > 0)
            stopping.wait_for(lock, std::chrono::milliseconds(answer.delayMs), [this] { return stopRequested; });
    }

    void serve(const httplib::Request& request, httplib::Response& response)
    {
        const LoopbackAnswer answer = answerFor(record(request));
        holdBack(answer);
        response.status = answer.status;
        for (const auto& [name, value] : answer.headers)
            response.set_header(name.toStdString(), value.toStdString());
        if (answer.tricklePieceBytes <= 0) {
            response.set_content(answer.body.toStdString(), "text/html");
            return;
        }
        const std::string body = answer.body.toStdString();
        const auto piece = std::size_t(answer.tricklePieceBytes);
        const auto pause = std::chrono::milliseconds(answer.tricklePauseMs);
        response.set_content_provider(
            body.size(), "text/html",
            [this, body, piece, pause](size_t offset, size_t length, httplib::DataSink& sink) {
                if (!pauseUnlessStopping(pause))
                    return false;
                sink.write(body.data() + offset, std::min(piece, length));
                return true;
            });
    }

    // Sleeps for `pause`; false when the server stops meanwhile.
    bool pauseUnlessStopping(std::chrono::milliseconds pause)
    {
        std::unique_lock lock(mutex);
        return !stopping.wait_for(lock, pause, [this] { return stopRequested; });
    }
};

LoopbackServer::LoopbackServer() : impl_(std::make_unique<Impl>())
{
    impl_->server.set_keep_alive_timeout(1);
    impl_->server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        impl_->serve(request, response);
    });
    impl_->port = impl_->server.bind_to_any_port("127.0.0.1");
    if (impl_->port <= 0)
        qFatal("LoopbackServer: cannot bind a loopback port");
    impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
    while (!impl_->server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackServer::~LoopbackServer()
{
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopRequested = true;
    }
    impl_->stopping.notify_all();
    impl_->server.stop();
    if (impl_->thread.joinable())
        impl_->thread.join();
}

quint16 LoopbackServer::port() const
{
    return quint16(impl_->port);
}

QString LoopbackServer::baseUrl() const
{
    return u"http://127.0.0.1:%1/"_s.arg(impl_->port);
}

void LoopbackServer::enqueue(LoopbackAnswer answer)
{
    std::lock_guard lock(impl_->mutex);
    impl_->script.push_back(std::move(answer));
}

void LoopbackServer::setHandler(Handler handler)
{
    std::lock_guard lock(impl_->mutex);
    impl_->handler = std::move(handler);
}

void LoopbackServer::setFallback(LoopbackAnswer answer)
{
    std::lock_guard lock(impl_->mutex);
    impl_->fallback = std::move(answer);
}

QList<LoopbackRequest> LoopbackServer::requests() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->requests;
}

int LoopbackServer::requestCount() const
{
    std::lock_guard lock(impl_->mutex);
    return int(impl_->requests.size());
}

void LoopbackServer::clearRequests()
{
    std::lock_guard lock(impl_->mutex);
    impl_->requests.clear();
}

quint16 LoopbackServer::closedPort()
{
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    quint16 port = 0;
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(sock);
    return port;
}
