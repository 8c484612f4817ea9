// The installed tree and the two Debian packages: validated, started, and checked as a Debian maintainer would.
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QString AppId = u"si.ordavo.Ordavo"_s;
constexpr const char* GatewayFolder = "commobj/commobj/";

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool ok() const { return exitCode == 0; }
    QString all() const { return QString::fromUtf8(out + err); }
};

Run run(const QString& program, const QStringList& arguments, int timeoutMs = 120000)
{
    QProcess process;
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = "did not finish: " + program.toUtf8();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Paths into the source tree that a program holds, other than names of source files.
QStringList sourceTreePaths(const QByteArray& program)
{
    static const QRegularExpression sourceFile(u"\\.(c|cc|cpp|h|hpp)$"_s);
    const QByteArray root = QByteArrayLiteral(ORDAVO_SOURCE_DIR);
    QStringList paths;
    for (qsizetype at = program.indexOf(root); at >= 0; at = program.indexOf(root, at + 1)) {
        const qsizetype end = program.indexOf('\0', at);
        const QString path = QString::fromUtf8(program.mid(at, end < 0 ? -1 : end - at));
        if (!sourceFile.match(path).hasMatch())
            paths << path;
    }
    return paths;
}

// The key=value lines of a desktop entry file, values as written.
QMap<QString, QString> desktopEntryFields(const QString& path)
{
    QMap<QString, QString> fields;
    for (const QString& line : QString::fromUtf8(readFile(path)).split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && !line.startsWith(u'#'))
            fields.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return fields;
}

// The installed simulator on a free loopback port with a fresh database; stopped when
// destroyed.
class InstalledSimulator {
public:
    explicit InstalledSimulator(const QString& program)
    {
        process_.start(program, {u"--port"_s, u"0"_s});
        if (!process_.waitForStarted(10000))
            return;
        for (int i = 0; i < 100 && !process_.canReadLine(); ++i)
            process_.waitForReadyRead(200);
        static const QRegularExpression listening(u"^listening on (http://127\\.0\\.0\\.1:\\d+/)$"_s);
        const auto match = listening.match(QString::fromUtf8(process_.readLine()).trimmed());
        if (match.hasMatch())
            root_ = match.captured(1);
    }
    ~InstalledSimulator()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    InstalledSimulator(const InstalledSimulator&) = delete;
    InstalledSimulator& operator=(const InstalledSimulator&) = delete;

    QString root() const { return root_; } // empty when it did not start
    QString errorText() { return QString::fromUtf8(process_.readAllStandardError()); }

    // Every statement its gateways received so far.
    QStringList statements()
    {
        QNetworkAccessManager network;
        QNetworkReply* reply = network.get(QNetworkRequest(QUrl(root_ + u"control/statements"_s)));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        QStringList list;
        for (const QJsonValue& value : QJsonDocument::fromJson(reply->readAll()).array())
            list << value.toString();
        reply->deleteLater();
        return list;
    }

private:
    QProcess process_;
    QString root_;
};

} // namespace

