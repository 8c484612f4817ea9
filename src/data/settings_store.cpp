// The per-user INI settings store: locked, atomic single-value writes and a fresh read of the file at every lookup.
#include "settings_store.h"

#include "settings_keys.h"
#include "text_helpers.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <functional>
#include <optional>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kLockWaitMs = 5000;
constexpr int kLockRetryMs = 20;
// A lock file is written at once after it is created; one still empty after this long belongs
// to a writer that died in between.
constexpr qint64 kEmptyLockGraceMs = 100;
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// One "key=value" line of the file, with the section it belongs to.
struct IniEntry {
    qsizetype line = 0;
    QString section;
    QString key;
    QString value;
};

// The file as raw lines, so that a write changes one line and every other line (comments,
// lines the store does not understand, blank lines, their line ends) goes back byte for byte.
struct IniDocument {
    QByteArray bom;               // the UTF-8 byte order mark the file started with, if any
    QList<QByteArray> lines;      // without their line ends
    QList<QByteArray> lineEnds;   // "\n", "\r\n", or empty for a last line without one
    QByteArray newLineEnd = "\n"; // the file's first line end
    QList<IniEntry> entries;
    QHash<QString, qsizetype> lastLineOfSection; // header or last entry of each section

    const IniEntry* find(const QString& section, const QString& key) const
    {
        for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
            if (it->section == section && it->key == key)
                return &*it;
        }
        return nullptr;
    }

    // A new line ends like the line before it (or like the file's first line); the line before
    // a new last line gets an end if it had none.
    void insertLine(qsizetype at, QByteArray line)
    {
        const QByteArray end = at > 0 && !lineEnds[at - 1].isEmpty() ? lineEnds[at - 1] : newLineEnd;
        if (at > 0 && lineEnds[at - 1].isEmpty())
            lineEnds[at - 1] = end;
        lines.insert(at, std::move(line));
        lineEnds.insert(at, end);
    }
};

QString EscapeValue(const QString& value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (QChar c : value) {
        if (c == u'\\')
            escaped += u"\\\\";
        else if (c == u'\n')
            escaped += u"\\n";
        else if (c == u'\r')
            escaped += u"\\r";
        else
            escaped += c;
    }
    return escaped;
}

// "\\", "\n" and "\r" are the store's escapes; any other backslash stands for itself, so a
// value typed by hand (a Windows path, a connection string) reads as it was typed.
QString UnescapeValue(QStringView text)
{
    QString value;
    value.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (text[i] != u'\\' || (next != u'\\' && next != u'n' && next != u'r')) {
            value += text[i];
            continue;
        }
        value += next == u'n' ? u'\n' : next == u'r' ? u'\r' : u'\\';
        ++i;
    }
    return value;
}

// False when the bytes cannot be read as text: a NUL byte, or the byte order mark of UTF-16,
// whose text is full of them.
bool IsText(QByteArrayView bytes)
{
    return !bytes.contains('\0') && !bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF");
}

// The file's text as UTF-8. A file that is not UTF-8 was written by an editor in the Windows
// code page (Notepad saving "Kovač" in Windows-1250); it is read so, and a write of the store
// then writes it back as UTF-8 with every value kept.
QByteArray AsUtf8Text(QByteArrayView bytes)
{
    return IsValidUtf8(bytes) ? bytes.toByteArray() : FromWindows1250(bytes).toUtf8();
}

// Splits the bytes after the byte order mark into lines and their ends.
void SplitLines(QByteArrayView bytes, IniDocument& doc)
{
    bool firstEnd = true;
    while (!bytes.isEmpty()) {
        const qsizetype feed = bytes.indexOf('\n');
        QByteArrayView line = feed < 0 ? bytes : bytes.first(feed);
        QByteArray end = feed < 0 ? QByteArray() : QByteArray("\n");
        if (feed >= 0 && line.endsWith('\r')) {
            line.chop(1);
            end = "\r\n";
        }
        if (firstEnd && !end.isEmpty()) {
            doc.newLineEnd = end;
            firstEnd = false;
        }
        doc.lines.append(line.toByteArray());
        doc.lineEnds.append(end);
        bytes = feed < 0 ? QByteArrayView() : bytes.sliced(feed + 1);
    }
}

