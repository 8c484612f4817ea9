// The main window that dialogs and secondary windows centre on, and the centring itself.
#pragma once

class QWidget;

// The shell registers its main window here once it exists; nullptr unregisters it.
void SetDialogOwnerWindow(QWidget* window);

// The registered main window while it exists, else nullptr.
QWidget* DialogOwnerWindow();

// Moves the window so that its centre lies on the centre of the main window (on the centre of
// the screen when there is no main window). The window keeps its size.
void CentreOnOwnerWindow(QWidget* window);

// The window a box or question belongs to: the active window when the active modal window lets
// it take input (see ShowBesideModalWindow), else the active modal window, else the visible
// main window; nullptr when there is none. A box is stacked over it, so the
// window the user works in stays where it is (never under the main window).
QWidget* WindowRaisingABox(const QWidget* box = nullptr);

// Makes `window` (a window that is not modal, shown next) take input while a modal window is
// open: it becomes a transient of that modal window, so the modal window does not block it and
// the window manager keeps it in front of it; without a modal window it belongs to its parent
// widget's window again. Call it each time before showing the window.
void ShowBesideModalWindow(QWidget* window);

// Makes the window manager keep `box` over the window that raised it.
void StackOverRaisingWindow(QWidget* box);
