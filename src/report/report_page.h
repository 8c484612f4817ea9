// The generated pages of a report: drawing operations positioned in millimetres from the paper's corner.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>
#include <variant>
#include <vector>

namespace report {

constexpr double MmPerInch = 25.4;
constexpr double DefaultImageDpi = 96.0;

// A length given in screen pixels (96 per inch unless told otherwise) in millimetres.
constexpr double PixelsToMm(double pixels, double dpi = DefaultImageDpi)
{
    return pixels * MmPerInch / dpi;
}

enum class HAlign { Left, Right, Center };
enum class LineStyle { Solid, Dotted };
enum class BandKind { PageHeader, Title, Detail, SubDetail, Summary, PageFooter };

// The number behind a printed text, for outputs that keep numbers as numbers: the text
// reads caption, then value with that many decimals, then unit ("Skupaj cena: 33,00 €").
struct ShownNumber {
    double value = 0.0;
    int decimals = 2;
    QString caption;
    QString unit;
};

// Text in a box; wrap == false keeps it on one line anchored at the box's aligned edge.
struct TextOp {
    QRectF rectMm;
    QFont font;
    HAlign align = HAlign::Left;
    bool wrap = false;
    QString text;
};

struct LineOp {
    QLineF lineMm;
    QColor color;
    double widthMm = 0.2;
    LineStyle style = LineStyle::Solid;
};

struct FrameOp {
    QRectF rectMm;
    QColor color;
    double widthMm = 0.2;
    LineStyle style = LineStyle::Solid;
};

struct ImageOp {
    QRectF rectMm;
    QImage image;
};

using DrawOp = std::variant<TextOp, LineOp, FrameOp, ImageOp>;

struct Page {
    std::vector<DrawOp> ops;
};

// One text of a band as the reader meets it, for outputs that keep structure rather than
// places (word processor, spreadsheet). anchorMm is the aligned edge (or centre) and the
// laid-out top, from the band's corner.
struct PrintedText {
    QString element;
    QString text; // a memo's lines joined with "\n"
    QPointF anchorMm;
    HAlign align = HAlign::Left;
    QFont font;
    std::optional<ShownNumber> number;
};

struct PrintedPicture {
    QPointF posMm;
    QSizeF sizeMm;
    QImage image;
};

struct PrintedRule {
    QPointF posMm;
    double widthMm = 0.0;
    LineStyle style = LineStyle::Solid;
};

// What one placed band printed: its enabled texts (empty ones too, so table cells keep
// their columns), pictures and rules, in the band's own element order.
struct PrintedBand {
    QString name;
    BandKind kind = BandKind::Detail;
    std::vector<PrintedText> texts;
    std::vector<PrintedPicture> pictures;
    std::vector<PrintedRule> rules;
};

// The finished report: every page of the same paper size, and the same content as one
// continuous flow (the first page's header, every body band in order, the last page's
// footer), so that every output is made from one generation.
struct Document {
    QSizeF pageSizeMm{210.0, 297.0};
    std::vector<Page> pages;
    std::vector<PrintedBand> flow;
};

} // namespace report
