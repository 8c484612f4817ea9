// Notices on the desktop (the freedesktop notification service), behind an interface that tests replace.
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// Shows a short notice on the desktop. The process uses one current instance: the real one
// unless a test has installed its own.
class DesktopNotifier : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopNotifier)

public:
    using QObject::QObject;

    // Shows `summary` and `body`, replacing the program's earlier notice when it is still
    // shown; `onClicked` runs when the user clicks the notice. Returns at once: nothing
    // waits on the desktop, and without a notification service nothing happens.
    virtual void notify(const QString& summary, const QString& body, std::function<void()> onClicked) = 0;
};

// Posts notices to org.freedesktop.Notifications on a D-Bus connection (the session bus by
// default) as the program "Ordavo", with a default action, so a click on the notice reaches
// the program. A failed call (no service, no bus) is dropped.
class FreedesktopNotifier final : public DesktopNotifier {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FreedesktopNotifier)

public:
    explicit FreedesktopNotifier(const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body, std::function<void()> onClicked) override;

    // The id the service gave the notice that is shown; 0 while none is.
    uint shownNotice() const { return shownId_; }

    // How long a call may wait for the service's answer (it never blocks the caller).
    int callTimeoutMs = 5000;

private slots:
    // The service's signals (D-Bus signals reach only slots named by signature).
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    uint shownId_ = 0; // the id the service gave the notice still shown, 0 for none
    std::function<void()> onClicked_;
};

// Remembers every notice instead of showing it; click() runs the last notice's click action.
class RecordingNotifier final : public DesktopNotifier {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordingNotifier)

public:
    using DesktopNotifier::DesktopNotifier;

    struct Notice {
        QString summary;
        QString body;
    };

    void notify(const QString& summary, const QString& body, std::function<void()> onClicked) override;
    void click();

    QList<Notice> notices;

private:
    std::function<void()> onClicked_;
};

DesktopNotifier& CurrentNotifier();
// Installs the notifier every later notice uses; nullptr restores the desktop's one. The
// caller keeps ownership and removes it before destroying it.
void SetCurrentNotifier(DesktopNotifier* notifier);
