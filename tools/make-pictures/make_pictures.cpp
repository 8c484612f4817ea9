// Draws the client's pictures (banner, message dialog backgrounds, button pictures) and its desktop icons into folders.
//
// Usage: QT_QPA_PLATFORM=offscreen make_pictures [OUTPUT_FOLDER]   (default: resources/pictures)
//        QT_QPA_PLATFORM=offscreen make_pictures --icons [ICON_THEME_FOLDER]   (default: dist/icons/hicolor)
// The files it writes are kept in the repository; the build does not run this program.
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QColor kBand(0x06, 0x32, 0x63);

QFont BoldFont(int pixelSize, const QString& family = u"DejaVu Sans"_s)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

bool SavePng(const QImage& image, const QDir& folder, const QString& name)
{
    return image.save(folder.filePath(name), "PNG");
}

// Baseline JPEG of quality 90, the form the dialog backgrounds are kept in.
bool SaveJpeg(const QImage& image, const QDir& folder, const QString& name)
{
    QImageWriter writer(folder.filePath(name), "jpeg");
    writer.setQuality(90);
    writer.setOptimizedWrite(false);
    writer.setProgressiveScanWrite(false);
    return writer.write(image.convertToFormat(QImage::Format_RGB32));
}

QImage TransparentImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void PrepareAntialiased(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// ----- banner -----

// A filled and outlined outline, so that one drawing can be painted on an image or written
// as SVG.
struct Shape {
    QPainterPath path;
    QBrush brush;
    QPen pen = Qt::NoPen;
};

void PaintShapes(QPainter& p, const std::vector<Shape>& shapes)
{
    for (const Shape& shape : shapes) {
        p.setPen(shape.pen);
        p.setBrush(shape.brush);
        p.drawPath(shape.path);
    }
}

Shape Circle(const QPointF& centre, double radius, const QColor& colour)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return {path, colour};
}

std::vector<Shape> CarShapes(const QRectF& box)
{
    // A side view of a hatchback: body, cabin with windows, two wheels.
    const double x = box.x();
    const double y = box.y();
    const double w = box.width();
    const double h = box.height();
    QPainterPath body;
    body.moveTo(x, y + h * 0.72);
    body.lineTo(x, y + h * 0.52);
    body.quadTo(x + w * 0.02, y + h * 0.42, x + w * 0.12, y + h * 0.40);
    body.lineTo(x + w * 0.28, y + h * 0.36);
    body.lineTo(x + w * 0.40, y + h * 0.12);
    body.quadTo(x + w * 0.43, y + h * 0.06, x + w * 0.50, y + h * 0.06);
    body.lineTo(x + w * 0.78, y + h * 0.06);
    body.quadTo(x + w * 0.85, y + h * 0.06, x + w * 0.90, y + h * 0.16);
    body.lineTo(x + w * 0.98, y + h * 0.40);
    body.quadTo(x + w, y + h * 0.46, x + w, y + h * 0.56);
    body.lineTo(x + w, y + h * 0.72);
    body.closeSubpath();
    QLinearGradient paint(box.topLeft(), box.bottomLeft());
    paint.setColorAt(0, QColor(0xf2, 0xf6, 0xfb));
    paint.setColorAt(1, QColor(0xa9, 0xc3, 0xe0));

    QPainterPath windows;
    windows.moveTo(x + w * 0.33, y + h * 0.36);
    windows.lineTo(x + w * 0.43, y + h * 0.15);
    windows.quadTo(x + w * 0.45, y + h * 0.12, x + w * 0.50, y + h * 0.12);
    windows.lineTo(x + w * 0.77, y + h * 0.12);
    windows.quadTo(x + w * 0.82, y + h * 0.12, x + w * 0.85, y + h * 0.19);
    windows.lineTo(x + w * 0.90, y + h * 0.36);
    windows.closeSubpath();
    QPainterPath pillar;
    pillar.addRect(QRectF(x + w * 0.615, y + h * 0.12, w * 0.02, h * 0.24));

    std::vector<Shape> shapes = {
        {body, paint}, {windows, QColor(0x0b, 0x3d, 0x74)}, {pillar, QColor(0xdf, 0xe9, 0xf5)}};
    for (double cx : {x + w * 0.22, x + w * 0.80}) {
        const QPointF centre(cx, y + h * 0.74);
        shapes.push_back(Circle(centre, h * 0.22, kBand));
        shapes.push_back(Circle(centre, h * 0.18, QColor(0x1c, 0x1c, 0x1c)));
        shapes.push_back(Circle(centre, h * 0.08, QColor(0xc8, 0xd2, 0xdc)));
    }
    return shapes;
}

