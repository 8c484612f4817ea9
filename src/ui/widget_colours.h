// The colours the windows share and the two ways a widget takes a colour: its background and its text.
#pragma once

#include <QColor>

class QWidget;

// The windows' grey background and the dark blue of their top bands and panels.
inline constexpr QRgb kWindowBackground = 0xDBDBDB;
inline constexpr QRgb kBandColour = 0x063263;

// Sets the background colour of a widget and makes it paint it.
void SetBackgroundColour(QWidget* widget, const QColor& colour);
// Sets the colour of a widget's text (of a label, a check box's caption or a text box) in every
// state of the window.
void SetTextColour(QWidget* widget, const QColor& colour);
