// Checks on a shown window: captions fit their controls, controls keep apart, the banner's logo stays clear; its
// screenshot.
#pragma once

#include <QRect>
#include <QStringList>

class QWidget;

// One line per visible label, button caption or column header whose text does not fit its
// control (too wide, or too low for the font's ascent and descent), naming the control.
QStringList ClippedTexts(const QWidget& window);

// One line per visible control that reaches outside its parent (which cuts it off), and one
// line per pair of visible sibling controls whose rectangles intersect, except pairs
// that a line of allowed names permits: "first|second" (object names, either order), or
// "first|*" for a control that lies under or over its siblings by design.
QStringList OverlappingControls(const QWidget& window, const QStringList& allowed = {});

// One line per visible control standing on a drawn part (not the plain background) of a
// banner picture ("imgTop") of the window's top bands.
QStringList ControlsOverBannerPictures(const QWidget& window);

// Writes the window, frame included, as NAME.png into $ORDAVO_SCREENSHOT_DIR when it is set;
// false when the picture could not be written.
bool SaveScreenshot(const QWidget& window, const QString& name);
