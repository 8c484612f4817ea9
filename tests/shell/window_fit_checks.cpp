// Checks on a shown window: captions fit their controls, controls keep apart, the banner's logo stays clear; its
// screenshot.
#include "window_fit_checks.h"

#include "ui/xp_button.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

QString Name(const QWidget& widget)
{
    const QString name = widget.objectName().isEmpty() ? u"(unnamed)"_s : widget.objectName();
    return QString::fromLatin1(widget.metaObject()->className()) + u' ' + name;
}

QString SizeText(const QSize& size)
{
    return QString::number(size.width()) + u'x' + QString::number(size.height());
}

QString RectText(const QRect& rect)
{
    return QString::number(rect.x()) + u',' + QString::number(rect.y()) + u' ' + SizeText(rect.size());
}

QString Clipped(const QWidget& widget, const QString& text, const QSize& needed, const QSize& available)
{
    return Name(widget) + u" \""_s + text + u"\" needs "_s + SizeText(needed) + u", has "_s + SizeText(available);
}

bool Shown(const QWidget& widget, const QWidget& window)
{
    return widget.isVisibleTo(&window) && widget.width() > 0 && widget.height() > 0;
}

// The size of the label's text, all its lines, in the label's font.
QSize TextSize(const QLabel& label)
{
    const QFontMetrics metrics(label.font());
    return metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, label.text()).size();
}

// The rectangle the label's text occupies inside the label, as it aligns it.
QRect LabelTextRect(const QLabel& label)
{
    const QSize needed = TextSize(label);
    const int margin = label.margin();
    const QRect area = label.contentsRect().adjusted(margin, margin, -margin, -margin);
    return QStyle::alignedRect(label.layoutDirection(), label.alignment(), needed, area);
}

bool IsTextLabel(const QLabel& label)
{
    return !label.text().isEmpty() && label.pixmap().isNull() && !Qt::mightBeRichText(label.text());
}

void CheckLabel(const QLabel& label, QStringList& out)
{
    if (!IsTextLabel(label))
        return;
    const int margin = label.margin();
    const QRect area = label.contentsRect().adjusted(margin, margin, -margin, -margin);
    if (label.wordWrap()) {
        const int needed = label.heightForWidth(label.width());
        if (needed > label.height())
            out << Clipped(label, label.text(), QSize(label.width(), needed), label.size());
        return;
    }
    const QSize needed = TextSize(label);
    if (needed.width() > area.width() || needed.height() > area.height()) {
        out << Clipped(label, label.text(), needed, area.size());
        return;
    }
    // The glyphs themselves, descenders and accents included, stay inside the label: some
    // fonts draw below the descent they declare.
    if (label.text().contains(u'\n'))
        return;
    const QFontMetrics metrics(label.font());
    const QRect textRect = LabelTextRect(label);
    const QRect ink =
        metrics.tightBoundingRect(label.text()).translated(textRect.left(), textRect.top() + metrics.ascent());
    if (!label.rect().contains(ink))
        out << Name(label) + u" \""_s + label.text() + u"\" draws at "_s + RectText(ink) + u" outside "_s +
                   RectText(label.rect());
}

int LeadingBlanks(const QString& text)
{
    int count = 0;
    while (count < text.size() && text[count] == u' ')
        ++count;
    return count;
}

// The picture's width up to its last column that is not fully transparent.
int OpaqueWidth(const QImage& picture)
{
    for (int x = picture.width() - 1; x >= 0; --x)
        for (int y = 0; y < picture.height(); ++y)
            if (qAlpha(picture.pixel(x, y)) > 0)
                return x + 1;
    return 0;
}

// The gradient button draws its caption in the rectangle from x 4 to its width + 4, so the
// last four pixels of that rectangle are cut off; a picture stands at x 4 + its left offset.
void CheckGradientButton(const TXpButton& button, QStringList& out)
{
    const QString text = button.text();
    if (text.trimmed().isEmpty())
        return;
    const QFontMetrics metrics(button.font());
    const int advance = metrics.horizontalAdvance(text);
    const QSize available(button.width() - 8, button.height());
    if (advance > available.width() || metrics.height() > available.height()) {
        out << Clipped(button, text, QSize(advance, metrics.height()), available);
        return;
    }
    if (button.picture().isNull() || button.align() != TXpButton::caCenter)
        return;
    const int pictureRight = 4 + button.pictureLeft() + OpaqueWidth(button.picture());
    const int inkLeft = 4 + (button.width() - advance) / 2 + metrics.horizontalAdvance(text.left(LeadingBlanks(text)));
    if (inkLeft < pictureRight)
        out << Name(button) + u" \""_s + text + u"\" is drawn from x "_s + QString::number(inkLeft) +
                   u" over its picture, which ends at "_s + QString::number(pictureRight);
}

void CheckButton(const QAbstractButton& button, QStringList& out)
{
    if (const auto* gradient = qobject_cast<const TXpButton*>(&button)) {
        CheckGradientButton(*gradient, out);
        return;
    }
    if (button.text().isEmpty())
        return;
    if (qobject_cast<const QRadioButton*>(&button) || qobject_cast<const QCheckBox*>(&button)) {
        const QSize needed = button.sizeHint();
        if (needed.width() > button.width() || needed.height() > button.height())
            out << Clipped(button, button.text(), needed, button.size());
        return;
    }
    const QFontMetrics metrics(button.font());
    const QSize needed(metrics.horizontalAdvance(button.text()) + 4, metrics.height());
    if (needed.width() > button.width() || needed.height() > button.height())
        out << Clipped(button, button.text(), needed, button.size());
}

