// The program entry of the Ordavo client: application title, fonts, the long-lived windows, the message loop.
#include "shell/startup.h"
#include "ui/ordavo_fonts.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The application title; no display name is set, because Qt would append it to the
    // title of every window ("Prijava v Ordavo sistem" must read exactly so).
    QApplication::setApplicationName(u"Ordavo in Potni Nalogi"_s);
    QApplication::setOrganizationName(u"Moravent"_s);
    QApplication::setApplicationVersion(QStringLiteral(ORDAVO_VERSION_STRING));
    // Hidden long-lived windows must not end the program when the last visible one closes;
    // the program ends through its own exits only.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallOrdavoFonts();

    int status = 0;
    if (CreateLongLivedWindows() && !ApplicationTerminationRequested())
        status = QApplication::exec();
    DestroyLongLivedWindows();
    return status;
}
