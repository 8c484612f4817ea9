// Room in labels for glyphs that reach beyond the extent their font declares.
#include "glyph_room.h"

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
const QString kSample = u"ABCDEFGHIJKLMNOPQRSTUVWXYZČŠŽĆĐabcdefghijklmnopqrstuvwxyzčšžćđ0123456789()[]{}|/"_s;
} // namespace

QMargins GlyphOverhang(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The line box's top is at -ascent from the baseline, its last row at height - 1 - ascent.
    const QRect ink = metrics.tightBoundingRect(kSample);
    const int above = std::max(0, -(metrics.ascent() + ink.top()));
    const int below = std::max(0, ink.bottom() - (metrics.height() - 1 - metrics.ascent()));
    int left = 0;
    int right = 0;
    for (const QChar letter : kSample) {
        left = std::max(left, -metrics.leftBearing(letter));
        right = std::max(right, -metrics.rightBearing(letter));
    }
    return QMargins(left, above, right, below);
}

void KeepGlyphsInsideLabels(QWidget& window)
{
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->pixmap().isNull())
            continue;
        const QMargins needed = GlyphOverhang(label->font());
        const QMargins current = label->contentsMargins();
        const QMargins room(std::max(current.left(), needed.left()), std::max(current.top(), needed.top()),
                            std::max(current.right(), needed.right()), std::max(current.bottom(), needed.bottom()));
        if (room != current)
            label->setContentsMargins(room);
    }
}
