// Text measurement in millimetres against a fixed high-resolution device, so that layout does not depend on the screen.
#include "report_measure.h"

#include "report_page.h"

#include <QFontMetricsF>
#include <QImage>

namespace report {
namespace {

constexpr double MeasureDpi = 1200.0;

const QImage& measureDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(MeasureDpi / MmPerInch * 1000.0);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

double toMm(double devicePixels)
{
    return devicePixels * MmPerInch / MeasureDpi;
}
double toPixels(double mm)
{
    return mm * MeasureDpi / MmPerInch;
}

} // namespace

double LineHeightMm(const QFont& font)
{
    const QFontMetricsF metrics(font, &measureDevice());
    return toMm(metrics.height());
}

double WrappedTextHeightMm(const QFont& font, const QString& text, double widthMm)
{
    const QFontMetricsF metrics(font, &measureDevice());
    const QRectF box(0, 0, toPixels(widthMm), 1e7);
    return toMm(metrics.boundingRect(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text).height());
}

} // namespace report
