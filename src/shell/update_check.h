// The start-up check for a newer client version on the workshop's server.
#pragma once

#include <QString>

#include <optional>

// A version text with "Version:" (any case), every blank and every "." removed, read as a
// decimal integer: "Version: 1.1.3.337" gives 113337. None when no integer remains.
std::optional<qint64> VersionNumber(const QString& versionText);

// The running version as the main window's version label shows it ("Version: a.b.c.d").
QString RunningVersionLabel();

// Asks the server for the current version ("call usp_getversion()", column "vers") and
// compares it with runningVersionText (the version label's text). True when the server's
// number is greater: the user is told, may open the download page, and the caller ends
// the program. A failed call, or a "vers" that gives no number, is reported as a failed
// check and answers false.
bool checkForUpdates(const QString& runningVersionText);
