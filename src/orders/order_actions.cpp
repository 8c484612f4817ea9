// Status changes of the shown order (billed, deleted), the edit-lock check, and the billed and delete buttons.
#include "order_actions.h"

#include "order_details.h"

#include "data/errors.h"
#include "data/remote_call.h"
#include "desktop/busy_cursor.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"

#include <QLabel>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kRefusalTitle = u"Ni možno"_s;

void ShowRefusal(const QString& text)
{
    if (!text.isEmpty())
        ShowSystemMessage(MessageIcon::Error, kRefusalTitle, text);
}

void RefreshOrderList()
{
    if (frmMain)
        frmMain->loadNalogi();
}

// Restarts the refresh timer with an immediate tick, so the list is current at once and the
// next tick comes a full interval later. A stopped timer stays stopped.
void StepRefreshTimer()
{
    if (!frmMain || !frmMain->tmrcheck || !frmMain->tmrcheck->isActive())
        return;
    frmMain->tmrcheck->stop();
    frmMain->tmrcheckTimer();
    frmMain->tmrcheck->start();
}

} // namespace

RecordsetPtr CallOrderStatement(const QString& statement, bool& failed)
{
    RemoteParams = QStringList{QString()};
    RecordsetPtr answer = ExecuteRemote(statement);
    failed = !LastRemoteError.isEmpty();
    if (failed) {
        ShowMessageDialog(mdError, u"Napaka pri komunikaciji"_s, LastRemoteError, maCenter);
        ResetCursor();
        return nullptr;
    }
    ClearRemoteState();
    return answer;
}

NalogEditLock EditLockOf(const Recordset& answer)
{
    const Field saved = answer.FieldValue(u"saved"_s);
    if (saved.isNull())
        return NalogEditLock::Free;
    switch (saved.asInteger()) {
    case 2:
        return NalogEditLock::BeingEdited;
    case 0:
        return NalogEditLock::NotSaved;
    default:
        return NalogEditLock::Free;
    }
}

QString StatusRefusalText(NalogEditLock lock)
{
    switch (lock) {
    case NalogEditLock::BeingEdited:
        return u"Nalog je trenutno v urejanju zato trenutno ne more biti obračunan."_s;
    case NalogEditLock::NotSaved:
        return u"Nalog ni shranjen dokončno ali pa je bil izbrisan zato ne more biti obračunan."_s;
    case NalogEditLock::Free:
        break;
    }
    return {};
}

QString PreviewRefusalText(NalogEditLock lock)
{
    switch (lock) {
    case NalogEditLock::BeingEdited:
        return u"Nalog je trenutno v urejanju zato trenutno ne more biti natisnjen."_s;
    case NalogEditLock::NotSaved:
        return u"Nalog ni shranjen dokončno ali pa je bil izbrisan zato ne more biti natisnjen."_s;
    case NalogEditLock::Free:
        break;
    }
    return {};
}

QString UpdateNalogStatement(qint32 nalogId, qint32 status)
{
    return u"call usp_updatenalog ("_s + QString::number(nalogId) + u',' + QString::number(status) + u')';
}

QString NalogEditStatement(qint32 nalogId)
{
    return u"call usp_getnalogedit ("_s + QString::number(nalogId) + u')';
}

void setNalogStatus(qint32 nalogId, qint32 status)
{
    SetBusyCursor();
    try {
        bool failed = false;
        const RecordsetPtr answer = CallOrderStatement(UpdateNalogStatement(nalogId, status), failed);
        if (failed)
            return;
        if (answer && !answer->Eof())
            ShowRefusal(StatusRefusalText(EditLockOf(*answer)));
        RefreshOrderList();
        ResetCursor();
    } catch (const std::exception& e) {
        ResetCursor();
        ShowSystemMessage(MessageIcon::Error, u"Napaka"_s, u"Napaka pri posodabljanju statua :"_s + ErrorMessage(e));
    }
}

bool checkNalogEditLock(qint32 nalogId)
{
    try {
        bool failed = false;
        const RecordsetPtr answer = CallOrderStatement(NalogEditStatement(nalogId), failed);
        if (failed)
            return false;
        if (!answer || answer->Eof())
            return true;
        const NalogEditLock lock = EditLockOf(*answer);
        ShowRefusal(PreviewRefusalText(lock));
        return lock == NalogEditLock::Free;
    } catch (const std::exception& e) {
        ShowSystemMessage(MessageIcon::Error, u"Napaka"_s, ErrorMessage(e));
        return true;
    }
}

void TfrmNalogDetails::shraniClick()
{
    SetBusyCursor();
    setNalogStatus(currentNalogId, StatusBilled);
    try {
        close();
        StepRefreshTimer();
    } catch (const std::exception&) {
        // Closing and the timer step are best effort; only the cursor must come back.
    }
    ResetCursor();
}

void TfrmNalogDetails::XpButton1Click()
{
    const int answer = ShowSystemMessage(MessageIcon::Information, u"Potrdite ali ovrzite"_s,
                                         u"Ali ste prepričani da želite izbrisati nalog "_s + lblNalog->text() + u'?',
                                         MessageButtons::YesNo);
    if (answer != mrYes)
        return;
    setNalogStatus(currentNalogId, StatusDeleted);
    close();
}
