// TXpButton: paints every look of the gradient button into an off-screen image and tracks the hover state.
#include "xp_button.h"

#include "accessibility.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// A rectangle as left, top, right and bottom edges, right and bottom exclusive, which is how the
// frame and pressed-look coordinates are defined.
struct Edges {
    int left;
    int top;
    int right;
    int bottom;
};

// Draws axis-parallel one-pixel lines from a current position; the end point of a line is not
// drawn, so a closed figure drawn line by line touches each corner once.
class PenWalker {
public:
    explicit PenWalker(QImage& image) : image_(image) {}

    void moveTo(int x, int y) { current_ = QPoint(x, y); }

    void lineTo(int x, int y, const QColor& colour)
    {
        Q_ASSERT(x == current_.x() || y == current_.y());
        const QRgb rgb = colour.rgb();
        const QPoint end(x, y);
        const QPoint step((x > current_.x()) - (x < current_.x()), (y > current_.y()) - (y < current_.y()));
        for (QPoint p = current_; p != end; p += step) {
            if (image_.rect().contains(p))
                image_.setPixel(p, rgb);
        }
        current_ = end;
    }

private:
    QImage& image_;
    QPoint current_;
};

struct FrameColours {
    QColor outerTop, outerRight, outerBottom, outerLeft, innerTop, innerRight, innerBottom, innerLeft;
};

const FrameColours& HotFrame()
{
    static const FrameColours colours{{255, 240, 207}, {250, 197, 90}, {229, 151, 0},  {253, 219, 143},
                                      {253, 216, 137}, {249, 185, 62}, {248, 179, 48}, {251, 202, 106}};
    return colours;
}

const FrameColours& FocusFrame()
{
    static const FrameColours colours{{206, 231, 255}, {141, 175, 229}, {105, 130, 238}, {152, 184, 234},
                                      {188, 212, 246}, {139, 173, 228}, {137, 173, 228}, {139, 173, 228}};
    return colours;
}

const QColor kDisabledFill(245, 244, 234);
const QColor kDisabledCaption(161, 161, 146);
const QColor kPressedShadow(209, 204, 193);
const QColor kPressedLight(242, 241, 238);

void ShrinkForFrame(Edges& r)
{
    r.left += 1;
    r.top += 1;
    r.right -= 2;
    r.bottom -= 2;
}

// A dotted rectangle that inverts every other pixel, so it shows on any background.
void DrawFocusRectangle(QImage& image, const Edges& r)
{
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return;
    auto invert = [&image](int x, int y) {
        if (!image.rect().contains(x, y) || ((x + y) & 1) != 0)
            return;
        image.setPixel(x, y, image.pixel(x, y) ^ 0x00FFFFFF);
    };
    for (int x = r.left; x < r.right; ++x) {
        invert(x, r.top);
        if (r.bottom - 1 != r.top)
            invert(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        invert(r.left, y);
        if (r.right - 1 != r.left)
            invert(r.right - 1, y);
    }
}

void PaintGradient(QImage& image, const ButtonColors::Gradient& gradient)
{
    const int h = image.height();
    const int w = image.width();
    // The last row keeps the white of the fresh image.
    for (int y = 0; y <= h - 2; ++y) {
        const QRgb rgb = ButtonColors::GradientRowColor(gradient, y, h).rgb();
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line, line + w, rgb);
    }
}

// The two-pixel hot or focus frame; shrinks r in place as it goes.
void PaintFrame(QImage& image, Edges& r, const FrameColours& c)
{
    PenWalker pen(image);
    ShrinkForFrame(r);
    pen.moveTo(r.left, r.top);
    pen.lineTo(r.right - 1, r.top, c.outerTop);
    pen.lineTo(r.right - 1, r.bottom - 1, c.outerRight);
    pen.lineTo(r.left, r.bottom - 1, c.outerBottom);
    pen.lineTo(r.left, r.top, c.outerLeft);
    ShrinkForFrame(r);
    pen.moveTo(r.left, r.top);
    pen.lineTo(r.right, r.top, c.innerTop);
    pen.lineTo(r.right, r.bottom, c.innerRight);
    pen.lineTo(r.left, r.bottom, c.innerBottom);
    pen.lineTo(r.left, r.top, c.innerLeft);
}

