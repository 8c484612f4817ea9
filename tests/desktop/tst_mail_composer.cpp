// The order mail draft through the desktop chain: the unsent message file read back by Python's MIME parser, and
// Thunderbird's -compose line recorded by a stand-in program.
#include "desktop/mail_composer.h"
#include "desktop/url_opener.h"

#include "data/settings_store.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Reads a message file with Python's email package and reports what a mail program would see.
const char* const kMimeReader = R"PY(
import sys, json, email
from email import policy
raw = open(sys.argv[1], 'rb').read()
msg = email.message_from_bytes(raw, policy=policy.default)
body = msg.get_body(preferencelist=('html',))
print(json.dumps({
  'first': raw.split(b'\r\n', 1)[0].split(b':', 1)[0].decode(),
  'subject': str(msg['subject']),
  'to': str(msg['to']),
  'unsent': str(msg['x-unsent']),
  'html': body.get_content() if body is not None else None,
  'attachments': [{'filename': a.get_filename(), 'type': a.get_content_type(),
                   'data': a.get_payload(decode=True).hex()} for a in msg.iter_attachments()],
  'defects': [type(d).__name__ for d in msg.defects]}))
)PY";

// Thunderbird's reading of the -compose argument: pairs split at commas outside a quote (a
// quote opens right after "=" and closes before a comma or the end); quoted values are
// taken as they are, others percent-decoded.
QMap<QString, QString> DecodeComposeArgument(const QString& argument)
{
    QStringList pairs;
    QString current;
    QChar quote;
    QChar previous;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        const QChar c = argument.at(i);
        const QChar next = i + 1 < argument.size() ? argument.at(i + 1) : QChar();
        if (!quote.isNull() && c == quote && (next == u',' || next.isNull())) {
            quote = QChar();
            current += c;
        } else if ((c == u'\'' || c == u'"') && previous == u'=') {
            quote = c;
            current += c;
        } else if (c == u',' && quote.isNull()) {
            pairs.append(current);
            current.clear();
        } else {
            current += c;
        }
        previous = c;
    }
    pairs.append(current);
    QMap<QString, QString> values;
    for (const QString& pair : std::as_const(pairs)) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString value = pair.mid(equals + 1);
        const bool quoted =
            value.size() >= 2 && (value.startsWith(u'\'') || value.startsWith(u'"')) && value.endsWith(value.front());
        values.insert(pair.left(equals),
                      quoted ? value.mid(1, value.size() - 2) : QUrl::fromPercentEncoding(value.toUtf8()));
    }
    return values;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class MailComposerTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void bodyEndsWithCompanyLines_data();
    void bodyEndsWithCompanyLines();
    void unsentMessageReadsBack_data();
    void unsentMessageReadsBack();
    void thunderbirdComposeLineDecodesBack_data();
    void thunderbirdComposeLineDecodesBack();
    void xdgEmailServesEvolutionAndKMail_data();
    void xdgEmailServesEvolutionAndKMail();
    void xdgEmailHandsTheAttachmentToTheMailProgram();
    void noMessageHandlerReportsMissingMailClient();
    void thunderbirdThatCannotStartReportsDisplayFailure();
    void thunderbirdEndingAtOnce_data();
    void thunderbirdEndingAtOnce();
    void desktopOpenerReadsTheExitStatus_data();
    void desktopOpenerReadsTheExitStatus();
    void oldDraftsAreRemoved();

private:
    void writeProgram(const QString& name, const QByteArray& script);
    void setMailHandler(const QByteArray& desktopFile);
    QString writeAttachment(const QString& fileName);
    void addTrickyRows();

    std::unique_ptr<QTemporaryDir> work_;
    QByteArray originalPath_;
    RecordingUrlOpener opener_;
    QStringList reported_;
    QStringList reportedDetails_;
};

