// The hourglass cursor of the windows on top of Qt's override-cursor stack.
#include "ui/wait_cursor.h"

#include <QCursor>
#include <QGuiApplication>

WaitCursor::WaitCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

WaitCursor::~WaitCursor()
{
    restore();
}

void WaitCursor::restore()
{
    if (!active_)
        return;
    active_ = false;
    QGuiApplication::restoreOverrideCursor();
}

void ShowBusyCursor()
{
    if (!QGuiApplication::overrideCursor())
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void ClearBusyCursor()
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

bool BusyCursorShown()
{
    return QGuiApplication::overrideCursor() != nullptr;
}

BusyCursorWhileRunning::BusyCursorWhileRunning() : owns_(!BusyCursorShown())
{
    if (owns_)
        ShowBusyCursor();
}

BusyCursorWhileRunning::~BusyCursorWhileRunning()
{
    if (owns_)
        ClearBusyCursor();
}