Shape WrenchShape(const QPointF& centre, double length, double angleDegrees, const QColor& colour)
{
    QTransform place;
    place.translate(centre.x(), centre.y());
    place.rotate(angleDegrees);
    const double handle = length * 0.14;
    const double head = length * 0.22;
    QPainterPath path;
    path.addRoundedRect(QRectF(-length / 2 + head * 0.6, -handle / 2, length - head * 1.2, handle), handle / 2,
                        handle / 2);
    path.addEllipse(QPointF(-length / 2 + head * 0.5, 0), head * 0.62, head * 0.62);
    path.addEllipse(QPointF(length / 2 - head * 0.5, 0), head * 0.5, head * 0.5);
    path.setFillRule(Qt::WindingFill);
    QPainterPath jaw;
    jaw.addRect(QRectF(-length / 2 - head * 0.3, -head * 0.22, head * 0.9, head * 0.44));
    QPainterPath ring;
    ring.addEllipse(QPointF(length / 2 - head * 0.5, 0), head * 0.26, head * 0.26);
    path = path.simplified().subtracted(jaw).subtracted(ring);
    QLinearGradient metal(place.map(QPointF(0, -head)), place.map(QPointF(0, head)));
    metal.setColorAt(0, colour.lighter(130));
    metal.setColorAt(1, colour.darker(115));
    return {place.map(path), metal, QPen(QColor(0, 0, 0, 60), 1)};
}

void DrawCar(QPainter& p, const QRectF& box)
{
    PaintShapes(p, CarShapes(box));
}

void DrawWrench(QPainter& p, const QPointF& centre, double length, double angleDegrees, const QColor& colour)
{
    PaintShapes(p, {WrenchShape(centre, length, angleDegrees, colour)});
}

// The blue sky of the top bands with faint speed lines that fade out towards the left.
QImage BandBackground()
{
    QImage image(1000, 100, QImage::Format_RGB32);
    QPainter p(&image);
    PrepareAntialiased(p);
    QLinearGradient sky(0, 0, 1000, 0);
    sky.setColorAt(0, kBand);
    sky.setColorAt(0.55, kBand);
    sky.setColorAt(1, QColor(0x0b, 0x4a, 0x8e));
    p.fillRect(image.rect(), sky);
    for (int i = 0; i < 9; ++i) {
        const int y = 18 + i * 8;
        QLinearGradient line(440, 0, 1000, 0);
        line.setColorAt(0, QColor(255, 255, 255, 0));
        line.setColorAt(1, QColor(255, 255, 255, 18 + (i % 3) * 6));
        p.setPen(QPen(QBrush(line), 1.5));
        p.drawLine(QPointF(440 + i * 12, y), QPointF(1000, y - 30));
    }
    return image;
}

// The car and the wrench on a road line, with the car's left edge at x.
void DrawCarMotif(QPainter& p, double x)
{
    p.setPen(QPen(QColor(255, 255, 255, 70), 2));
    p.drawLine(QPointF(x - 6, 86), QPointF(x + 164, 86));
    DrawCar(p, QRectF(x, 28, 150, 56));
    DrawWrench(p, QPointF(x + 134, 36), 74, -38, QColor(0xf5, 0xa6, 0x23));
}

