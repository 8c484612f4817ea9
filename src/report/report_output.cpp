// Painting generated report pages on a device, and writing them to a printer, an uncompressed PDF and one HTML file.
#include "report_output.h"

#include "pdf_streams.h"

#include <QBuffer>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace report {
namespace {

// Millimetres to device pixels for the device the painter draws on.
class DeviceScale {
public:
    explicit DeviceScale(const QPaintDevice& device)
        : x_(device.logicalDpiX() / MmPerInch), y_(device.logicalDpiY() / MmPerInch)
    {
    }
    QPointF point(QPointF mm) const { return {mm.x() * x_, mm.y() * y_}; }
    QRectF rect(const QRectF& mm) const { return {point(mm.topLeft()), point(mm.bottomRight())}; }
    double length(double mm) const { return mm * (x_ + y_) / 2; }

private:
    double x_;
    double y_;
};

Qt::Alignment alignmentOf(HAlign align)
{
    switch (align) {
    case HAlign::Left:
        return Qt::AlignLeft;
    case HAlign::Right:
        return Qt::AlignRight;
    case HAlign::Center:
        return Qt::AlignHCenter;
    }
    return Qt::AlignLeft;
}

QPen penFor(const QColor& color, double widthPx, LineStyle style)
{
    QPen pen(color, widthPx);
    pen.setCapStyle(Qt::FlatCap);
    if (style == LineStyle::Dotted)
        pen.setDashPattern({1.5, 1.5});
    return pen;
}

struct OpPainter {
    QPainter& painter;
    DeviceScale scale;

