// The program entry of the Ordavo client: platform choice, application title, fonts, Qt's Slovenian texts, old mail
// drafts, the long-lived windows, the message loop.
#include "data/settings_store.h"
#include "desktop/mail_composer.h"
#include "desktop/session_platform.h"
#include "session/termination.h"
#include "shell/startup.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_fonts.h"
#include "ui/qt_translation.h"

#include <QApplication>
#include <QDateTime>

using namespace Qt::StringLiterals;

namespace {

// In a Wayland session the windows go through XWayland, where placement and arrangement work.
void ChoosePlatform(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString platform = PlatformForSession(QProcessEnvironment::systemEnvironment(), arguments);
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform.toLatin1());
}

} // namespace

int main(int argc, char* argv[])
{
    ChoosePlatform(argc, argv);
    QApplication app(argc, argv);
    // The application title; no display name is set, because Qt would append it to the
    // title of every window ("Prijava v Ordavo sistem" must read exactly so).
    QApplication::setApplicationName(u"Ordavo in Potni Nalogi"_s);
    QApplication::setOrganizationName(u"Moravent"_s);
    QApplication::setApplicationVersion(QStringLiteral(ORDAVO_VERSION_STRING));
    // Ties the windows to the menu entry, so the desktop shows its icon and name for them (on
    // Wayland; on X11 the entry's StartupWMClass names the windows' class, the application name).
    QGuiApplication::setDesktopFileName(QStringLiteral(ORDAVO_APP_ID));
    // Hidden long-lived windows must not end the program when the last visible one closes;
    // the program ends through its own exits only.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallOrdavoFonts();
    InstallQtSlovenianTranslation(app);
    RemoveOldMailDrafts(QDateTime::currentDateTime());
    // A settings file that could not be read as text was set aside; the user hears it once.
    SetSettingsNoticeHandler([](const QString& text) { ShowSystemMessage(MessageIcon::Warning, u"Napaka"_s, text); });

    int status = 0;
    if (CreateLongLivedWindows() && !ApplicationTerminationRequested())
        status = QApplication::exec();
    DestroyLongLivedWindows();
    return status;
}
