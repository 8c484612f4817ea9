// Waiting for a worker thread with the windows alive: they repaint and answer the window manager, while user input and
// close requests wait for the end.
#pragma once

class WorkerThread;

// Runs the event loop until `worker` has finished. Meanwhile the windows paint and answer the
// window manager, timers and posted events run, but no user input reaches the program's windows:
// keys and clicks stay queued and arrive after the wait, in their order, and a close request
// (the title bar's close box) is held and carried out after the wait. True when the worker
// finished; false when the event loop could not run to the end (the program is quitting), and
// the caller must end the worker itself.
bool WaitHoldingInput(WorkerThread& worker);
