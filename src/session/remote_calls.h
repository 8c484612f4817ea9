// The one way windows call the workshop's server: statement, parameters, answer handling, cursor rule, and the
// communication-error dialog; the transfer runs on a worker thread while the windows keep painting.
#pragma once

#include "session/remote_call_types.h"

#include <QString>

// Runs the call while the windows keep painting and user input waits (a background call in
// flight is dropped first). A failure text is shown in the communication-error dialog with the
// text as its details; afterwards the transport's state is cleared either way, so no window
// needs to touch it.
CallResult CallRemote(RemoteCall call);

// The communication-error dialog ("Napaka pri komunikaciji") with the given details.
void ShowCommunicationError(const QString& details);

// The common case, a call the user started: one statement, the windows' parameter
// convention, the answer read, an unreachable server a failure.
CallResult CallRemote(const QString& statement, CallCursor cursor = CallCursor::Untouched);

// Whether a call started through CallRemote is running (its caller waits for it), so that the list's
// refresh tick, which may come while a caller waits, starts no call of its own. The process keeps a
// count of the waiting calls (user-interface thread only), since a call may start inside the wait of
// another; each call counts itself for exactly as long as it runs, so the count is 0 whenever no
// caller waits and needs no reset.
bool UserCallRunning();
