// Room in labels for glyphs that reach beyond the extent their font declares.
#pragma once

#include <QMargins>

class QFont;
class QWidget;

// How far the glyphs of the font's Latin letters, Slovenian and Croatian accented capitals,
// digits and brackets reach beyond the line box the font declares (ascent and descent above and
// below, the advance at the sides). Some fonts draw carons above their ascent and descenders
// below their descent; a label sized to the line box would cut those off. Zero for fonts
// whose glyphs stay inside.
QMargins GlyphOverhang(const QFont& font);

// Gives every text label inside the window contents margins of at least its font's glyph
// overhang, so layouts make the label tall and wide enough for whole glyphs.
void KeepGlyphsInsideLabels(QWidget& window);
