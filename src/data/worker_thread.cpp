// A thread for one piece of work, joined and announced through an event file descriptor on the thread that started it.
#include "worker_thread.h"

#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

WorkerThread::WorkerThread(std::function<void()> work, QObject* parent) : QObject(parent)
{
    endSignal_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (endSignal_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(endSignal_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &WorkerThread::noticeEnd);
    }
    const int endSignal = endSignal_;
    thread_ = std::thread([this, work = std::move(work), endSignal] {
        try {
            work();
        } catch (...) {
            // The work keeps its own failures; nothing may leave the thread.
        }
        if (endSignal >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = write(endSignal, &one, sizeof one);
        } else {
            // No descriptor could be made (the process ran out of them): the end is posted as an
            // event instead, so a caller waiting for finished() is never left waiting.
            QMetaObject::invokeMethod(this, &WorkerThread::noticeEnd, Qt::QueuedConnection);
        }
    });
}

WorkerThread::~WorkerThread()
{
    join();
    notifier_.reset();
    if (endSignal_ >= 0)
        close(endSignal_);
}

void WorkerThread::join()
{
    if (thread_.joinable())
        thread_.join();
    if (!finished_ && endSignal_ >= 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(endSignal_, &count, sizeof count);
    }
    finished_ = true;
    if (notifier_)
        notifier_->setEnabled(false);
}

void WorkerThread::noticeEnd()
{
    if (finished_)
        return;
    join();
    emit finished();
}
