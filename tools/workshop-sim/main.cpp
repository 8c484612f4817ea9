// Entry of ordavo-workshop-sim: reads the command line, opens or seeds the database and serves until SIGINT or SIGTERM.
#include "database.h"
#include "server.h"
#ifdef ORDAVO_SIM_WITH_MARIADB
#include "mariadb_backend.h"
#include "mariadb_server.h"
#endif

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <iostream>
#include <optional>
#include <pthread.h>
#include <thread>

namespace {

struct Options {
    sim::ServerOptions server;
    QString databasePath;
    std::string dateFormat{sim::DateFormatIso};
    std::string version{ORDAVO_VERSION_STRING};
    int orderCount = 40;
    std::string demoCode = "demo1234";
    QDateTime seedTime = QDateTime::currentDateTime();
    bool mariadb = false;      // run the statements on MariaDB instead of SQLite
    std::string mariadbSocket; // a running server's socket; empty: start a private one
    std::string mariadbUser = "root";
    std::string mariadbDatabase = "ordavo";
};

// A list answer allocates tens of megabytes that are freed when it has been sent. Keeping
// freed memory in the process, instead of handing it back to the kernel and faulting it in
// again for the next answer, takes a large share off the time of every big answer.
void KeepFreedMemory()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
#endif
}

[[noreturn]] void UsageError(const QCommandLineParser& parser, const QString& message)
{
    std::fprintf(stderr, "ordavo-workshop-sim: %s\n\n%s", message.toLocal8Bit().constData(),
                 parser.helpText().toLocal8Bit().constData());
    std::exit(2);
}

int NonNegative(const QCommandLineParser& parser, const QString& name, int fallback)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < 0)
        UsageError(parser, QStringLiteral("--%1 needs a whole number of 0 or more").arg(name));
    return value;
}

Options ParseOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulator of the Ordavo workshop and directory servers."));
    parser.addHelpOption();
    const auto option = [&parser](const char* name, const char* description, const char* valueName) {
        parser.addOption({QString::fromLatin1(name), QString::fromUtf8(description), QString::fromLatin1(valueName)});
    };
    option("listen", "Address to listen on (default 127.0.0.1).", "address");
    option("port", "Port; 0 (default) picks a free one.", "n");
    option("db",
           "SQLite database file, or with --mariadb the folder of the private server's data; seeded when "
           "new (default: a temporary file or folder).",
           "path");
    option("date-format", "Date format of usp_checkDate and the lists: yyyy-mm-dd, yyyy/mm/dd or dd.mm.yyyy.",
           "format");
    option("version-served", "Version answered by usp_getversion.", "version");
    option("latency-ms", "Delay before every answer.", "ms");
    option("orders", "Number of orders seeded into a new database (default 40).", "n");
    option("fault-transient-every", "Every Nth gateway call answers \"Token Expired]\".", "n");
    option("fault-http500-every", "Every Nth gateway call answers HTTP 500.", "n");
    option("fault-hang-every", "Every Nth gateway call gets no answer, then a closed connection.", "n");
    option("fault-hang-ms", "How long a hung call is held (default 120000).", "ms");
    option("demo-code", "Access code the directory knows (default demo1234).", "code");
    option("seed-time",
           "Time the seeded orders are dated back from, as yyyy-MM-ddTHH:mm:ss (default now); "
           "equal times give equal databases.",
           "time");
    parser.addOption({QStringLiteral("mariadb"),
                      QStringLiteral("Run the statements on a private MariaDB server started in the --db folder.")});
    option("mariadb-socket", "Run the statements on the MariaDB server already listening on this socket.", "path");
    option("mariadb-user", "User name for --mariadb-socket (default root).", "name");
    option("mariadb-database",
           "Workshop database on MariaDB (default ordavo; the directory's is NAME_imenik); "
           "created and seeded when missing.",
           "name");
    if (!parser.parse(arguments))
        UsageError(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        std::exit(0);
    }
    if (!parser.positionalArguments().isEmpty())
        UsageError(parser, QStringLiteral("unexpected argument ") + parser.positionalArguments().first());

    Options options;
    if (parser.isSet(QStringLiteral("listen")))
        options.server.listenAddress = parser.value(QStringLiteral("listen")).toStdString();
    options.server.port = NonNegative(parser, QStringLiteral("port"), 0);
    if (options.server.port > 65535)
        UsageError(parser, QStringLiteral("--port must be below 65536"));
    options.databasePath = parser.value(QStringLiteral("db"));
    if (parser.isSet(QStringLiteral("date-format"))) {
        options.dateFormat = parser.value(QStringLiteral("date-format")).toStdString();
        if (!sim::IsSupportedDateFormat(options.dateFormat))
            UsageError(parser, QStringLiteral("--date-format must be yyyy-mm-dd, yyyy/mm/dd or dd.mm.yyyy"));
    }
    if (parser.isSet(QStringLiteral("version-served")))
        options.version = parser.value(QStringLiteral("version-served")).toStdString();
    options.server.latencyMs = NonNegative(parser, QStringLiteral("latency-ms"), 0);
    options.orderCount = NonNegative(parser, QStringLiteral("orders"), 40);
    options.server.faults.transientEvery = NonNegative(parser, QStringLiteral("fault-transient-every"), 0);
    options.server.faults.http500Every = NonNegative(parser, QStringLiteral("fault-http500-every"), 0);
    options.server.faults.hangEvery = NonNegative(parser, QStringLiteral("fault-hang-every"), 0);
    options.server.faults.hangMs = NonNegative(parser, QStringLiteral("fault-hang-ms"), 120000);
    if (parser.isSet(QStringLiteral("demo-code"))) {
        options.demoCode = parser.value(QStringLiteral("demo-code")).trimmed().toLower().toStdString();
        if (options.demoCode.empty())
            UsageError(parser, QStringLiteral("--demo-code must not be empty"));
    }
    if (parser.isSet(QStringLiteral("seed-time"))) {
        options.seedTime = QDateTime::fromString(parser.value(QStringLiteral("seed-time")), Qt::ISODate);
        if (!options.seedTime.isValid())
            UsageError(parser, QStringLiteral("--seed-time must be a date and time such as 2024-03-05T10:00:00"));
    }
    options.mariadbSocket = parser.value(QStringLiteral("mariadb-socket")).toStdString();
    options.mariadb = parser.isSet(QStringLiteral("mariadb")) || !options.mariadbSocket.empty();
    if (parser.isSet(QStringLiteral("mariadb-user")))
        options.mariadbUser = parser.value(QStringLiteral("mariadb-user")).toStdString();
    if (parser.isSet(QStringLiteral("mariadb-database")))
        options.mariadbDatabase = parser.value(QStringLiteral("mariadb-database")).toStdString();
