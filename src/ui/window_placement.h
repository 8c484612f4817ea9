// Window placement in the settings store: the placementSaving flag, saving and restoring a window's position and size.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QObject;
class QWidget;

// Placements are written only while this is true. False while the windows are created; the
// main window sets it when it is first shown; restoreFormPlacement clears it while it applies.
extern bool placementSaving;

// Writes "left", "top", "width" and "height" + the window's object name (the client's section), in
// this order, as decimal texts of its outer rectangle (frame included). Does nothing for an
// object that is not a window.
// A window whose placement is tracked (see TrackPlacement) and restored is written only once
// the user has moved or resized it after it came on screen: the events of creation, of the
// window manager framing it and of a restore never write, so what is stored stays exactly as the
// user left it. A tracked window that is not restored is also written when it closes.
// Throws SettingsError when the store refuses the write.
void saveFormPlacement(QObject* form);

// Reads the four settings and applies them as the window's outer rectangle, in the order left,
// top, width, height; an empty or non-integer setting keeps the current value, and with none
// stored the window keeps the place and size its design gave it. Either way the window is kept
// inside the screens' available areas (see FitIntoAvailableArea). placementSaving is false
// while the values are applied and while pending events run, then true. When the window
// manager has not framed the window yet, the rectangle is applied again once the frame is
// known, so the outer rectangle is the stored one. Does nothing for an object that is not a
// window. Throws SettingsError when the store cannot be read.
void restoreFormPlacement(QObject* form);

// From now on, saveFormPlacement writes this window only as described there, and the window is
// kept on the screen once the window manager has framed it. Windows that save their placement
// call it when they are created.
void TrackPlacement(QWidget* window);

// Moves the window, and shrinks it if it must, so that it lies inside the screens' available
// areas now (with the frame it is expected to get when it is not framed yet) and again once the
// window manager has framed it. Windows call it when they first show.
// The frame a window is expected to get is the one the window manager last gave a window of this
// program, kept for the whole run (all of them carry the same decorations), so that only the
// first window of a run is placed before its frame is known; none is expected until one was framed.
void KeepOnScreen(QWidget* window);

// The outer rectangle a window is given: unchanged while it lies inside one of the available
// areas; otherwise moved inside the area that holds most of it (the first one when none does),
// shrunk to that area where it is larger, though never below minimumOuter; a window still
// larger than the area keeps its top left corner, and so its title bar, on it.
QRect FitIntoAvailableArea(const QRect& outer, const QSize& minimumOuter, const QList<QRect>& availableAreas);
