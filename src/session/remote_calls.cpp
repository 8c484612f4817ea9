// The windows' remote-call seam over the transport.
#include "session/remote_calls.h"

#include "data/remote_call.h"
#include "data/transport_guards.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/wait_cursor.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace {

RecordsetPtr Execute(const RemoteCall& call)
{
    RemoteParams = call.params;
    if (call.baseUrl.isEmpty())
        return ExecuteRemote(call.statement, !call.readAnswer);
    return ExecuteRemoteAt(call.statement, call.baseUrl, !call.readAnswer);
}

RecordsetPtr ExecuteWithCursor(const RemoteCall& call)
{
    std::optional<BusyCursorWhileRunning> busy;
    if (call.cursor == CallCursor::BusyWhileRunning)
        busy.emplace();
    return Execute(call);
}

void ReportFailure(const RemoteCall& call, const QString& error, bool unreachable)
{
    // A request too long for a web server is refused before sending: the user's text is at
    // fault, not the connection, so it is said as any refused input is.
    if (const std::optional<QString> refusal = RequestTooLongRefusal(error))
        ShowSystemMessage(MessageIcon::Warning, u"Predolgo besedilo"_s, *refusal);
    else if (call.showFailureText || unreachable)
        ShowMessageDialog(mdError, call.failureTitle, error, maCenter);
    if (call.cursor != CallCursor::Untouched)
        ClearBusyCursor();
}

} // namespace

CallResult CallRemote(const RemoteCall& call)
{
    CallResult result;
    result.answer = ExecuteWithCursor(call);
    result.error = LastRemoteError;
    result.unreachable = result.error.isEmpty() && !LastTransferFailure().isEmpty();
    const bool unreachableFailure = result.unreachable && call.unreachableIsFailure;
    if (unreachableFailure)
        result.error = LastTransferFailure();
    result.failed = !result.error.isEmpty();
    ClearRemoteState();
    if (result.failed) {
        result.answer.reset();
        ReportFailure(call, result.error, unreachableFailure);
    }
    return result;
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
    return CallRemote(call);
}
