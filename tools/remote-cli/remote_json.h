// The JSON line that ordavo-remote prints for one statement.
#pragma once

#include "data/recordset.h"

#include <QByteArray>
#include <QString>

// {"statement": ..., "lastRemoteError": ..., "recordset": null | {"columns": [...], "rows": [...]}}
// on one line, UTF-8, without the line break. Moves the recordset's cursor.
QByteArray RemoteResultJson(const QString& statement, const QString& lastRemoteError, Recordset* recordset);

// A JSON string literal of the text.
QByteArray JsonString(const QString& text);
