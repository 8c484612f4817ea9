// The desktop notices against a small notification service on a private session bus.
#include "desktop/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString Service = u"org.freedesktop.Notifications"_s;
const QString Path = u"/org/freedesktop/Notifications"_s;

// A session bus of the test's own: dbus-daemon started with the session configuration.
class PrivateBus {
public:
    PrivateBus()
    {
        daemon_.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    QString address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

// The notification service as a desktop runs it, reduced to what the client uses: it records
// each Notify and answers with the id of the notice (the replaced one, or a new one).
class NotificationService final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName;
        uint replacesId;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };
    QList<Call> calls;

public slots:
    Q_SCRIPTABLE uint Notify(const QString& appName, uint replacesId, const QString&, const QString& summary,
                             const QString& body, const QStringList& actions, const QVariantMap& hints, int)
    {
        calls.append({appName, replacesId, summary, body, actions, hints});
        return replacesId != 0 ? replacesId : ++lastId_;
    }
    Q_SCRIPTABLE QStringList GetCapabilities() { return {u"actions"_s, u"body"_s}; }

private:
    uint lastId_ = 40;
};
} // namespace

class TestDesktopNotifier final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PrivateBus> bus_;
    std::unique_ptr<NotificationService> service_;

    QDBusConnection connection(const QString& name) const
    {
        return QDBusConnection::connectToBus(bus_->address(), name);
    }

    void startService()
    {
        QDBusConnection serviceSide = connection(u"service"_s);
        QVERIFY(serviceSide.registerObject(Path, service_.get(), QDBusConnection::ExportScriptableSlots));
        QVERIFY(serviceSide.registerService(Service));
    }

    void emitFromService(const QString& name, const QVariantList& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(Path, Service, name);
        signal.setArguments(arguments);
        QVERIFY(connection(u"service"_s).send(signal));
    }

private slots:
    void init()
    {
        bus_ = std::make_unique<PrivateBus>();
        QVERIFY2(!bus_->address().isEmpty(), "dbus-daemon did not start");
        service_ = std::make_unique<NotificationService>();
    }

    void cleanup()
    {
        QDBusConnection::disconnectFromBus(u"service"_s);
        QDBusConnection::disconnectFromBus(u"client"_s);
        service_.reset();
        bus_.reset();
    }

    // A notice reaches the service with the program's name and a default action; the next one
    // replaces it while it is shown; a click on it runs its action, a click on another does not.
    void noticeIsShownReplacedAndClicked()
    {
        startService();
        FreedesktopNotifier notifier(connection(u"client"_s));
        int clicks = 0;
        notifier.notify(u"Novi nalogi: 2"_s, QString(), [&] { ++clicks; });
        QTRY_COMPARE(service_->calls.size(), 1);
        const NotificationService::Call first = service_->calls.first();
        QCOMPARE(first.appName, u"Ordavo"_s);
        QCOMPARE(first.summary, u"Novi nalogi: 2"_s);
        QCOMPARE(first.replacesId, 0u);
        QVERIFY(first.actions.size() >= 2 && first.actions.first() == u"default"_s);
        QCOMPARE(first.hints.value(u"urgency"_s).toInt(), 1);

        QTRY_COMPARE(notifier.shownNotice(), 41u);
        notifier.notify(u"Novi nalogi: 1"_s, QString(), [&] { clicks += 10; });
        QTRY_COMPARE(service_->calls.size(), 2);
        QCOMPARE(service_->calls[1].replacesId, 41u);

        emitFromService(u"ActionInvoked"_s, {41u, u"default"_s});
        QTRY_COMPARE(clicks, 10);
        emitFromService(u"ActionInvoked"_s, {7u, u"default"_s});
        QTest::qWait(100);
        QCOMPARE(clicks, 10);

        // Once the notice is closed, the next one is a new notice.
        emitFromService(u"NotificationClosed"_s, {41u, 2u});
        QTRY_COMPARE(notifier.shownNotice(), 0u);
        notifier.notify(u"Novi nalogi: 3"_s, QString(), [] {});
        QTRY_COMPARE(service_->calls.size(), 3);
        QCOMPARE(service_->calls[2].replacesId, 0u);
    }

    // Without a notification service, or without a bus, a notice returns at once and nothing
    // happens; a service that starts later gets the next notice.
    void withoutServiceNothingHappens()
    {
        FreedesktopNotifier notifier(connection(u"client"_s));
        bool clicked = false;
        QElapsedTimer timer;
        timer.start();
        notifier.notify(u"Novi nalogi: 1"_s, QString(), [&] { clicked = true; });
        QVERIFY2(timer.elapsed() < 1000, "a notice must not wait for the desktop");
        QTest::qWait(200);
        QVERIFY(!clicked);

        startService();
        notifier.notify(u"Novi nalogi: 2"_s, QString(), [&] { clicked = true; });
        QTRY_COMPARE(service_->calls.size(), 1);
        QCOMPARE(service_->calls.first().replacesId, 0u);
        QTRY_COMPARE(notifier.shownNotice(), 41u);
        emitFromService(u"ActionInvoked"_s, {41u, u"default"_s});
        QTRY_VERIFY(clicked);

        FreedesktopNotifier busless(QDBusConnection(u"no bus"_s));
        busless.notify(u"Novi nalogi: 1"_s, QString(), [] {});
    }
};

QTEST_MAIN(TestDesktopNotifier)
#include "tst_desktop_notifier.moc"
