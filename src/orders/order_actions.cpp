// Status changes of an order (billed, deleted) and the edit-lock check before a preview.
#include "order_actions.h"

#include "data/errors.h"
#include "session/remote_calls.h"
#include "session/window_links.h"
#include "ui/failure_box.h"
#include "ui/message_boxes.h"
#include "ui/wait_cursor.h"

using namespace Qt::StringLiterals;

namespace {

const QString kRefusalTitle = u"Ni možno"_s;

void ShowRefusal(const QString& text)
{
    if (!text.isEmpty())
        ShowSystemMessage(MessageIcon::Error, kRefusalTitle, text);
}

} // namespace

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

QString NalogItemsStatement(qint32 nalogId)
{
    return u"call usp_listNalogPostavke ("_s + QString::number(nalogId) + u')';
}

QString NalogEditStatement(qint32 nalogId)
{
    return u"call usp_getnalogedit ("_s + QString::number(nalogId) + u')';
}

void setNalogStatus(qint32 nalogId, qint32 status)
{
    ShowBusyCursor();
    try {
        const CallResult result = CallRemote(UpdateNalogStatement(nalogId, status), CallCursor::ClearOnFailure);
        if (!result)
            return;
        if (result.answer && !result.answer->Eof())
            ShowRefusal(StatusRefusalText(EditLockOf(*result.answer)));
        emit Links().orderChanged();
        ClearBusyCursor();
    } catch (const std::exception& e) {
        ClearBusyCursor();
        ShowFailureBox(u"Napaka pri posodabljanju statua :"_s + ErrorMessage(e));
    }
}

bool checkNalogEditLock(qint32 nalogId)
{
    try {
        const CallResult result = CallRemote(NalogEditStatement(nalogId), CallCursor::ClearOnFailure);
        if (!result)
            return false;
        if (!result.answer || result.answer->Eof())
            return true;
        const NalogEditLock lock = EditLockOf(*result.answer);
        ShowRefusal(PreviewRefusalText(lock));
        return lock == NalogEditLock::Free;
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
        return true;
    }
}