QImage Banner()
{
    QImage image = BandBackground();
    QPainter p(&image);
    PrepareAntialiased(p);
    DrawCarMotif(p, 566);

    p.setPen(Qt::white);
    p.setFont(BoldFont(54));
    p.drawText(QRectF(748, 6, 240, 70), Qt::AlignLeft | Qt::AlignVCenter, u"ordavo"_s);
    p.setPen(QColor(0xf5, 0xa6, 0x23));
    p.setBrush(QColor(0xf5, 0xa6, 0x23));
    p.drawRect(QRectF(752, 74, 224, 3));
    p.setPen(QColor(0xbf, 0xd4, 0xea));
    QFont small = BoldFont(12);
    small.setBold(false);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    p.setFont(small);
    p.drawText(QRectF(752, 79, 230, 18), Qt::AlignLeft | Qt::AlignVCenter, u"DELOVNI NALOGI"_s);
    return image;
}

// The order window's header strip: the same sky with the motif left of the place where the
// window shows the order type and total, so the texts stand on plain blue.
QImage OrderHeaderStrip()
{
    QImage image = BandBackground();
    QPainter p(&image);
    PrepareAntialiased(p);
    DrawCarMotif(p, 530);
    return image;
}

// ----- dialog backgrounds -----

using SymbolPainter = std::function<void(QPainter&, const QPointF&, double)>;

void DrawGlossyDisc(QPainter& p, const QPointF& centre, double radius, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawEllipse(centre + QPointF(3, 4), radius, radius);
    QRadialGradient fill(centre - QPointF(radius * 0.35, radius * 0.45), radius * 1.5);
    fill.setColorAt(0, colour.lighter(145));
    fill.setColorAt(0.55, colour);
    fill.setColorAt(1, colour.darker(150));
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 120), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius - 2, radius - 2);
}

void DrawGlyph(QPainter& p, const QPointF& centre, double radius, const QString& glyph, const QColor& colour)
{
    p.setPen(colour);
    p.setFont(BoldFont(static_cast<int>(radius * 1.25)));
    p.drawText(QRectF(centre.x() - radius, centre.y() - radius, radius * 2, radius * 2), Qt::AlignCenter, glyph);
}

void ErrorSymbol(QPainter& p, const QPointF& c, double r)
{
    DrawGlossyDisc(p, c, r, QColor(0xd3, 0x2f, 0x2f));
    p.setPen(QPen(Qt::white, r * 0.22, Qt::SolidLine, Qt::RoundCap));
    const double arm = r * 0.42;
    p.drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
    p.drawLine(c + QPointF(arm, -arm), c + QPointF(-arm, arm));
}

