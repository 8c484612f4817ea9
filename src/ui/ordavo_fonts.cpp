// Registers the fonts the windows name and builds fonts by points or pixels.
#include "ordavo_fonts.h"

#include <QDir>
#include <QFontDatabase>

using namespace Qt::StringLiterals;

#ifndef ORDAVO_FONT_DIR
#define ORDAVO_FONT_DIR "/usr/share/wine/fonts"
#endif

QString OrdavoFontFolder()
{
    return QStringLiteral(ORDAVO_FONT_DIR);
}

bool InstallOrdavoFonts()
{
    static bool installed = false;
    static bool allRegistered = false;
    if (installed)
        return allRegistered;
    installed = true;

    const QDir folder(OrdavoFontFolder());
    allRegistered = true;
    for (const QString& file : {u"tahoma.ttf"_s, u"tahomabd.ttf"_s, u"ms_sans_serif.ttf"_s}) {
        if (QFontDatabase::addApplicationFont(folder.filePath(file)) < 0)
            allRegistered = false;
    }
    QFont::insertSubstitution(QString(kArial), u"Liberation Sans"_s);
    QFont::insertSubstitution(QString(kVerdana), u"DejaVu Sans"_s);
    return allRegistered;
}

QFont PointFont(const QString& family, int pointSize, bool bold)
{
    QFont font(family);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QFont PixelFont(const QString& family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
