// TfrmGlobal, the owner of the transport's client, and the server checks that run when it is created.
#include "shell/remote_host.h"

#include "data/errors.h"
#include "data/remote_call.h"
#include "data/settings_store.h"
#include "data/text_helpers.h"
#include "session/app_state.h"
#include "session/remote_calls.h"
#include "session/termination.h"
#include "shell/update_check.h"
#include "ui/failure_box.h"
#include "ui/message_boxes.h"

#include <QDate>

using namespace Qt::StringLiterals;

TfrmGlobal* frmGlobal = nullptr;

namespace {
const QStringList ProbeFormats = {u"yyyy-mm-dd"_s, u"yyyy/mm/dd"_s, u"dd.mm.yyyy"_s};

// One probe call with the date a year back in listDateFormat; true when the server accepted it
// (an unreachable server counts as accepting).
bool ServerAcceptsListDateFormat()
{
    RemoteCall probe;
    probe.statement = u"call usp_checkDate "_s;
    probe.params = QStringList{FormatListDate(QDate::currentDate().addDays(-365), listDateFormat)};
    probe.showFailureText = false;
    try {
        return !CallRemote(probe).failed;
    } catch (const std::exception&) {
        return false;
    }
}

void ReportServerNotFound()
{
    ShowSystemMessage(
        MessageIcon::Error,
        u"Prosimo preverite interneto povezavo in poizkusite ponovno. V kolikor to ne bo rešilo problema nas kontaktirajte na "_s +
            SupportEmail(),
        u"Oddaljenega strežnika ni mogoče najti."_s);
}
} // namespace

void probeListDateFormat()
{
    try {
        for (const QString& format : ProbeFormats) {
            listDateFormat = format;
            if (ServerAcceptsListDateFormat())
                return;
        }
        if (constrValue.isEmpty()) {
            ReportServerNotFound();
            TerminateApplication();
            return;
        }
    } catch (const std::exception&) {
        listDateFormat = u"yyyy-mm-dd"_s;
    }
}

void startupServerChecks(const QString& runningVersionText)
{
    bool newerVersion = false;
    try {
        newerVersion = checkForUpdates(runningVersionText);
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
    if (newerVersion)
        TerminateApplication();
    probeListDateFormat();
}

TfrmGlobal::TfrmGlobal(QObject* parent) : QObject(parent), sender(std::make_unique<HttpClient>())
{
    setObjectName(u"frmGlobal"_s);
    frmGlobal = this;
    SetSenderSlot(&sender);
}

TfrmGlobal::~TfrmGlobal()
{
    SetSenderSlot(nullptr);
    if (frmGlobal == this)
        frmGlobal = nullptr;
}
