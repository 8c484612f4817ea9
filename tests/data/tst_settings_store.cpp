// Tests of the settings store: names without case, value round trips, the file format, damaged files and concurrent writers.
#include "data/settings_store.h"
#include "support/settings_sandbox.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTest>

#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

class SettingsStoreTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;

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

    QStringList corruptCopies() const
    {
        return QDir(sandbox_->settingsFolder()).entryList({u"ordavo.ini.corrupt-*"_s}, QDir::Files);
    }

private slots:
    void init() { sandbox_ = std::make_unique<SettingsSandbox>(); }
    void cleanup() { sandbox_.reset(); }

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
        QCOMPARE(fileBytes(), QByteArray("; written by hand\n[other]\nkey=changed\n\n[ordavo]\nweburl=commobj/commobj/\n"
                                         "weburlroot=http://x/\n"));
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), u"commobj/commobj/"_s);
    }

    void unparsableFileIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("invalid UTF-8") << QByteArray("[ordavo]\nname=\xE8\x65\n");
        QTest::addRow("line without =") << QByteArray("[ordavo]\njust words\n");
        QTest::addRow("bad escape") << QByteArray("[ordavo]\nname=a\\qb\n");
        QTest::addRow("escape at end") << QByteArray("[ordavo]\nname=a\\\n");
        QTest::addRow("open section") << QByteArray("[ordavo\nname=a\n");
        QTest::addRow("empty name") << QByteArray("[ordavo]\n=a\n");
    }

    void unparsableFileIsSetAside()
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

        // A write after a damaged file starts a new one and leaves the copy alone; a second
        // damaged file gets a copy of its own.
        WriteSetting(u"ordavo"_s, u"name"_s, u"new"_s);
        QCOMPARE(fileBytes(), QByteArray("[ordavo]\nname=new\n"));
        writeFileBytes(bytes);
        WriteSetting(u"ordavo"_s, u"name"_s, u"newer"_s);
        QCOMPARE(ReadSetting(u"ordavo"_s, u"name"_s), u"newer"_s);
        QCOMPARE(corruptCopies().size(), 2);
    }

    void unreadableFileIsAnError()
    {
        QVERIFY(QDir().mkpath(sandbox_->settingsFile())); // a folder where the file should be
        QVERIFY_THROWS_EXCEPTION(SettingsError, ReadSetting(u"ordavo"_s, u"weburl"_s));
        QVERIFY_THROWS_EXCEPTION(SettingsError, WriteSetting(u"ordavo"_s, u"weburl"_s, u"x"_s));
    }

    void refusedWriteIsAnError()
    {
        QFile blocker(sandbox_->settingsFolder()); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY_THROWS_EXCEPTION(SettingsError, WriteSetting(u"ordavo"_s, u"weburl"_s, u"x"_s));
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), QString());
    }

    void readOnlyFolderRefusesWrites()
    {
        if (::geteuid() == 0)
            QSKIP("root may write into a read-only folder");
        QVERIFY(QDir().mkpath(sandbox_->settingsFolder()));
        QFile::setPermissions(sandbox_->settingsFolder(), QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY_THROWS_EXCEPTION(SettingsError, WriteSetting(u"ordavo"_s, u"weburl"_s, u"x"_s));
        QFile::setPermissions(sandbox_->settingsFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void lockHeldTooLongIsAnError()
    {
        WriteSetting(u"ordavo"_s, u"weburl"_s, u"before"_s);
        QLockFile held(sandbox_->settingsFile() + u".lock"_s);
        QVERIFY(held.tryLock(0));
        QVERIFY_THROWS_EXCEPTION(SettingsError, WriteSetting(u"ordavo"_s, u"weburl"_s, u"after"_s));
        QCOMPARE(ReadSetting(u"ordavo"_s, u"weburl"_s), u"before"_s);
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
