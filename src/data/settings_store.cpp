// The per-user INI settings store: locked, atomic single-value writes and a fresh read of the file at every lookup.
#include "settings_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kLockWaitMs = 5000;

// One "key=value" line of the file, with the section it belongs to.
struct IniEntry {
    qsizetype line = 0;
    QString section;
    QString key;
    QString value;
};

// The file as lines, so that a write changes one line and keeps comments and order.
struct IniDocument {
    QStringList lines;
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

std::optional<QString> UnescapeValue(QStringView text)
{
    QString value;
    value.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            value += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i].unicode()) {
        case u'\\': value += u'\\'; break;
        case u'n': value += u'\n'; break;
        case u'r': value += u'\r'; break;
        default: return std::nullopt;
        }
    }
    return value;
}

std::optional<QString> DecodeUtf8Strictly(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// nullopt when the bytes are not a file this store can read back faithfully.
std::optional<IniDocument> ParseIni(const QByteArray& bytes)
{
    const std::optional<QString> text = DecodeUtf8Strictly(bytes);
    if (!text)
        return std::nullopt;
    IniDocument doc;
    doc.lines = text->split(u'\n');
    if (!doc.lines.isEmpty() && doc.lines.constLast().isEmpty())
        doc.lines.removeLast();
    QString section;
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        QString& line = doc.lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[')) {
            if (!trimmed.endsWith(u']'))
                return std::nullopt;
            section = trimmed.mid(1, trimmed.size() - 2).trimmed().toLower();
            doc.lastLineOfSection.insert(section, i);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        const QString key = equals < 0 ? QString() : line.left(equals).trimmed().toLower();
        if (key.isEmpty())
            return std::nullopt;
        const std::optional<QString> value = UnescapeValue(QStringView(line).mid(equals + 1));
        if (!value)
            return std::nullopt;
        doc.entries.append({i, section, key, *value});
        doc.lastLineOfSection.insert(section, i);
    }
    return doc;
}

void SetValue(IniDocument& doc, const QString& section, const QString& key, const QString& value)
{
    const QString line = key + u'=' + EscapeValue(value);
    if (const IniEntry* entry = doc.find(section, key)) {
        doc.lines[entry->line] = line;
    } else if (doc.lastLineOfSection.contains(section)) {
        doc.lines.insert(doc.lastLineOfSection.value(section) + 1, line);
    } else {
        if (!doc.lines.isEmpty() && !doc.lines.constLast().trimmed().isEmpty())
            doc.lines.append(QString());
        doc.lines.append(u'[' + section + u']');
        doc.lines.append(line);
    }
}

QByteArray SerializeIni(const IniDocument& doc)
{
    QString text = doc.lines.join(u'\n');
    if (!doc.lines.isEmpty())
        text += u'\n';
    return text.toUtf8();
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

// Renames an unparsable file to ordavo.ini.corrupt-<time> so that it is never overwritten.
bool SetAsideCorruptFile(const QString& path)
{
    const QString stem = path + u".corrupt-" + QDateTime::currentDateTime().toString(u"yyyyMMddHHmmss"_s);
    QString target = stem;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + u'-' + QString::number(n);
    return QFile::rename(path, target);
}

QString LockPath(const QString& path)
{
    return path + u".lock";
}

// The document of the file; the caller holds the lock. An unparsable file is set aside.
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

void EnsureFolderExists(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        throw SettingsError(u"Mape nastavitev ni mogoče ustvariti: %1"_s.arg(folder));
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

QString SettingOrDefault(const char* key, const char* buildDefault)
{
    const QString value = ReadSetting(u"ordavo"_s, QString::fromLatin1(key));
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
    const IniDocument doc = LoadDocumentForRead(SettingsFilePath());
    const IniEntry* entry = doc.find(sectionName, keyName);
    return entry ? entry->value : QString();
}

void WriteSetting(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = section.toLower();
    const QString keyName = key.toLower();
    if (!IsStorableName(sectionName, true) || !IsStorableName(keyName, false))
        throw SettingsError(u"Neveljavno ime nastavitve: [%1] %2"_s.arg(section, key));
    const QString path = SettingsFilePath();
    EnsureFolderExists(path);
    QLockFile lock(LockPath(path));
    if (!lock.tryLock(kLockWaitMs))
        throw SettingsError(u"Datoteka nastavitev je zaklenjena: %1"_s.arg(path));
    IniDocument doc = LoadDocumentLocked(path);
    SetValue(doc, sectionName, keyName, value);
    CommitDocument(path, doc);
}

QString DirectoryUrl()
{
    QString url = SettingOrDefault("directoryurl", ORDAVO_DEFAULT_DIRECTORY_URL);
    if (!url.endsWith(u'/'))
        url += u'/';
    return url;
}

QString SupportEmail()
{
    return SettingOrDefault("supportemail", ORDAVO_DEFAULT_SUPPORT_EMAIL);
}

bool ShowTyreStorage()
{
    return SettingOrDefault("showtyrestorage", ORDAVO_DEFAULT_SHOW_TYRE_STORAGE) == u"1";
}
