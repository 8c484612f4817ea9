// The command line of ordavo-remote: what it was asked to run and how.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct RemoteOptions {
    std::optional<QString> baseUrl; // --at: ExecuteRemoteAt against this URL
    QStringList params;             // the RemoteParams of every statement
    bool ignoreResponse = false;
    bool helpRequested = false;
    QStringList statements;
};

// The options of the arguments (without the program name); nullopt with *error set for
// bad usage.
std::optional<RemoteOptions> ParseRemoteOptions(const QStringList& arguments, QString* error);

// The one-line synopsis, printed after a usage error.
QString RemoteUsage();
// The synopsis with what the tool does and every option, for --help.
QString RemoteHelp();
