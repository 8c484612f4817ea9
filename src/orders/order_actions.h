// The order actions: status changes (billed, deleted), the edit-lock check before a preview, and the remote-call step they share with the loads.
#pragma once

#include "data/recordset.h"

#include <QString>

// Runs one statement by the windows' calling convention (one empty parameter). On a
// communication failure it shows the "Napaka pri komunikaciji" dialog with the transport's
// text, resets the cursor and sets failed; otherwise it clears the remote state.
RecordsetPtr CallOrderStatement(const QString& statement, bool& failed);

// The server's edit lock of an order, read from the column saved (2 and 0 refuse; a null
// or any other value allows).
enum class NalogEditLock { Free, BeingEdited, NotSaved };
// Reads saved of the current row; DataError when the column is missing or not a number.
NalogEditLock EditLockOf(const Recordset& answer);

// The refusal texts: after a status change (which speak of billing, also for a delete) and
// before a preview; empty for Free.
QString StatusRefusalText(NalogEditLock lock);
QString PreviewRefusalText(NalogEditLock lock);

QString UpdateNalogStatement(qint32 nalogId, qint32 status);
QString NalogEditStatement(qint32 nalogId);

// Status codes the client sends.
inline constexpr qint32 StatusBilled = 1;
inline constexpr qint32 StatusDeleted = 199;

// Sends the status, shows a refusal, refreshes the main window's order list. Reports every
// failure itself.
void setNalogStatus(qint32 nalogId, qint32 status);

// Whether a print preview may go ahead: false after a communication failure or a refusal
// (both shown); true when the order is free, and after an unexpected failure (shown).
bool checkNalogEditLock(qint32 nalogId);
