// Desktop notices through the freedesktop notification service over D-Bus, a recording notifier, and the current one.
#include "desktop/desktop_notifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {
const QString NotificationService = u"org.freedesktop.Notifications"_s;
const QString NotificationPath = u"/org/freedesktop/Notifications"_s;
const QString NotificationInterface = u"org.freedesktop.Notifications"_s;
// The action a click on the notice's body invokes.
const QString DefaultAction = u"default"_s;
// Urgency "normal" of the notification hints.
constexpr uchar NormalUrgency = 1;

DesktopNotifier* installedNotifier = nullptr;
} // namespace

FreedesktopNotifier::FreedesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : DesktopNotifier(parent), bus_(bus)
{
    if (!bus_.isConnected())
        return;
    bus_.connect(NotificationService, NotificationPath, NotificationInterface, u"ActionInvoked"_s, this,
                 SLOT(actionInvoked(uint, QString)));
    bus_.connect(NotificationService, NotificationPath, NotificationInterface, u"NotificationClosed"_s, this,
                 SLOT(notificationClosed(uint, uint)));
}

void FreedesktopNotifier::notify(const QString& summary, const QString& body, std::function<void()> onClicked)
{
    if (!bus_.isConnected())
        return;
    QVariantMap hints{{u"urgency"_s, QVariant::fromValue(NormalUrgency)}};
    if (!QGuiApplication::desktopFileName().isEmpty())
        hints.insert(u"desktop-entry"_s, QGuiApplication::desktopFileName());
    QDBusMessage call =
        QDBusMessage::createMethodCall(NotificationService, NotificationPath, NotificationInterface, u"Notify"_s);
    call << u"Ordavo"_s << shownId_ << QString() << summary << body << QStringList{DefaultAction, u"Odpri"_s} << hints
         << qint32(-1);
    onClicked_ = std::move(onClicked);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<uint> reply = *finished;
        if (!reply.isError())
            shownId_ = reply.value();
        finished->deleteLater();
    });
}

void FreedesktopNotifier::actionInvoked(uint id, const QString& action)
{
    if (id == 0 || id != shownId_ || action != DefaultAction || !onClicked_)
        return;
    const std::function<void()> clicked = onClicked_;
    clicked();
}

void FreedesktopNotifier::notificationClosed(uint id, uint)
{
    if (id != shownId_)
        return;
    shownId_ = 0;
    onClicked_ = nullptr;
}

void RecordingNotifier::notify(const QString& summary, const QString& body, std::function<void()> onClicked)
{
    notices.append({summary, body});
    onClicked_ = std::move(onClicked);
}

void RecordingNotifier::click()
{
    if (onClicked_)
        onClicked_();
}

DesktopNotifier& CurrentNotifier()
{
    if (installedNotifier)
        return *installedNotifier;
    // Made at the first notice: the session bus is looked up only when there is news.
    static auto* desktop = new FreedesktopNotifier(QDBusConnection::sessionBus(), QCoreApplication::instance());
    return *desktop;
}

void SetCurrentNotifier(DesktopNotifier* notifier)
{
    installedNotifier = notifier;
}
