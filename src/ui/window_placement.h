// Window placement in the settings store: the placementSaving flag, saving and restoring a window's position and size.
#pragma once

class QObject;

// Placements are written only while this is true. False while the windows are created; the
// main window sets it when it is first shown; restoreFormPlacement clears it while it applies.
extern bool placementSaving;

// Writes "left", "top", "width" and "height" + the window's object name (section "ordavo"), in
// this order, as decimal texts of its outer position and size. Does nothing for an object that is
// not a window. Throws SettingsError when the store refuses the write.
void saveFormPlacement(QObject* form);

// Reads the four settings and applies them in the order left, top, width, height; an empty or
// non-integer setting keeps the current value. placementSaving is false while the values are
// applied and while pending events run, then true. Does nothing for an object that is not a
// window. Throws SettingsError when the store cannot be read.
void restoreFormPlacement(QObject* form);