void WarningSymbol(QPainter& p, const QPointF& c, double r)
{
    auto triangle = [&](const QPointF& at) {
        QPainterPath path;
        path.moveTo(at + QPointF(0, -r * 1.02));
        path.lineTo(at + QPointF(r * 1.12, r * 0.9));
        path.lineTo(at + QPointF(-r * 1.12, r * 0.9));
        path.closeSubpath();
        return path;
    };
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPath(triangle(c + QPointF(3, 4)));
    QLinearGradient fill(c - QPointF(0, r), c + QPointF(0, r));
    fill.setColorAt(0, QColor(0xff, 0xd5, 0x6b));
    fill.setColorAt(1, QColor(0xe0, 0x8a, 0x00));
    p.setPen(QPen(QColor(0xff, 0xe7, 0xa8), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(triangle(c));
    p.setPen(QPen(QColor(0x3a, 0x22, 0x00), r * 0.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(0, -r * 0.45), c + QPointF(0, r * 0.28));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x22, 0x00));
    p.drawEllipse(c + QPointF(0, r * 0.62), r * 0.12, r * 0.12);
}

void InfoSymbol(QPainter& p, const QPointF& c, double r)
{
    DrawGlossyDisc(p, c, r, QColor(0x1e, 0x88, 0xe5));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(c + QPointF(0, -r * 0.48), r * 0.13, r * 0.13);
    p.drawRoundedRect(QRectF(c.x() - r * 0.11, c.y() - r * 0.22, r * 0.22, r * 0.72), r * 0.06, r * 0.06);
}

void ConfirmSymbol(QPainter& p, const QPointF& c, double r)
{
    DrawGlossyDisc(p, c, r, QColor(0x2e, 0x9d, 0x3c));
    DrawGlyph(p, c + QPointF(0, r * 0.04), r, u"?"_s, Qt::white);
}

QImage DialogBackground(const QColor& tint, const SymbolPainter& symbol)
{
    QImage image(400, 250, QImage::Format_RGB32);
    QPainter p(&image);
    PrepareAntialiased(p);
    QLinearGradient base(0, 0, 0, 250);
    base.setColorAt(0, QColor(0x1b, 0x22, 0x2c));
    base.setColorAt(1, QColor(0x0b, 0x0e, 0x13));
    p.fillRect(image.rect(), base);
    QRadialGradient glow(QPointF(62, 112), 170);
    QColor glowColour = tint;
    glowColour.setAlpha(150);
    glow.setColorAt(0, glowColour);
    glow.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(image.rect(), glow);

    // Thin diagonal lines on the right, faint enough to keep white text readable.
    p.setPen(QPen(QColor(255, 255, 255, 10), 1));
    for (int x = 120; x < 700; x += 14)
        p.drawLine(QPointF(x, 0), QPointF(x - 250, 250));
    // A band behind the buttons.
    p.fillRect(QRect(0, 202, 400, 48), QColor(0, 0, 0, 70));
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.drawLine(0, 202, 400, 202);

    symbol(p, QPointF(60, 108), 42);
    return image;
}

// ----- button pictures -----

void DrawPage(QPainter& p, const QRectF& r, double fold)
{
    QPainterPath page;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(QPen(QColor(0x6b, 0x7b, 0x8c), 1.2));
    p.setBrush(QColor(0xfa, 0xfb, 0xfd));
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(0xd5, 0xdd, 0xe6));
    p.drawPath(corner);
}

void DrawTextLines(QPainter& p, double left, double right, double top, int count, double gap)
{
    p.setPen(QPen(QColor(0x9a, 0xa8, 0xb7), 1.4, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(left, top + i * gap), QPointF(right - (i % 2) * 3, top + i * gap));
}

void DrawMagnifier(QPainter& p, const QPointF& c, double r)
{
    p.setPen(QPen(QColor(0x5d, 0x40, 0x37), r * 0.55, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(r * 0.75, r * 0.75), c + QPointF(r * 1.75, r * 1.75));
    QRadialGradient glass(c - QPointF(r * 0.3, r * 0.3), r * 1.3);
    glass.setColorAt(0, QColor(0xe3, 0xf2, 0xfd, 230));
    glass.setColorAt(1, QColor(0x90, 0xca, 0xf9, 200));
    p.setPen(QPen(QColor(0x45, 0x5a, 0x64), r * 0.28));
    p.setBrush(glass);
    p.drawEllipse(c, r, r);
}

QImage DeletePicture()
{
    QImage image = TransparentImage(32);
    QPainter p(&image);
    PrepareAntialiased(p);
    QLinearGradient bin(8, 0, 24, 0);
    bin.setColorAt(0, QColor(0xe5, 0x73, 0x73));
    bin.setColorAt(1, QColor(0xb7, 0x1c, 0x1c));
    QPainterPath body;
    body.moveTo(8, 10);
    body.lineTo(24, 10);
    body.lineTo(22.5, 29);
    body.lineTo(9.5, 29);
    body.closeSubpath();
    p.setPen(QPen(QColor(0x7f, 0x10, 0x10), 1.2));
    p.setBrush(bin);
    p.drawPath(body);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.5, Qt::SolidLine, Qt::RoundCap));
    for (double x : {12.5, 16.0, 19.5})
        p.drawLine(QPointF(x, 13.5), QPointF(x, 26));
    p.setPen(QPen(QColor(0x7f, 0x10, 0x10), 1.2));
    p.setBrush(QColor(0xc6, 0x28, 0x28));
    p.drawRoundedRect(QRectF(5.5, 6, 21, 3.5), 1.2, 1.2);
    p.drawRoundedRect(QRectF(12.5, 3, 7, 3), 1, 1);
    return image;
}