// Reads the lines it understands; comments, blank lines, unclosed section headers and lines
// without a name and "=" are skipped, and stay in the document as they are.
void ReadEntries(IniDocument& doc)
{
    QString section;
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        const QString line = QString::fromUtf8(doc.lines[i]);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[')) {
            if (trimmed.endsWith(u']')) {
                section = trimmed.mid(1, trimmed.size() - 2).trimmed().toLower();
                doc.lastLineOfSection.insert(section, i);
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        const QString key = equals < 0 ? QString() : line.left(equals).trimmed().toLower();
        if (key.isEmpty())
            continue;
        doc.entries.append({i, section, key, UnescapeValue(QStringView(line).mid(equals + 1))});
        doc.lastLineOfSection.insert(section, i);
    }
}

// nullopt when the bytes cannot be read as text at all.
std::optional<IniDocument> ParseIni(QByteArrayView bytes)
{
    IniDocument doc;
    if (bytes.startsWith(kUtf8Bom)) {
        doc.bom = kUtf8Bom;
        bytes = bytes.sliced(doc.bom.size());
    }
    if (!IsText(bytes))
        return std::nullopt;
    SplitLines(AsUtf8Text(bytes), doc);
    ReadEntries(doc);
    return doc;
}

void SetValue(IniDocument& doc, const QString& section, const QString& key, const QString& value)
{
    const QByteArray line = (key + u'=' + EscapeValue(value)).toUtf8();
    if (const IniEntry* entry = doc.find(section, key)) {
        doc.lines[entry->line] = line;
    } else if (doc.lastLineOfSection.contains(section)) {
        doc.insertLine(doc.lastLineOfSection.value(section) + 1, line);
    } else {
        if (!doc.lines.isEmpty() && !doc.lines.constLast().trimmed().isEmpty())
            doc.insertLine(doc.lines.size(), QByteArray());
        doc.insertLine(doc.lines.size(), (u'[' + section + u']').toUtf8());
        doc.insertLine(doc.lines.size(), line);
    }
}

QByteArray SerializeIni(const IniDocument& doc)
{
    QByteArray bytes = doc.bom;
    for (qsizetype i = 0; i < doc.lines.size(); ++i)
        bytes += doc.lines[i] + doc.lineEnds[i];
    return bytes;
}

bool IsStorableName(const QString& name, bool isSection)
{
    if (name.isEmpty() || name != name.trimmed() || name.contains(u'\n') || name.contains(u'\r'))
        return false;
    if (isSection)
        return !name.contains(u']');
    return !name.contains(u'=') && !name.startsWith(u'[') && !name.startsWith(u';') && !name.startsWith(u'#');
}

// nullopt when the file does not exist.
std::optional<QByteArray> ReadFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        throw SettingsError(u"Nastavitev ni mogoče prebrati (%1): %2"_s.arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw SettingsError(u"Nastavitev ni mogoče prebrati (%1): %2"_s.arg(path, file.errorString()));
    return bytes;
}

// ---- notices about set-aside files ----

std::function<void(const QString&)> g_noticeHandler;
QStringList g_pendingNotices;
bool g_deliveringNotices = false;

QString SetAsideNotice(const QString& keptAs)
{
    return u"Datoteke z nastavitvami ni bilo mogoče prebrati, ker ni besedilo. Program zato začne "
           u"s praznimi nastavitvami.\n\nStara datoteka je shranjena kot:\n%1"_s.arg(QDir::toNativeSeparators(keptAs));
}

// Hands the waiting notices to the handler, once each; called when no lock is held, since the
// handler may show a box and run events that read settings again.
void DeliverPendingNotices()
{
    if (!g_noticeHandler || g_deliveringNotices)
        return;
    g_deliveringNotices = true;
    while (!g_pendingNotices.isEmpty() && g_noticeHandler) {
        const QString notice = g_pendingNotices.takeFirst();
        try {
            g_noticeHandler(notice);
        } catch (...) {
            // The notice was offered; a failing handler must not break the settings call.
        }
    }
    g_deliveringNotices = false;
}

// Renames a file that is not text to ordavo.ini.corrupt-<time> so that it is never overwritten,
// and queues the notice that tells the user where it went.
bool SetAsideCorruptFile(const QString& path)
{
    const QString stem = path + u".corrupt-" + QDateTime::currentDateTime().toString(u"yyyyMMddHHmmss"_s);
    QString target = stem;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + u'-' + QString::number(n);
    if (!QFile::rename(path, target))
        return false;
    g_pendingNotices.append(SetAsideNotice(target));
    return true;
}

QString LockPath(const QString& path)
{
    return path + u".lock";
}

// The document of the file; the caller holds the lock. A file that is not text is set aside.
IniDocument LoadDocumentLocked(const QString& path)
{
    const std::optional<QByteArray> bytes = ReadFileBytes(path);
    if (!bytes)
        return {};
    if (std::optional<IniDocument> doc = ParseIni(*bytes))
        return std::move(*doc);
    if (!SetAsideCorruptFile(path))
        throw SettingsError(u"Pokvarjene datoteke nastavitev ni mogoče umakniti: %1"_s.arg(path));
    return {};
}

// The document for a read, without the lock unless the file must be set aside.
IniDocument LoadDocumentForRead(const QString& path)
{
    const std::optional<QByteArray> bytes = ReadFileBytes(path);
    if (!bytes)
        return {};
    if (std::optional<IniDocument> doc = ParseIni(*bytes))
        return std::move(*doc);
    QLockFile lock(LockPath(path));
    if (lock.tryLock(kLockWaitMs)) {
        try {
            return LoadDocumentLocked(path);
        } catch (const SettingsError&) {
            // A file that stays in place unreadable reads as empty, like a missing one.
        }
    }
    return {};
}

// True when the entry has no write permission for anyone, or this process may not write it.
// The bits are checked as well because a process with administrator rights passes the access
// check for any file: a file or folder marked read-only stays untouched for it too.
bool IsReadOnly(const QFileInfo& info)
{
    constexpr QFile::Permissions kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !(info.permissions() & kAnyWrite) || !info.isWritable();
}

QString FolderNotWritable(const QString& folder)
{
    return u"V mapo nastavitev ni mogoče pisati: %1"_s.arg(QDir::toNativeSeparators(folder));
}

void EnsureFolderExists(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        throw SettingsError(u"Mape nastavitev ni mogoče ustvariti: %1"_s.arg(folder));
}

// A write replaces the file through a new file in the same folder, which would succeed over a
// read-only file; so both the file and its folder are checked first.
void EnsureWritable(const QString& path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (IsReadOnly(folder))
        throw SettingsError(FolderNotWritable(folder.filePath()));
    const QFileInfo file(path);
    if (file.exists() && file.isFile() && IsReadOnly(file))
        throw SettingsError(
            u"Datoteke nastavitev ni mogoče zapisati, ker je samo za branje: %1"_s.arg(QDir::toNativeSeparators(path)));
}

void CommitDocument(const QString& path, const IniDocument& doc)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        throw SettingsError(u"Nastavitev ni mogoče zapisati (%1): %2"_s.arg(path, out.errorString()));
    const QByteArray bytes = SerializeIni(doc);
    if (out.write(bytes) != bytes.size() || !out.commit())
        throw SettingsError(u"Nastavitev ni mogoče zapisati (%1): %2"_s.arg(path, out.errorString()));
}

