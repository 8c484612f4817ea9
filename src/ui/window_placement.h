// Window placement in the settings store: the placementSaving flag, saving and restoring a window's position and size.
#pragma once

#include <QList>
#include <QRect>

class QObject;
class QWidget;

// Placements are written only while this is true. False while the windows are created; the
// main window sets it when it is first shown; restoreFormPlacement clears it while it applies.
extern bool placementSaving;

// Writes "left", "top", "width" and "height" + the window's object name (section "ordavo"), in
// this order, as decimal texts of its outer rectangle (frame included). Does nothing for an
// object that is not a window.
// A window whose placement is tracked (see TrackPlacement) is written only once the user has
// moved or resized it after it came on screen: the events of creation, of the window manager
// framing it and of a restore never write, so what is stored stays exactly as the user left it.
// Throws SettingsError when the store refuses the write.
void saveFormPlacement(QObject* form);

// Reads the four settings and applies them as the window's outer rectangle, in the order left,
// top, width, height; an empty or non-integer setting keeps the current value. A rectangle that
// would leave the title bar off every screen is moved (and if needed shrunk) into the available
// area. placementSaving is false while the values are applied and while pending events run,
// then true. When the window manager has not framed the window yet, the size is applied again
// once the frame is known, so the outer rectangle is the stored one. Does nothing for an object
// that is not a window. Throws SettingsError when the store cannot be read.
void restoreFormPlacement(QObject* form);

// From now on, saveFormPlacement writes this window only after the user's first move or resize
// once it is on screen. Windows that save their placement call it when they are created.
void TrackPlacement(QWidget* window);

// The outer rectangle a window is given for a stored one: unchanged while its title bar lies on
// one of the available areas; otherwise shrunk to fit and moved inside the area that holds
// most of it (the first one when none does).
QRect KeepTitleBarReachable(const QRect& outer, const QList<QRect>& availableAreas);
