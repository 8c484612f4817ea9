// The remote-call transport: statement composition and encoding, the GET with its retries,
// the classification of the answer and the process-wide LastRemoteError / RemoteParams.
#pragma once

#include "http_client.h"
#include "percent_codec.h"
#include "recordset.h"
#include "text_helpers.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Process-wide state of the transport (one user-interface thread, no locks).
extern QString LastRemoteError;
extern QStringList RemoteParams;

// One call to the workshop's server: base URL = settings "weburlroot" + "weburl", read at
// every call; first attempt through the sender client. Never throws: failures are in
// LastRemoteError and a null result.
RecordsetPtr ExecuteRemote(const QString& statement, bool ignoreResponse = false);
// The same against an explicit base URL (ending in "/"); the first attempt goes through
// the login client, retries through the sender.
RecordsetPtr ExecuteRemoteAt(const QString& statement, const QString& baseUrl, bool ignoreResponse = false);
// Why the latest call of either entry point reached no server (for example "Strežnik ni
// dosegljiv: Connection refused"), or empty when one of its attempts got an answer. The
// transport itself still leaves LastRemoteError empty in that case; callers that must tell
// a failed transfer from an answer without rows read this.
const QString& LastTransferFailure();
// Empties LastRemoteError and RemoteParams.
void ClearRemoteState();

// Internal steps, public so that tests and tools can reach them.
QString ComposeStatement(const QString& statement, const QStringList& params);
QString EncodeStatement(const QString& composed);
// True for the transient server texts; resets the sender client before answering true.
bool IsTransientFailure(QByteArrayView answer);
// Replaces the sender client with a fresh one (empty cookies), then lets queued events run.
void ResetHttpClient();

// What the transport makes of an answer: the result and the LastRemoteError text.
struct ClassifiedAnswer {
    RecordsetPtr recordset;
    QString error;
};
ClassifiedAnswer ClassifyAnswer(QByteArrayView answer, const QString& statement);

// The user's temporary-files folder, ending with the platform's separator.
QString TempFolderPath();

// The HTTP clients the transport uses. The owners (the remote-call host and the sign-in
// window) register them while they exist; nullptr unregisters. ResetHttpClient replaces
// the object inside the sender slot.
void SetSenderSlot(std::unique_ptr<HttpClient>* slot);
void SetLoginClient(HttpClient* client);
HttpClient* CurrentSender();

// The blocking waits between attempts (150 ms and 500 ms) go through this hook; tests
// record them instead of sleeping. An empty function restores the real sleep.
void SetRemoteWaitHook(std::function<void(int milliseconds)> hook);
