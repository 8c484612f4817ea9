// Maps the fonts the windows name to installed stand-ins and builds fonts by points or pixels.
#include "ordavo_fonts.h"

#include <QFontDatabase>

using namespace Qt::StringLiterals;

QString StandInFamily(const QString& family)
{
    if (family.compare(kTahoma, Qt::CaseInsensitive) == 0 || family.compare(kMsSansSerif, Qt::CaseInsensitive) == 0)
        return QString(kTextFamily);
    if (family.compare(kArial, Qt::CaseInsensitive) == 0)
        return u"Liberation Sans"_s;
    if (family.compare(kVerdana, Qt::CaseInsensitive) == 0)
        return u"DejaVu Sans"_s;
    return family;
}

bool InstallOrdavoFonts()
{
    bool allInstalled = true;
    for (const QString& named : {QString(kTahoma), QString(kMsSansSerif), QString(kArial), QString(kVerdana)}) {
        const QString standIn = StandInFamily(named);
        QFont::insertSubstitution(named, standIn);
        if (!QFontDatabase::hasFamily(standIn))
            allInstalled = false;
    }
    return allInstalled;
}

QFont PointFont(const QString& family, int pointSize, bool bold)
{
    QFont font(StandInFamily(family));
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QFont PixelFont(const QString& family, int pixelSize, bool bold)
{
    QFont font(StandInFamily(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
