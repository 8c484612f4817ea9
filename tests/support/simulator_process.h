// A test fixture that runs the built ordavo-workshop-sim on a free loopback port with its own database.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Starts $ORDAVO_BINARY_DIR/tools/workshop-sim/ordavo-workshop-sim with --port 0, a fresh
// database in a temporary folder and the given extra arguments, and waits for its
// "listening on" line. Stops it (SIGTERM, then kill) when destroyed. Check isRunning()
// first; errorText() says why a start failed, logText() holds the request log.
//
//   SimulatorProcess sim({u"--fault-transient-every"_s, u"2"_s});
//   QVERIFY2(sim.isRunning(), qPrintable(sim.errorText()));
//   WriteSetting(u"ordavo"_s, u"weburlroot"_s, sim.baseUrl());
//   sim.control(u"lock-order?id=1502"_s);
//
// The database back end comes from the environment: ORDAVO_SIM_BACKEND=mariadb runs the
// statements on MariaDB, on the server at ORDAVO_SIM_MARIADB_SOCKET (a fresh database per
// simulator) or, without it, on a private server in the temporary folder.
class SimulatorProcess {
public:
    enum class Backend { Sqlite, MariaDb };
    // The back end the environment asks for; SQLite when it names none.
    static Backend BackendFromEnvironment();

    explicit SimulatorProcess(const QStringList& extraArguments = {});
    SimulatorProcess(Backend backend, const QStringList& extraArguments);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool isRunning() const;
    // Stops the simulator (SIGTERM, then kill); its database stays.
    void stop();
    // Starts it again on the same port with the same database; false when that failed.
    bool restart();
    QString errorText() const { return error_; }
    QString logText() const;

    quint16 port() const { return port_; }
    // The workshop's database as the server names it in errors: "ordavo", or on a shared
    // MariaDB server the simulator's own database.
    QString databaseName() const { return databaseName_; }
    QString baseUrl() const;             // "http://127.0.0.1:PORT/", the workshop root
    QString gatewayUrl() const;          // baseUrl() + "commobj/commobj/"
    QString directoryUrl() const;        // baseUrl() + "directory/"
    QString directoryGatewayUrl() const; // directoryUrl() + "commobj/commobj/"

    struct Reply {
        int status = 0; // 0 when the simulator could not be reached
        QByteArray body;
        QJsonObject json() const;
    };
    // POST /control/<command>, for example "bump-update-counter", "add-order?type=1",
    // "lock-order?id=1502", "unlock-order?id=1502", "set-version?version=1.1.3.338",
    // "set-update-counter?value=5" (no value: NULL), "clear-defaults",
    // "set-date-format?format=dd.mm.yyyy", "faults?transient-every=2&http500-every=0",
    // "clear-statements".
    Reply control(const QString& command) const;
    // The status line ("HTTP/1.1 200 OK") the simulator answers to a request sent byte for byte
    // as given, for forms an HTTP client library does not write; empty when none came in 10 s.
    QByteArray statusLineOf(const QByteArray& request) const;
    // GET /control/state: orders, unbilledOrders, updateCounter, version, lockedOrders, ...
    QJsonObject state() const;
    // Every statement the gateways received so far, decoded.
    QStringList statements() const;

    // The seeded demo data that tests may rely on.
    static constexpr const char* DemoCode = "demo1234";
    static constexpr int OrderWithDocuments = 1501; // signature, two pictures, a discount item
    static constexpr int LockedOrder = 1502;        // saved 2
    static constexpr int UnsavedOrder = 1503;       // saved 0
    static constexpr int OrderWithoutCustomer = 1504;
    static constexpr int ReceptionOrder = 1505; // signature and four pictures

    static QString executablePath();

private:
    QStringList backendArguments(Backend backend);
    Reply request(const char* method, const QString& path) const;
    bool waitForListeningLine();
    void start(quint16 port);

    QStringList extraArguments_;
    QTemporaryDir folder_;
    QProcess process_;
    quint16 port_ = 0;
    QString databaseName_ = QStringLiteral("ordavo");
    QString error_;
};
