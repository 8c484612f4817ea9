// The hourglass cursor of long actions and the reset to the normal cursor.
#pragma once

// Shows the wait cursor over the whole program (once, however often it is called).
void SetBusyCursor();
// Back to the normal cursor, however often SetBusyCursor ran.
void ResetCursor();

// Sets the wait cursor for a scope and resets it when the scope ends.
class BusyCursorScope {
public:
    BusyCursorScope() { SetBusyCursor(); }
    ~BusyCursorScope() { ResetCursor(); }
    BusyCursorScope(const BusyCursorScope&) = delete;
    BusyCursorScope& operator=(const BusyCursorScope&) = delete;
};
