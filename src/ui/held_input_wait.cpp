// The wait for a worker thread that keeps the windows painting and holds user input and close requests back.
#include "ui/held_input_wait.h"

#include "data/worker_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QList>
#include <QPointer>
#include <QWindow>

namespace {

// While it lives, close requests from the window manager to the program's windows are held;
// its end carries them out in their order.
class CloseRequestHold final : public QObject {
public:
    CloseRequestHold() { QCoreApplication::instance()->installEventFilter(this); }
    ~CloseRequestHold() override
    {
        QCoreApplication::instance()->removeEventFilter(this);
        for (const QPointer<QWindow>& window : std::as_const(held_))
            if (window && window->isVisible())
                window->close();
    }
    CloseRequestHold(const CloseRequestHold&) = delete;
    CloseRequestHold& operator=(const CloseRequestHold&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Close || !event->spontaneous() || !watched->isWindowType())
            return false;
        auto* window = static_cast<QWindow*>(watched);
        if (!held_.contains(window))
            held_.append(window);
        event->ignore();
        return true;
    }

private:
    QList<QPointer<QWindow>> held_;
};

} // namespace

bool WaitHoldingInput(WorkerThread& worker)
{
    if (worker.isFinished())
        return true;
    QEventLoop loop;
    QObject::connect(&worker, &WorkerThread::finished, &loop, &QEventLoop::quit);
    {
        const CloseRequestHold hold;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return worker.isFinished();
}
