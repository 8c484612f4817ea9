// The fonts the windows name: registration of Tahoma and MS Sans Serif, the Arial and Verdana stand-ins, font builders.
#pragma once

#include <QFont>
#include <QString>

// Registers the metric-compatible Tahoma (regular and bold) and MS Sans Serif shipped by Debian's
// fonts-wine, and maps Arial to Liberation Sans and Verdana to DejaVu Sans. Safe to call more
// than once; needs a QGuiApplication. Returns false when a font file could not be registered
// (the program still runs, with the platform's nearest fonts).
bool InstallOrdavoFonts();

// The folder the font files are taken from; ORDAVO_FONT_DIR overrides it at build time.
QString OrdavoFontFolder();

// Family names as the windows give them.
inline constexpr QLatin1String kTahoma("Tahoma");
inline constexpr QLatin1String kMsSansSerif("MS Sans Serif");
inline constexpr QLatin1String kVerdana("Verdana");
inline constexpr QLatin1String kArial("Arial");

// "Tahoma 9 pt": a font by family and point size.
QFont PointFont(const QString& family, int pointSize, bool bold = false);

// "Tahoma bold 16 px": a font by family and character height in pixels.
QFont PixelFont(const QString& family, int pixelSize, bool bold = false);
