// Colour arithmetic of the gradient button: the gradient rows, the grey conversion and the end-colour flip.
#pragma once

#include <QColor>
#include <QImage>
#include <QRegion>
#include <QSize>

namespace ButtonColors {

// Integer division of numerator by a positive denominator, halves rounded away from zero.
int DivideRounded(int numerator, int denominator);

// The colour with the lowest bit of each of its red, green and blue components flipped.
QColor FlipLowestBits(const QColor& colour);

// A colour from the integer of a window definition: blue in bits 16-23, green in 8-15, red in 0-7.
QColor ColorFromBgr(int bgr);

// The start colour's components and, per component, end minus start (-255..255).
struct Gradient {
    int base[3] = {0, 0, 0};
    int delta[3] = {0, 0, 0};
};

Gradient ComputeGradient(const QColor& start, const QColor& end);

// The colour of pixel row y of a gradient spread over height rows: t = round(255 * y / height),
// each component base + round(t * delta / 255).
QColor GradientRowColor(const Gradient& gradient, int y, int height);

// 0.3 * red + 0.59 * green + 0.11 * blue, rounded to the nearest integer.
int GreyLevel(int red, int green, int blue);

// Every pixel of the image becomes its grey level in all three components (alpha is kept).
void ConvertToGrey(QImage& image);

// The window shape of a button: the full rectangle with each corner rounded off.
QRegion RoundedButtonRegion(const QSize& size);

} // namespace ButtonColors
