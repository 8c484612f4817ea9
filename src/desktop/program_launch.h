// Starting a desktop program for the user and reading how it ended within a short wait.
#pragma once

#include <QString>
#include <QStringList>

// How a program started for the user ended within the wait.
struct LaunchOutcome {
    enum class Status { NotStarted, StillRunning, Succeeded, Failed };
    Status status = Status::NotStarted;
    int exitCode = 0;
    // Why it did not start; or, when it failed, what it wrote to its error output.
    QString reason;
};

// Starts `program` with `arguments` and no input, and waits up to `startMs` for it to start and
// then up to `finishMs` for it to end. The process belongs to the application, so a program still
// running after the wait goes on (it is deleted when it ends); one that did not start is dropped.
LaunchOutcome LaunchAndWait(const QString& program, const QStringList& arguments, int startMs, int finishMs);
