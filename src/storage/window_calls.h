// The remote-call convention, the wait cursor and the "Napaka" box shared by the catalogue and tyre-storage windows.
#pragma once

#include "data/recordset.h"

#include <QString>

// One remote call the windows' way: RemoteParams set to one empty element, the statement
// sent, and a failure text shown in the communication-error dialog ("Napaka pri
// komunikaciji" with LastRemoteError as details), which returns false. On success the
// remote state is cleared and the answer (nullptr for none) handed back.
bool CallServer(const QString& statement, RecordsetPtr* answer = nullptr, bool ignoreResponse = false);

// The hourglass cursor while it lives; restore() gives the normal cursor back earlier.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void restore();

private:
    bool active_ = true;
};

// A local failure as the windows show it: a standard box with the error icon, title "Napaka".
void ShowFailureBox(const QString& text);
