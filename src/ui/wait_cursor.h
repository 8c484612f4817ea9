// The hourglass cursor of the windows: a scoped one-level cursor, and the program-wide on/off cursor of long actions.
#pragma once

// One level of the hourglass on Qt's override-cursor stack while it lives; restore() gives
// that level back earlier. Nested scopes and boxes shown meanwhile keep their own levels.
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

// The program-wide hourglass as one on/off state: shown once however often it is asked for,
// and cleared completely (every override level) by ClearBusyCursor.
void ShowBusyCursor();
void ClearBusyCursor();
bool BusyCursorShown();

// Shows the program-wide hourglass for a scope unless one is already shown, and clears it
// when the scope ends.
class BusyCursorWhileRunning {
public:
    BusyCursorWhileRunning();
    ~BusyCursorWhileRunning();
    BusyCursorWhileRunning(const BusyCursorWhileRunning&) = delete;
    BusyCursorWhileRunning& operator=(const BusyCursorWhileRunning&) = delete;

private:
    bool owns_ = false;
};

// Shows the program-wide hourglass for a scope and clears it (every level) when the scope ends.
class BusyCursorUntilDone {
public:
    BusyCursorUntilDone() { ShowBusyCursor(); }
    ~BusyCursorUntilDone() { ClearBusyCursor(); }
    BusyCursorUntilDone(const BusyCursorUntilDone&) = delete;
    BusyCursorUntilDone& operator=(const BusyCursorUntilDone&) = delete;
};