bool ProcessRuns(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// When the lock file was left by a writer that no longer runs, the time it was written: a lock
// file that stayed empty (its writer died before writing its process id), or one naming a
// process of this machine that has ended. Nothing for a lock of a live writer, of another
// machine, or one that cannot be read; those wait, and the lock's own age rule applies.
std::optional<QDateTime> AbandonedLockTime(const QString& lockPath)
{
    const QFileInfo info(lockPath);
    if (!info.isFile())
        return std::nullopt;
    const QDateTime written = info.lastModified();
    qint64 pid = 0;
    QString host;
    QString application;
    if (QLockFile(lockPath).getLockInfo(&pid, &host, &application)) {
        const bool thisMachine = host.isEmpty() || host == QSysInfo::machineHostName();
        return thisMachine && !ProcessRuns(pid) ? std::optional(written) : std::nullopt;
    }
    if (info.size() == 0 && written.msecsTo(QDateTime::currentDateTime()) >= kEmptyLockGraceMs)
        return written;
    return std::nullopt;
}

// A killed write can leave the store's temporary file beside the settings file (where the file
// system has no unnamed temporary files): "ordavo.ini." and six letters or digits. Only those
// written since the abandoned lock was taken are removed, so a file the user named alike and
// keeps there (a backup) is never touched.
void RemoveTemporaryFilesSince(const QString& path, const QDateTime& lockTaken)
{
    const QFileInfo settings(path);
    const QRegularExpression temporaryName(u"^"_s + QRegularExpression::escape(settings.fileName()) +
                                           u"\\.[A-Za-z0-9]{6}$"_s);
    const QFileInfoList entries = settings.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        if (temporaryName.match(entry.fileName()).hasMatch() && entry.lastModified() >= lockTaken)
            QFile::remove(entry.absoluteFilePath());
    }
}

