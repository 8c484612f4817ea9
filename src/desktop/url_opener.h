// Opening addresses and files with the desktop's default program, behind an interface that tests replace.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// Hands an address or a local file to the desktop. The process uses one current instance:
// the real one unless a test has installed its own.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // True when the desktop accepted the address (a handler was started).
    virtual bool open(const QUrl& url) = 0;
    // An address as text; percent escapes already in it are kept as they are.
    bool open(const QString& address);
};

// Opens through QDesktopServices (xdg-open, detached).
class DesktopUrlOpener final : public UrlOpener {
public:
    using UrlOpener::open;
    bool open(const QUrl& url) override;
};

// Remembers every address instead of opening it; answers with `accept`.
class RecordingUrlOpener final : public UrlOpener {
public:
    using UrlOpener::open;
    bool open(const QUrl& url) override;

    QList<QUrl> opened;
    bool accept = true;
};

UrlOpener& CurrentUrlOpener();
// Installs the opener every later call uses; nullptr restores the desktop's one. The caller
// keeps ownership and removes it before destroying it.
void SetCurrentUrlOpener(UrlOpener* opener);

// Minimises every visible top-level window of the program (the program steps aside for the
// document it has just opened).
void MinimizeApplication();

// Opens an address with the current opener and minimises the program, whatever the opener
// answered; used by the document buttons and the picture clicks.
void OpenAndMinimize(const QString& address);
