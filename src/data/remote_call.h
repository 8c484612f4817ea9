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

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Process-wide state of the transport: the texts of the latest call (LastRemoteError here and
// LastTransferFailure below) and the parameters of the next one, so that a caller reads the outcome
// of a call after it, as every window's handler does; the HTTP clients the owners register (see
// SetSenderSlot) and the wait hook. Only the thread that owns the application's objects (the
// user-interface thread) reads or writes it; a call that runs on a worker thread is prepared and
// finished there and owns everything it touches meanwhile (RemoteCallJob below). ClearRemoteState
// empties the texts and parameters; the registrations end when their owners unregister.
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
// Empties LastRemoteError, RemoteParams and the latest transfer failure, so that nothing of a
// finished call is left for the next reader (the call seam does so after each call).
void ClearRemoteState();

// Internal steps, public so that tests and tools can reach them.
QString ComposeStatement(const QString& statement, const QStringList& params);
QString EncodeStatement(const QString& composed);
// True for the transient server texts.
bool AnswerIsTransient(QByteArrayView answer);
// The same, resetting the sender client before answering true.
bool IsTransientFailure(QByteArrayView answer);
// Replaces the sender client with a fresh one (empty cookies), then lets queued events run.
void ResetHttpClient();

// What the transport makes of an answer: the result and the LastRemoteError text.
struct ClassifiedAnswer {
    RecordsetPtr recordset;
    QString error;
};
ClassifiedAnswer ClassifyAnswer(QByteArrayView answer, const QString& statement);

// One call taken apart, so that its transfer, answer check and decode can run on a worker thread:
// PrepareRemoteCall on the user-interface thread reads RemoteParams and the settings, composes
// the request and checks the sender out of its slot; RunRemoteCallJob, on any thread, touches
// only what the job holds; FinishRemoteCall, back on the user-interface thread, puts the sender
// back and sets LastRemoteError and the transfer failure as a call of ExecuteRemote would.
// Queued events never run inside such a call.
struct RemoteCallJob {
    // Made by PrepareRemoteCall.
    QString statement; // the caller's statement as 8-bit text, for messages
    QByteArray firstUrl;
    QByteArray retryUrl;
    bool ignoreResponse = false;
    bool firstThroughSender = true;
    HttpClient* firstClient = nullptr;  // the login client for the first attempt, borrowed
    std::unique_ptr<HttpClient> sender; // checked out of its slot for the call
    bool senderSlotExists = false;
    std::chrono::milliseconds connectTimeout = HttpClient::DefaultConnectTimeout; // for a fresh sender
    std::chrono::milliseconds stallTimeout = HttpClient::DefaultStallTimeout;
    std::function<void(int)> waitHook;
    QString localFailure; // why the statement could not be prepared

    // Given by the caller before running.
    std::shared_ptr<TransferCancel> cancel; // ends the transfer and the waits at once
    QByteArray receiveBuffer;               // memory for the answer, kept from an earlier call
    Recordset::Memory tableMemory;          // memory for the decoded table, from an earlier one
    // An answer already read: when the new answer has exactly these bytes, it is neither checked
    // nor decoded again (sameAsPrevious).
    QByteArray previousAnswer;

    // The outcome of running.
    RecordsetPtr recordset;
    QString error;           // what LastRemoteError becomes
    QString transferFailure; // why no attempt reached a server; empty when one did
    QByteArray answer;       // the body of the last successful attempt
    bool sameAsPrevious = false;
    bool cancelled = false;
};

// `baseUrl` empty: the workshop named by the settings, as ExecuteRemote; else as ExecuteRemoteAt.
RemoteCallJob PrepareRemoteCall(const QString& statement, const std::optional<QString>& baseUrl,
                                bool ignoreResponse = false);
void RunRemoteCallJob(RemoteCallJob& job);
RecordsetPtr FinishRemoteCall(RemoteCallJob& job);
// Puts the job's sender back into its slot (when the slot is empty) without touching the texts,
// for a call whose outcome is dropped.
void ReturnSender(RemoteCallJob& job);

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