void MailComposerTest::init()
{
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(work_->path()).mkpath(u"bin"_s));
    originalPath_ = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(work_->filePath(u"bin"_s)) + ':' + originalPath_);
    opener_ = RecordingUrlOpener();
    SetCurrentUrlOpener(&opener_);
    reported_.clear();
    reportedDetails_.clear();
    MailDraftFormat::ThunderbirdProgram() = u"thunderbird"_s;
    SetMailFailureReporter([this](const QString& text, const QString& details) {
        reported_.append(text);
        reportedDetails_.append(details);
    });
    WriteSetting(u"ordavo"_s, u"companyname"_s, u"Servis d.o.o."_s);
    WriteSetting(u"ordavo"_s, u"companyposta"_s, u"1000 Ljubljana"_s);
    WriteSetting(u"ordavo"_s, u"companyphone"_s, u"01 234 56 78"_s);
}

void MailComposerTest::cleanup()
{
    SetCurrentUrlOpener(nullptr);
    SetMailFailureReporter({});
    qputenv("PATH", originalPath_);
    work_.reset();
}

void MailComposerTest::writeProgram(const QString& name, const QByteArray& script)
{
    QFile file(work_->filePath(u"bin/"_s + name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + script);
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void MailComposerTest::setMailHandler(const QByteArray& desktopFile)
{
    writeProgram(u"xdg-mime"_s, "echo '" + desktopFile + "'\n");
}

QString MailComposerTest::writeAttachment(const QString& fileName)
{
    const QString path = work_->filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("%PDF-1.4\n\x01\x02\xff binary part\n%%EOF\n");
    return path;
}

void MailComposerTest::addTrickyRows()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("company");
    QTest::addRow("plain") << u"N1532.pdf"_s << u"vpisite.naslov@primer.invalid"_s << u"Servis d.o.o."_s;
    QTest::addRow("commas, apostrophes, percent, equals, letters, blanks")
        << u"Nalog 1532, 'št' 100%=a.pdf"_s << u"o'brien=x%1@primer.si"_s << u"Avto & Co, 'Žan' 50% = <b>"_s;
}

void MailComposerTest::bodyEndsWithCompanyLines_data()
{
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("textEnding");
    QTest::addRow("all lines") << u"Servis"_s << u"01 234"_s
                               << u"Lep Pozdrav<br />Servis<br />1000 Ljubljana<br />01 234"_s
                               << u"\nLep Pozdrav\nServis\n1000 Ljubljana\n01 234"_s;
    QTest::addRow("empty phone") << u"Servis"_s << QString() << u"<br />1000 Ljubljana<br />"_s
                                 << u"\nServis\n1000 Ljubljana\n"_s;
    QTest::addRow("markup kept as it is")
        << u"A & B <d.o.o.>"_s << u"1"_s << u"<br />A & B <d.o.o.><br />"_s << u"\nA & B <d.o.o.>\n1000 Ljubljana\n1"_s;
}

void MailComposerTest::bodyEndsWithCompanyLines()
{
    QFETCH(QString, company);
    QFETCH(QString, phone);
    QFETCH(QString, ending);
    QFETCH(QString, textEnding);
    WriteSetting(u"ordavo"_s, u"companyname"_s, company);
    WriteSetting(u"ordavo"_s, u"companyphone"_s, phone);
    const MailDraft draft = OrderMailDraft(u"/tmp/x.pdf"_s, u"r@primer.si"_s);
    QCOMPARE(draft.subject, u"Pošiljamo vam Ordavo za opravljene storitve"_s);
    QVERIFY(draft.htmlBody.startsWith(
        u"Pozdravljeni<br /><br />V priponki vam pošiljamo <b>nalog v elektonski obliki</b>"_s));
    QVERIFY2(draft.htmlBody.endsWith(phone) && draft.htmlBody.contains(ending), qPrintable(draft.htmlBody));
    // The plain-text body for mailto: addresses: line breaks as line ends, no markup of its own.
    QVERIFY2(draft.textBody.startsWith(u"Pozdravljeni\n\nV priponki vam pošiljamo nalog v elektonski obliki za "
                                       u"opravljene storitve.\nV kolikor"_s),
             qPrintable(draft.textBody));
    QVERIFY2(draft.textBody.endsWith(textEnding), qPrintable(draft.textBody));
    QCOMPARE(draft.recipient, u"r@primer.si"_s);
    QCOMPARE(draft.attachmentPath, u"/tmp/x.pdf"_s);
}

void MailComposerTest::unsentMessageReadsBack_data()
{
    addTrickyRows();
}

void MailComposerTest::unsentMessageReadsBack()
{
    QFETCH(QString, fileName);
    QFETCH(QString, recipient);
    QFETCH(QString, company);
    setMailHandler("claws-mail.desktop");
    WriteSetting(u"ordavo"_s, u"companyname"_s, company);
    const QString attachment = writeAttachment(fileName);
    QVERIFY(!attachment.isEmpty());

    composeMail(attachment, recipient);

    QVERIFY2(reported_.isEmpty(), qPrintable(reported_.join(u'\n')));
    QCOMPARE(opener_.opened.size(), 1);
    const QString messagePath = opener_.opened.first().toLocalFile();
    QVERIFY(messagePath.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)));
    QVERIFY(messagePath.endsWith(u".eml"_s));

    QProcess python;
    python.start(u"python3"_s, {u"-c"_s, QString::fromUtf8(kMimeReader), messagePath});
    QVERIFY(python.waitForFinished(30000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    const QJsonObject seen = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    QCOMPARE(seen[u"first"_s].toString(), u"Date"_s);
    QCOMPARE(seen[u"subject"_s].toString(), u"Pošiljamo vam Ordavo za opravljene storitve"_s);
    QCOMPARE(seen[u"to"_s].toString(), recipient);
    QCOMPARE(seen[u"unsent"_s].toString(), u"1"_s);
    QVERIFY(seen[u"html"_s].toString().contains(OrderMailDraft(attachment, recipient).htmlBody));
    const QJsonArray attachments = seen[u"attachments"_s].toArray();
    QCOMPARE(attachments.size(), 1);
    const QJsonObject pdf = attachments.first().toObject();
    QCOMPARE(pdf[u"filename"_s].toString(), fileName);
    QCOMPARE(pdf[u"type"_s].toString(), u"application/pdf"_s);
    QCOMPARE(QByteArray::fromHex(pdf[u"data"_s].toString().toLatin1()), ReadAll(attachment));
    QCOMPARE(seen[u"defects"_s].toArray().size(), 0);
}

void MailComposerTest::thunderbirdComposeLineDecodesBack_data()
{
    addTrickyRows();
}

void MailComposerTest::thunderbirdComposeLineDecodesBack()
{
    QFETCH(QString, fileName);
    QFETCH(QString, recipient);
    QFETCH(QString, company);
    setMailHandler("thunderbird.desktop");
    const QString record = work_->filePath(u"thunderbird-arguments"_s);
    writeProgram(u"thunderbird"_s, "printf '%s\\n' \"$@\" > '" + QFile::encodeName(record) + ".part'\nmv '" +
                                       QFile::encodeName(record) + ".part' '" + QFile::encodeName(record) + "'\n");
    WriteSetting(u"ordavo"_s, u"companyname"_s, company);
    const QString attachment = writeAttachment(fileName);

    composeMail(attachment, recipient);

    QVERIFY2(reported_.isEmpty(), qPrintable(reported_.join(u'\n')));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 20000);
    const QStringList arguments = QString::fromUtf8(ReadAll(record)).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(arguments.size(), 2);
    QCOMPARE(arguments.at(0), u"-compose"_s);
    const QMap<QString, QString> values = DecodeComposeArgument(arguments.at(1));
    QCOMPARE(values.keys(), (QStringList{u"attachment"_s, u"format"_s, u"message"_s, u"subject"_s, u"to"_s}));
    QCOMPARE(values[u"to"_s], recipient);
    QCOMPARE(values[u"subject"_s], u"Pošiljamo vam Ordavo za opravljene storitve"_s);
    QCOMPARE(values[u"format"_s], u"html"_s);
    QVERIFY(QString::fromUtf8(ReadAll(values[u"message"_s])).contains(OrderMailDraft(attachment, recipient).htmlBody));
    // Thunderbird splits the attachment list at commas, so a comma must not survive decoding.
    QVERIFY(!values[u"attachment"_s].contains(u','));
    QCOMPARE(QUrl(values[u"attachment"_s]).toLocalFile(), attachment);
    QVERIFY(opener_.opened.isEmpty());
}

