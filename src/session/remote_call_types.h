// What a remote call of the seam is given and what it gives back: the statement and how its answer and failure are
// treated, and the outcome.
#pragma once

#include "data/recordset.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// How a call treats the program-wide hourglass.
enum class CallCursor {
    Untouched,        // the caller handles the cursor (or none is wanted)
    ClearOnFailure,   // a failure clears every hourglass level before the dialog returns
    BusyWhileRunning, // hourglass during the call unless one is shown already; cleared on failure
};

struct RemoteCall {
    QString statement;
    // The parameters sent with the statement; the windows' convention is one empty element.
    QStringList params = QStringList{QString()};
    // Empty: the workshop named by the settings; else this base URL (ending in "/").
    QString baseUrl;
    // False sends the statement without reading an answer.
    bool readAnswer = true;
    CallCursor cursor = CallCursor::Untouched;
    // True for a call the user started (a load, save, delete or search): a call that reached
    // no server fails as a failure text does, with the transport's reason as the details.
    // False keeps such a call an answer without rows, as start-up, sign-in and the list's
    // refresh handle an unreachable server by their own rules.
    bool unreachableIsFailure = false;
    // Title of the communication-error dialog.
    QString failureTitle = QStringLiteral("Napaka pri komunikaciji");
    // False ends the call on a failure text without the dialog (the caller stays silent or
    // says it its own way); a server that could not be reached is still shown.
    bool showFailureText = true;

    // Runs on the worker thread with the decoded answer before the call returns, so that reading
    // many rows does not hold the window; not run for an answer that is the same as
    // previousAnswer, nor for a call without a table. It must touch nothing but what it owns.
    std::function<void(Recordset&)> readOnWorker;
    // An answer the caller has read before: when the server sends exactly these bytes again,
    // they are neither checked nor decoded (CallResult::sameAnswer).
    QByteArray previousAnswer;
    // Memory for the answer, kept by the caller from an earlier call.
    QByteArray receiveBuffer;
    // The table is only read on the worker (by readOnWorker): its memory then comes back in
    // CallResult::tableMemory for the next call, and the answer handed back is closed.
    bool recycleTable = false;
    // Memory for the decoded table, kept by the caller from an earlier call.
    Recordset::Memory tableMemory;
};

struct CallResult {
    bool failed = false;
    QString error;                 // the failure text shown (empty on success)
    bool unreachable = false;      // no server was reached (a failure only with unreachableIsFailure)
    RecordsetPtr answer;           // nullptr for no answer
    bool sameAnswer = false;       // the server sent previousAnswer again (answer is then nullptr)
    QByteArray answerBytes;        // the answer as received, for previousAnswer and receiveBuffer
    Recordset::Memory tableMemory; // with recycleTable: the memory of the table that was read
    explicit operator bool() const { return !failed; }
};
