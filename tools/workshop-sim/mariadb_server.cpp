// Installing, starting and stopping the simulator's private MariaDB server.
#include "mariadb_server.h"

#include <mysql.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sim {
namespace {

constexpr auto StartTimeout = std::chrono::seconds(90);
constexpr auto StopTimeout = std::chrono::seconds(30);
constexpr std::size_t MaxSocketPath = 100; // sockaddr_un holds 108 bytes with the NUL

// mariadbd refuses to run as root unless told so; naming the current user covers both cases.
std::string CurrentUserName()
{
    const passwd* entry = getpwuid(geteuid());
    return entry && entry->pw_name ? std::string(entry->pw_name) : std::string("root");
}

// mariadbd lives in /usr/sbin, which is not on every user's PATH.
std::string FindProgram(const char* name)
{
    QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QString::fromLatin1(name),
                                               {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    if (found.isEmpty())
        throw std::runtime_error(std::string(name) + " not found; install the mariadb-server package");
    return found.toStdString();
}

// Runs program in a child that dies with the simulator, its output appended to logPath.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, const std::string& logPath)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error(std::string("cannot start ") + program + ": " + std::strerror(errno));
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr); // the simulator blocks SIGTERM for its own signal thread
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0)
            dup2(null, STDIN_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

bool CanConnect(const std::string& socket)
{
    MYSQL* handle = mysql_init(nullptr);
    if (!handle)
        return false;
    const bool ok = mysql_real_connect(handle, nullptr, "root", nullptr, nullptr, 0, socket.c_str(), 0) != nullptr;
    mysql_close(handle);
    return ok;
}

} // namespace

MariaDbServer::MariaDbServer(const std::string& folder)
    : folder_(QDir(QString::fromStdString(folder)).absolutePath().toStdString())
{
    if (!QDir().mkpath(QString::fromStdString(folder_)))
        throw std::runtime_error("cannot create the MariaDB folder " + folder_);
    if (socketPath().size() > MaxSocketPath)
        throw std::runtime_error("the MariaDB folder's path is too long for a socket: " + folder_);
    installDataFolder();
    startServer();
    try {
        waitUntilAccepting();
    } catch (...) {
        stop();
        throw;
    }
}

MariaDbServer::~MariaDbServer()
{
    stop();
}

void MariaDbServer::installDataFolder() const
{
    const std::string data = folder_ + "/data";
    if (QFileInfo::exists(QString::fromStdString(data + "/mysql")))
        return;
    const pid_t pid = Spawn(FindProgram("mariadb-install-db"),
                            {"--no-defaults", "--datadir=" + data, "--user=" + CurrentUserName(),
                             "--auth-root-authentication-method=normal", "--skip-test-db", "--skip-name-resolve"},
                            folder_ + "/install.log");
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        QFile log(QString::fromStdString(folder_ + "/install.log"));
        const QByteArray text = log.open(QIODevice::ReadOnly) ? log.readAll().right(4000) : QByteArray();
        throw std::runtime_error("mariadb-install-db failed:\n" + text.toStdString());
    }
}

void MariaDbServer::startServer()
{
    QFile::remove(QString::fromStdString(socketPath()));
    pid_ = Spawn(FindProgram("mariadbd"),
                 {"--no-defaults", "--datadir=" + folder_ + "/data", "--socket=" + socketPath(), "--skip-networking",
                  "--pid-file=" + folder_ + "/mariadbd.pid", "--log-error=" + folder_ + "/mariadbd.log",
                  "--user=" + CurrentUserName(), "--skip-name-resolve", "--innodb-buffer-pool-size=32M",
                  "--character-set-server=utf8mb4", "--collation-server=utf8mb4_bin"},
                 folder_ + "/mariadbd.out");
}

void MariaDbServer::waitUntilAccepting()
{
    const auto deadline = std::chrono::steady_clock::now() + StartTimeout;
    while (!CanConnect(socketPath())) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("mariadbd stopped while starting:\n" + logTail());
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("mariadbd did not accept connections in time:\n" + logTail());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::string MariaDbServer::logTail() const
{
    QFile log(QString::fromStdString(folder_ + "/mariadbd.log"));
    return log.open(QIODevice::ReadOnly) ? log.readAll().right(4000).toStdString() : std::string();
}

void MariaDbServer::stop()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + StopTimeout;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    pid_ = -1;
}

} // namespace sim
