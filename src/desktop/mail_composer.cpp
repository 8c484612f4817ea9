// The order mail draft and the desktop chain that shows it: Thunderbird's compose window or an unsent message file.
#include "mail_composer.h"

#include "program_launch.h"
#include "url_opener.h"

#include "data/errors.h"
#include "data/settings_keys.h"
#include "data/settings_store.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

MailComposer* installedComposer = nullptr;
MailFailureReporter failureReporter;

const QString kSubject = u"Pošiljamo vam Ordavo za opravljene storitve"_s;
const QString kGreeting = u"Pozdravljeni<br /><br />V priponki vam pošiljamo <b>nalog v elektonski obliki</b> za "
                          u"opravljene storitve.<br />V kolikor potrebujete kakršnekoli dodatne informacije nas "
                          u"kontaktirajte preko tega sporočila.<br /><br />Lep Pozdrav<br />"_s;

const QString kHtmlLineBreak = u"<br />"_s;

// The greeting as the mail program shows it: its line breaks as line ends, its bold as plain text.
QString PlainText(const QString& greeting)
{
    return QString(greeting).replace(kHtmlLineBreak, u"\n"_s).remove(u"<b>"_s).remove(u"</b>"_s);
}

constexpr int kProcessWaitMs = 5000;
// How long a starting Thunderbird, or xdg-email starting the mail program, has to fail before
// the message counts as shown.
constexpr int kMailProgramWaitMs = 3000;
constexpr int kDraftKeepDays = 14;
constexpr qsizetype kBase64LineLength = 76;
// 45 bytes give 60 base64 characters: with "=?UTF-8?B?" and "?=" a word stays within 75.
constexpr qsizetype kEncodedWordBytes = 45;

QByteArray Crlf()
{
    return QByteArrayLiteral("\r\n");
}

