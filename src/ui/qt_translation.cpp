// Installs Qt's Slovenian catalogue for the texts Qt draws itself.
#include "qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Debian's catalogue keeps the standard buttons' texts under the button box's context, where
// Qt 6 looks them up under the platform theme's: a text missing there is taken from the box.
class QtCatalogue final : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* disambiguation, int n) const override
    {
        QString text = QTranslator::translate(context, sourceText, disambiguation, n);
        if (text.isEmpty() && context && std::strcmp(context, "QPlatformTheme") == 0)
            text = QTranslator::translate("QDialogButtonBox", sourceText, disambiguation, n);
        return text;
    }
};

} // namespace

bool InstallQtSlovenianTranslation(QCoreApplication& application)
{
    auto* catalogue = new QtCatalogue(&application);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // qtbase_sl holds the widgets' texts where Qt ships it; qt_sl gathers the modules' catalogues.
    for (const QString& name : {u"qtbase_sl"_s, u"qt_sl"_s}) {
        if (catalogue->load(name, folder) && QCoreApplication::installTranslator(catalogue))
            return true;
    }
    delete catalogue;
    return false;
}
