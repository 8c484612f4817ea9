// The main window that dialogs and secondary windows centre on, and the centring itself.
#pragma once

class QWidget;

// The shell registers its main window here once it exists; nullptr unregisters it.
void SetDialogOwnerWindow(QWidget* window);

// The registered main window, else a top-level widget named "frmMain", else nullptr.
QWidget* DialogOwnerWindow();

// Moves the window so that its centre lies on the centre of the main window (on the centre of
// the screen when there is no main window). The window keeps its size.
void CentreOnOwnerWindow(QWidget* window);