QImage PrintPicture()
{
    QImage image = TransparentImage(32);
    QPainter p(&image);
    PrepareAntialiased(p);
    DrawPage(p, QRectF(9, 2.5, 14, 10), 0);
    QLinearGradient body(0, 11, 0, 24);
    body.setColorAt(0, QColor(0x90, 0xa4, 0xae));
    body.setColorAt(1, QColor(0x45, 0x5a, 0x64));
    p.setPen(QPen(QColor(0x26, 0x32, 0x38), 1.2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(3, 11, 26, 13), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x66, 0xbb, 0x6a));
    p.drawEllipse(QPointF(24.5, 15.5), 1.4, 1.4);
    DrawPage(p, QRectF(8.5, 19, 15, 11), 0);
    DrawTextLines(p, 11, 21, 23, 2, 3.5);
    return image;
}

QImage PreviewPicture()
{
    QImage image = TransparentImage(32);
    QPainter p(&image);
    PrepareAntialiased(p);
    DrawPage(p, QRectF(4, 2, 19, 25), 5);
    DrawTextLines(p, 7.5, 18, 9, 5, 3.5);
    DrawMagnifier(p, QPointF(19, 19), 5.5);
    return image;
}

QImage MailPicture()
{
    QImage image = TransparentImage(32);
    QPainter p(&image);
    PrepareAntialiased(p);
    const QRectF r(2.5, 7.5, 27, 18);
    QLinearGradient paper(0, r.top(), 0, r.bottom());
    paper.setColorAt(0, QColor(0xff, 0xff, 0xff));
    paper.setColorAt(1, QColor(0xe3, 0xea, 0xf2));
    p.setPen(QPen(QColor(0x1e, 0x5a, 0x9c), 1.4));
    p.setBrush(paper);
    p.drawRoundedRect(r, 2, 2);
    p.setPen(QPen(QColor(0x1e, 0x5a, 0x9c), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xd6, 0xe4, 0xf3));
    QPainterPath flap;
    flap.moveTo(r.topLeft() + QPointF(1, 1));
    flap.lineTo(r.center().x(), r.top() + 10.5);
    flap.lineTo(r.right() - 1, r.top() + 1);
    p.drawPath(flap);
    p.drawLine(r.bottomLeft() + QPointF(1.5, -1.5), QPointF(r.left() + 10, r.top() + 9));
    p.drawLine(r.bottomRight() + QPointF(-1.5, -1.5), QPointF(r.right() - 10, r.top() + 9));
    return image;
}

QImage PdfPicture()
{
    QImage image = TransparentImage(32);
    QPainter p(&image);
    PrepareAntialiased(p);
    DrawPage(p, QRectF(5, 1.5, 22, 28.5), 6);
    DrawTextLines(p, 8.5, 22, 8, 2, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd3, 0x2f, 0x2f));
    p.drawRoundedRect(QRectF(2, 15.5, 25, 11), 2, 2);
    p.setPen(Qt::white);
    p.setFont(BoldFont(9));
    p.drawText(QRectF(2, 15.5, 25, 11), Qt::AlignCenter, u"PDF"_s);
    return image;
}

