// The generated pages of a report: drawing operations positioned in millimetres from the paper's corner.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <variant>
#include <vector>

namespace report {

constexpr double MmPerInch = 25.4;
constexpr double DefaultImageDpi = 96.0;

// A length given in screen pixels (96 per inch unless told otherwise) in millimetres.
constexpr double PixelsToMm(double pixels, double dpi = DefaultImageDpi) { return pixels * MmPerInch / dpi; }

enum class HAlign { Left, Right, Center };
enum class LineStyle { Solid, Dotted };

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

// The finished report: every page of the same paper size.
struct Document {
    QSizeF pageSizeMm{210.0, 297.0};
    std::vector<Page> pages;
};

} // namespace report