#ifndef ORDAVO_SIM_WITH_MARIADB
    if (options.mariadb)
        UsageError(parser, QStringLiteral("this simulator was built without MariaDB's client library"));
#endif
    return options;
}

void Prepare(sim::LockedWorkshopBackend& db, const Options& options)
{
    db.setDateFormat(options.dateFormat);
    db.setVersionServed(options.version);
    if (db.wasCreated())
        db.seed({options.orderCount, options.demoCode, options.seedTime});
}

int Serve(sim::WorkshopBackend& db, const Options& options, sigset_t stopSignals)
{
    sim::WorkshopServer server(db, options.server);
    if (server.bind() < 0) {
        std::fprintf(stderr, "ordavo-workshop-sim: cannot listen on %s port %d\n", options.server.listenAddress.c_str(),
                     options.server.port);
        return 1;
    }
    std::cout << "listening on " << server.rootUrl() << std::endl;
    // SIGINT and SIGTERM are taken by one thread that stops the server, so the main thread
    // returns normally, the temporary database is removed and a private MariaDB server stopped.
    // A signal may come at once, before the server listens; stop() holds for that.
    std::thread stopper([&server, stopSignals] {
        int received = 0;
        sigwait(&stopSignals, &received);
        server.stop();
    });
    server.run();
    // Wakes the thread if no signal came, and waits for it, so it never reaches a server that is gone.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return 0;
}

int ServeSqlite(const Options& options, const QString& databasePath, sigset_t stopSignals)
{
    sim::WorkshopDatabase db(databasePath.toStdString());
    Prepare(db, options);
    return Serve(db, options, stopSignals);
}

#ifdef ORDAVO_SIM_WITH_MARIADB
// The private server is declared first, so it stops only after the connections have closed.
int ServeMariaDb(const Options& options, const QString& folder, sigset_t stopSignals)
{
    std::optional<sim::MariaDbServer> privateServer;
    sim::MariaDbLogin login;
    login.user = options.mariadbUser;
    login.database = options.mariadbDatabase;
    if (options.mariadbSocket.empty()) {
        privateServer.emplace(folder.toStdString());
        login.socket = privateServer->socketPath();
        login.user = "root";
    } else {
        login.socket = options.mariadbSocket;
    }
    sim::MariaDbBackend db(login);
    Prepare(db, options);
    return Serve(db, options, stopSignals);
}
#endif

} // namespace

int main(int argc, char* argv[])
{
    // Documents are drawn without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    KeepFreedMemory();
    QGuiApplication app(argc, argv);
    const Options options = ParseOptions(app.arguments());

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::optional<QTemporaryDir> temporaryFolder;
    QString databasePath = options.databasePath;
    if (databasePath.isEmpty() && options.mariadbSocket.empty()) {
        temporaryFolder.emplace(QDir::tempPath() + QStringLiteral("/ordavo-sim-XXXXXX"));
        if (!temporaryFolder->isValid()) {
            std::fprintf(stderr, "ordavo-workshop-sim: cannot create a temporary folder\n");
            return 1;
        }
        databasePath =
            temporaryFolder->filePath(options.mariadb ? QStringLiteral("mariadb") : QStringLiteral("workshop.sqlite"));
    }

    try {
#ifdef ORDAVO_SIM_WITH_MARIADB
        if (options.mariadb)
            return ServeMariaDb(options, databasePath, stopSignals);
#endif
        return ServeSqlite(options, databasePath, stopSignals);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ordavo-workshop-sim: %s\n", error.what());
        return 1;
    }
}
