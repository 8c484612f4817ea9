// Decoding of the server's payload text into a Recordset, and the splitting rule it uses.
#pragma once

#include "recordset.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The payload after PercentDecode (UTF-8 bytes). None (nullptr) for an empty payload or
// any decoding failure; never throws.
RecordsetPtr DecodePayload(QByteArrayView payload);

// The splitting rule of the payload (delimiter "~", "{" or ","): blanks and control
// characters end an unquoted item, quoted items may hold anything with "" for one quote,
// a delimiter at the very end adds one empty item. A NUL byte ends the text.
QList<QByteArray> SplitDelimited(QByteArrayView text, char delimiter);