// Evolution and KMail get the draft through xdg-email, PDF attached. When xdg-email is missing
// or fails, the message file is opened instead; other mail programs get the file directly.
void MailComposerTest::xdgEmailServesEvolutionAndKMail_data()
{
    QTest::addColumn<QByteArray>("handler");
    QTest::addColumn<QByteArray>("xdgEmail"); // empty: not installed
    QTest::addColumn<bool>("throughXdgEmail");
    QTest::addColumn<bool>("messageFile");
    QTest::addRow("Evolution") << QByteArray("org.gnome.Evolution.desktop") << QByteArray("exit 0\n") << true << false;
    QTest::addRow("KMail") << QByteArray("org.kde.kmail2.desktop") << QByteArray("exit 0\n") << true << false;
    QTest::addRow("xdg-email fails") << QByteArray("org.gnome.Evolution.desktop") << QByteArray("exit 4\n") << true
                                     << true;
    QTest::addRow("xdg-email missing") << QByteArray("org.kde.kmail2.desktop") << QByteArray() << false << true;
    QTest::addRow("other mail program") << QByteArray("claws-mail.desktop") << QByteArray("exit 0\n") << false << true;
}

void MailComposerTest::xdgEmailServesEvolutionAndKMail()
{
    QFETCH(QByteArray, handler);
    QFETCH(QByteArray, xdgEmail);
    QFETCH(bool, throughXdgEmail);
    QFETCH(bool, messageFile);
    setMailHandler(handler);
    const QString record = work_->filePath(u"xdg-email-arguments"_s);
    if (xdgEmail.isEmpty())
        qputenv("PATH", QFile::encodeName(work_->filePath(u"bin"_s)));
    else
        writeProgram(u"xdg-email"_s, "printf '%s\\0' \"$@\" > '" + QFile::encodeName(record) + "'\n" + xdgEmail);
    const QString attachment = writeAttachment(u"Nalog 1532, 'št'.pdf"_s);

    composeMail(attachment, u"vpisite.naslov@primer.invalid"_s);

    QVERIFY2(reported_.isEmpty(), qPrintable(reported_.join(u'\n')));
    QCOMPARE(QFile::exists(record), throughXdgEmail);
    if (throughXdgEmail) {
        const MailDraft draft = OrderMailDraft(attachment, u"vpisite.naslov@primer.invalid"_s);
        QStringList arguments = QString::fromUtf8(ReadAll(record)).split(QChar(0));
        QCOMPARE(arguments.takeLast(), QString());
        QCOMPARE(arguments, (QStringList{u"--utf8"_s, u"--subject"_s, draft.subject, u"--body"_s, draft.textBody,
                                         u"--attach"_s, attachment, u"--to"_s, draft.recipient}));
    }
    QCOMPARE(opener_.opened.size(), messageFile ? 1 : 0);
    if (messageFile)
        QVERIFY(opener_.opened.first().toLocalFile().endsWith(u".eml"_s));
}