// The sunken look filled with the down colour; shrinks r in place as it goes.
void PaintPressedLook(QImage& image, Edges& r, const QColor& downColor)
{
    r = Edges{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    PenWalker pen(image);
    pen.moveTo(r.left, r.bottom);
    pen.lineTo(r.left, r.top, kPressedShadow);
    pen.lineTo(r.right - 2, r.top, kPressedShadow);
    pen.lineTo(r.right - 2, r.bottom - 2, kPressedLight);
    pen.lineTo(r.left, r.bottom - 2, kPressedLight);
    ShrinkForFrame(r);
    if (r.right > r.left && r.bottom > r.top) {
        QPainter painter(&image);
        painter.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), downColor);
    }
}

void PaintBorder(QImage& image, const QColor& colour)
{
    // Outline of the rectangle (0, 0) - (W - 1, H - 1), right and bottom exclusive, with one
    // diagonal pixel in each corner for the rounding.
    const QRgb rgb = colour.rgb();
    const int right = image.width() - 2;
    const int bottom = image.height() - 2;
    if (right < 2 || bottom < 2)
        return;
    auto put = [&image, rgb](int x, int y) { image.setPixel(x, y, rgb); };
    for (int x = 2; x <= right - 2; ++x) {
        put(x, 0);
        put(x, bottom);
    }
    for (int y = 2; y <= bottom - 2; ++y) {
        put(0, y);
        put(right, y);
    }
    put(1, 1);
    put(right - 1, 1);
    put(1, bottom - 1);
    put(right - 1, bottom - 1);
}

} // namespace

TXpButton::TXpButton(QWidget* parent) : QPushButton(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    recomputeGradient();
    setMask(ButtonColors::RoundedButtonRegion(size()));
    ReadAsButton(this);
}

TXpButton::TXpButton(const QString& caption, QWidget* parent) : TXpButton(parent)
{
    setText(caption);
}

void TXpButton::setClrStartColor(const QColor& colour)
{
    startColor_ = colour.toRgb();
    recomputeGradient();
    update();
}

void TXpButton::setClrEndColor(const QColor& colour)
{
    endColor_ = colour.toRgb();
    recomputeGradient();
    update();
}

void TXpButton::setClrBorderColor(const QColor& colour)
{
    borderColor_ = colour.toRgb();
    update();
}

void TXpButton::setPicture(const QImage& picture)
{
    picture_ = picture.copy();
    update();
}

void TXpButton::setPictureTop(int top)
{
    pictureTop_ = top;
    update();
}

void TXpButton::setPictureLeft(int left)
{
    pictureLeft_ = left;
    update();
}

void TXpButton::setAlign(TCaptionAlign align)
{
    if (align_ == align)
        return;
    align_ = align;
    update();
}

void TXpButton::setShowBorder(bool show)
{
    if (showBorder_ == show)
        return;
    showBorder_ = show;
    update();
}

QColor TXpButton::fontColor() const
{
    return palette().color(QPalette::ButtonText);
}

void TXpButton::setFontColor(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::ButtonText, colour);
    setPalette(p);
}

void TXpButton::recomputeGradient()
{
    // Equal colours would paint a flat button; the end colour is nudged so a gradient always exists.
    if (startColor_.rgb() == endColor_.rgb())
        endColor_ = ButtonColors::FlipLowestBits(endColor_);
    gradient_ = ButtonColors::ComputeGradient(startColor_, endColor_);
}

void TXpButton::setHot(bool hot)
{
    isHot_ = hot;
    update();
}

