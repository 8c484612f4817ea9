// What screen readers learn about the kit's own controls: button names, picture descriptions, silent decorations.
#pragma once

#include <QString>

class QWidget;

// A control the kit paints itself and that works as a push button (a gradient button, a picture
// button): read by its caption without the blanks that place it beside its picture, or, when
// it has no caption, by its tooltip; it can be pressed. Needs a click() slot.
void ReadAsButton(QWidget* button);

// Tells screen readers what a picture shows; an empty description marks it as decoration,
// which they pass over. A window that replaces the picture describes it again.
void DescribePicture(QWidget* picture, const QString& description);

// A message window read as an alert: its name is the text of `title`, its description the text
// of `message` (two labels on it), and screen readers announce it each time it is shown.
void ReadAsAlert(QWidget* window, QWidget* title, QWidget* message);
// Announces the alert again, for a window that changed its texts while it stays on screen.
void AnnounceAlert(QWidget* window);

// The name a button is read by: its caption without mnemonic marks and surrounding blanks,
// or, without a caption, its tooltip.
QString ButtonNameForScreenReaders(const QString& caption, const QString& toolTip);