    void operator()(const TextOp& op) const
    {
        painter.setFont(QFont(op.font, painter.device()));
        painter.setPen(Qt::black);
        const int flags = int(alignmentOf(op.align)) | Qt::AlignTop | Qt::TextDontClip |
                          (op.wrap ? Qt::TextWordWrap : Qt::TextSingleLine);
        painter.drawText(scale.rect(op.rectMm), flags, op.text);
    }
    void operator()(const LineOp& op) const
    {
        painter.setPen(penFor(op.color, scale.length(op.widthMm), op.style));
        painter.drawLine(QLineF(scale.point(op.lineMm.p1()), scale.point(op.lineMm.p2())));
    }
    void operator()(const FrameOp& op) const
    {
        painter.setPen(penFor(op.color, scale.length(op.widthMm), op.style));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(scale.rect(op.rectMm));
    }
    void operator()(const ImageOp& op) const { painter.drawImage(scale.rect(op.rectMm), op.image); }
};

QPageLayout fullSheetLayout(const Document& document)
{
    return QPageLayout(QPageSize(document.pageSizeMm, QPageSize::Millimeter), QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

bool paintAll(QPainter& painter, QPagedPaintDevice& device, const Document& document)
{
    for (std::size_t i = 0; i < document.pages.size(); ++i) {
        if (i > 0 && !device.newPage())
            return false;
        PaintPage(painter, document.pages[i]);
    }
    return true;
}

QString mm(double value)
{
    return QString::number(value, 'f', 2) + u"mm"_s;
}

QString htmlColor(const QColor& color)
{
    return color.name(QColor::HexRgb);
}

QString fontCss(const QFont& font)
{
    return u"font-family:'%1';font-size:%2pt;font-weight:%3;"_s.arg(font.family().toHtmlEscaped())
        .arg(font.pointSizeF())
        .arg(font.bold() ? u"bold"_s : u"normal"_s);
}

QString textAlignCss(HAlign align)
{
    switch (align) {
    case HAlign::Left:
        return u"left"_s;
    case HAlign::Right:
        return u"right"_s;
    case HAlign::Center:
        return u"center"_s;
    }
    return u"left"_s;
}

QString borderStyle(LineStyle style)
{
    return style == LineStyle::Dotted ? u"dotted"_s : u"solid"_s;
}

QString boxCss(const QRectF& rect)
{
    return u"left:%1;top:%2;width:%3;height:%4;"_s.arg(mm(rect.left()), mm(rect.top()), mm(rect.width()),
                                                       mm(rect.height()));
}

struct OpHtml {
    QString& out;

    void operator()(const TextOp& op) const
    {
        const QString space = op.wrap ? u"white-space:pre-wrap;"_s : u"white-space:pre;"_s;
        out += u"<div style=\"%1%2text-align:%3;%4\">%5</div>\n"_s.arg(
            boxCss(op.rectMm), fontCss(op.font), textAlignCss(op.align), space, op.text.toHtmlEscaped());
    }
    void operator()(const LineOp& op) const
    {
        const QRectF box(op.lineMm.p1() - QPointF(0, op.widthMm / 2), QSizeF(op.lineMm.dx(), 0));
        out += u"<div style=\"%1border-top:%2 %3 %4;\"></div>\n"_s.arg(boxCss(box), mm(op.widthMm),
                                                                       borderStyle(op.style), htmlColor(op.color));
    }
    void operator()(const FrameOp& op) const
    {
        out += u"<div style=\"%1box-sizing:border-box;border:%2 %3 %4;\"></div>\n"_s.arg(
            boxCss(op.rectMm), mm(op.widthMm), borderStyle(op.style), htmlColor(op.color));
    }
    void operator()(const ImageOp& op) const
    {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        op.image.save(&buffer, "PNG");
        out += u"<img style=\"%1\" src=\"data:image/png;base64,%2\" alt=\"\">\n"_s.arg(
            boxCss(op.rectMm), QString::fromLatin1(png.toBase64()));
    }
};

} // namespace

bool WriteFileAtomically(const QString& filePath, const QByteArray& bytes, QString* error)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void PaintPage(QPainter& painter, const Page& page)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const OpPainter draw{painter, DeviceScale(*painter.device())};
    for (const DrawOp& op : page.ops)
        std::visit(draw, op);
    painter.restore();
}

void ConfigurePrinter(QPrinter& printer, const Document& document)
{
    // Size and orientation are set one by one: a printer that refuses zero margins would
    // refuse a whole layout, paper size included. With the full page addressable the
    // margins the printer keeps do not move the drawing.
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(document.pageSizeMm, QPageSize::Millimeter));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

bool PrintDocument(QPrinter& printer, const Document& document)
{
    ConfigurePrinter(printer, document);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const bool painted = paintAll(painter, printer, document);
    return painter.end() && painted;
}

bool WritePdf(const Document& document, const QString& filePath, QString* error)
{
    QByteArray compressed;
    {
        QBuffer buffer(&compressed);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(fullSheetLayout(document));
        writer.setCreator(u"Ordavo"_s);
        QPainter painter;
        if (!painter.begin(&writer) || !paintAll(painter, writer, document) || !painter.end()) {
            if (error)
                *error = u"PDF ni bilo mogoče pripraviti."_s;
            return false;
        }
    }
    // Qt deflates every stream it writes; the saved file is wanted without compression.
    const auto plain = InflatePdfStreams(compressed);
    return WriteFileAtomically(filePath, plain ? *plain : compressed, error);
}

QString DocumentToHtml(const Document& document, const QString& title)
{
    const QSizeF size = document.pageSizeMm;
    QString out =
        u"<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>"_s + title.toHtmlEscaped() +
        u"</title>\n<style>\n"_s + u"body{margin:0;background:#808080;}\n"_s +
        u".page{position:relative;overflow:hidden;background:#ffffff;margin:5mm auto;width:%1;height:%2;page-break-after:always;}\n"_s
            .arg(mm(size.width()), mm(size.height())) +
        u".page>*{position:absolute;margin:0;padding:0;}\n"_s +
        u"@page{size:%1 %2;margin:0;}\n@media print{body{background:none;}.page{margin:0;}}\n"_s.arg(
            mm(size.width()), mm(size.height())) +
        u"</style>\n</head>\n<body>\n"_s;
    for (const Page& page : document.pages) {
        out += u"<div class=\"page\">\n"_s;
        const OpHtml toHtml{out};
        for (const DrawOp& op : page.ops)
            std::visit(toHtml, op);
        out += u"</div>\n"_s;
    }
    out += u"</body>\n</html>\n"_s;
    return out;
}

bool WriteHtml(const Document& document, const QString& filePath, const QString& title, QString* error)
{
    return WriteFileAtomically(filePath, DocumentToHtml(document, title).toUtf8(), error);
}

} // namespace report