class TestInstalledTree : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
        const QString build = qEnvironmentVariable("ORDAVO_BINARY_DIR");
        QVERIFY2(!build.isEmpty(), "ORDAVO_BINARY_DIR is not set");

        const QString prefix = work_.filePath(u"prefix"_s);
        const Run install =
            run(QStringLiteral(ORDAVO_CMAKE_COMMAND), {u"--install"_s, build, u"--prefix"_s, prefix, u"--strip"_s});
        QVERIFY2(install.ok(), qPrintable(install.all()));
        trees_[u"cmake --install"_s] = prefix;

        const QString packages = work_.filePath(u"cpack"_s);
        const Run pack =
            run(QStringLiteral(ORDAVO_CPACK_COMMAND),
                {u"-G"_s, u"DEB"_s, u"--config"_s, build + u"/CPackConfig.cmake"_s, u"-B"_s, packages}, 600000);
        QVERIFY2(pack.ok(), qPrintable(pack.all()));
        const QStringList debs = QDir(packages).entryList({u"*.deb"_s}, QDir::Files, QDir::Name);
        QCOMPARE(debs.size(), 2);
        QVERIFY2(debs[0].startsWith(u"ordavo-tools_" ORDAVO_VERSION_STRING "_"_s), qPrintable(debs.join(u' ')));
        QVERIFY2(debs[1].startsWith(u"ordavo_" ORDAVO_VERSION_STRING "_"_s), qPrintable(debs.join(u' ')));
        toolsDeb_ = QDir(packages).filePath(debs[0]);
        clientDeb_ = QDir(packages).filePath(debs[1]);
        // Both packages unpacked into one tree, as they are installed side by side.
        const QString unpacked = work_.filePath(u"deb"_s);
        for (const QString& deb : {clientDeb_, toolsDeb_}) {
            const Run extract = run(u"dpkg-deb"_s, {u"-x"_s, deb, unpacked});
            QVERIFY2(extract.ok(), qPrintable(extract.all()));
        }
        trees_[u"Debian packages"_s] = unpacked + u"/usr"_s;
    }

    void holdsProgramsEntryIconsMetainfoAndManPages_data() { addTrees(); }
    void holdsProgramsEntryIconsMetainfoAndManPages()
    {
        QFETCH(QString, root);
        for (const QString& program : {u"ordavo"_s, u"ordavo-remote"_s, u"ordavo-workshop-sim"_s}) {
            const QFileInfo binary(root + u"/bin/"_s + program);
            QVERIFY2(binary.isExecutable(), qPrintable(binary.filePath()));
            // Nothing in a program points back into the source tree (names of source files, which
            // a build with assertions keeps for its messages, excepted).
            const QStringList paths = sourceTreePaths(readFile(binary.filePath()));
            QVERIFY2(paths.isEmpty(), qPrintable(program + u": "_s + paths.join(u", "_s)));
        }
        for (int size : {16, 32, 48, 64, 128, 256}) {
            const QString path = root + u"/share/icons/hicolor/%1x%1/apps/"_s.arg(size) + AppId + u".png"_s;
            QCOMPARE(QImage(path).size(), QSize(size, size));
        }
        QXmlStreamReader svg(readFile(root + u"/share/icons/hicolor/scalable/apps/"_s + AppId + u".svg"_s));
        QVERIFY(svg.readNextStartElement());
        QCOMPARE(svg.name(), u"svg"_s);
        QCOMPARE(svg.attributes().value(u"viewBox"_s), u"0 0 256 256"_s);
        while (!svg.atEnd())
            svg.readNext();
        QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
        for (const QString& page : {u"ordavo"_s, u"ordavo-remote"_s, u"ordavo-workshop-sim"_s}) {
            const Run man = run(u"gzip"_s, {u"-dc"_s, root + u"/share/man/man1/"_s + page + u".1.gz"_s});
            QVERIFY2(man.ok(), qPrintable(page));
            QVERIFY2(man.out.contains(".SH NAME") && man.out.contains(".SH SYNOPSIS"), qPrintable(page));
        }
        QVERIFY(QFile::exists(root + u"/share/metainfo/"_s + AppId + u".metainfo.xml"_s));
    }

    void desktopEntryAndMetainfoValidate_data() { addTrees(); }
    void desktopEntryAndMetainfoValidate()
    {
        QFETCH(QString, root);
        const QString entry = root + u"/share/applications/"_s + AppId + u".desktop"_s;
        const Run desktop = run(u"desktop-file-validate"_s, {entry});
        QVERIFY2(desktop.ok() && desktop.all().trimmed().isEmpty(), qPrintable(desktop.all()));
        const QString metainfo = root + u"/share/metainfo/"_s + AppId + u".metainfo.xml"_s;
        const Run appstream = run(u"appstreamcli"_s, {u"validate"_s, u"--no-net"_s, metainfo});
        QVERIFY2(appstream.ok(), qPrintable(appstream.all()));

        // The menu entry starts the installed client and shows the installed icon.
        const QMap<QString, QString> fields = desktopEntryFields(entry);
        QVERIFY(QFileInfo(root + u"/bin/"_s + fields[u"Exec"_s]).isExecutable());
        QCOMPARE(fields[u"Icon"_s], AppId);
        QCOMPARE(fields[u"GenericName[sl]"_s], u"Delovni nalogi"_s);
        QCOMPARE(fields[u"Categories"_s], u"Office;"_s);

        const QString xml = QString::fromUtf8(readFile(metainfo));
        for (const QString& part :
             QStringList{u"<launchable type=\"desktop-id\">"_s + AppId + u".desktop</launchable>"_s,
                         u"<summary xml:lang=\"sl\">"_s, u"<caption xml:lang=\"sl\">"_s, u"<p xml:lang=\"sl\">"_s})
            QVERIFY2(xml.contains(part), qPrintable(part));
    }

    void toolsPrintTheirUsage_data() { addTrees(); }
    void toolsPrintTheirUsage()
    {
        QFETCH(QString, root);
        const Run remote = run(root + u"/bin/ordavo-remote"_s, {u"--help"_s});
        QVERIFY2(remote.ok(), qPrintable(remote.all()));
        QVERIFY(remote.out.startsWith("Usage: ordavo-remote"));
        QVERIFY(remote.out.contains("--no-params"));
        const Run simulator = run(root + u"/bin/ordavo-workshop-sim"_s, {u"--help"_s});
        QVERIFY2(simulator.ok(), qPrintable(simulator.all()));
        QVERIFY(simulator.out.contains("--port"));
    }

    void simulatorAnswersTheRemoteTool_data() { addTrees(); }
    void simulatorAnswersTheRemoteTool()
    {
        QFETCH(QString, root);
        InstalledSimulator simulator(root + u"/bin/ordavo-workshop-sim"_s);
        QVERIFY2(!simulator.root().isEmpty(), qPrintable(simulator.errorText()));
        const Run remote =
            run(root + u"/bin/ordavo-remote"_s,
                {u"--at"_s, simulator.root() + QLatin1StringView(GatewayFolder), u"call usp_getversion ()"_s});
        QVERIFY2(remote.ok(), qPrintable(remote.all()));
        const QJsonObject answer = QJsonDocument::fromJson(remote.out.trimmed()).object();
        QCOMPARE(answer[u"lastRemoteError"_s].toString(), QString());
        QVERIFY2(!answer[u"recordset"_s][u"rows"_s].toArray().isEmpty(), remote.out.constData());
    }

    // The client starts offscreen from the tree with a signed-in user's settings, shows its
    // main window and loads the order list from the simulator. Its pictures are compiled
    // into the program, so the program carries them wherever it is installed.
    void clientStartsAndLoadsTheOrderList_data() { addTrees(); }
    void clientStartsAndLoadsTheOrderList()
    {
        QFETCH(QString, root);
        const QByteArray program = readFile(root + u"/bin/ordavo"_s);
        for (const QString& picture : {u"banner.png"_s, u"dialog_error.jpg"_s, u"print.png"_s})
            QVERIFY2(program.contains(readFile(QStringLiteral(ORDAVO_SOURCE_DIR "/resources/pictures/") + picture)),
                     qPrintable(picture));

        InstalledSimulator simulator(root + u"/bin/ordavo-workshop-sim"_s);
        QVERIFY2(!simulator.root().isEmpty(), qPrintable(simulator.errorText()));
        QTemporaryDir config;
        writeSignedInSettings(config.path(), simulator.root());

        QProcess client;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.insert(u"XDG_CONFIG_HOME"_s, config.path());
        client.setProcessEnvironment(environment);
        client.start(root + u"/bin/ordavo"_s, {});
        QVERIFY2(client.waitForStarted(10000), qPrintable(client.errorString()));
        const auto listLoaded = [&simulator] {
            const QStringList statements = simulator.statements();
            return std::any_of(statements.begin(), statements.end(), [](const QString& statement) {
                return statement.contains(u"usp_listneobracunaninalogi"_s);
            });
        };
        QTRY_VERIFY2_WITH_TIMEOUT(listLoaded(), qPrintable(simulator.statements().join(u'\n')), 30000);
        QCOMPARE(client.state(), QProcess::Running);
        client.kill();
        client.waitForFinished();
    }

    // The client's package holds the client and what the desktop shows of it; the tools'
    // package the two tools; each its copyright and changelog.
    void eachPackageHoldsItsOwnPart_data()
    {
        QTest::addColumn<QString>("deb");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("absent");
        const QString doc = u"./usr/share/doc/%1/"_s;
        QTest::newRow("ordavo") << clientDeb_
                                << QStringList{u"./usr/bin/ordavo"_s,
                                               u"./usr/share/applications/"_s + AppId + u".desktop"_s,
                                               u"./usr/share/metainfo/"_s + AppId + u".metainfo.xml"_s,
                                               u"./usr/share/icons/hicolor/scalable/apps/"_s + AppId + u".svg"_s,
                                               u"./usr/share/man/man1/ordavo.1.gz"_s,
                                               doc.arg(u"ordavo"_s) + u"copyright"_s,
                                               doc.arg(u"ordavo"_s) + u"changelog.gz"_s}
                                << QStringList{u"ordavo-remote"_s, u"ordavo-workshop-sim"_s};
        QTest::newRow("ordavo-tools") << toolsDeb_
                                      << QStringList{u"./usr/bin/ordavo-remote"_s,
                                                     u"./usr/bin/ordavo-workshop-sim"_s,
                                                     u"./usr/share/man/man1/ordavo-remote.1.gz"_s,
                                                     u"./usr/share/man/man1/ordavo-workshop-sim.1.gz"_s,
                                                     doc.arg(u"ordavo-tools"_s) + u"copyright"_s,
                                                     doc.arg(u"ordavo-tools"_s) + u"changelog.gz"_s}
                                      << QStringList{u"/bin/ordavo\n"_s, u"/applications/"_s, u"/icons/"_s,
                                                     u"/metainfo/"_s, u"ordavo.1.gz"_s};
    }
    void eachPackageHoldsItsOwnPart()
    {
        QFETCH(QString, deb);
        QFETCH(QStringList, files);
        QFETCH(QStringList, absent);
        const Run contents = run(u"dpkg-deb"_s, {u"--contents"_s, deb});
        QVERIFY2(contents.ok(), qPrintable(contents.all()));
        // The listing's last column is the path; directories end in "/".
        QString paths;
        for (const QString& line : QString::fromUtf8(contents.out).split(u'\n', Qt::SkipEmptyParts))
            paths += line.section(u' ', -1) + u'\n';
        for (const QString& file : files)
            QVERIFY2(paths.contains(file + u'\n'), qPrintable(file + u" missing from\n"_s + paths));
        for (const QString& part : absent)
            QVERIFY2(!paths.contains(part), qPrintable(part + u" found in\n"_s + paths));
    }

    // Each package depends on the libraries its own programs link and on what they load or
    // start by name; the client needs none of the simulator's database and server libraries.
    void packagesNameTheirRuntimeDependencies_data()
    {
        QTest::addColumn<QString>("deb");
        QTest::addColumn<QString>("package");
        QTest::addColumn<QStringList>("depends");
        QTest::addColumn<QStringList>("notDepends");
        QTest::addColumn<QString>("suggests");
        const QStringList simulatorLibraries{u"libsqlite3"_s, u"libmariadb"_s, u"libcpp-httplib"_s};
        QTest::newRow("ordavo") << clientDeb_ << u"ordavo"_s
                                << QStringList{u"libqt6widgets6"_s,        u"libcurl4"_s,
                                               u"libxlsxwriter"_s,         u"xdg-utils"_s,
                                               u"qt6-translations-l10n"_s, u"fonts-dejavu-core"_s,
                                               u"fonts-dejavu-extra"_s,    u"fonts-liberation2"_s}
                                << simulatorLibraries << QString();
        QTest::newRow("ordavo-tools") << toolsDeb_ << u"ordavo-tools"_s
                                      << (simulatorLibraries + QStringList{u"fonts-dejavu-core"_s})
                                      << QStringList{u"libqt6widgets6"_s, u"xdg-utils"_s} << u"mariadb-server"_s;
    }
    void packagesNameTheirRuntimeDependencies()
    {
        QFETCH(QString, deb);
        QFETCH(QString, package);
        QFETCH(QStringList, depends);
        QFETCH(QStringList, notDepends);
        QFETCH(QString, suggests);
        const auto field = [&deb](const QString& name) {
            return QString::fromUtf8(run(u"dpkg-deb"_s, {u"--field"_s, deb, name}).out).trimmed();
        };
        QCOMPARE(field(u"Package"_s), package);
        QCOMPARE(field(u"Version"_s), QStringLiteral(ORDAVO_VERSION_STRING));
        QCOMPARE(field(u"Source"_s), u"ordavo"_s);
        const QString dependsField = field(u"Depends"_s);
        for (const QString& name : depends)
            QVERIFY2(dependsField.contains(name), qPrintable(name + u" missing from "_s + dependsField));
        for (const QString& name : notDepends)
            QVERIFY2(!dependsField.contains(name), qPrintable(name + u" found in "_s + dependsField));
        QCOMPARE(field(u"Suggests"_s), suggests);
        // The synopsis and the extended description's lines fit 80 columns.
        for (const QString& line : field(u"Description"_s).split(u'\n'))
            QVERIFY2(line.size() <= 80, qPrintable(line));
    }

    // What a Debian maintainer would send back: lintian finds no error and no warning.
    void lintianFindsNothingToFix()
    {
        const Run lintian = run(u"lintian"_s, {u"--fail-on"_s, u"error,warning"_s, clientDeb_, toolsDeb_}, 600000);
        QVERIFY2(lintian.ok(), qPrintable(lintian.all()));
        static const QRegularExpression errorOrWarning(u"^[EW]: "_s, QRegularExpression::MultilineOption);
        QVERIFY2(!errorOrWarning.match(lintian.all()).hasMatch(), qPrintable(lintian.all()));
    }

    // apt resolves both packages together: nothing conflicts and every dependency is known.
    void packagesInstallSideBySide()
    {
        const Run apt =
            run(u"apt-get"_s, {u"install"_s, u"--simulate"_s, u"--no-install-recommends"_s, clientDeb_, toolsDeb_});
        QVERIFY2(apt.ok(), qPrintable(apt.all()));
        const QString output = apt.all();
        for (const QString& package : {u"ordavo"_s, u"ordavo-tools"_s}) {
            const bool installs = output.contains(u"Inst "_s + package + u" "_s) ||
                                  output.contains(package + u" is already the newest version"_s);
            QVERIFY2(installs, qPrintable(package + u" not installed by\n"_s + output));
        }
    }

private:
    void addTrees()
    {
        QTest::addColumn<QString>("root");
        for (const auto& [name, root] : trees_.asKeyValueRange())
            QTest::newRow(name.toUtf8().constData()) << root;
    }

    static void writeSignedInSettings(const QString& configHome, const QString& simulatorRoot)
    {
        QDir(configHome).mkpath(u"Moravent"_s);
        QFile ini(configHome + u"/Moravent/ordavo.ini"_s);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[ordavo]\n");
        ini.write("weburlroot=" + simulatorRoot.toUtf8() + "\n");
        ini.write(QByteArray("weburl=") + GatewayFolder + "\n");
        ini.write("directoryurl=" + simulatorRoot.toUtf8() + "directory/\n");
        ini.write("pathtorequest=requests/GetPodpis.ASP\n");
        ini.write("kodadostop=demo1234\n");
    }

    QTemporaryDir work_;
    QMap<QString, QString> trees_;
    QString clientDeb_;
    QString toolsDeb_;
};

QTEST_MAIN(TestInstalledTree)
#include "tst_installed_tree.moc"