QImage SignaturePicture()
{
    QImage image = TransparentImage(32);
    QPainter p(&image);
    PrepareAntialiased(p);
    // The signed squiggle.
    QPainterPath squiggle;
    squiggle.moveTo(2, 25);
    squiggle.cubicTo(5, 16, 8, 16, 8.5, 24);
    squiggle.cubicTo(9, 29, 12, 19, 14, 21);
    squiggle.cubicTo(16, 23, 16.5, 26, 20, 23);
    p.setPen(QPen(QColor(0x1a, 0x23, 0x7e), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(squiggle);
    p.setPen(QPen(QColor(0x78, 0x90, 0x9c), 1.2));
    p.drawLine(QPointF(2, 29), QPointF(29, 29));
    // The pen, slanted.
    p.save();
    p.translate(22, 14);
    p.rotate(45);
    QLinearGradient barrel(0, -3, 0, 3);
    barrel.setColorAt(0, QColor(0x42, 0x8b, 0xe0));
    barrel.setColorAt(1, QColor(0x0d, 0x47, 0xa1));
    p.setPen(QPen(QColor(0x0a, 0x2a, 0x5e), 1));
    p.setBrush(barrel);
    p.drawRoundedRect(QRectF(-10, -3, 17, 6), 2, 2);
    QPainterPath nib;
    nib.moveTo(7, -3);
    nib.lineTo(12.5, 0);
    nib.lineTo(7, 3);
    nib.closeSubpath();
    p.setBrush(QColor(0xff, 0xc1, 0x07));
    p.drawPath(nib);
    p.restore();
    return image;
}

QImage BilledPicture()
{
    QImage image = TransparentImage(32);
    QPainter p(&image);
    PrepareAntialiased(p);
    DrawGlossyDisc(p, QPointF(15.5, 15.5), 13, QColor(0x2e, 0x9d, 0x3c));
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(9, 16);
    tick.lineTo(13.5, 20.5);
    tick.lineTo(22, 11);
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    return image;
}

QImage SearchPicture()
{
    QImage image = TransparentImage(32);
    QPainter p(&image);
    PrepareAntialiased(p);
    DrawMagnifier(p, QPointF(13, 13), 8.5);
    return image;
}

QImage SavePicture()
{
    QImage image = TransparentImage(32);
    QPainter p(&image);
    PrepareAntialiased(p);
    QPainterPath disk;
    disk.moveTo(3, 3);
    disk.lineTo(25, 3);
    disk.lineTo(29, 7);
    disk.lineTo(29, 29);
    disk.lineTo(3, 29);
    disk.closeSubpath();
    QLinearGradient body(0, 3, 0, 29);
    body.setColorAt(0, QColor(0x42, 0x8b, 0xe0));
    body.setColorAt(1, QColor(0x0d, 0x47, 0xa1));
    p.setPen(QPen(QColor(0x0a, 0x2a, 0x5e), 1.2, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(body);
    p.drawPath(disk);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xcf, 0xd8, 0xdc));
    p.drawRect(QRectF(8, 3.6, 15, 8.5));
    p.setBrush(QColor(0x37, 0x47, 0x4f));
    p.drawRect(QRectF(18, 5, 3, 5.5));
    p.setBrush(QColor(0xfa, 0xfa, 0xfa));
    p.drawRoundedRect(QRectF(6.5, 16, 19, 11), 1.2, 1.2);
    DrawTextLines(p, 9, 23, 19.5, 2, 3.5);
    return image;
}

QImage AlignPicture()
{
    QImage image = TransparentImage(24);
    QPainter p(&image);
    PrepareAntialiased(p);
    auto window = [&p](const QRectF& r, const QColor& title) {
        p.setPen(QPen(QColor(0xe3, 0xf2, 0xfd), 1.2));
        p.setBrush(QColor(0xfa, 0xfb, 0xfd));
        p.drawRect(r);
        p.setPen(Qt::NoPen);
        p.setBrush(title);
        p.drawRect(QRectF(r.left() + 0.6, r.top() + 0.6, r.width() - 1.2, 3.5));
    };
    window(QRectF(1.5, 3.5, 11, 17), QColor(0x90, 0xa4, 0xae));
    window(QRectF(13.5, 3.5, 9, 17), QColor(0xf5, 0xa6, 0x23));
    return image;
}

QImage WebPicture()
{
    QImage image = TransparentImage(24);
    QPainter p(&image);
    PrepareAntialiased(p);
    const QPointF c(12, 12);
    QRadialGradient sea(c - QPointF(3, 3), 14);
    sea.setColorAt(0, QColor(0x64, 0xb5, 0xf6));
    sea.setColorAt(1, QColor(0x15, 0x65, 0xc0));
    p.setPen(QPen(QColor(0xe3, 0xf2, 0xfd), 1.2));
    p.setBrush(sea);
    p.drawEllipse(c, 10, 10);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1));
    p.drawEllipse(c, 4.5, 10);
    p.drawLine(QPointF(2, 12), QPointF(22, 12));
    p.drawLine(QPointF(12, 2), QPointF(12, 22));
    p.drawLine(QPointF(4, 7), QPointF(20, 7));
    p.drawLine(QPointF(4, 17), QPointF(20, 17));
    return image;
}

