// The program-wide wait cursor as one on/off state on top of Qt's override-cursor stack.
#include "busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>

void SetBusyCursor()
{
    if (!QGuiApplication::overrideCursor())
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void ResetCursor()
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}
