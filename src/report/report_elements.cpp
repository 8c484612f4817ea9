// The printable elements of a report band and the band's layout: positions, growth and drawing into a page.
#include "report_elements.h"

#include "report_measure.h"

#include <QImageReader>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace report {
namespace {

// Single-line text is drawn in a wide box anchored at its aligned edge, so the text never
// depends on a width measured on another device.
constexpr double SingleLineBoxMm = 400.0;

QRectF anchoredLineBox(QPointF anchor, HAlign align, double height)
{
    switch (align) {
    case HAlign::Left:
        return {anchor.x(), anchor.y(), SingleLineBoxMm, height};
    case HAlign::Right:
        return {anchor.x() - SingleLineBoxMm, anchor.y(), SingleLineBoxMm, height};
    case HAlign::Center:
        return {anchor.x() - SingleLineBoxMm / 2, anchor.y(), SingleLineBoxMm, height};
    }
    return {};
}

} // namespace

Label::Label(QString name, QPointF posMm, QFont font, HAlign align)
    : Element(std::move(name)), pos_(posMm), font_(std::move(font)), align_(align)
{
}

double Label::heightMm() const
{
    const double line = LineHeightMm(font_);
    if (wrapWidth_ <= 0.0 || text_.isEmpty())
        return line;
    return std::max(line, WrappedTextHeightMm(font_, text_, wrapWidth_));
}

double Label::growthMm() const
{
    return heightMm() - LineHeightMm(font_);
}

void Label::draw(QPointF originMm, Page& page) const
{
    if (text_.isEmpty())
        return;
    if (wrapWidth_ <= 0.0) {
        page.ops.push_back(TextOp{anchoredLineBox(originMm + pos_, align_, heightMm()), font_, align_, false, text_});
        return;
    }
    QRectF box = anchoredLineBox(originMm + pos_, align_, heightMm());
    const double left = align_ == HAlign::Left    ? box.left()
                        : align_ == HAlign::Right ? box.right() - wrapWidth_
                                                  : box.center().x() - wrapWidth_ / 2;
    page.ops.push_back(TextOp{QRectF(left, box.top(), wrapWidth_, box.height()), font_, align_, true, text_});
}

void Label::describe(double shiftMm, PrintedBand& band) const
{
    band.texts.push_back(PrintedText{name(), text_, pos_ + QPointF(0, shiftMm), align_, font_, number_});
}

Memo::Memo(QString name, QRectF rectMm, QFont font, HAlign align)
    : Element(std::move(name)), rect_(rectMm), font_(std::move(font)), align_(align)
{
}

void Memo::addText(const QString& text)
{
    QString normalised = text;
    normalised.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    lines_.append(normalised.split(u'\n'));
}

void Memo::setFrame(bool frame, LineStyle style)
{
    frame_ = frame;
    frameStyle_ = style;
}

double Memo::heightMm() const
{
    if (lines_.isEmpty())
        return rect_.height();
    const double textHeight = WrappedTextHeightMm(font_, joinedText(), rect_.width() - 2 * padding());
    return std::max(rect_.height(), textHeight + 2 * padding());
}

void Memo::draw(QPointF originMm, Page& page) const
{
    const QRectF box(originMm + rect_.topLeft(), QSizeF(rect_.width(), heightMm()));
    if (frame_)
        page.ops.push_back(FrameOp{box, Qt::black, 0.2, frameStyle_});
    if (!lines_.isEmpty()) {
        const QRectF textBox = box.adjusted(padding(), padding(), -padding(), -padding());
        page.ops.push_back(TextOp{textBox, font_, align_, true, joinedText()});
    }
}

void Memo::describe(double shiftMm, PrintedBand& band) const
{
    const double anchorX = align_ == HAlign::Left    ? rect_.left()
                           : align_ == HAlign::Right ? rect_.right()
                                                     : rect_.center().x();
    band.texts.push_back(PrintedText{name(), joinedText(), QPointF(anchorX, rect_.top() + shiftMm), align_, font_, {}});
}

