// The order mail draft through the desktop chain: the unsent message file read back by Python's MIME parser, and Thunderbird's -compose line recorded by a stand-in program.
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
#include <QTemporaryDir>
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
        const bool quoted = value.size() >= 2 && (value.startsWith(u'\'') || value.startsWith(u'"'))
            && value.endsWith(value.front());
        values.insert(pair.left(equals), quoted ? value.mid(1, value.size() - 2)
                                                : QUrl::fromPercentEncoding(value.toUtf8()));
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
    void noMessageHandlerReportsMissingMailClient();
    void thunderbirdThatCannotStartReportsDisplayFailure();

private:
    void writeProgram(const QString& name, const QByteArray& script);
    void setMailHandler(const QByteArray& desktopFile);
    QString writeAttachment(const QString& fileName);
    void addTrickyRows();

    std::unique_ptr<QTemporaryDir> work_;
    QByteArray originalPath_;
    RecordingUrlOpener opener_;
    QStringList reported_;
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
    SetMailFailureReporter([this](const QString& text) { reported_.append(text); });
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
    QTest::addRow("all lines") << u"Servis"_s << u"01 234"_s << u"Lep Pozdrav<br />Servis<br />1000 Ljubljana<br />01 234"_s;
    QTest::addRow("empty phone") << u"Servis"_s << QString() << u"<br />1000 Ljubljana<br />"_s;
    QTest::addRow("markup kept as it is") << u"A & B <d.o.o.>"_s << u"1"_s << u"<br />A & B <d.o.o.><br />"_s;
}

void MailComposerTest::bodyEndsWithCompanyLines()
{
    QFETCH(QString, company);
    QFETCH(QString, phone);
    QFETCH(QString, ending);
    WriteSetting(u"ordavo"_s, u"companyname"_s, company);
    WriteSetting(u"ordavo"_s, u"companyphone"_s, phone);
    const MailDraft draft = OrderMailDraft(u"/tmp/x.pdf"_s, u"r@primer.si"_s);
    QCOMPARE(draft.subject, u"Pošiljamo vam Ordavo za opravljene storitve"_s);
    QVERIFY(draft.htmlBody.startsWith(u"Pozdravljeni<br /><br />V priponki vam pošiljamo <b>nalog v elektonski obliki</b>"_s));
    QVERIFY2(draft.htmlBody.endsWith(phone) && draft.htmlBody.contains(ending), qPrintable(draft.htmlBody));
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
    setMailHandler("org.gnome.Evolution.desktop");
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
    writeProgram(u"thunderbird"_s, "printf '%s\\n' \"$@\" > '" + QFile::encodeName(record) + ".part'\nmv '"
                                       + QFile::encodeName(record) + ".part' '" + QFile::encodeName(record) + "'\n");
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

void MailComposerTest::noMessageHandlerReportsMissingMailClient()
{
    setMailHandler("");
    opener_.accept = false;
    composeMail(writeAttachment(u"N1.pdf"_s), u"a@primer.si"_s);
    QCOMPARE(reported_, QStringList{u"Nameščen morate imeti outlook 2007 ali novejši da bo ta funkcija delovala"_s});
}

void MailComposerTest::thunderbirdThatCannotStartReportsDisplayFailure()
{
    setMailHandler("thunderbird.desktop");
    qputenv("PATH", QFile::encodeName(work_->filePath(u"bin"_s)));
    composeMail(writeAttachment(u"N1.pdf"_s), u"a@primer.si"_s);
    QCOMPARE(reported_.size(), 1);
    QVERIFY2(reported_.first().startsWith(u"Outlook javlja napako:"_s) && reported_.first().size() > 22,
             qPrintable(reported_.first()));
}

QTEST_MAIN(MailComposerTest)
#include "tst_mail_composer.moc"
