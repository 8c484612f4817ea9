// Runs ordavo-workshop-sim for a test: start on a free port, control requests, stop.
#include "simulator_process.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int StartTimeoutMs = 90000; // a private MariaDB server installs its data folder first
}

QString SimulatorProcess::executablePath()
{
    return qEnvironmentVariable("ORDAVO_BINARY_DIR") + u"/tools/workshop-sim/ordavo-workshop-sim"_s;
}

SimulatorProcess::Backend SimulatorProcess::BackendFromEnvironment()
{
    return qEnvironmentVariable("ORDAVO_SIM_BACKEND").compare(u"mariadb"_s, Qt::CaseInsensitive) == 0 ? Backend::MariaDb
                                                                                                      : Backend::Sqlite;
}

// Each simulator on a shared MariaDB server gets a database of its own, so tests can run at once.
QStringList SimulatorProcess::backendArguments(Backend backend)
{
    if (backend == Backend::Sqlite)
        return {u"--db"_s, folder_.filePath(u"workshop.sqlite"_s)};
    const QString socket = qEnvironmentVariable("ORDAVO_SIM_MARIADB_SOCKET");
    if (socket.isEmpty())
        return {u"--mariadb"_s, u"--db"_s, folder_.filePath(u"mariadb"_s)};
    static int started = 0;
    databaseName_ = u"ordavo_t%1_%2"_s.arg(QCoreApplication::applicationPid()).arg(++started);
    return {u"--mariadb-socket"_s, socket, u"--mariadb-database"_s, databaseName_};
}

SimulatorProcess::SimulatorProcess(const QStringList& extraArguments)
    : SimulatorProcess(BackendFromEnvironment(), extraArguments)
{
}

SimulatorProcess::SimulatorProcess(Backend backend, const QStringList& extraArguments)
{
    if (!folder_.isValid()) {
        error_ = u"cannot create a temporary folder"_s;
        return;
    }
    // The back end's arguments are settled once, so that a restart finds the same data.
    extraArguments_ = backendArguments(backend) + extraArguments;
    start(0);
}

void SimulatorProcess::start(quint16 port)
{
    process_.setStandardErrorFile(folder_.filePath(u"simulator.log"_s), QIODevice::Append);
    const QStringList arguments = QStringList{u"--port"_s, QString::number(port)} + extraArguments_;
    process_.start(executablePath(), arguments);
    if (!process_.waitForStarted(StartTimeoutMs)) {
        error_ = u"cannot start "_s + executablePath() + u": "_s + process_.errorString();
        return;
    }
    if (!waitForListeningLine())
        error_ += u"\nsimulator log:\n"_s + logText();
}

void SimulatorProcess::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool SimulatorProcess::restart()
{
    const quint16 port = port_;
    stop();
    error_.clear();
    start(port);
    return isRunning() && port_ == port;
}

bool SimulatorProcess::waitForListeningLine()
{
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!process_.canReadLine()) {
        if (process_.state() != QProcess::Running || deadline.hasExpired()) {
            error_ = u"the simulator did not report its port"_s;
            return false;
        }
        process_.waitForReadyRead(100);
    }
    const QString line = QString::fromUtf8(process_.readLine()).trimmed();
    static const QRegularExpression listening(u"^listening on http://[^:/]+:(\\d+)/$"_s);
    const auto match = listening.match(line);
    if (!match.hasMatch()) {
        error_ = u"unexpected first line: "_s + line;
        return false;
    }
    port_ = quint16(match.captured(1).toUInt());
    return true;
}

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

bool SimulatorProcess::isRunning() const
{
    return port_ != 0 && process_.state() == QProcess::Running;
}

QString SimulatorProcess::logText() const
{
    QFile log(folder_.filePath(u"simulator.log"_s));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

QString SimulatorProcess::baseUrl() const
{
    return u"http://127.0.0.1:%1/"_s.arg(port_);
}

QString SimulatorProcess::gatewayUrl() const
{
    return baseUrl() + u"commobj/commobj/"_s;
}

QString SimulatorProcess::directoryUrl() const
{
    return baseUrl() + u"directory/"_s;
}

QString SimulatorProcess::directoryGatewayUrl() const
{
    return directoryUrl() + u"commobj/commobj/"_s;
}

QJsonObject SimulatorProcess::Reply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

SimulatorProcess::Reply SimulatorProcess::request(const char* method, const QString& path) const
{
    httplib::Client client("127.0.0.1", port_);
    client.set_connection_timeout(5);
    client.set_read_timeout(30);
    const std::string target = path.toStdString();
    const auto result = std::string_view(method) == "POST" ? client.Post(target) : client.Get(target);
    if (!result)
        return {};
    return {result->status, QByteArray::fromStdString(result->body)};
}

QByteArray SimulatorProcess::statusLineOf(const QByteArray& request) const
{
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    if (sock < 0)
        return {};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port_);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray answer;
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(sock, request.constData(), std::size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
        const QDeadlineTimer deadline(10000);
        char chunk[1024];
        while (!answer.contains("\r\n") && !deadline.hasExpired()) {
            pollfd entry{sock, POLLIN, 0};
            if (::poll(&entry, 1, int(deadline.remainingTime())) <= 0)
                break;
            const ssize_t n = ::recv(sock, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            answer.append(chunk, n);
        }
    }
    ::close(sock);
    return answer.left(answer.indexOf("\r\n"));
}

SimulatorProcess::Reply SimulatorProcess::control(const QString& command) const
{
    return request("POST", u"/control/"_s + command);
}

QJsonObject SimulatorProcess::state() const
{
    return request("GET", u"/control/state"_s).json();
}

QStringList SimulatorProcess::statements() const
{
    QStringList list;
    for (const auto& value : QJsonDocument::fromJson(request("GET", u"/control/statements"_s).body).array())
        list.append(value.toString());
    return list;
}
