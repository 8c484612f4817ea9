// ordavo-remote: sends statements through the client's own transport and prints one JSON line per statement.
#include "remote_json.h"
#include "remote_options.h"

#include "data/http_client.h"
#include "data/remote_call.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kExitBadUsage = 2;

void WriteLine(std::FILE* stream, const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QByteArray RunStatement(const RemoteOptions& options, const QString& statement)
{
    RemoteParams = options.params;
    const RecordsetPtr result = options.baseUrl ? ExecuteRemoteAt(statement, *options.baseUrl, options.ignoreResponse)
                                                : ExecuteRemote(statement, options.ignoreResponse);
    try {
        return RemoteResultJson(statement, LastRemoteError, result.get());
    } catch (const std::exception& e) {
        WriteLine(stderr, u"ordavo-remote: %1"_s.arg(ErrorMessage(e)).toUtf8());
        return RemoteResultJson(statement, LastRemoteError, nullptr);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    const std::optional<RemoteOptions> options = ParseRemoteOptions(app.arguments().mid(1), &error);
    if (!options) {
        const QString message = u"ordavo-remote: "_s + error + u'\n' + RemoteUsage();
        WriteLine(stderr, message.trimmed().toUtf8());
        return kExitBadUsage;
    }
    if (options->helpRequested) {
        WriteLine(stdout, RemoteHelp().trimmed().toUtf8());
        return 0;
    }

    // The tool owns the clients the client's windows would own: the sender always, the
    // login client when it calls an explicit base URL. They live across all statements.
    std::unique_ptr<HttpClient> sender = std::make_unique<HttpClient>();
    SetSenderSlot(&sender);
    std::unique_ptr<HttpClient> login;
    if (options->baseUrl) {
        login = std::make_unique<HttpClient>();
        SetLoginClient(login.get());
    }
    for (const QString& statement : options->statements)
        WriteLine(stdout, RunStatement(*options, statement));
    SetLoginClient(nullptr);
    SetSenderSlot(nullptr);
    return 0;
}
