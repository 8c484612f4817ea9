// The desktop and recording address openers, the process-wide current one, and minimising the program.
#include "url_opener.h"

#include <QApplication>
#include <QDesktopServices>
#include <QWidget>

namespace {

UrlOpener* installedOpener = nullptr;

} // namespace

bool UrlOpener::open(const QString& address)
{
    return open(QUrl(address, QUrl::TolerantMode));
}

bool DesktopUrlOpener::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool RecordingUrlOpener::open(const QUrl& url)
{
    opened.append(url);
    return accept;
}

UrlOpener& CurrentUrlOpener()
{
    static DesktopUrlOpener desktopOpener;
    return installedOpener ? *installedOpener : desktopOpener;
}

void SetCurrentUrlOpener(UrlOpener* opener)
{
    installedOpener = opener;
}

void MinimizeApplication()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isWindow() && window->isVisible())
            window->showMinimized();
    }
}

void OpenAndMinimize(const QString& address)
{
    CurrentUrlOpener().open(address);
    MinimizeApplication();
}
