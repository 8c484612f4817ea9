// The windows' remote-call seam over the transport: the transfer on a worker thread, the caller waiting with the
// windows painting.
#include "session/remote_calls.h"

#include "data/remote_call.h"
#include "data/transport_guards.h"
#include "data/worker_thread.h"
#include "session/background_call.h"
#include "session/call_steps.h"
#include "ui/held_input_wait.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/wait_cursor.h"

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

int g_userCallsRunning = 0;

// Counts the calls whose callers wait, for UserCallRunning.
class UserCallScope {
public:
    UserCallScope() { ++g_userCallsRunning; }
    ~UserCallScope() { --g_userCallsRunning; }
    UserCallScope(const UserCallScope&) = delete;
    UserCallScope& operator=(const UserCallScope&) = delete;
};

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

// Runs the job on a worker thread; this thread waits with the windows painting and user input
// held back. When the wait cannot run to its end (the program is quitting), the job is cancelled.
void RunOnWorker(RemoteCallJob& job, const RemoteCall& call)
{
    job.cancel = std::make_shared<TransferCancel>();
    WorkerThread worker([&job, &call] { RunCallSteps(job, call.readOnWorker, call.recycleTable); });
    if (!WaitHoldingInput(worker)) {
        job.cancel->cancel();
        worker.join();
    }
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

CallResult CallRemote(RemoteCall call)
{
    // The background call gives the sender back before this one takes it, and its late answer
    // can no longer overwrite what this call shows.
    BackgroundCall::dropAll();
    const UserCallScope running;
    RemoteCallJob job = PrepareCall(call);
    {
        std::optional<BusyCursorWhileRunning> busy;
        if (call.cursor == CallCursor::BusyWhileRunning)
            busy.emplace();
        RunOnWorker(job, call);
    }
    return SettleCall(call, job);
}

void ShowCommunicationError(const QString& details)
{
    ShowMessageDialog(mdError, RemoteCall().failureTitle, details, maCenter);
}

CallResult CallRemote(const QString& statement, CallCursor cursor)
{
    RemoteCall call;
    call.statement = statement;
    call.cursor = cursor;
    call.unreachableIsFailure = true;
    return CallRemote(std::move(call));
}

bool UserCallRunning()
{
    return g_userCallsRunning > 0;
}