// ----- desktop icon -----

// The banner's car and wrench on a rounded square of the top bands' blue, on a 256 unit grid.
std::vector<Shape> AppIconShapes()
{
    QLinearGradient sky(0, 0, 0, 256);
    sky.setColorAt(0, QColor(0x0b, 0x4a, 0x8e));
    sky.setColorAt(1, kBand);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    QPainterPath road;
    road.moveTo(26, 206);
    road.lineTo(230, 206);
    std::vector<Shape> shapes = {{tile, sky}, {road, Qt::NoBrush, QPen(QColor(255, 255, 255, 90), 6)}};
    for (Shape& shape : CarShapes(QRectF(24, 112, 208, 92)))
        shapes.push_back(std::move(shape));
    shapes.push_back(WrenchShape(QPointF(172, 76), 136, -38, QColor(0xf5, 0xa6, 0x23)));
    return shapes;
}

// Every size is drawn, not scaled from another.
QImage AppIcon(int size)
{
    QImage image = TransparentImage(size);
    QPainter p(&image);
    PrepareAntialiased(p);
    p.scale(size / 256.0, size / 256.0);
    PaintShapes(p, AppIconShapes());
    return image;
}

QString SvgNumber(double value)
{
    return QString::number(value, 'f', 2);
}

QString SvgColour(const QColor& colour, const QString& attribute)
{
    QString out = u" %1=\"%2\""_s.arg(attribute, colour.name(QColor::HexRgb));
    if (colour.alpha() < 255)
        out += u" %1-opacity=\"%2\""_s.arg(attribute, SvgNumber(colour.alphaF()));
    return out;
}

QString SvgPathData(const QPainterPath& path)
{
    QString data;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            data += u"M"_s + SvgNumber(e.x) + u' ' + SvgNumber(e.y);
        } else if (e.isLineTo()) {
            data += u"L"_s + SvgNumber(e.x) + u' ' + SvgNumber(e.y);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            data += u"C"_s + SvgNumber(e.x) + u' ' + SvgNumber(e.y) + u' ' + SvgNumber(c2.x) + u' ' + SvgNumber(c2.y) +
                    u' ' + SvgNumber(end.x) + u' ' + SvgNumber(end.y);
            i += 2;
        }
    }
    return data;
}

// The shapes as an SVG document of the given size; gradients become linear gradients in
// the drawing's own coordinates.
QString ShapesToSvg(const std::vector<Shape>& shapes, int size)
{
    QString defs;
    QString body;
    int gradients = 0;
    for (const Shape& shape : shapes) {
        QString fill = u" fill=\"none\""_s;
        if (const auto* gradient = static_cast<const QLinearGradient*>(shape.brush.gradient())) {
            const QString id = u"g%1"_s.arg(++gradients);
            defs +=
                u"<linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" x1=\"%2\" y1=\"%3\" x2=\"%4\" y2=\"%5\">"_s
                    .arg(id, SvgNumber(gradient->start().x()), SvgNumber(gradient->start().y()),
                         SvgNumber(gradient->finalStop().x()), SvgNumber(gradient->finalStop().y()));
            for (const QGradientStop& stop : gradient->stops())
                defs += u"<stop offset=\"%1\""_s.arg(SvgNumber(stop.first)) + SvgColour(stop.second, u"stop-color"_s) +
                        u"/>"_s;
            defs += u"</linearGradient>\n"_s;
            fill = u" fill=\"url(#%1)\""_s.arg(id);
        } else if (shape.brush.style() == Qt::SolidPattern) {
            fill = SvgColour(shape.brush.color(), u"fill"_s);
        }
        QString stroke = u" stroke=\"none\""_s;
        if (shape.pen.style() != Qt::NoPen)
            stroke = SvgColour(shape.pen.color(), u"stroke"_s) +
                     u" stroke-width=\"%1\""_s.arg(SvgNumber(shape.pen.widthF()));
        const QString rule = shape.path.fillRule() == Qt::WindingFill ? u"nonzero"_s : u"evenodd"_s;
        body += u"<path d=\"%1\"%2%3 fill-rule=\"%4\"/>\n"_s.arg(SvgPathData(shape.path), fill, stroke, rule);
    }
    return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
           "<defs>\n%2</defs>\n%3</svg>\n"_s.arg(size)
               .arg(defs, body);
}