QString PercentEncoded(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// A file URL whose path has every character but "/" percent-encoded, so that a comma in
// a file name cannot split the attachment list.
QString EncodedFileUrl(const QString& path)
{
    return u"file://"_s + QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/"));
}

bool IsPlainHeaderText(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

// RFC 2047 encoded words, each within 75 characters, folded onto continuation lines; a
// character is never split between two words.
QByteArray EncodedHeaderText(const QString& text)
{
    if (IsPlainHeaderText(text))
        return text.toUtf8();
    QList<QByteArray> words;
    QByteArray chunk;
    for (char32_t codePoint : text.toUcs4()) {
        const QByteArray bytes = QString::fromUcs4(&codePoint, 1).toUtf8();
        if (chunk.size() + bytes.size() > kEncodedWordBytes) {
            words.append(chunk);
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty())
        words.append(chunk);
    QByteArray result;
    for (const QByteArray& word : std::as_const(words)) {
        if (!result.isEmpty())
            result += Crlf() + ' ';
        result += "=?UTF-8?B?" + word.toBase64() + "?=";
    }
    return result;
}

QByteArray Base64Lines(const QByteArray& data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray result;
    for (qsizetype at = 0; at < encoded.size(); at += kBase64LineLength)
        result += encoded.mid(at, kBase64LineLength) + Crlf();
    return result;
}

bool IsPlainParameterValue(const QString& value)
{
    return IsPlainHeaderText(value) && !value.contains(u'"') && !value.contains(u'\\');
}

// name="..." for plain ASCII names, otherwise the RFC 2231 form name*=UTF-8''...
QByteArray FileNameParameter(const QByteArray& key, const QString& fileName)
{
    if (IsPlainParameterValue(fileName))
        return key + "=\"" + fileName.toLatin1() + '"';
    return key + "*=UTF-8''" + QUrl::toPercentEncoding(fileName);
}

// "Thu, 10 Dec 2026 14:05:09 +0100": English names and the numeric zone, whatever the locale.
QByteArray RfcDate(const QDateTime& date)
{
    const int offsetMinutes = date.offsetFromUtc() / 60;
    const int absolute = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    const QString zone = QString::asprintf("%c%02d%02d", offsetMinutes < 0 ? '-' : '+', absolute / 60, absolute % 60);
    return (QLocale::c().toString(date, u"ddd, dd MMM yyyy HH:mm:ss "_s) + zone).toLatin1();
}

QByteArray NewBoundary()
{
    const quint64 random = QRandomGenerator::global()->generate64();
    return "=_ordavo_" + QByteArray::number(random, 16);
}

QByteArray ReadAttachment(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DataError(u"Priponke ni mogoče prebrati: "_s + path);
    return file.readAll();
}

QString UniqueDraftPath(const QString& suffix)
{
    const QString folder = MailDraftFormat::DraftFolder();
    if (!QDir().mkpath(folder))
        throw DataError(u"Mape ni mogoče ustvariti: "_s + folder);
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss-zzz"_s);
    const QString random = QString::number(QRandomGenerator::global()->bounded(0x10000), 16);
    return folder + u"ordavo-"_s + stamp + u'-' + random + suffix;
}

void WriteWholeFile(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw DataError(u"Datoteke ni mogoče zapisati: "_s + path);
}

MailOutcome ComposeInThunderbird(const MailDraft& draft)
{
    const QString bodyPath = UniqueDraftPath(u".html"_s);
    WriteWholeFile(bodyPath, MailDraftFormat::HtmlDocument(draft.htmlBody));
    const QStringList arguments{u"-compose"_s, MailDraftFormat::ThunderbirdComposeArgument(draft, bodyPath)};
    // A Thunderbird that is already running takes the message and ends at once with 0; one that
    // cannot work (no profile, no display) ends with an error; one that starts here keeps running.
    const LaunchOutcome outcome =
        LaunchAndWait(MailDraftFormat::ThunderbirdProgram(), arguments, kProcessWaitMs, kMailProgramWaitMs);
    switch (outcome.status) {
    case LaunchOutcome::Status::NotStarted:
        return {MailOutcome::Status::NoMailClient, outcome.reason};
    case LaunchOutcome::Status::StillRunning:
    case LaunchOutcome::Status::Succeeded:
        return {};
    case LaunchOutcome::Status::Failed:
        break;
    }
    const QString reason =
        outcome.reason.isEmpty() ? u"izhodna koda "_s + QString::number(outcome.exitCode) : outcome.reason;
    return {MailOutcome::Status::DisplayFailed, reason};
}

// True when xdg-email handed the message to the mail program; false when it is missing or
// failed, and the message file serves instead.
bool ComposeWithXdgEmail(const MailDraft& draft)
{
    const LaunchOutcome outcome =
        LaunchAndWait(u"xdg-email"_s, MailDraftFormat::XdgEmailArguments(draft), kProcessWaitMs, kMailProgramWaitMs);
    switch (outcome.status) {
    case LaunchOutcome::Status::StillRunning:
    case LaunchOutcome::Status::Succeeded:
        return true;
    case LaunchOutcome::Status::NotStarted:
    case LaunchOutcome::Status::Failed:
        break;
    }
    qWarning().noquote() << "xdg-email:" << outcome.exitCode << outcome.reason;
    return false;
}

MailOutcome OpenUnsentMessage(const MailDraft& draft)
{
    const QString messagePath = UniqueDraftPath(u".eml"_s);
    WriteWholeFile(messagePath, MailDraftFormat::UnsentMessage(draft, QDateTime::currentDateTime()));
    if (!CurrentUrlOpener().open(QUrl::fromLocalFile(messagePath)))
        return {MailOutcome::Status::NoMailClient, u"Sporočilo je pripravljeno v datoteki "_s + messagePath};
    return {};
}

void ReportMailFailure(const QString& text, const QString& details)
{
    if (failureReporter)
        failureReporter(text, details);
    else
        qWarning().noquote() << text << details;
}

} // namespace

MailDraft OrderMailDraft(const QString& attachmentPath, const QString& recipient)
{
    const QStringList companyLines{Setting(SettingKey::CompanyName), Setting(SettingKey::CompanyPost),
                                   Setting(SettingKey::CompanyPhone)};
    const QString htmlBody = kGreeting + companyLines.join(kHtmlLineBreak);
    const QString textBody = PlainText(kGreeting) + companyLines.join(u'\n');
    return {recipient, kSubject, htmlBody, attachmentPath, textBody};
}

QString MailFailureText(const MailOutcome& outcome)
{
    switch (outcome.status) {
    case MailOutcome::Status::Shown:
        return {};
    case MailOutcome::Status::NoMailClient:
        return u"Nameščen morate imeti outlook 2007 ali novejši da bo ta funkcija delovala"_s;
    case MailOutcome::Status::DisplayFailed:
        return u"Outlook javlja napako:"_s + outcome.detail;
    }
    return {};
}

MailOutcome DesktopMailComposer::display(const MailDraft& draft)
{
    try {
        const QString handler = MailDraftFormat::MailHandler();
        if (MailDraftFormat::IsThunderbird(handler))
            return ComposeInThunderbird(draft);
        if (MailDraftFormat::TakesAttachmentsFromXdgEmail(handler) && ComposeWithXdgEmail(draft))
            return {};
        return OpenUnsentMessage(draft);
    } catch (const std::exception& e) {
        qWarning().noquote() << ErrorMessage(e);
        return {MailOutcome::Status::NoMailClient, ErrorMessage(e)};
    }
}

MailOutcome RecordingMailComposer::display(const MailDraft& draft)
{
    drafts.append(draft);
    return outcome;
}

MailComposer& CurrentMailComposer()
{
    static DesktopMailComposer desktopComposer;
    return installedComposer ? *installedComposer : desktopComposer;
}

void SetCurrentMailComposer(MailComposer* composer)
{
    installedComposer = composer;
}

void SetMailFailureReporter(MailFailureReporter reporter)
{
    failureReporter = std::move(reporter);
}

void composeMail(const QString& attachmentPath, const QString& recipient)
{
    MailOutcome outcome;
    try {
        outcome = CurrentMailComposer().display(OrderMailDraft(attachmentPath, recipient));
    } catch (const std::exception& e) {
        outcome = {MailOutcome::Status::NoMailClient, ErrorMessage(e)};
    }
    if (outcome.status == MailOutcome::Status::NoMailClient)
        ReportMailFailure(MailFailureText(outcome), outcome.detail);
    else if (outcome.status != MailOutcome::Status::Shown)
        ReportMailFailure(MailFailureText(outcome), QString());
}

void RemoveOldMailDrafts(const QDateTime& now)
{
    const QDateTime oldest = now.addDays(-kDraftKeepDays);
    QDir folder(MailDraftFormat::DraftFolder());
    const QFileInfoList drafts =
        folder.entryInfoList({u"ordavo-*.eml"_s, u"ordavo-*.html"_s}, QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& draft : drafts) {
        if (draft.lastModified() < oldest)
            QFile::remove(draft.absoluteFilePath());
    }
}

namespace MailDraftFormat {

QByteArray HtmlDocument(const QString& htmlBody)
{
    return "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"></head><body>" + htmlBody.toUtf8() +
           "</body></html>\r\n";
}

QString MailHandler()
{
    QProcess query;
    query.start(u"xdg-mime"_s, {u"query"_s, u"default"_s, u"x-scheme-handler/mailto"_s});
    if (!query.waitForStarted(kProcessWaitMs))
        return {};
    if (!query.waitForFinished(kProcessWaitMs)) {
        query.kill();
        query.waitForFinished(kProcessWaitMs);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

bool IsThunderbird(const QString& mailHandler)
{
    return mailHandler.contains(u"thunderbird"_s, Qt::CaseInsensitive);
}

// Evolution ("org.gnome.Evolution.desktop") and KMail ("org.kde.kmail2.desktop") read the
// attach= field of a mailto: address, which xdg-email writes for --attach.
bool TakesAttachmentsFromXdgEmail(const QString& mailHandler)
{
    return mailHandler.contains(u"evolution"_s, Qt::CaseInsensitive) ||
           mailHandler.contains(u"kmail"_s, Qt::CaseInsensitive);
}

QStringList XdgEmailArguments(const MailDraft& draft)
{
    QStringList arguments{u"--utf8"_s,    u"--subject"_s, draft.subject,       u"--body"_s,
                          draft.textBody, u"--attach"_s,  draft.attachmentPath};
    // xdg-email refuses an empty --to; without one the user fills in the recipient.
    if (!draft.recipient.isEmpty())
        arguments << u"--to"_s << draft.recipient;
    return arguments;
}

QString ThunderbirdComposeArgument(const MailDraft& draft, const QString& bodyFilePath)
{
    const QStringList pairs{
        u"to="_s + PercentEncoded(draft.recipient),
        u"subject="_s + PercentEncoded(draft.subject),
        u"format=html"_s,
        u"message="_s + PercentEncoded(QFileInfo(bodyFilePath).absoluteFilePath()),
        u"attachment="_s + PercentEncoded(EncodedFileUrl(draft.attachmentPath)),
    };
    return pairs.join(u',');
}

QByteArray UnsentMessage(const MailDraft& draft, const QDateTime& date)
{
    const QByteArray boundary = NewBoundary();
    const QString fileName = QFileInfo(draft.attachmentPath).fileName();
    const QByteArray mimeType = QMimeDatabase().mimeTypeForFile(draft.attachmentPath).name().toLatin1();
    QByteArray message;
    message += "Date: " + RfcDate(date) + Crlf();
    message += "To: " + EncodedHeaderText(draft.recipient) + Crlf();
    message += "Subject: " + EncodedHeaderText(draft.subject) + Crlf();
    message += "X-Unsent: 1" + Crlf();
    message += "MIME-Version: 1.0" + Crlf();
    message += "Content-Type: multipart/mixed; boundary=\"" + boundary + '"' + Crlf();
    message += Crlf();
    message += "--" + boundary + Crlf();
    message += "Content-Type: text/html; charset=UTF-8" + Crlf();
    message += "Content-Transfer-Encoding: base64" + Crlf() + Crlf();
    message += Base64Lines(HtmlDocument(draft.htmlBody));
    message += "--" + boundary + Crlf();
    message += "Content-Type: " + mimeType + "; " + FileNameParameter("name", fileName) + Crlf();
    message += "Content-Disposition: attachment; " + FileNameParameter("filename", fileName) + Crlf();
    message += "Content-Transfer-Encoding: base64" + Crlf() + Crlf();
    message += Base64Lines(ReadAttachment(draft.attachmentPath));
    message += "--" + boundary + "--" + Crlf();
    return message;
}

QString& ThunderbirdProgram()
{
    static QString program = u"thunderbird"_s;
    return program;
}

QString DraftFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/ordavo/mail/"_s;
}

} // namespace MailDraftFormat
