// Text measurement in millimetres, independent of the screen the program runs on.
#pragma once

#include <QFont>
#include <QString>

namespace report {

// Height of one line of the font.
double LineHeightMm(const QFont& font);
// Height of text word-wrapped into a box widthMm wide (each "\n" starts a new line).
double WrappedTextHeightMm(const QFont& font, const QString& text, double widthMm);

} // namespace report
