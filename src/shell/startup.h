// Program start: the long-lived windows in their order, and ending the program.
#pragma once

#include <functional>

// Creates the long-lived windows in the start-up order: the main window (with its start-up
// preparation and first showing), the remote-call host (with the version check and the date
// probe), the order window, the tyre and catalogue windows, the message dialog and the print
// data module. False when the program already ends (sign-in refused, newer version, no server).
bool CreateLongLivedWindows();
// Creates the print data module when it does not exist yet (owned by the application).
void EnsurePrintDataModule();
// Destroys what CreateLongLivedWindows made, in reverse order.
void DestroyLongLivedWindows();

// Ends the program: the message loop stops as soon as it runs (at once when it runs already).
void TerminateApplication();
bool ApplicationTerminationRequested();
// Tests: forget an earlier request, and replace what a request does (an empty function
// restores stopping the message loop).
void ResetApplicationTermination();
void SetTerminationHook(std::function<void()> hook);
