// The version check at start: the server's current version against the running one, and the download page.
#include "shell/update_check.h"

#include "data/errors.h"
#include "data/server_contract.h"
#include "data/settings_store.h"
#include "desktop/url_opener.h"
#include "session/remote_calls.h"
#include "ui/message_dialog.h"

using namespace Qt::StringLiterals;

namespace {
const QString FailedCheckText =
    u"Napaka pri preverjanju za zadnjo verzijo. Preverite internetno povezavo in poizkusite znova"_s;

// The "vers" column of the server's answer, or nothing (no answer, no column, NULL).
std::optional<QString> ServerVersionText()
{
    RemoteCall call;
    call.statement = u"call usp_getversion()"_s;
    call.params.clear();
    call.showFailureText = false;
    const RecordsetPtr rs = CallRemote(call).answer;
    if (!rs || rs->Eof())
        return std::nullopt;
    try {
        const Field vers = rs->FieldValue(u"vers"_s);
        if (vers.isNull())
            return std::nullopt;
        return vers.asString();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void OpenDownloadPage()
{
    try {
        CurrentUrlOpener().open(DirectoryUrl() + QString::fromUtf8(ServerContract::DownloadPage));
    } catch (const std::exception&) {
        // The program ends either way; the page is a convenience.
    }
}
} // namespace

std::optional<qint64> VersionNumber(const QString& versionText)
{
    QString digits = versionText;
    digits.remove(u"Version:"_s, Qt::CaseInsensitive);
    digits.remove(u' ');
    digits.remove(u'.');
    bool ok = false;
    const qint64 number = digits.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return number;
}

QString RunningVersionLabel()
{
    return u"Version: "_s + QString::number(ORDAVO_VERSION_MAJOR) + u'.' + QString::number(ORDAVO_VERSION_MINOR) +
           u'.' + QString::number(ORDAVO_VERSION_PATCH) + u'.' + QString::number(ORDAVO_VERSION_TWEAK);
}

bool checkForUpdates(const QString& runningVersionText)
{
    const std::optional<QString> serverText = ServerVersionText();
    const std::optional<qint64> serverNumber = serverText ? VersionNumber(*serverText) : std::nullopt;
    if (!serverNumber) {
        ShowCommunicationError(FailedCheckText);
        return false;
    }
    // The label is empty when the start-up could not reach the server; the build's own
    // version is the running version then.
    std::optional<qint64> running = VersionNumber(runningVersionText);
    if (!running)
        running = VersionNumber(RunningVersionLabel());
    if (*serverNumber <= running.value_or(0))
        return false;
    const int answer = ShowMessageDialog(
        mdConfirmation,
        u"Na voljo je posodobljena različica aplikacije ordavo, ki jo je potrebno namestiti za nadaljno uporabo ordavo. Ali želite posodobitev namestiti zdaj?"_s);
    if (answer == mdrFirst)
        OpenDownloadPage();
    return true;
}
