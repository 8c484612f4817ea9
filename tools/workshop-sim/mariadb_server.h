// A private MariaDB server for the simulator: a data folder of its own, a unix socket, no network.
#pragma once

#include <string>
#include <sys/types.h>

namespace sim {

// Starts mariadbd on folder/mysqld.sock with its data in folder/data (installed there with
// mariadb-install-db when missing) and networking off, as the current user. The server
// gets SIGTERM when the simulator ends, also when the simulator is killed. Throws
// std::runtime_error with the server's log when it does not come up.
class MariaDbServer {
public:
    explicit MariaDbServer(const std::string& folder);
    ~MariaDbServer();
    MariaDbServer(const MariaDbServer&) = delete;
    MariaDbServer& operator=(const MariaDbServer&) = delete;

    std::string socketPath() const { return folder_ + "/mysqld.sock"; }
    // Stops the server and waits until it has gone; safe to call twice.
    void stop();

private:
    void installDataFolder() const;
    void startServer();
    void waitUntilAccepting();
    std::string logTail() const;

    std::string folder_;
    pid_t pid_ = -1;
};

} // namespace sim
