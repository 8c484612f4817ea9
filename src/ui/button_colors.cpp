// Colour arithmetic of the gradient button, kept free of widgets so that tables can check it.
#include "button_colors.h"

#include <cstdlib>

namespace ButtonColors {

int DivideRounded(int numerator, int denominator)
{
    const int magnitude = (2 * std::abs(numerator) + denominator) / (2 * denominator);
    return numerator < 0 ? -magnitude : magnitude;
}

QColor FlipLowestBits(const QColor& colour)
{
    return QColor(colour.red() ^ 1, colour.green() ^ 1, colour.blue() ^ 1);
}

QColor ColorFromBgr(int bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

Gradient ComputeGradient(const QColor& start, const QColor& end)
{
    Gradient gradient;
    const int startParts[3] = {start.red(), start.green(), start.blue()};
    const int endParts[3] = {end.red(), end.green(), end.blue()};
    for (int i = 0; i < 3; ++i) {
        gradient.base[i] = startParts[i];
        gradient.delta[i] = endParts[i] - startParts[i];
    }
    return gradient;
}

QColor GradientRowColor(const Gradient& gradient, int y, int height)
{
    const int t = DivideRounded(255 * y, height);
    int parts[3];
    for (int i = 0; i < 3; ++i)
        parts[i] = qBound(0, gradient.base[i] + DivideRounded(t * gradient.delta[i], 255), 255);
    return QColor(parts[0], parts[1], parts[2]);
}

int GreyLevel(int red, int green, int blue)
{
    // In hundredths, so the rounding is exact: no floating-point halves slip either way.
    return DivideRounded(30 * red + 59 * green + 11 * blue, 100);
}

void ConvertToGrey(QImage& image)
{
    if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
        image.convertTo(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const int grey = GreyLevel(qRed(pixel), qGreen(pixel), qBlue(pixel));
            line[x] = qRgba(grey, grey, grey, qAlpha(pixel));
        }
    }
}

QRegion RoundedButtonRegion(const QSize& size)
{
    const int w = size.width();
    const int h = size.height();
    QRegion region(0, 0, w, h);
    if (w < 4 || h < 4)
        return region;
    // A 4 x 4 corner ellipse leaves out three pixels in each corner.
    const QPoint corners[4] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (const QPoint& corner : corners) {
        const int dx = corner.x() == 0 ? 1 : -1;
        const int dy = corner.y() == 0 ? 1 : -1;
        region -= QRegion(corner.x(), corner.y(), 1, 1);
        region -= QRegion(corner.x() + dx, corner.y(), 1, 1);
        region -= QRegion(corner.x(), corner.y() + dy, 1, 1);
    }
    return region;
}

} // namespace ButtonColors
