// The program-wide request to end the program: kept once made, carried out by stopping the message loop.
#include "session/termination.h"

#include <QCoreApplication>

namespace {
bool terminationRequested = false;
std::function<void()> terminationHook;
} // namespace

void TerminateApplication()
{
    terminationRequested = true;
    if (terminationHook) {
        terminationHook();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

bool ApplicationTerminationRequested()
{
    return terminationRequested;
}

void ResetApplicationTermination()
{
    terminationRequested = false;
}

void SetTerminationHook(std::function<void()> hook)
{
    terminationHook = std::move(hook);
}
