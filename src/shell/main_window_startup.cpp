// TfrmMain's start-up protocol: the server-state check, the sign-in decision and the prepared process state.
#include "shell/main_window.h"

#include "data/errors.h"
#include "data/recordset.h"
#include "data/server_contract.h"
#include "data/settings_keys.h"
#include "data/settings_store.h"
#include "orders/print_data_module.h"
#include "session/app_state.h"
#include "session/remote_calls.h"
#include "session/termination.h"
#include "shell/update_check.h"
#include "signin/login_window.h"
#include "ui/failure_box.h"
#include "ui/window_placement.h"

#include <QCoreApplication>
#include <QLabel>

using namespace Qt::StringLiterals;

bool TfrmMain::FormCreate()
{
    try {
        if (!checkServerState())
            return true;
        if (!signInWhenNeeded())
            return false;
        prepareState();
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
    return true;
}

bool TfrmMain::checkServerState()
{
    const QString root = Setting(SettingKey::WebUrlRoot);
    if (root.isEmpty() || Setting(SettingKey::PathToRequest).isEmpty() || Setting(SettingKey::AccessCode).isEmpty())
        return true;
    if (Setting(SettingKey::UpdateCounter).isEmpty())
        StoreSetting(SettingKey::UpdateCounter, u"0"_s);
    EnsureLoginWindow();

    RemoteCall stateCall;
    stateCall.statement = u"SELECT IFNULL(needeedupdate,-1) as 'needeedupdate' FROM ordavodefaults"_s;
    stateCall.params.clear();
    stateCall.baseUrl = root + QString::fromUtf8(ServerContract::GatewayFolder);
    stateCall.cursor = CallCursor::BusyWhileRunning;
    const CallResult state = CallRemote(stateCall);
    if (!state)
        return false;
    const RecordsetPtr& rs = state.answer;
    if (rs) {
        if (rs->RecordCount() <= 0) {
            StoreSetting(SettingKey::AccessCode, QString());
        } else {
            const qint32 counter = rs->FieldValue(u"needeedupdate"_s).asInteger();
            if (counter == -1)
                StoreSetting(SettingKey::AccessCode, QString());
            const QString counterText = QString::number(counter);
            if (counterText != Setting(SettingKey::UpdateCounter)) {
                StoreSetting(SettingKey::UpdateCounter, counterText);
                if (!Setting(SettingKey::AccessCode).isEmpty()) {
                    autoSignIn = true;
                    EnsureLoginWindow()->exec();
                }
            }
        }
    }
    if (rs)
        return true;

    RemoteCall countCall = stateCall;
    countCall.statement = u"SELECT COUNT(*) as 'stevilo' FROM ordavodefaults"_s;
    const CallResult counted = CallRemote(countCall);
    if (!counted)
        return false;
    const RecordsetPtr& count = counted.answer;
    if (count && count->RecordCount() > 0 && count->FieldValue(u"stevilo"_s).asString() == u"0"_s)
        StoreSetting(SettingKey::AccessCode, QString());
    destroySignInWindow();
    return true;
}

bool TfrmMain::signInWhenNeeded()
{
    allowClose_ = false;
    if (!Setting(SettingKey::AccessCode).isEmpty() && !autoSignIn && !Setting(SettingKey::WebUrlRoot).isEmpty())
        return true;
    if (runSignIn())
        return true;
    endProgram();
    return false;
}

// Shows the sign-in window modally; true when it signed in (the window is then destroyed).
bool TfrmMain::runSignIn()
{
    if (EnsureLoginWindow()->exec() != QDialog::Accepted)
        return false;
    destroySignInWindow();
    return true;
}

void TfrmMain::destroySignInWindow()
{
    if (!frmnalogLogin)
        return;
    frmnalogLogin->hide();
    QCoreApplication::processEvents();
    delete frmnalogLogin;
}

void TfrmMain::endProgram()
{
    allowClose_ = true;
    if (frmnalogLogin)
        frmnalogLogin->close();
    close();
    TerminateApplication();
}

void TfrmMain::prepareState()
{
    searchText.clear();
    showVersion();
    requestUrl = (Setting(SettingKey::WebUrlRoot) + Setting(SettingKey::PathToRequest)).toLower();
    requestUrl.replace(u".asp"_s, u".php"_s, Qt::CaseInsensitive);
    placementSaving = false;
    listDateFormat = u"yyyy-mm-dd"_s;
    constrValue = Setting(SettingKey::ConnectionString);
    EnsurePrintDataModule();
    lastOrderCount_ = -1;
    firstTick_ = true;
    allowClose_ = false;
}

void TfrmMain::showVersion()
{
    lblVersion->setText(RunningVersionLabel());
}
