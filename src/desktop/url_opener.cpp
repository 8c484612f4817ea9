// The desktop and recording address openers, the process-wide current one, and minimising the program.
#include "url_opener.h"

#include <QApplication>
#include <QDebug>
#include <QProcess>
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
    // Owned by the application, so an opener that outlives the wait is not killed with us.
    auto* process = new QProcess(qApp);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    process->setProgram(command.first());
    process->setArguments(command.mid(1) << QString::fromUtf8(url.toEncoded()));
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(waitMs))
        return false;
    if (!process->waitForFinished(waitMs))
        return process->state() == QProcess::Running;
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
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
            qWarning().noquote() << "No program could open" << address;
        return false;
    }
    MinimiseApplication();
    return true;
}