int WriteIcons(const QString& target)
{
    QDir scalable(target + u"/scalable/apps"_s);
    QFile svg(scalable.filePath(u"si.ordavo.Ordavo.svg"_s));
    bool ok = scalable.mkpath(u"."_s) && svg.open(QIODevice::WriteOnly) &&
              svg.write(ShapesToSvg(AppIconShapes(), 256).toUtf8()) > 0;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        QDir folder(target + u"/%1x%1/apps"_s.arg(size));
        ok = folder.mkpath(u"."_s) &&
             SavePng(AppIcon(size).convertToFormat(QImage::Format_ARGB32), folder, u"si.ordavo.Ordavo.png"_s) && ok;
    }
    if (!ok)
        QTextStream(stderr) << "some icons could not be written to " << target << '\n';
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--icons")
        return WriteIcons(argc > 2 ? QString::fromLocal8Bit(argv[2]) : u"dist/icons/hicolor"_s);
    const QString target = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"resources/pictures"_s;
    QDir folder(target);
    if (!folder.mkpath(u"."_s)) {
        QTextStream(stderr) << "cannot create " << target << '\n';
        return 1;
    }

    bool ok = SavePng(Banner(), folder, u"banner.png"_s);
    ok = SavePng(OrderHeaderStrip(), folder, u"order_header.png"_s) && ok;
    ok = SaveJpeg(DialogBackground(QColor(0xb7, 0x1c, 0x1c), ErrorSymbol), folder, u"dialog_error.jpg"_s) && ok;
    ok = SaveJpeg(DialogBackground(QColor(0xc7, 0x7c, 0x02), WarningSymbol), folder, u"dialog_warning.jpg"_s) && ok;
    ok = SaveJpeg(DialogBackground(QColor(0x15, 0x65, 0xc0), InfoSymbol), folder, u"dialog_info.jpg"_s) && ok;
    ok = SaveJpeg(DialogBackground(QColor(0x2e, 0x7d, 0x32), ConfirmSymbol), folder, u"dialog_confirm.jpg"_s) && ok;
    const struct {
        QString name;
        std::function<QImage()> draw;
    } buttons[] = {
        {u"delete.png"_s, DeletePicture}, {u"print.png"_s, PrintPicture},   {u"preview.png"_s, PreviewPicture},
        {u"mail.png"_s, MailPicture},     {u"pdf.png"_s, PdfPicture},       {u"signature.png"_s, SignaturePicture},
        {u"billed.png"_s, BilledPicture}, {u"search.png"_s, SearchPicture}, {u"save.png"_s, SavePicture},
        {u"align.png"_s, AlignPicture},   {u"web.png"_s, WebPicture},
    };
    for (const auto& button : buttons)
        ok = SavePng(button.draw().convertToFormat(QImage::Format_ARGB32), folder, button.name) && ok;
    if (!ok) {
        QTextStream(stderr) << "some pictures could not be written to " << target << '\n';
        return 1;
    }
    return 0;
}