// Through the real xdg-email and xdg-open of a desktop without a session (as on a bare
// X display), the mail program registered for mailto: receives the subject, the body and
// the PDF as its attach= field.
void MailComposerTest::xdgEmailHandsTheAttachmentToTheMailProgram()
{
    if (QStandardPaths::findExecutable(u"xdg-email"_s).isEmpty())
        QSKIP("xdg-email is not installed");
    setMailHandler("ordavo-test-evolution.desktop");
    const QString record = work_->filePath(u"mailto-address"_s);
    writeProgram(u"ordavo-test-evolution"_s, "printf '%s' \"$1\" > '" + QFile::encodeName(record) + "'\n");
    const QString applications = work_->filePath(u"data/applications"_s);
    QVERIFY(QDir().mkpath(applications));
    QFile entry(applications + u"/ordavo-test-evolution.desktop"_s);
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Evolution\nExec=ordavo-test-evolution %u\n"
                "MimeType=x-scheme-handler/mailto;\n");
    entry.close();
    const QMap<QByteArray, QByteArray> environment{
        {"XDG_DATA_HOME", QFile::encodeName(work_->filePath(u"data"_s))},
        {"XDG_DATA_DIRS", QFile::encodeName(work_->filePath(u"data"_s))},
        {"XDG_CURRENT_DESKTOP", "X-Generic"},
        {"DISPLAY", ":0"},
    };
    QMap<QByteArray, QByteArray> saved;
    for (auto it = environment.begin(); it != environment.end(); ++it) {
        saved.insert(it.key(), qgetenv(it.key().constData()));
        qputenv(it.key().constData(), it.value());
    }
    const auto restore = qScopeGuard([&saved] {
        for (auto it = saved.begin(); it != saved.end(); ++it)
            qputenv(it.key().constData(), it.value());
    });
    const QString attachment = writeAttachment(u"N1532 & 'št'.pdf"_s);

    const MailDraft draft = OrderMailDraft(attachment, u"vpisite.naslov@primer.invalid"_s);
    composeMail(attachment, draft.recipient);

    QVERIFY2(reported_.isEmpty(), qPrintable(reported_.join(u'\n')));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 20000);
    const QUrl address(QString::fromUtf8(ReadAll(record)));
    QCOMPARE(address.scheme(), u"mailto"_s);
    const QUrlQuery fields(address);
    QCOMPARE(fields.queryItemValue(u"to"_s, QUrl::FullyDecoded), draft.recipient);
    QCOMPARE(fields.queryItemValue(u"subject"_s, QUrl::FullyDecoded), draft.subject);
    QCOMPARE(fields.queryItemValue(u"body"_s, QUrl::FullyDecoded).replace(u"\r\n"_s, u"\n"_s), draft.textBody);
    QCOMPARE(fields.queryItemValue(u"attach"_s, QUrl::FullyDecoded), attachment);
    QVERIFY(opener_.opened.isEmpty());
}

