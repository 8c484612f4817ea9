// The desktop and recording address openers, the process-wide current one, and minimising the program.
#include "url_opener.h"

#include "program_launch.h"

#include "data/transport_guards.h"

#include <QApplication>
#include <QDebug>
#include <QWidget>

namespace {

UrlOpener* installedOpener = nullptr;
OpenFailureReporter failureReporter;

} // namespace

bool UrlOpener::open(const QString& address)
{
    return open(QUrl(address, QUrl::TolerantMode));
}

bool DesktopUrlOpener::open(const QUrl& url)
{
    if (command.isEmpty() || !url.isValid())
        return false;
    const LaunchOutcome outcome =
        LaunchAndWait(command.first(), command.mid(1) << QString::fromUtf8(url.toEncoded()), waitMs, waitMs);
    return outcome.status == LaunchOutcome::Status::Succeeded || outcome.status == LaunchOutcome::Status::StillRunning;
}

bool RecordingUrlOpener::open(const QUrl& url)
{
    opened.append(url);
    return accept && exitCode == 0;
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

void MinimiseApplication()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        const Qt::WindowType type = window->windowType();
        if (!window->isVisible() || window->isMinimized() || type == Qt::Popup || type == Qt::ToolTip)
            continue;
        window->showMinimized();
    }
}

void SetOpenFailureReporter(OpenFailureReporter reporter)
{
    failureReporter = std::move(reporter);
}

bool OpenAndMinimize(const QString& address)
{
    if (!CurrentUrlOpener().open(address)) {
        if (failureReporter)
            failureReporter(address);
        else
            qWarning().noquote() << "No program could open" << HideAccessCodes(address);
        return false;
    }
    MinimiseApplication();
    return true;
}
