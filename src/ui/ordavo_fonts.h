// The fonts the windows name: the stand-ins for Tahoma, MS Sans Serif, Arial and Verdana, and font builders.
#pragma once

#include <QFont>
#include <QString>

// Maps the families the windows name to packaged fonts that draw every Slovenian letter:
// Tahoma and MS Sans Serif to kTextFamily, Arial to Liberation Sans, Verdana to DejaVu Sans.
// Safe to call more than once; needs a QGuiApplication. Returns false when a stand-in is not
// installed (the program still runs, with the platform's nearest fonts).
bool InstallOrdavoFonts();

// Family names as the windows give them.
inline constexpr QLatin1String kTahoma("Tahoma");
inline constexpr QLatin1String kMsSansSerif("MS Sans Serif");
inline constexpr QLatin1String kVerdana("Verdana");
inline constexpr QLatin1String kArial("Arial");

// The font that stands in for Tahoma and MS Sans Serif: as wide as Tahoma within a few per
// cent, clear marks on Č Š Ž Ć Đ at 11 px and up, and a real bold (Debian's fonts-dejavu-extra).
inline constexpr QLatin1String kTextFamily("DejaVu Sans Condensed");

// The installed family that draws a family the windows name.
QString StandInFamily(const QString& family);

// "Tahoma 9 pt": a font by family and point size.
QFont PointFont(const QString& family, int pointSize, bool bold = false);

// "Tahoma bold 16 px": a font by family and character height in pixels.
QFont PixelFont(const QString& family, int pixelSize, bool bold = false);