void MailComposerTest::noMessageHandlerReportsMissingMailClient()
{
    setMailHandler("");
    // xdg-open's answer when no program takes the file.
    opener_.exitCode = 3;
    composeMail(writeAttachment(u"N1.pdf"_s), u"a@primer.si"_s);
    QCOMPARE(reported_, QStringList{u"Nameščen morate imeti outlook 2007 ali novejši da bo ta funkcija delovala"_s});
    // The details name the draft that was written, so the prepared mail is not lost.
    QCOMPARE(opener_.opened.size(), 1);
    const QString draft = opener_.opened.first().toLocalFile();
    QCOMPARE(reportedDetails_.first(), u"Sporočilo je pripravljeno v datoteki "_s + draft);
    QVERIFY(QFile::exists(draft));
}

// Thunderbird registered as the handler but not installed: there is no mail client.
void MailComposerTest::thunderbirdThatCannotStartReportsDisplayFailure()
{
    setMailHandler("thunderbird.desktop");
    qputenv("PATH", QFile::encodeName(work_->filePath(u"bin"_s)));
    composeMail(writeAttachment(u"N1.pdf"_s), u"a@primer.si"_s);
    QCOMPARE(reported_, QStringList{u"Nameščen morate imeti outlook 2007 ali novejši da bo ta funkcija delovala"_s});
    QVERIFY(!reportedDetails_.first().isEmpty());
}