void CheckHeader(const QHeaderView& header, QStringList& out)
{
    if (header.orientation() != Qt::Horizontal || !header.model())
        return;
    const QFontMetrics metrics(header.font());
    const int margin = header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    for (int section = 0; section < header.count(); ++section) {
        if (header.isSectionHidden(section))
            continue;
        const QString text = header.model()->headerData(section, Qt::Horizontal).toString();
        const QSize needed(metrics.horizontalAdvance(text) + 2 * margin, metrics.height());
        const QSize available(header.sectionSize(section), header.height());
        if (needed.width() > available.width() || needed.height() > available.height())
            out << Clipped(header, text, needed, available);
    }
}

// Controls whose children are their own parts (scroll bars, viewports, inner editors) are
// checked as one piece; only plain panels, frames, bands and windows hold sibling controls.
bool HoldsControls(const QWidget& widget)
{
    return !qobject_cast<const QAbstractScrollArea*>(&widget) && !qobject_cast<const QComboBox*>(&widget) &&
           !qobject_cast<const QAbstractButton*>(&widget) && !qobject_cast<const QLabel*>(&widget) &&
           !qobject_cast<const QLineEdit*>(&widget) && !qobject_cast<const QAbstractSpinBox*>(&widget) &&
           !qobject_cast<const QMenuBar*>(&widget);
}

bool IsBannerPicture(const QWidget& widget)
{
    const auto* label = qobject_cast<const QLabel*>(&widget);
    return label && widget.objectName() == u"imgTop"_s && !label->pixmap().isNull();
}

QList<QWidget*> ShownChildren(const QWidget& parent, const QWidget& window)
{
    QList<QWidget*> shown;
    for (QWidget* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && Shown(*child, window))
            shown << child;
    return shown;
}

// "first|second" allows that pair; "first|*" lets the first lie under or over any sibling.
bool Allowed(const QWidget& a, const QWidget& b, const QStringList& allowed)
{
    return allowed.contains(a.objectName() + u'|' + b.objectName()) ||
           allowed.contains(b.objectName() + u'|' + a.objectName()) || allowed.contains(a.objectName() + u"|*"_s) ||
           allowed.contains(b.objectName() + u"|*"_s);
}

void CollectOverlaps(const QWidget& parent, const QWidget& window, const QStringList& allowed, QStringList& out)
{
    const QList<QWidget*> children = ShownChildren(parent, window);
    for (qsizetype i = 0; i < children.size(); ++i) {
        for (qsizetype j = i + 1; j < children.size(); ++j) {
            const QWidget& a = *children[i];
            const QWidget& b = *children[j];
            if (IsBannerPicture(a) || IsBannerPicture(b) || Allowed(a, b, allowed))
                continue;
            if (a.geometry().intersects(b.geometry()))
                out << Name(a) + u" overlaps "_s + Name(b) + u" in "_s + Name(parent);
        }
    }
    for (QWidget* child : children) {
        if (!IsBannerPicture(*child) && !parent.rect().contains(child->geometry()))
            out << Name(*child) + u" at "_s + RectText(child->geometry()) + u" reaches outside "_s + Name(parent) +
                       u" of "_s + SizeText(parent.size());
        if (HoldsControls(*child))
            CollectOverlaps(*child, window, allowed, out);
    }
}

// The banner's background is a dark blue gradient with faint lines; the logo is drawn in
// light grey, white and orange, all well above it in brightness.
bool IsDrawnPixel(QRgb pixel)
{
    return qAlpha(pixel) > 0 && qGray(pixel) > 100;
}

// Where a control puts paint: a text label only where its text stands, others everywhere.
QRect PaintedRect(const QWidget& control)
{
    const auto* label = qobject_cast<const QLabel*>(&control);
    if (label && IsTextLabel(*label))
        return LabelTextRect(*label).translated(control.pos());
    return control.geometry();
}

bool CoversDrawnPixels(const QImage& picture, const QPoint& pictureOrigin, const QRect& area)
{
    const QRect onPicture = area.translated(-pictureOrigin).intersected(picture.rect());
    for (int y = onPicture.top(); y <= onPicture.bottom(); ++y)
        for (int x = onPicture.left(); x <= onPicture.right(); ++x)
            if (IsDrawnPixel(picture.pixel(x, y)))
                return true;
    return false;
}

} // namespace

QStringList ClippedTexts(const QWidget& window)
{
    QStringList out;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->window() != &window || !Shown(*widget, window))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            CheckLabel(*label, out);
        else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            CheckButton(*button, out);
        else if (const auto* header = qobject_cast<const QHeaderView*>(widget))
            CheckHeader(*header, out);
    }
    return out;
}

QStringList OverlappingControls(const QWidget& window, const QStringList& allowed)
{
    QStringList out;
    CollectOverlaps(window, window, allowed, out);
    return out;
}

QStringList ControlsOverBannerPictures(const QWidget& window)
{
    QStringList out;
    for (const QLabel* banner : window.findChildren<QLabel*>(u"imgTop"_s)) {
        if (!IsBannerPicture(*banner) || !Shown(*banner, window) || !banner->parentWidget())
            continue;
        const QImage picture = banner->pixmap().toImage();
        for (const QWidget* control : ShownChildren(*banner->parentWidget(), window)) {
            if (control == banner)
                continue;
            if (CoversDrawnPixels(picture, banner->pos(), PaintedRect(*control)))
                out << Name(*control) + u" stands on the picture of "_s + Name(*banner->parentWidget());
        }
    }
    return out;
}

bool SaveScreenshot(const QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("ORDAVO_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return true;
    QDir().mkpath(folder);
    const QRect frame = window.windowHandle()->frameGeometry();
    const QPixmap shot = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return shot.save(QDir(folder).filePath(name + u".png"_s));
}
