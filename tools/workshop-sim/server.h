// The simulator's HTTP server: workshop gateway, documents, web part, directory server, control endpoints and fault
// injection.
#pragma once

#include "database.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace sim {

// Every Nth gateway call (counted over both gateways, from 1) fails in the given way; 0 off.
struct FaultOptions {
    int transientEvery = 0; // answers "Token Expired]"
    int http500Every = 0;   // answers HTTP 500
    int hangEvery = 0;      // accepts and answers nothing for hangMs, then closes the connection
    int hangMs = 120000;
};

struct ServerOptions {
    std::string listenAddress = "127.0.0.1";
    int port = 0; // 0 picks a free port
    int latencyMs = 0;
    FaultOptions faults;
    bool logRequests = true; // one line per request on stderr
};

// The answer text of one statement: "[success]" + payload for rows,
// "[success][emptyrecordset]" without rows, the MySQL-like failure text otherwise.
std::string AnswerStatement(WorkshopBackend& db, Endpoint endpoint, std::string_view statement,
                            const std::string& workshopRoot);
std::string GatewayAnswer(const StatementOutcome& outcome);

class WorkshopServer {
public:
    WorkshopServer(WorkshopBackend& db, ServerOptions options);
    ~WorkshopServer();
    WorkshopServer(const WorkshopServer&) = delete;
    WorkshopServer& operator=(const WorkshopServer&) = delete;

    // Binds the listening socket; the port, or -1 when binding failed.
    int bind();
    // Serves until stop(); call after bind(). Returns at once when stop() came first.
    void run();
    // Ends run(), also one that is only about to start listening, and wakes requests that are
    // held by the hang fault. Any thread may call it, at any time after construction.
    void stop();

    int port() const { return port_; }
    // "http://HOST:PORT/" with 127.0.0.1 for a wildcard listen address.
    std::string rootUrl() const;

    // Every statement the gateways received, decoded, oldest first.
    std::vector<std::string> statements() const;

private:
    enum class Fault { None, Transient, Http500, Hang };

    void installRoutes();
    void installGateway(const std::string& path, Endpoint endpoint);
    void installDocuments();
    void installWebPages();
    void installControl();
    void handleGateway(Endpoint endpoint, const httplib::Request& req, httplib::Response& res);
    void holdAndClose(httplib::Response& res);
    Fault nextFault();
    void applyLatency() const;
    std::string workshopRootFor(const httplib::Request& req) const;
    std::string stateJson() const;
    void logRequest(const httplib::Request& req, const httplib::Response& res) const;

    WorkshopBackend& db_;
    ServerOptions options_;
    std::unique_ptr<httplib::Server> http_;
    int port_ = -1;

    std::atomic<int> latencyMs_;
    std::atomic<int> transientEvery_;
    std::atomic<int> http500Every_;
    std::atomic<int> hangEvery_;
    std::atomic<int> hangMs_;
    std::atomic<long> gatewayCalls_{0};

    mutable std::mutex statementsMutex_;
    std::vector<std::string> statements_;

    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    bool stopping_ = false;
    bool running_ = false; // inside run()
};

} // namespace sim
