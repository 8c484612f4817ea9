// Program start: the long-lived windows in their order.
#pragma once

// Creates the long-lived windows in the start-up order: the main window (with its start-up
// preparation and first showing), the remote-call host (with the version check and the date
// probe), the order window, the tyre and catalogue windows, the message dialog and the print
// data module. False when the program already ends (sign-in refused, newer version, no server).
bool CreateLongLivedWindows();
// Destroys what CreateLongLivedWindows made, in reverse order.
void DestroyLongLivedWindows();
