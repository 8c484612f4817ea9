// The platform the program asks for, as a function of the session's environment and arguments.
#include "desktop/session_platform.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSessionPlatform : public QObject {
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<QStringList>("variables"); // NAME=value pairs
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("platform");
        const QStringList none;
        QTest::addRow("Wayland session with XWayland")
            << QStringList{u"XDG_SESSION_TYPE=wayland"_s, u"WAYLAND_DISPLAY=wayland-0"_s, u"DISPLAY=:0"_s} << none
            << u"xcb"_s;
        QTest::addRow("only WAYLAND_DISPLAY tells")
            << QStringList{u"WAYLAND_DISPLAY=wayland-0"_s, u"DISPLAY=:1"_s} << none << u"xcb"_s;
        QTest::addRow("Wayland without an X display")
            << QStringList{u"XDG_SESSION_TYPE=wayland"_s, u"WAYLAND_DISPLAY=wayland-0"_s} << none << QString();
        QTest::addRow("X11 session") << QStringList{u"XDG_SESSION_TYPE=x11"_s, u"DISPLAY=:0"_s} << none << QString();
        QTest::addRow("user set QT_QPA_PLATFORM")
            << QStringList{u"XDG_SESSION_TYPE=wayland"_s, u"DISPLAY=:0"_s, u"QT_QPA_PLATFORM=wayland"_s} << none
            << QString();
        QTest::addRow("user gave -platform") << QStringList{u"XDG_SESSION_TYPE=wayland"_s, u"DISPLAY=:0"_s}
                                             << QStringList{u"ordavo"_s, u"-platform"_s, u"wayland"_s} << QString();
        QTest::addRow("user gave -platform=") << QStringList{u"WAYLAND_DISPLAY=w"_s, u"DISPLAY=:0"_s}
                                              << QStringList{u"ordavo"_s, u"-platform=wayland"_s} << QString();
        QTest::addRow("empty QT_QPA_PLATFORM is no choice")
            << QStringList{u"XDG_SESSION_TYPE=wayland"_s, u"DISPLAY=:0"_s, u"QT_QPA_PLATFORM="_s} << none << u"xcb"_s;
        QTest::addRow("no session at all") << none << none << QString();
    }
    void choice()
    {
        QFETCH(QStringList, variables);
        QFETCH(QStringList, arguments);
        QFETCH(QString, platform);
        QProcessEnvironment environment;
        for (const QString& variable : variables) {
            const qsizetype equals = variable.indexOf(u'=');
            environment.insert(variable.left(equals), variable.mid(equals + 1));
        }
        QCOMPARE(PlatformForSession(environment, arguments), platform);
    }
};

QTEST_GUILESS_MAIN(TestSessionPlatform)
#include "tst_session_platform.moc"
