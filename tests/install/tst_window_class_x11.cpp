// The running client's windows on an X display with a window manager carry the class that the desktop entry names.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The value of `key` in the [Desktop Entry] group of a desktop entry file.
QString DesktopEntryValue(const QString& path, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1).trimmed();
    }
    return {};
}

// The standard output of a short command; empty when it fails.
QString Output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

class TestWindowClass : public QObject {
    Q_OBJECT

private slots:
    // A dock ties a window to its launcher when the window's class (the second WM_CLASS
    // string) is the entry's StartupWMClass; the first string, the instance, is the program.
    void windowClassIsTheEntrysStartupWMClass()
    {
        const QString entry = QStringLiteral(ORDAVO_SOURCE_DIR "/dist/" ORDAVO_APP_ID ".desktop");
        const QString startupClass = DesktopEntryValue(entry, u"StartupWMClass"_s);
        QVERIFY2(!startupClass.isEmpty(), qPrintable(entry));

        // Without settings the client opens its sign-in window and waits there.
        QTemporaryDir config;
        QProcess client;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_s, config.path());
        client.setProcessEnvironment(environment);
        client.start(QStringLiteral(ORDAVO_CLIENT_PROGRAM), {});
        QVERIFY2(client.waitForStarted(10000), qPrintable(client.errorString()));
        const auto stop = qScopeGuard([&client] {
            client.kill();
            client.waitForFinished();
        });

        QString window;
        const QStringList search{u"search"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(client.processId())};
        QTRY_VERIFY_WITH_TIMEOUT(!(window = Output(u"xdotool"_s, search).section(u'\n', 0, 0)).isEmpty(), 30000);

        const QString property = Output(u"xprop"_s, {u"-id"_s, window, u"WM_CLASS"_s});
        static const QRegularExpression wmClass(u"^WM_CLASS\\(STRING\\) = \"([^\"]*)\", \"([^\"]*)\"$"_s);
        const QRegularExpressionMatch match = wmClass.match(property);
        QVERIFY2(match.hasMatch(), qPrintable(property));
        QCOMPARE(match.captured(2), startupClass);
        QCOMPARE(match.captured(1), DesktopEntryValue(entry, u"Exec"_s));
    }
};

QTEST_MAIN(TestWindowClass)
#include "tst_window_class_x11.moc"
