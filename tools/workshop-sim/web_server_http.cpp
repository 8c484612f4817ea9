// The connection loop of the simulator's HTTP server: each request head is read, checked and mended before cpp-httplib
// parses it.
#include "web_server_http.h"

#include "data/server_contract.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <string_view>

namespace sim {
namespace {

// A head that runs past this is no request this server takes; the connection is dropped.
constexpr std::size_t kHeadCap = 64 * 1024;
constexpr int kStopCheckMs = 10;

// How long the answer to a refused request waits for the rest of it, so that closing the
// connection does not reset it before the client has read the answer.
constexpr int kLingerMs = 1000;

std::string UriTooLongAnswer()
{
    const std::string body = "<h1>414 Request-URI Too Long</h1>";
    return "HTTP/1.1 414 Request-URI Too Long\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// The length of the request line at the start of the bytes, without its line end; all of them
// when no line end has come yet.
std::size_t RequestLineLength(const std::string& bytes)
{
    const std::size_t lineEnd = bytes.find('\n');
    if (lineEnd == std::string::npos)
        return bytes.size();
    return lineEnd > 0 && bytes[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
}

int Milliseconds(time_t seconds, time_t microseconds)
{
    return int(seconds * 1000 + microseconds / 1000);
}

// poll() on one socket: above 0 when ready, 0 on time-out, below 0 on failure.
int WaitFor(socket_t sock, short events, int timeoutMs)
{
    pollfd entry{sock, events, 0};
    int result = 0;
    do {
        result = ::poll(&entry, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    return result;
}

void Address(const sockaddr_storage& address, std::string& ip, int& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

// One connection: reads ahead what the head needs and serves it back to the parser.
class ConnectionStream final : public httplib::Stream {
public:
    ConnectionStream(socket_t sock, int readTimeoutMs, int writeTimeoutMs)
        : sock_(sock), readTimeoutMs_(readTimeoutMs), writeTimeoutMs_(writeTimeoutMs)
    {
    }

    bool is_readable() const override { return !pending_.empty() || WaitFor(sock_, POLLIN, readTimeoutMs_) > 0; }
    bool is_writable() const override { return WaitFor(sock_, POLLOUT, writeTimeoutMs_) > 0; }

    ssize_t read(char* ptr, size_t size) override
    {
        if (!pending_.empty()) {
            const std::size_t n = std::min(size, pending_.size());
            std::memcpy(ptr, pending_.data(), n);
            pending_.erase(0, n);
            return ssize_t(n);
        }
        if (!is_readable())
            return -1;
        ssize_t n = 0;
        do {
            n = ::recv(sock_, ptr, size, 0);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        if (!is_writable())
            return -1;
        ssize_t n = 0;
        do {
            n = ::send(sock_, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            Address(address, ip, port);
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            Address(address, ip, port);
    }

    socket_t socket() const override { return sock_; }

    // Waits for the first byte of the next request: false when the connection closed or stayed
    // idle for the keep-alive time, or the server is stopping.
    bool waitForRequest(int idleMs, const std::function<bool()>& stopping)
    {
        if (!pending_.empty())
            return true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(idleMs);
        while (!stopping()) {
            const int ready = WaitFor(sock_, POLLIN, kStopCheckMs);
            if (ready < 0)
                return false;
            if (ready > 0) {
                char probe = 0;
                return ::recv(sock_, &probe, 1, MSG_PEEK) > 0;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
        }
        return false;
    }

    // The head of the next request through its empty line; what came after it stays for the
    // parser. Incomplete when the connection ended first or the head ran past kHeadCap.
    struct ReadHead {
        std::string bytes;
        bool complete = false;
    };
    ReadHead readHead()
    {
        ReadHead head;
        char chunk[4096];
        for (;;) {
            const std::size_t end = HeadEnd(head.bytes);
            if (end != std::string::npos) {
                pending_.insert(0, head.bytes, end);
                head.bytes.resize(end);
                head.complete = true;
                return head;
            }
            if (head.bytes.size() > kHeadCap)
                return head;
            const ssize_t n = read(chunk, sizeof chunk);
            if (n <= 0)
                return head;
            head.bytes.append(chunk, std::size_t(n));
        }
    }

    // Ends the sending side and reads what the client still sends, for a short while.
    void lingerAfterAnswer()
    {
        ::shutdown(sock_, SHUT_WR);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLingerMs);
        char chunk[4096];
        while (std::chrono::steady_clock::now() < deadline && WaitFor(sock_, POLLIN, kStopCheckMs * 10) > 0 &&
               ::recv(sock_, chunk, sizeof chunk, 0) > 0) {
        }
    }

    // Puts bytes in front of what the parser reads next.
    void unread(const std::string& bytes) { pending_.insert(0, bytes); }

    bool writeAll(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t n = write(bytes.data(), bytes.size());
            if (n <= 0)
                return false;
            bytes.remove_prefix(std::size_t(n));
        }
        return true;
    }

private:
    // Where the head ends (after its empty line), or npos.
    static std::size_t HeadEnd(const std::string& bytes)
    {
        const std::size_t crlf = bytes.find("\r\n\r\n");
        const std::size_t lf = bytes.find("\n\n");
        if (crlf == std::string::npos && lf == std::string::npos)
            return std::string::npos;
        if (lf == std::string::npos || (crlf != std::string::npos && crlf < lf))
            return crlf + 4;
        return lf + 2;
    }

    socket_t sock_;
    int readTimeoutMs_;
    int writeTimeoutMs_;
    std::string pending_;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Whether a header line of the head names one of these fields.
bool HasField(std::string_view headers, std::string_view name)
{
    while (!headers.empty()) {
        const std::size_t lineEnd = headers.find('\n');
        const std::string_view line = headers.substr(0, lineEnd);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && EqualsIgnoringCase(line.substr(0, colon), name))
            return true;
        headers = lineEnd == std::string_view::npos ? std::string_view() : headers.substr(lineEnd + 1);
    }
    return false;
}

bool MethodCarriesBody(std::string_view method)
{
    return method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE";
}

// The target as the parser can take it: every "?" after the first as "%3F", or, when that
// would make the request line too long for the parser, the target cut at its second "?".
std::string ParseableTarget(const std::string& target, std::size_t lineWithoutTarget)
{
    const std::size_t first = target.find('?');
    if (first == std::string::npos || target.find('?', first + 1) == std::string::npos)
        return target;
    std::string mended = target.substr(0, first + 1);
    for (std::size_t i = first + 1; i < target.size(); ++i)
        mended += target[i] == '?' ? std::string("%3F") : std::string(1, target[i]);
    if (lineWithoutTarget + mended.size() + 2 <= CPPHTTPLIB_REQUEST_URI_MAX_LENGTH)
        return mended;
    return target.substr(0, target.find('?', first + 1));
}

} // namespace

std::optional<WebServerHttp::Head> WebServerHttp::MendHead(const std::string& head)
{
    const std::size_t lineEnd = head.find('\n');
    if (lineEnd == std::string::npos)
        return std::nullopt;
    const std::string line = head.substr(0, RequestLineLength(head));
    const std::size_t firstBlank = line.find(' ');
    const std::size_t lastBlank = line.rfind(' ');
    if (firstBlank == std::string::npos || lastBlank == firstBlank)
        return std::nullopt;
    Head result;
    result.target = line.substr(firstBlank + 1, lastBlank - firstBlank - 1);
    const std::string method = line.substr(0, firstBlank);
    const std::string target = ParseableTarget(result.target, line.size() - result.target.size());
    std::string rest = head.substr(lineEnd + 1);
    if (MethodCarriesBody(method) && !HasField(rest, "Content-Length") && !HasField(rest, "Transfer-Encoding")) {
        // Before the empty line that ends the head.
        const std::size_t emptyLine = rest.size() - (rest.ends_with("\r\n") ? 2 : 1);
        rest.insert(emptyLine, "Content-Length: 0\r\n");
    }
    result.mended = method + ' ' + target + line.substr(lastBlank) + "\r\n" + rest;
    return result;
}

bool WebServerHttp::process_and_close_socket(socket_t sock)
{
    ConnectionStream stream(sock, Milliseconds(read_timeout_sec_, read_timeout_usec_),
                            Milliseconds(write_timeout_sec_, write_timeout_usec_));
    const auto stopping = [this] { return svr_sock_ == INVALID_SOCKET; };
    bool result = false;
    for (std::size_t left = keep_alive_max_count_; left > 0 && !stopping(); --left) {
        if (!stream.waitForRequest(int(keep_alive_timeout_sec_ * 1000), stopping))
            break;
        const ConnectionStream::ReadHead head = stream.readHead();
        if (RequestLineLength(head.bytes) > ServerContract::RequestLineLimit) {
            if (stream.writeAll(UriTooLongAnswer()))
                stream.lingerAfterAnswer();
            break;
        }
        if (!head.complete)
            break;
        const std::optional<Head> mended = MendHead(head.bytes);
        stream.unread(mended ? mended->mended : head.bytes);
        bool closed = false;
        result = process_request(stream, left == 1, closed, [&mended](httplib::Request& request) {
            if (mended)
                request.target = mended->target;
        });
        if (!result || closed)
            break;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return result;
}

} // namespace sim
