// The steps a remote call of the seam goes through: prepared and settled on the user-interface thread, run on a
// worker.
#include "session/call_steps.h"

#include "data/transport_guards.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/wait_cursor.h"

#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

void ReportFailure(const RemoteCall& call, const QString& error, bool unreachable)
{
    // A request too long for a web server is refused before sending: the user's text is at
    // fault, not the connection, so it is said as any refused input is.
    if (const std::optional<QString> refusal = RequestTooLongRefusal(error))
        ShowSystemMessage(MessageIcon::Warning, u"Predolgo besedilo"_s, *refusal);
    else if (call.showFailureText || unreachable)
        ShowMessageDialog(mdError, call.failureTitle, error, maCenter);
    if (call.cursor != CallCursor::Untouched)
        ClearBusyCursor();
}

} // namespace

RemoteCallJob PrepareCall(RemoteCall& call)
{
    RemoteParams = call.params;
    RemoteCallJob job = PrepareRemoteCall(
        call.statement, call.baseUrl.isEmpty() ? std::nullopt : std::optional<QString>(call.baseUrl), !call.readAnswer);
    job.previousAnswer = call.previousAnswer;
    job.receiveBuffer = std::exchange(call.receiveBuffer, QByteArray());
    job.tableMemory = std::exchange(call.tableMemory, Recordset::Memory());
    return job;
}

void RunCallSteps(RemoteCallJob& job, const std::function<void(Recordset&)>& reader, bool recycleTable)
{
    RunRemoteCallJob(job);
    if (!reader || !job.recordset || job.cancelled || !job.error.isEmpty())
        return;
    try {
        reader(*job.recordset);
    } catch (...) {
        // A reader keeps its own failures; nothing may leave the worker thread.
    }
    if (recycleTable)
        job.tableMemory = job.recordset->takeMemory();
}

CallResult SettleCall(const RemoteCall& call, RemoteCallJob& job)
{
    CallResult result;
    result.answer = FinishRemoteCall(job);
    result.sameAnswer = job.sameAsPrevious;
    result.answerBytes = std::move(job.answer);
    result.tableMemory = std::move(job.tableMemory);
    result.error = LastRemoteError;
    result.unreachable = result.error.isEmpty() && !LastTransferFailure().isEmpty();
    const bool unreachableFailure = result.unreachable && call.unreachableIsFailure;
    if (unreachableFailure)
        result.error = LastTransferFailure();
    result.failed = !result.error.isEmpty();
    ClearRemoteState();
    if (result.failed) {
        result.answer.reset();
        ReportFailure(call, result.error, unreachableFailure);
    }
    return result;
}