// A Thunderbird that ends at once: with 0 it handed the message to a running instance; with an
// error it could not show it, and its own text follows "Outlook javlja napako:".
void MailComposerTest::thunderbirdEndingAtOnce_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("reported");
    QTest::addRow("handed over") << QByteArray("exit 0\n") << QString();
    QTest::addRow("error with a text") << QByteArray("echo 'Error: no profile' >&2; exit 1\n")
                                       << u"Outlook javlja napako:Error: no profile"_s;
    QTest::addRow("error without a text") << QByteArray("exit 2\n") << u"Outlook javlja napako:izhodna koda 2"_s;
}
void MailComposerTest::thunderbirdEndingAtOnce()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, reported);
    setMailHandler("thunderbird.desktop");
    writeProgram(u"thunderbird"_s, script);
    composeMail(writeAttachment(u"N1.pdf"_s), u"a@primer.si"_s);
    QCOMPARE(reported_, reported.isEmpty() ? QStringList() : QStringList{reported});
}

void MailComposerTest::desktopOpenerReadsTheExitStatus_data()
{
    QTest::addColumn<QByteArray>("script"); // empty: the opener is not installed
    QTest::addColumn<bool>("opened");
    QTest::addRow("done") << QByteArray("exit 0\n") << true;
    QTest::addRow("no program for it") << QByteArray("exit 3\n") << false;
    QTest::addRow("program failed") << QByteArray("exit 4\n") << false;
    QTest::addRow("still running after the wait") << QByteArray("sleep 5\n") << true;
    QTest::addRow("opener missing") << QByteArray() << false;
}
void MailComposerTest::desktopOpenerReadsTheExitStatus()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, opened);
    const QString record = work_->filePath(u"opened.txt"_s);
    if (!script.isEmpty())
        writeProgram(u"fake-open"_s, "echo \"$1\" > '" + QFile::encodeName(record) + "'\n" + script);
    DesktopUrlOpener opener;
    opener.command = {work_->filePath(u"bin/fake-open"_s)};
    opener.waitMs = 1000;
    const QUrl address(u"https://streznik.primer/requests/getpodpis.php?id=7&x=%C5%BD"_s);
    QCOMPARE(opener.open(address), opened);
    if (!script.isEmpty()) {
        QTRY_VERIFY(QFile::exists(record));
        QTRY_COMPARE(QString::fromUtf8(ReadAll(record)).trimmed(), address.toString(QUrl::FullyEncoded));
    }
}

// Drafts and their bodies older than 14 days go at start; newer ones and other files stay.
void MailComposerTest::oldDraftsAreRemoved()
{
    const QString folder = MailDraftFormat::DraftFolder();
    QVERIFY(QDir().mkpath(folder));
    const QDateTime now = QDateTime::currentDateTime();
    const auto write = [&](const QString& name, int daysOld) {
        const QString path = folder + name;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.flush();
        QVERIFY(file.setFileTime(now.addDays(-daysOld), QFileDevice::FileModificationTime));
    };
    write(u"ordavo-old.eml"_s, 15);
    write(u"ordavo-old.html"_s, 20);
    write(u"ordavo-recent.eml"_s, 13);
    write(u"ordavo-recent.html"_s, 1);
    write(u"N1532.pdf"_s, 30);
    RemoveOldMailDrafts(now);
    for (const QString& gone : {u"ordavo-old.eml"_s, u"ordavo-old.html"_s})
        QVERIFY2(!QFile::exists(folder + gone), qPrintable(gone));
    for (const QString& kept : {u"ordavo-recent.eml"_s, u"ordavo-recent.html"_s, u"N1532.pdf"_s})
        QVERIFY2(QFile::exists(folder + kept), qPrintable(kept));
}

QTEST_MAIN(MailComposerTest)
#include "tst_mail_composer.moc"
