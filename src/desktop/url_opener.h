// Opening addresses and files with the desktop's default program, behind an interface that tests replace.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// Hands an address or a local file to the desktop. The process uses one current instance:
// the real one unless a test has installed its own.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // True when the desktop opened the address; false when no program could take it or the
    // program failed.
    virtual bool open(const QUrl& url) = 0;
    // An address as text; percent escapes already in it are kept as they are.
    bool open(const QString& address);
};

// Runs the desktop's opener (xdg-open) and reads how it ended: exit status 0 is done; 3 (no
// program for the address), 4 (the program failed) or any other status is a failure, and so is
// an opener that cannot be started. An opener still running after a short wait is taken as
// done (some desktops keep it until the program ends); it is left to finish on its own.
class DesktopUrlOpener final : public UrlOpener {
public:
    using UrlOpener::open;
    bool open(const QUrl& url) override;

    // The command that opens an address: the program, then its arguments before the address.
    QStringList command = {QStringLiteral("xdg-open")};
    int waitMs = 4000;
};

// Remembers every address instead of opening it; answers as an opener that exits with
// `exitCode` would (0 opened; xdg-open says 3 for no program, 4 for a failed one), and false
// whenever `accept` is false.
class RecordingUrlOpener final : public UrlOpener {
public:
    using UrlOpener::open;
    bool open(const QUrl& url) override;

    QList<QUrl> opened;
    bool accept = true;
    int exitCode = 0;
};

UrlOpener& CurrentUrlOpener();
// Installs the opener every later call uses; nullptr restores the desktop's one. The caller
// keeps ownership and removes it before destroying it.
void SetCurrentUrlOpener(UrlOpener* opener);

// Minimises every visible top-level window of the program: the program steps aside for the
// document it has just opened, and the main window's close box does this instead of closing.
void MinimiseApplication();

// Where OpenAndMinimize reports an address nothing could open (the windows install their
// "Napaka" box here); nullptr leaves only a warning on the console.
using OpenFailureReporter = std::function<void(const QString& address)>;
void SetOpenFailureReporter(OpenFailureReporter reporter);

// Opens an address with the current opener and then minimises the program, so the document
// comes to the front; used by the document buttons and the picture clicks. When the opener
// fails, the failure is reported with the address and the program stays on screen. True
// when the address was opened.
bool OpenAndMinimize(const QString& address);
