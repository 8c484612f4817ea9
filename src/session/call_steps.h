// The steps a remote call of the seam goes through, shared by the calls that wait and the ones that run in the
// background.
#pragma once

#include "data/remote_call.h"
#include "session/remote_call_types.h"

#include <functional>

// On the user-interface thread: the transport's parameters set from the call and the job
// prepared; the call's receive buffer moves into the job.
RemoteCallJob PrepareCall(RemoteCall& call);
// On the worker thread: the transfer, answer check and decode, then the reader on the table, whose
// memory goes back into the job when it is to be recycled.
void RunCallSteps(RemoteCallJob& job, const std::function<void(Recordset&)>& reader, bool recycleTable);
// On the user-interface thread: the sender back, the result read from the transport's texts,
// the failure reported by the call's rules and the transport's state cleared.
CallResult SettleCall(const RemoteCall& call, RemoteCallJob& job);
