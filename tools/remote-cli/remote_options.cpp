// Parsing of the ordavo-remote command line.
#include "remote_options.h"

using namespace Qt::StringLiterals;

namespace {

// The value of an option given as "--name VALUE" or "--name=VALUE"; advances index past it.
std::optional<QString> OptionValue(const QStringList& arguments, qsizetype& index, const QString& name)
{
    const QString& argument = arguments[index];
    if (argument.startsWith(name + u'='))
        return argument.mid(name.size() + 1);
    if (index + 1 >= arguments.size())
        return std::nullopt;
    return arguments[++index];
}

QString Synopsis()
{
    return u"ordavo-remote [--at BASE_URL] [--param TEXT]... [--no-params] [--ignore-response] "
           "STATEMENT [STATEMENT...]\n"_s;
}

} // namespace

QString RemoteUsage()
{
    return u"usage: "_s + Synopsis();
}

QString RemoteHelp()
{
    return u"Usage: "_s + Synopsis() +
           u"\n"
           "Sends each STATEMENT, one after the other, through the Ordavo client's own transport and\n"
           "prints one JSON object per statement on a line of its own:\n"
           "  {\"statement\": ..., \"lastRemoteError\": ..., \"recordset\": null | {\"columns\": [...], \"rows\": "
           "[...]}}\n"
           "The statements share one process, so the HTTP clients and their cookies live across them.\n"
           "\n"
           "Options:\n"
           "  --at BASE_URL      call this base URL (ending in /) instead of the workshop server that\n"
           "                     the user's settings name (weburlroot + weburl)\n"
           "  --param TEXT       add one parameter to every statement; may be repeated\n"
           "                     (without it, every statement gets one empty parameter)\n"
           "  --no-params        send the statements with no parameter at all\n"
           "  --ignore-response  send, but leave the answer unread: no recordset, no error text\n"
           "  --help             show this help and exit\n"
           "  --                 every argument after it is a statement\n"
           "\n"
           "Exit status: 0 when the calls ran (failures are reported in lastRemoteError), 2 for bad usage.\n"_s;
}

std::optional<RemoteOptions> ParseRemoteOptions(const QStringList& arguments, QString* error)
{
    RemoteOptions options;
    bool noParams = false;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u"--")) {
            options.statements.append(argument);
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"--help") {
            options.helpRequested = true;
        } else if (argument == u"--no-params") {
            noParams = true;
        } else if (argument == u"--ignore-response") {
            options.ignoreResponse = true;
        } else if (argument == u"--at" || argument.startsWith(u"--at=")) {
            const std::optional<QString> value = OptionValue(arguments, i, u"--at"_s);
            if (!value || options.baseUrl) {
                *error = value ? u"--at may be given once"_s : u"--at needs a base URL"_s;
                return std::nullopt;
            }
            options.baseUrl = *value;
        } else if (argument == u"--param" || argument.startsWith(u"--param=")) {
            const std::optional<QString> value = OptionValue(arguments, i, u"--param"_s);
            if (!value) {
                *error = u"--param needs a text"_s;
                return std::nullopt;
            }
            options.params.append(*value);
        } else {
            *error = u"unknown option %1"_s.arg(argument);
            return std::nullopt;
        }
    }
    if (options.helpRequested)
        return options;
    if (noParams && !options.params.isEmpty()) {
        *error = u"--no-params and --param exclude each other"_s;
        return std::nullopt;
    }
    if (options.statements.isEmpty()) {
        *error = u"no statement given"_s;
        return std::nullopt;
    }
    // Without --param the program's usual convention applies: one empty element.
    if (!noParams && options.params.isEmpty())
        options.params = QStringList{QString()};
    return options;
}
