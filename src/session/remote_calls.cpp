// The windows' remote-call seam over the transport: the transfer on a worker thread, the caller waiting with the
// windows painting.
#include "session/remote_calls.h"

#include "data/remote_call.h"
#include "data/worker_thread.h"
#include "session/background_call.h"
#include "session/call_steps.h"
#include "ui/held_input_wait.h"
#include "ui/message_dialog.h"
#include "ui/wait_cursor.h"

#include <memory>
#include <optional>

namespace {

// The calls whose callers wait (see UserCallRunning); user-interface thread only.
int g_userCallsRunning = 0;

// Counts one waiting call for as long as it runs, whichever way it ends.
class UserCallScope {
public:
    UserCallScope() { ++g_userCallsRunning; }
    ~UserCallScope() { --g_userCallsRunning; }
    UserCallScope(const UserCallScope&) = delete;
    UserCallScope& operator=(const UserCallScope&) = delete;
};

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

CallResult CallRemote(RemoteCall call)
{
    // Counted from the start, so that no tick begins while a background call is being dropped;
    // that call gives the sender back before this one takes it, and its late answer can no
    // longer overwrite what this call shows.
    const UserCallScope running;
    BackgroundCall::dropAll();
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