// Takes the lock of the settings file, clearing at once a lock that its writer left behind when
// it was killed; then removes what that writer's interrupted write left.
void LockSettingsFile(QLockFile& lock, const QString& path)
{
    const QString lockPath = LockPath(path);
    std::optional<QDateTime> abandoned;
    const QDeadlineTimer deadline(kLockWaitMs);
    for (;;) {
        if (const std::optional<QDateTime> taken = AbandonedLockTime(lockPath); taken && lock.removeStaleLockFile())
            abandoned = taken;
        if (lock.tryLock(0))
            break;
        if (lock.error() == QLockFile::PermissionError)
            throw SettingsError(FolderNotWritable(QFileInfo(path).absolutePath()));
        if (deadline.hasExpired())
            throw SettingsError(u"Datoteka nastavitev je zaklenjena: %1"_s.arg(path));
        QThread::msleep(kLockRetryMs);
    }
    if (abandoned)
        RemoveTemporaryFilesSince(path, *abandoned);
}

void WriteSettingLocked(const QString& path, const QString& section, const QString& key, const QString& value)
{
    EnsureFolderExists(path);
    EnsureWritable(path);
    QLockFile lock(LockPath(path));
    LockSettingsFile(lock, path);
    IniDocument doc = LoadDocumentLocked(path);
    SetValue(doc, section, key, value);
    CommitDocument(path, doc);
}

// The unreadable settings files already reported in this run: the user hears of each once.
QStringList g_reportedUnreadableFiles;

QString UnreadableNotice(const QString& failure)
{
    return failure + u"\n\nDokler datoteke ni mogoče prebrati, program dela s praznimi nastavitvami."_s;
}

// Reports an unreadable settings file through the notice handler, once in this run for each
// file: every window reads settings, and a box at every read would bury the program.
void ReportUnreadableOnce(const QString& path, const SettingsError& failure)
{
    if (g_reportedUnreadableFiles.contains(path))
        return;
    g_reportedUnreadableFiles.append(path);
    g_pendingNotices.append(UnreadableNotice(failure.message()));
}

QString SettingOrDefault(const QString& key, const char* buildDefault)
{
    const QString value = Setting(key);
    return value.isEmpty() ? QString::fromUtf8(buildDefault) : value;
}

} // namespace

QString SettingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/Moravent/ordavo.ini";
}

QString ReadSetting(const QString& section, const QString& key)
{
    const QString sectionName = section.toLower();
    const QString keyName = key.toLower();
    if (!IsStorableName(sectionName, true) || !IsStorableName(keyName, false))
        return {};
    const QString path = SettingsFilePath();
    IniDocument doc;
    try {
        doc = LoadDocumentForRead(path);
    } catch (const SettingsError& failure) {
        // A file that cannot be read (a folder in its place, no permission) reads as empty.
        ReportUnreadableOnce(path, failure);
    }
    DeliverPendingNotices();
    const IniEntry* entry = doc.find(sectionName, keyName);
    return entry ? entry->value : QString();
}

void WriteSetting(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = section.toLower();
    const QString keyName = key.toLower();
    if (!IsStorableName(sectionName, true) || !IsStorableName(keyName, false))
        throw SettingsError(u"Neveljavno ime nastavitve: [%1] %2"_s.arg(section, key));
    try {
        WriteSettingLocked(SettingsFilePath(), sectionName, keyName, value);
    } catch (...) {
        DeliverPendingNotices();
        throw;
    }
    DeliverPendingNotices();
}

QString Setting(const QString& key)
{
    return ReadSetting(SettingKey::Section, key);
}

void StoreSetting(const QString& key, const QString& value)
{
    WriteSetting(SettingKey::Section, key, value);
}

void SetSettingsNoticeHandler(std::function<void(const QString& text)> handler)
{
    g_noticeHandler = std::move(handler);
    DeliverPendingNotices();
}

QString DirectoryUrl()
{
    QString url = SettingOrDefault(SettingKey::DirectoryUrl, ORDAVO_DEFAULT_DIRECTORY_URL);
    if (!url.endsWith(u'/'))
        url += u'/';
    return url;
}

QString SupportEmail()
{
    return SettingOrDefault(SettingKey::SupportEmail, ORDAVO_DEFAULT_SUPPORT_EMAIL);
}

bool ShowTyreStorage()
{
    return SettingOrDefault(SettingKey::ShowTyreStorage, ORDAVO_DEFAULT_SHOW_TYRE_STORAGE) == u"1";
}
