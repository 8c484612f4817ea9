// The simulator's HTTP server on cpp-httplib, reading each request's head as a web server does.
#pragma once

#include <httplib.h>

#include <optional>
#include <string>

namespace sim {

// cpp-httplib with three differences that a web server (Apache, nginx) shows and the client
// meets:
// - a request line longer than the web servers' limit is answered with 414 and nothing else;
// - a raw "?" inside the query is part of the query (cpp-httplib refuses such a target with 400);
//   handlers see the target exactly as it was sent;
// - a POST without Content-Length and without chunked encoding has no body (cpp-httplib waits
//   for the connection to close and then answers 400), as the command `curl -X POST` sends it.
class WebServerHttp final : public httplib::Server {
public:
    // Reads the head of the next request: request line and header lines up to the empty line.
    // What the parser gets instead: the request line with every "?" after the first written as
    // "%3F" (cut at the second "?" when that would pass the parser's own length limit), and a
    // "Content-Length: 0" added to a body-less POST. Nothing when the head is not a request.
    struct Head {
        std::string target; // as sent
        std::string mended; // what the parser reads
    };
    static std::optional<Head> MendHead(const std::string& head);

private:
    bool process_and_close_socket(socket_t sock) override;
};

} // namespace sim
