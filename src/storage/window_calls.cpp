// The remote-call convention, the wait cursor and the "Napaka" box shared by the catalogue and tyre-storage windows.
#include "window_calls.h"

#include "data/remote_call.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"

#include <QApplication>
#include <QCursor>

using namespace Qt::StringLiterals;

bool CallServer(const QString& statement, RecordsetPtr* answer, bool ignoreResponse)
{
    RemoteParams = QStringList{QString()};
    RecordsetPtr result = ExecuteRemote(statement, ignoreResponse);
    if (!LastRemoteError.isEmpty()) {
        ShowMessageDialog(0, u"Napaka pri komunikaciji"_s, LastRemoteError, 2);
        return false;
    }
    ClearRemoteState();
    if (answer)
        *answer = std::move(result);
    return true;
}

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
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
    QApplication::restoreOverrideCursor();
}

void ShowFailureBox(const QString& text)
{
    ShowSystemMessage(MessageIcon::Error, u"Napaka"_s, text, MessageButtons::Ok);
}
