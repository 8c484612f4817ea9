// Loads the program's pictures from the compiled-in resources.
#include "ordavo_pictures.h"

namespace OrdavoPictures {

QString ResourcePath(const QString& name)
{
    return QStringLiteral(":/pictures/") + name;
}

QImage Picture(const QString& name)
{
    return QImage(ResourcePath(name));
}

QPixmap PicturePixmap(const QString& name)
{
    return QPixmap(ResourcePath(name));
}

} // namespace OrdavoPictures
