// The shared state the desktop window tests reset before every test function.
#pragma once

#include "orders/order_details.h"
#include "session/app_state.h"
#include "ui/message_boxes.h"
#include "ui/window_placement.h"

// A fresh application state with no order shown, the simulator's default list date format, no placement
// saved to the settings, and message boxes recorded and answered by the test hook, its queue
// and record emptied.
inline void ResetDesktopWindowState()
{
    ResetAppState();
    currentNalogId = 0;
    listDateFormat = QStringLiteral("yyyy-mm-dd");
    placementSaving = false;
    DialogTestHook::reset();
    DialogTestHook::activate();
}
