// The order actions: status changes (billed, deleted) and the edit-lock check before a preview.
#pragma once

#include "data/recordset.h"

#include <QString>

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
// The order's items, as the order window and the printed order load them.
QString NalogItemsStatement(qint32 nalogId);

// Status codes the client sends.
inline constexpr qint32 StatusBilled = 1;
inline constexpr qint32 StatusDeleted = 199;

// Sends the status, shows a refusal, announces the changed order so that the order list
// reloads. Reports every failure itself.
void setNalogStatus(qint32 nalogId, qint32 status);

// Whether a print preview may go ahead: false after a communication failure or a refusal
// (both shown); true when the order is free, and after an unexpected failure (shown).
bool checkNalogEditLock(qint32 nalogId);
