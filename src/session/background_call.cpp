// The background remote call: its worker thread, its result applied on the user-interface thread, its drop.
#include "session/background_call.h"

#include "data/remote_call.h"
#include "data/worker_thread.h"
#include "session/call_steps.h"
#include "ui/held_input_wait.h"
#include "ui/wait_cursor.h"

#include <QList>

namespace {
// The live objects, for dropAll (user-interface thread only).
QList<BackgroundCall*>& LiveBackgroundCalls()
{
    static QList<BackgroundCall*> calls;
    return calls;
}
} // namespace

// One call in flight: what it sends and owns, its worker, and what to do with its end.
struct BackgroundCall::Flight {
    RemoteCall call;
    RemoteCallJob job;
    std::unique_ptr<WorkerThread> worker;
    std::function<void(CallResult&&)> apply;
    std::function<void()> dropped;
    bool ownsCursor = false;
    quint64 number = 0; // tells a late finished signal of an earlier flight from this one's
};

BackgroundCall::BackgroundCall(QObject* parent) : QObject(parent)
{
    LiveBackgroundCalls().append(this);
}

BackgroundCall::~BackgroundCall()
{
    LiveBackgroundCalls().removeAll(this);
    if (!flight_)
        return;
    // No events run while the owner is being destroyed: the cancelled worker ends at once.
    flight_->job.cancel->cancel();
    flight_->worker->join();
    ReturnSender(flight_->job);
    if (flight_->ownsCursor)
        ClearBusyCursor();
}

void BackgroundCall::start(RemoteCall call, std::function<void(CallResult&&)> apply, std::function<void()> dropped)
{
    drop();
    auto flight = std::make_unique<Flight>();
    // Moved, not copied: the receive buffer must have no other owner, or the answer would be
    // written into fresh memory.
    flight->call = std::move(call);
    flight->apply = std::move(apply);
    flight->dropped = std::move(dropped);
    flight->job = PrepareCall(flight->call);
    flight->job.cancel = std::make_shared<TransferCancel>();
    if (flight->call.cursor == CallCursor::BusyWhileRunning && !BusyCursorShown()) {
        ShowBusyCursor();
        flight->ownsCursor = true;
    }
    Flight* const started = flight.get();
    started->number = ++startedFlights_;
    flight->worker = std::make_unique<WorkerThread>(
        [started] { RunCallSteps(started->job, started->call.readOnWorker, started->call.recycleTable); });
    connect(flight->worker.get(), &WorkerThread::finished, this, [this, number = started->number] {
        if (flight_ && flight_->number == number)
            workerFinished();
    });
    flight_ = std::move(flight);
}

bool BackgroundCall::running() const
{
    return flight_ != nullptr;
}

void BackgroundCall::workerFinished()
{
    const std::unique_ptr<Flight> flight = std::move(flight_);
    if (flight->ownsCursor)
        ClearBusyCursor();
    CallResult result = SettleCall(flight->call, flight->job);
    if (flight->apply)
        flight->apply(std::move(result));
}

void BackgroundCall::drop()
{
    if (!flight_)
        return;
    flight_->job.cancel->cancel();
    // While the worker ends, its finished signal must not apply the answer: the flight is taken
    // out of flight_ first.
    const std::unique_ptr<Flight> flight = std::move(flight_);
    if (!WaitHoldingInput(*flight->worker))
        flight->worker->join();
    ReturnSender(flight->job);
    if (flight->ownsCursor)
        ClearBusyCursor();
    if (flight->dropped)
        flight->dropped();
}

void BackgroundCall::dropAll()
{
    const QList<BackgroundCall*> calls = LiveBackgroundCalls();
    for (BackgroundCall* call : calls)
        if (LiveBackgroundCalls().contains(call))
            call->drop();
}
