// Tests of the settings store: names without case, value round trips, the file format, damaged files and concurrent
// writers.
#include "data/settings_store.h"
#include "support/settings_sandbox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTest>

#include <memory>
using namespace Qt::StringLiterals;

class SettingsStoreTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;
    QStringList notices_;

    QByteArray fileBytes() const
    {
        QFile file(sandbox_->settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeFileBytes(const QByteArray& bytes) const
    {
        QDir().mkpath(sandbox_->settingsFolder());
        QFile file(sandbox_->settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Writes the file and dates it that many seconds from now.
    static void writeFile(const QString& path, const QByteArray& bytes, int secondsFromNow = 0)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        QVERIFY(file.flush());
        QVERIFY(
            file.setFileTime(QDateTime::currentDateTime().addSecs(secondsFromNow), QFileDevice::FileModificationTime));
    }

    // The lock file a writer of this machine leaves, naming a process that has ended.
    static QByteArray LockOfEndedProcess(const QString& lockPath)
    {
        QProcess ended;
        ended.start(u"true"_s, QStringList());
        ended.waitForStarted();
        const qint64 pid = ended.processId();
        ended.waitForFinished();
        QLockFile own(lockPath);
        if (!own.tryLock(0))
            return {};
        QFile file(lockPath);
        QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        own.unlock();
        const qsizetype lineEnd = bytes.indexOf('\n');
        return QByteArray::number(pid) + bytes.mid(lineEnd);
    }

    QStringList corruptCopies() const
    {
        return QDir(sandbox_->settingsFolder()).entryList({u"ordavo.ini.corrupt-*"_s}, QDir::Files);
    }

private slots:
    void init()
    {
        sandbox_ = std::make_unique<SettingsSandbox>();
        notices_.clear();
        SetSettingsNoticeHandler([this](const QString& text) { notices_.append(text); });
    }

    void cleanup()
    {
        SetSettingsNoticeHandler({});
        sandbox_.reset();
    }

    void missingFileAndKeysReadEmpty()
    {
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburlroot"_s), QString());
        WriteSetting(u"ordavo"_s, u"kodadostop"_s, u"1234"_s);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburlroot"_s), QString());
        QCOMPARE(ReadSetting(u"other"_s, u"kodadostop"_s), QString());
        WriteSetting(u"ordavo"_s, u"kodadostop"_s, QString());
        QCOMPARE(ReadSetting(u"ordavo"_s, u"kodadostop"_s), QString());
    }

    void namesIgnoreCase()
    {
        WriteSetting(u"ordavo"_s, u"leftfrmMain"_s, u"120"_s);
        QCOMPARE(ReadSetting(u"ORDAVO"_s, u"LEFTFRMMAIN"_s), u"120"_s);
        WriteSetting(u"Ordavo"_s, u"LeftFrmMain"_s, u"0"_s);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"leftfrmmain"_s), u"0"_s);
        QCOMPARE(fileBytes(), QByteArray("[ordavo]\nleftfrmmain=0\n"));
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addRow("zero") << u"0"_s;
        QTest::addRow("equals signs") << u"a=b==c"_s;
        QTest::addRow("line breaks") << u"line1\nline2\r\nend\r"_s;
        QTest::addRow("backslashes") << u"C:\\temp\\n\\\\x\\"_s;
        QTest::addRow("blanks kept") << u"  padded  "_s;
        QTest::addRow("looks like a section") << u"[ordavo]"_s;
        QTest::addRow("looks like a comment") << u";x"_s;
        QTest::addRow("non-ASCII") << u"Čebelica žaga, € 5"_s;
    }

    void valuesRoundTrip()
    {
        QFETCH(QString, value);
        WriteSetting(u"ordavo"_s, u"companyname"_s, value);
        WriteSetting(u"ordavo"_s, u"companyphone"_s, u"01 234"_s);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"companyname"_s), value);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"companyphone"_s), u"01 234"_s);
        QCOMPARE(fileBytes().count('\n'), 3); // header and one line per value
    }

    void writeKeepsOtherLinesOfAHandEditedFile()
    {
        writeFileBytes("; written by hand\r\n[other]\nKey = kept\n\n[ordavo]\nweburl=commobj/commobj/\n");
        WriteSetting(u"ordavo"_s, u"weburlroot"_s, u"http://x/"_s);
        WriteSetting(u"other"_s, u"key"_s, u"changed"_s);
        QCOMPARE(fileBytes(),
                 QByteArray("; written by hand\r\n[other]\nkey=changed\n\n[ordavo]\nweburl=commobj/commobj/\n"
                            "weburlroot=http://x/\n"));
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), u"commobj/commobj/"_s);
    }

    // Each file holds "name" and "weburl=old"; after the read, a write of weburl changes that
    // line only, and every other byte of the file stays.
    void handWrittenFilesReadAndKeepTheirLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addRow("Windows path")
            << QByteArray("[ordavo]\nname=Provider=SQLOLEDB;Data Source=SRV\\SQLEXPRESS\nweburl=old\n")
            << u"Provider=SQLOLEDB;Data Source=SRV\\SQLEXPRESS"_s;
        QTest::addRow("unknown escape and backslash at end")
            << QByteArray("[ordavo]\nname=a\\qb\\\nweburl=old\n") << u"a\\qb\\"_s;
        QTest::addRow("store's escapes") << QByteArray("[ordavo]\nname=a\\\\b\\nc\\rd\nweburl=old\n")
                                         << u"a\\b\nc\rd"_s;
        QTest::addRow("comments") << QByteArray("; one\n[ordavo]\n# name=no\n  ;name=no\nname=v\nweburl=old\n")
                                  << u"v"_s;
        QTest::addRow("line without =") << QByteArray("[ordavo]\njust words\nname=v\nweburl=old\n") << u"v"_s;
        QTest::addRow("line without a name") << QByteArray("[ordavo]\n=a\nname=v\nweburl=old\n") << u"v"_s;
        QTest::addRow("unclosed [") << QByteArray("[ordavo]\nname=v\n[other\nweburl=old\n") << u"v"_s;
        QTest::addRow("empty value") << QByteArray("[ordavo]\nname=\nweburl=old\n") << QString();
        QTest::addRow("CRLF line ends") << QByteArray("[ordavo]\r\nname=v \r\nweburl=old\r\n") << u"v "_s;
        QTest::addRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF[ordavo]\nname=Čuk\nweburl=old\n") << u"Čuk"_s;
        QTest::addRow("no line end at the end") << QByteArray("[ordavo]\nweburl=old\nname=v") << u"v"_s;
    }

    void handWrittenFilesReadAndKeepTheirLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        writeFileBytes(bytes);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"name"_s), name);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), u"old"_s);
        WriteSetting(u"ordavo"_s, u"weburl"_s, u"new"_s);
        QCOMPARE(fileBytes(), QByteArray(bytes).replace("weburl=old", "weburl=new"));
        QCOMPARE(ReadSetting(u"ordavo"_s, u"name"_s), name);
        QVERIFY(corruptCopies().isEmpty());
        QVERIFY(notices_.isEmpty());
    }

    void addedLinesEndLikeTheFile()
    {
        writeFileBytes("\xEF\xBB\xBF[ordavo]\r\nname=v");
        WriteSetting(u"ordavo"_s, u"weburl"_s, u"x"_s);
        WriteSetting(u"other"_s, u"key"_s, u"y"_s);
        QCOMPARE(fileBytes(), QByteArray("\xEF\xBB\xBF[ordavo]\r\nname=v\r\nweburl=x\r\n\r\n[other]\r\nkey=y\r\n"));
    }

    void fileThatIsNotTextIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("UTF-16") << QByteArray("\xFF\xFE[\0o\0]\0", 8);
        QTest::addRow("NUL byte") << QByteArray("[ordavo]\nname=a\0b\n", 18);
        QTest::addRow("binary") << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
    }

    void fileThatIsNotTextIsSetAside()
    {
        QFETCH(QByteArray, bytes);
        writeFileBytes(bytes);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"name"_s), QString());
        const QStringList copies = corruptCopies();
        QCOMPARE(copies.size(), 1);
        QVERIFY(QRegularExpression(u"^ordavo\\.ini\\.corrupt-\\d{14}$"_s).match(copies.first()).hasMatch());
        QFile copy(sandbox_->settingsFolder() + u'/' + copies.first());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), bytes);
        QCOMPARE(notices_.size(), 1);
        QVERIFY2(notices_.first().contains(sandbox_->settingsFolder() + u'/' + copies.first()),
                 qPrintable(notices_.first()));

        // A write after a damaged file starts a new one and leaves the copy alone; a second
        // damaged file gets a copy and a notice of its own.
        WriteSetting(u"ordavo"_s, u"name"_s, u"new"_s);
        QCOMPARE(fileBytes(), QByteArray("[ordavo]\nname=new\n"));
        QCOMPARE(notices_.size(), 1);
        writeFileBytes(bytes);
        WriteSetting(u"ordavo"_s, u"name"_s, u"newer"_s);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"name"_s), u"newer"_s);
        QCOMPARE(corruptCopies().size(), 2);
        QCOMPARE(notices_.size(), 2);
    }

    void noticeWaitsForItsHandler()
    {
        SetSettingsNoticeHandler({});
        writeFileBytes(QByteArray("\xFF\xFE", 2));
        QCOMPARE(ReadSetting(u"ordavo"_s, u"name"_s), QString());
        QCOMPARE(corruptCopies().size(), 1);
        QStringList late;
        SetSettingsNoticeHandler([&late](const QString& text) { late.append(text); });
        QCOMPARE(late.size(), 1);
        QVERIFY(late.first().contains(corruptCopies().first()));
        ReadSetting(u"ordavo"_s, u"name"_s);
        SetSettingsNoticeHandler([&late](const QString& text) { late.append(text); });
        QCOMPARE(late.size(), 1);
        SetSettingsNoticeHandler({});
    }

    // A file a Windows editor saved in its code page is text: read as Windows-1250, left in
    // place, and written back as UTF-8 with every line kept by the next write.
    void windowsCodePageFileIsReadAndRewrittenAsUtf8()
    {
        const QByteArray windows1250 = "[ordavo]\r\ncompanyname=Avtoservis Kova\xE8\r\n; \x8Akofja Loka, \x9Eupnija\r\n"
                                       "constr=Data Source=SRV\\SQL\r\n";
        writeFileBytes(windows1250);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"companyname"_s), u"Avtoservis Kovač"_s);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"constr"_s), u"Data Source=SRV\\SQL"_s);
        QCOMPARE(fileBytes(), windows1250);
        QVERIFY(corruptCopies().isEmpty());
        QVERIFY(notices_.isEmpty());

        WriteSetting(u"ordavo"_s, u"weburl"_s, u"č"_s);
        QCOMPARE(fileBytes(), u"[ordavo]\r\ncompanyname=Avtoservis Kovač\r\n; Škofja Loka, župnija\r\n"
                              u"constr=Data Source=SRV\\SQL\r\nweburl=č\r\n"_s.toUtf8());
        QCOMPARE(ReadSetting(u"ordavo"_s, u"companyname"_s), u"Avtoservis Kovač"_s);
    }

    // A file that cannot be read reads as empty, and the user hears of it once in the run.
    void unreadableFileIsReportedOnce()
    {
        QVERIFY(QDir().mkpath(sandbox_->settingsFile())); // a folder where the file should be
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), QString());
        QCOMPARE(notices_.size(), 1);
        QVERIFY2(notices_.first().contains(sandbox_->settingsFile()), qPrintable(notices_.first()));
        QCOMPARE(ReadSetting(u"ordavo"_s, u"other"_s), QString());
        QVERIFY_THROWS_EXCEPTION(SettingsError, WriteSetting(u"ordavo"_s, u"weburl"_s, u"x"_s));
        QCOMPARE(notices_.size(), 1);

        QVERIFY(QDir(sandbox_->settingsFile()).removeRecursively());
        WriteSetting(u"ordavo"_s, u"weburl"_s, u"x"_s);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), u"x"_s);
        QCOMPARE(notices_.size(), 1);
    }

    void refusedWriteIsAnError()
    {
        QFile blocker(sandbox_->settingsFolder()); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY_THROWS_EXCEPTION(SettingsError, WriteSetting(u"ordavo"_s, u"weburl"_s, u"x"_s));
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), QString());
    }

    // Permissions are set with the bits alone, so the checks also hold when the tests run with
    // administrator rights (which pass any access check).
    void readOnlyFileOrFolderRefusesWrites_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("message");
        QTest::addRow("read-only file") << false
                                        << u"Datoteke nastavitev ni mogoče zapisati, ker je samo za branje: "_s;
        QTest::addRow("read-only folder") << true << u"V mapo nastavitev ni mogoče pisati: "_s;
    }

    void readOnlyFileOrFolderRefusesWrites()
    {
        QFETCH(bool, folder);
        QFETCH(QString, message);
        WriteSetting(u"ordavo"_s, u"weburl"_s, u"before"_s);
        const QString target = folder ? sandbox_->settingsFolder() : sandbox_->settingsFile();
        const QFile::Permissions original = QFile::permissions(target);
        const QFile::Permissions readOnly =
            folder ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(target, readOnly));
        QString error;
        try {
            WriteSetting(u"ordavo"_s, u"weburl"_s, u"after"_s);
        } catch (const SettingsError& e) {
            error = e.message();
        }
        QFile::setPermissions(target, original);
        QCOMPARE(error, message + target);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), u"before"_s);
        QCOMPARE(fileBytes(), QByteArray("[ordavo]\nweburl=before\n"));
    }

    void lockHeldTooLongIsAnError()
    {
        WriteSetting(u"ordavo"_s, u"weburl"_s, u"before"_s);
        QLockFile held(sandbox_->settingsFile() + u".lock"_s);
        QVERIFY(held.tryLock(0));
        QVERIFY_THROWS_EXCEPTION(SettingsError, WriteSetting(u"ordavo"_s, u"weburl"_s, u"after"_s));
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), u"before"_s);
    }

    // A lock its writer left when it was killed is cleared at once: one that stayed empty, and
    // one naming a process that has ended. A temporary file the killed write left is removed; a
    // file named alike that was there before (the user's backup) stays.
    void abandonedLockIsClearedAtOnce_data()
    {
        QTest::addColumn<bool>("empty");
        QTest::addRow("empty lock") << true;
        QTest::addRow("lock of an ended process") << false;
    }

    void abandonedLockIsClearedAtOnce()
    {
        QFETCH(bool, empty);
        WriteSetting(u"ordavo"_s, u"weburl"_s, u"before"_s);
        const QString folder = sandbox_->settingsFolder() + u'/';
        const QString lockPath = sandbox_->settingsFile() + u".lock"_s;
        writeFile(folder + u"ordavo.ini.backup"_s, "[ordavo]\nweburl=old\n", -60);
        writeFile(lockPath, empty ? QByteArray() : LockOfEndedProcess(lockPath), -1);
        writeFile(folder + u"ordavo.ini.Ab12cD"_s, "[ordavo]\nweb");

        WriteSetting(u"ordavo"_s, u"weburl"_s, u"after"_s);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), u"after"_s);
        QVERIFY(!QFile::exists(folder + u"ordavo.ini.Ab12cD"_s));
        QVERIFY(QFile::exists(folder + u"ordavo.ini.backup"_s));
        QVERIFY(!QFile::exists(lockPath));
    }

    // A writer killed at any moment leaves no lock that stops the next write, and every value
    // that was committed stays.
    void writerKilledMidWriteStopsNoLaterWrite()
    {
        const QString writer = QCoreApplication::applicationDirPath() + u"/settings_writer"_s;
        WriteSetting(u"ordavo"_s, u"kodadostop"_s, u"demo1234"_s);
        for (int round = 0; round < 5; ++round) {
            QProcess killed;
            killed.start(writer, {u"k"_s, u"100000"_s});
            QVERIFY(killed.waitForStarted());
            QTest::qWait(50 + 20 * round);
            killed.kill();
            QVERIFY(killed.waitForFinished());
            WriteSetting(u"ordavo"_s, u"round"_s, QString::number(round));
            QCOMPARE(ReadSetting(u"ordavo"_s, u"round"_s), QString::number(round));
            QCOMPARE(ReadSetting(u"ordavo"_s, u"kodadostop"_s), u"demo1234"_s);
        }
    }

    void concurrentWritersLoseNoWrite()
    {
        constexpr int kWritesEach = 60;
        const QString writer = QCoreApplication::applicationDirPath() + u"/settings_writer"_s;
        QProcess first;
        QProcess second;
        first.start(writer, {u"a"_s, QString::number(kWritesEach)});
        second.start(writer, {u"b"_s, QString::number(kWritesEach)});
        for (QProcess* process : {&first, &second}) {
            QVERIFY2(process->waitForFinished(120000), qPrintable(process->errorString()));
            QVERIFY2(process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0,
                     process->readAllStandardError().constData());
        }
        for (const QString& prefix : {u"a"_s, u"b"_s}) {
            for (int i = 0; i < kWritesEach; ++i) {
                const QString key = prefix + QString::number(i);
                QCOMPARE(ReadSetting(u"ordavo"_s, key), u"value of "_s + key);
            }
        }
    }

    void configurationDefaults()
    {
        QCOMPARE(DirectoryUrl(), QStringLiteral(ORDAVO_DEFAULT_DIRECTORY_URL));
        QCOMPARE(SupportEmail(), QStringLiteral(ORDAVO_DEFAULT_SUPPORT_EMAIL));
        QCOMPARE(ShowTyreStorage(), QStringLiteral(ORDAVO_DEFAULT_SHOW_TYRE_STORAGE) == u"1");
        WriteSetting(u"ordavo"_s, u"directoryurl"_s, u"http://directory.example/dir"_s);
        WriteSetting(u"ordavo"_s, u"supportemail"_s, u"help@example.si"_s);
        WriteSetting(u"ordavo"_s, u"showtyrestorage"_s, u"1"_s);
        QCOMPARE(DirectoryUrl(), u"http://directory.example/dir/"_s);
        QCOMPARE(SupportEmail(), u"help@example.si"_s);
        QVERIFY(ShowTyreStorage());
        WriteSetting(u"ordavo"_s, u"showtyrestorage"_s, u"0"_s);
        QVERIFY(!ShowTyreStorage());
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settings_store.moc"
