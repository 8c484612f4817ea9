// One piece of work on a thread of its own, and the news of its end on the thread that started it.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <thread>

class QSocketNotifier;

// Starts `work` on a new thread at once. When it has ended, the thread is joined and finished()
// is emitted on the thread that created the object (its event loop must run). The end travels
// through an event file descriptor and the join, both of which order everything the work wrote
// before everything the starting thread reads afterwards, also as a thread checker sees it.
class WorkerThread final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WorkerThread)

public:
    explicit WorkerThread(std::function<void()> work, QObject* parent = nullptr);
    // Joins the thread (the owner ends the work first when it must not wait for it).
    ~WorkerThread() override;

    // Whether the work has ended and the thread was joined.
    bool isFinished() const { return finished_; }
    // Waits for the end of the work here, without an event loop.
    void join();

signals:
    void finished();

private:
    void noticeEnd();

    int endSignal_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::thread thread_;
    bool finished_ = false;
};
