// Starting a desktop program for the user and reading how it ended within a short wait.
#include "program_launch.h"

#include <QCoreApplication>
#include <QProcess>

LaunchOutcome LaunchAndWait(const QString& program, const QStringList& arguments, int startMs, int finishMs)
{
    auto* process = new QProcess(QCoreApplication::instance());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(startMs)) {
        const QString reason = process->errorString();
        process->deleteLater();
        return {LaunchOutcome::Status::NotStarted, 0, reason};
    }
    if (!process->waitForFinished(finishMs))
        return {LaunchOutcome::Status::StillRunning, 0, QString()};
    if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
        return {LaunchOutcome::Status::Succeeded, 0, QString()};
    return {LaunchOutcome::Status::Failed, process->exitCode(),
            QString::fromLocal8Bit(process->readAllStandardError()).trimmed()};
}
