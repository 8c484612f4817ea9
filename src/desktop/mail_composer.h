// The mail draft of an order: its content, and handing it to the desktop's mail program.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What the user gets to see in the mail program; nothing is sent.
struct MailDraft {
    QString recipient;
    QString subject;
    QString htmlBody;
    QString attachmentPath;
    // The same body as plain text, for a mail program reached through a mailto: address,
    // which carries no HTML.
    QString textBody;
};

// The order mail: fixed subject, fixed greeting followed by the company's name, post office
// and telephone from the settings (inserted as they are), the given attachment.
MailDraft OrderMailDraft(const QString& attachmentPath, const QString& recipient);

// How handing a draft to the desktop ended.
struct MailOutcome {
    enum class Status { Shown, NoMailClient, DisplayFailed };
    Status status = Status::Shown;
    // DisplayFailed: the mail program's own failure text. NoMailClient: what the user needs to
    // find the prepared mail (the path of the draft file written), or why it could not be written.
    QString detail;
};
// The text shown to the user for a failed outcome; empty for Shown.
QString MailFailureText(const MailOutcome& outcome);

class MailComposer {
public:
    virtual ~MailComposer() = default;
    virtual MailOutcome display(const MailDraft& draft) = 0;
};

// The desktop chain: Thunderbird's -compose when Thunderbird is the desktop's mailto
// handler; xdg-email with the attachment when the handler is a program that takes
// attachments from it (Evolution, KMail); otherwise, or when xdg-email is missing or fails,
// an unsent message file under the user's cache folder, opened with the default program
// (through the current UrlOpener). Thunderbird counts as failed when it cannot be started or
// ends with an error within a short wait; the message file when the opener finds no program
// or the program fails.
class DesktopMailComposer final : public MailComposer {
public:
    MailOutcome display(const MailDraft& draft) override;
};

// Remembers every draft instead of showing it; answers with `outcome`.
class RecordingMailComposer final : public MailComposer {
public:
    MailOutcome display(const MailDraft& draft) override;

    QList<MailDraft> drafts;
    MailOutcome outcome;
};

MailComposer& CurrentMailComposer();
// nullptr restores the desktop chain; the caller keeps ownership.
void SetCurrentMailComposer(MailComposer* composer);

// Where composeMail reports a failure (the windows install their message dialog here):
// the text for the user and the details behind it (empty when there are none).
using MailFailureReporter = std::function<void(const QString& text, const QString& details)>;
void SetMailFailureReporter(MailFailureReporter reporter);

// Prepares the order mail with the attachment and shows it in the mail program; reports
// failures through the reporter. The hourglass of the download before it is the caller's:
// the windows' reporter clears it before its box, the caller's scope after the call.
void composeMail(const QString& attachmentPath, const QString& recipient);

// Removes the draft files (messages and HTML bodies) last written before `now` minus 14
// days; other files stay. Called at start.
void RemoveOldMailDrafts(const QDateTime& now);

// The pieces of the desktop chain, public for tests.
namespace MailDraftFormat {
// The body as a complete UTF-8 HTML document.
QByteArray HtmlDocument(const QString& htmlBody);
// The desktop entry that `xdg-mime query default x-scheme-handler/mailto` names; empty when
// there is none or xdg-mime cannot tell.
QString MailHandler();
bool IsThunderbird(const QString& mailHandler);
// True for the mail programs that take an attachment from xdg-email's mailto: address.
bool TakesAttachmentsFromXdgEmail(const QString& mailHandler);
// The arguments of xdg-email for the draft: UTF-8 texts, the plain-text body, the attachment.
QStringList XdgEmailArguments(const MailDraft& draft);
// The argument after -compose: every value percent-encoded and unquoted, so that commas,
// apostrophes and "=" inside values cannot end or quote them.
QString ThunderbirdComposeArgument(const MailDraft& draft, const QString& bodyFilePath);
// An RFC 5322 message that mail programs open as an unsent draft: Date first, X-Unsent: 1,
// the HTML body and the attachment in base64.
QByteArray UnsentMessage(const MailDraft& draft, const QDateTime& date);
// The folder under the user's cache folder that holds the body and message files.
QString DraftFolder();
// The Thunderbird program started for -compose (tests point it elsewhere).
QString& ThunderbirdProgram();
} // namespace MailDraftFormat