Rule::Rule(QString name, QPointF posMm, double widthMm, QColor color, double thicknessMm, LineStyle style)
    : Element(std::move(name)), pos_(posMm), width_(widthMm), color_(color), thickness_(thicknessMm), style_(style)
{
}

void Rule::draw(QPointF originMm, Page& page) const
{
    const QPointF start = originMm + pos_ + QPointF(0, thickness_ / 2);
    page.ops.push_back(LineOp{QLineF(start, start + QPointF(width_, 0)), color_, thickness_, style_});
}

void Rule::describe(double shiftMm, PrintedBand& band) const
{
    band.rules.push_back(PrintedRule{pos_ + QPointF(0, shiftMm), width_, style_});
}

QSizeF ImageSizeMm(const QImage& image)
{
    const auto dpiOf = [](int dotsPerMeter) {
        const double dpi = dotsPerMeter * MmPerInch / 1000.0;
        return dpi > 1.0 ? dpi : DefaultImageDpi;
    };
    return {PixelsToMm(image.width(), dpiOf(image.dotsPerMeterX())),
            PixelsToMm(image.height(), dpiOf(image.dotsPerMeterY()))};
}

Picture::Picture(QString name, QPointF posMm, QSizeF designSizeMm)
    : Element(std::move(name)), pos_(posMm), designSize_(designSizeMm)
{
}

bool Picture::load(const QString& filePath)
{
    QImageReader reader(filePath);
    image_ = reader.read();
    return !image_.isNull();
}

void Picture::setImage(const QImage& image)
{
    image_ = image;
}

QSizeF Picture::sizeMm() const
{
    return image_.isNull() ? designSize_ : ImageSizeMm(image_);
}

void Picture::draw(QPointF originMm, Page& page) const
{
    if (!image_.isNull())
        page.ops.push_back(ImageOp{QRectF(originMm + pos_, sizeMm()), image_});
}

void Picture::describe(double shiftMm, PrintedBand& band) const
{
    if (!image_.isNull())
        band.pictures.push_back(PrintedPicture{pos_ + QPointF(0, shiftMm), sizeMm(), image_});
}

Band::Band(QString name, BandKind kind, double heightMm) : name_(std::move(name)), kind_(kind), height_(heightMm) {}

Element* Band::element(const QString& name) const
{
    for (const auto& element : elements_)
        if (element->name() == name)
            return element.get();
    return nullptr;
}

double Band::shiftFor(const Element& element) const
{
    double shift = 0.0;
    for (const auto& other : elements_) {
        if (other.get() == &element || !other->enabled())
            continue;
        const double designedBottom = other->bottomMm() - other->growthMm();
        if (other->growthMm() > 0.0 && designedBottom <= element.topMm() + 1e-6)
            shift = std::max(shift, other->growthMm());
    }
    return shift;
}

bool Band::hasEnabledElements() const
{
    return std::any_of(elements_.begin(), elements_.end(), [](const auto& element) { return element->enabled(); });
}

double Band::heightMm() const
{
    constexpr double ShrunkBandPaddingMm = 2.0;
    double height = shrink_ ? 0.0 : height_;
    for (const auto& element : elements_)
        if (element->enabled())
            height = std::max(height, element->bottomMm() + shiftFor(*element));
    return shrink_ ? std::min(height + ShrunkBandPaddingMm, std::max(height, height_)) : height;
}

void Band::draw(QPointF originMm, Page& page) const
{
    for (const auto& element : elements_)
        if (element->enabled())
            element->draw(originMm + QPointF(0, shiftFor(*element)), page);
}

PrintedBand Band::describe() const
{
    PrintedBand printed{name_, kind_, {}, {}, {}};
    for (const auto& element : elements_)
        if (element->enabled())
            element->describe(shiftFor(*element), printed);
    return printed;
}

} // namespace report
