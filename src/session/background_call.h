// The remote call that runs in the background while the windows go on (the list's refresh), applied when its answer
// arrives.
#pragma once

#include "session/remote_call_types.h"

#include <QObject>

#include <functional>
#include <memory>

class QThread;
struct RemoteCallJob;

// At most one call of an object runs at a time. start() returns at once; the transfer, answer
// check, decode and the call's readOnWorker run on a worker thread, and `apply` then runs on the
// user-interface thread with the result, which it may keep (the answer's memory can serve the
// next call), reported by the same rules as CallRemote (the failure dialog included). A call the
// user starts through CallRemote drops every background call first: its transfer ends at once,
// it gives the sender back, and its answer is never applied.
class BackgroundCall final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundCall)

public:
    explicit BackgroundCall(QObject* parent = nullptr);
    // Drops a call in flight and waits for its worker.
    ~BackgroundCall() override;

    // `dropped` runs (on the user-interface thread) when the call is dropped instead of applied.
    void start(RemoteCall call, std::function<void(CallResult&&)> apply, std::function<void()> dropped = {});
    bool running() const;
    // Ends the call in flight without applying it; returns once its worker has finished.
    void drop();

    // Drops the call of every BackgroundCall object (CallRemote does this before it starts). For it
    // the process keeps a list of the live objects (user-interface thread only): each object enters
    // it when made and leaves it when destroyed, so it never needs a reset.
    static void dropAll();

private:
    void workerFinished();

    struct Flight;
    std::unique_ptr<Flight> flight_;
    quint64 startedFlights_ = 0;
};