QImage TXpButton::renderButton() const
{
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    if (image.isNull())
        return image;

    const Look look{isDown(), hasFocus(), !isEnabled()};
    Edges r{0, 0, width(), height()};
    if (look.disabled) {
        image.fill(kDisabledFill);
    } else {
        if (!look.pressed && !showBorder_) {
            if (startColor_.rgb() != endColor_.rgb())
                PaintGradient(image, gradient_);
            if (isHot_)
                PaintFrame(image, r, HotFrame());
            else if (isActiveDefault() || look.focused)
                PaintFrame(image, r, FocusFrame());
        } else {
            PaintPressedLook(image, r, downColor_);
        }
        if (look.focused) {
            r.left += 1;
            r.top += 1;
            if (look.pressed || showBorder_) {
                r.right -= 1;
                r.bottom -= 1;
            }
            if (!showBorder_)
                DrawFocusRectangle(image, r);
        }
    }
    PaintBorder(image, look.disabled ? disabledBorderColor_ : borderColor_);
    paintPictureAndCaption(image, look);
    if (look.disabled)
        ButtonColors::ConvertToGrey(image);
    return image;
}

void TXpButton::paintPictureAndCaption(QImage& image, const Look& look) const
{
    Edges t{4, 0, width() + 4, height()};
    if (look.pressed)
        t = Edges{t.left + 1, t.top + 1, t.right + 1, t.bottom + 1};
    QPainter painter(&image);
    if (!picture_.isNull()) {
        const int x = t.left + pictureLeft_;
        const int y = t.top + (t.bottom - t.top) / 2 - picture_.height() / 2 + pictureTop_;
        painter.drawImage(x, y, picture_);
    }
    if (text().isEmpty())
        return;
    int horizontal = Qt::AlignHCenter;
    if (align_ == caLeft)
        horizontal = Qt::AlignLeft;
    else if (align_ == caRight)
        horizontal = Qt::AlignRight;
    painter.setFont(font());
    painter.setPen(look.disabled ? kDisabledCaption : fontColor());
    painter.drawText(QRect(t.left, t.top, t.right - t.left, t.bottom - t.top),
                     horizontal | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
}

void TXpButton::paintEvent(QPaintEvent*)
{
    // One copy of the finished image, so the layers never flicker on screen.
    QPainter painter(this);
    painter.drawImage(0, 0, renderButton());
}

void TXpButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    setMask(ButtonColors::RoundedButtonRegion(size()));
}

void TXpButton::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the focused button in every window, as Space does, not only in dialogs.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void TXpButton::mousePressEvent(QMouseEvent* event)
{
    QPushButton::mousePressEvent(event);
    isPressed_ = true;
}

void TXpButton::mouseReleaseEvent(QMouseEvent* event)
{
    QPushButton::mouseReleaseEvent(event);
    isPressed_ = false;
    setHot(false);
}

void TXpButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is an ordinary press, so a double click clicks twice.
    if (event->button() == Qt::LeftButton)
        mousePressEvent(event);
    else
        QPushButton::mouseDoubleClickEvent(event);
}

void TXpButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    const QPoint p = event->position().toPoint();
    const bool inside = p.x() >= 0 && p.x() < width() && p.y() >= 0 && p.y() <= height();
    if (!inside) {
        if (!isPressed_ && isHot_)
            setHot(false);
        return;
    }
    if (!isPressed_ && !isHot_)
        setHot(true);
}

void TXpButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    if (!isPressed_ && !isHot_)
        setHot(true);
}

void TXpButton::leaveEvent(QEvent* event)
{
    // The window under the mouse is no longer this button.
    QPushButton::leaveEvent(event);
    if (!isPressed_ && isHot_)
        setHot(false);
}

void TXpButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) {
        if (!isEnabled()) {
            isPressed_ = false;
            isHot_ = false;
        }
        update();
    }
}
