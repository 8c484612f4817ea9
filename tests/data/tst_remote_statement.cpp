// Tests of the transport's pure steps: composing and encoding statements, decoding and classifying answers, decimals.
#include "data/recordset.h"
#include "data/remote_call.h"

#include "data/text_helpers.h"

#include <QDir>
#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cctype>

using namespace Qt::StringLiterals;

namespace {
// PercentDecode as the transport defines it, one step after the other, without any shortcut.
QByteArray PercentDecodeByDefinition(QByteArrayView text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QByteArrayView digits = text.sliced(i + 1, std::min<qsizetype>(2, text.size() - i - 1));
        const bool hex = text[i] == '%' && !digits.isEmpty() &&
                         std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(uchar(c)) != 0; });
        if (hex) {
            bytes.append(char(digits.toInt(nullptr, 16)));
            i += digits.size();
        } else {
            bytes.append(text[i]);
        }
    }
    if (!IsValidUtf8(bytes))
        return {};
    return ToWindows1250(QString::fromUtf8(bytes)).toUtf8();
}

const QString kStatement = u"call usp_listLokacije ()"_s;
const QString kFailurePrefix = u"Napaka pri izvajanju postopka :call usp_listLokacije () z opisom: -> "_s;
} // namespace

class RemoteStatementTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void composesStatements_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("expected");
        QTest::addRow("one empty element") << kStatement << QStringList{u""_s} << u"call usp_listLokacije () "_s;
        QTest::addRow("no element") << kStatement << QStringList{} << u"call usp_listLokacije () "_s;
        QTest::addRow("values already in the text")
            << u"call usp_listNalogPostavke (1532)"_s << QStringList{u""_s} << u"call usp_listNalogPostavke (1532) "_s;
        QTest::addRow("two empty elements")
            << u"call usp_name ()"_s << QStringList{u""_s, u""_s} << u"callusp_name ('','')"_s;
        QTest::addRow("date value") << u"call usp_checkDate "_s << QStringList{u"15.03.2011"_s}
                                    << u"callusp_checkDate ('15[*dot*]03[*dot*]2011')"_s;
        QTest::addRow("decimal comma") << u"call usp_checkDate "_s << QStringList{u"7"_s, u"1,5"_s}
                                       << u"callusp_checkDate ('7','1[*com*]5')"_s;
        QTest::addRow("quotes go out unchanged")
            << u"call usp_x"_s << QStringList{u"O'Brien \"A\""_s} << u"callusp_x ('O'Brien \"A\"')"_s;
        QTest::addRow("projected to Windows-1250")
            << u"call usp_x"_s << QStringList{u"Čas 日"_s} << u"callusp_x ('Čas ?')"_s;
    }

    void composesStatements()
    {
        QFETCH(QString, statement);
        QFETCH(QStringList, params);
        QFETCH(QString, expected);
        QCOMPARE(ComposeStatement(statement, params), expected);
    }

    void encodesStatements_data()
    {
        QTest::addColumn<QString>("composed");
        QTest::addColumn<QString>("expected");
        QTest::addRow("procedure call") << u"call usp_listLokacije () "_s << u"5%2A%285%2AclistLokacije%20%28%29%20"_s;
        QTest::addRow("without blank") << u"callusp_name ('','')"_s << u"5%2A%285%2Acname%20%28%27%27%2C%27%27%29"_s;
        QTest::addRow("plus sign") << u"a+b"_s << u"a%5B%2Aedp%2A%5Db"_s;
        QTest::addRow("letter č") << u"č"_s << u"%C4%8D"_s;
        QTest::addRow("kept as they are") << u"azAZ09_"_s << u"azAZ09_"_s;
        QTest::addRow("case-sensitive token") << u"CALL usp_x"_s << u"CALL%20usp_x"_s;
    }

    void encodesStatements()
    {
        QFETCH(QString, composed);
        QFETCH(QString, expected);
        QCOMPARE(EncodeStatement(composed), expected);
    }

    void percentDecodes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::addRow("single digit at the end") << QByteArray("a%4") << QByteArray("a\x04");
        QTest::addRow("not hexadecimal") << QByteArray("%zz") << QByteArray("%zz");
        QTest::addRow("one hex digit then not") << QByteArray("%4g") << QByteArray("%4g");
        QTest::addRow("lone percent at the end") << QByteArray("100%") << QByteArray("100%");
        QTest::addRow("letter č") << QByteArray("%C4%8D") << QByteArray("\xC4\x8D");
        QTest::addRow("lower-case digits") << QByteArray("%c4%8d") << QByteArray("\xC4\x8D");
        QTest::addRow("no Windows-1250 form") << QByteArray("%E6%97%A5x") << QByteArray("?x");
        QTest::addRow("invalid UTF-8") << QByteArray("ok%C4") << QByteArray();
        QTest::addRow("raw UTF-8 kept") << QByteArray("\xC5\xBE%20") << QByteArray("\xC5\xBE ");
        // Texts long enough for the block decoder, with escapes on and across its block edges.
        const QByteArray run(30, 'a');
        QTest::addRow("long: single digit at the end") << run + "%4" << run + "\x04";
        QTest::addRow("long: lone percent at the end") << run + "%" << run + "%";
        QTest::addRow("long: percent and one digit before the end") << run + "%4g" << run + "%4g";
        for (int at = 12; at <= 18; ++at) {
            const QByteArray head(at, 'b');
            QTest::addRow("long: escape at %d", at) << head + "%C4%8D" + run << head + "\xC4\x8D" + run;
            QTest::addRow("long: split non-escape at %d", at) << head + "%%41%z" + run << head + "%A%z" + run;
        }
        QTest::addRow("long: every byte escaped")
            << QByteArray("%41%42%43%44%45%46%47%48%49%4A%4b%4c") << QByteArray("ABCDEFGHIJKL");
        QTest::addRow("NUL bytes kept") << run + "%00x%00" << run + QByteArray("\0x\0", 3);
        QTest::addRow("overlong form") << run + "%C0%AF" << QByteArray();
        QTest::addRow("surrogate") << run + "%ED%A0%80" << QByteArray();
        QTest::addRow("cut off before the end") << run + "%E2%82x" << QByteArray();
        QTest::addRow("cut off at the end") << run + "%E2%82" << QByteArray();
        QTest::addRow("past U+10FFFF") << run + "%F4%90%80%80" << QByteArray();
        QTest::addRow("four-byte character is one ?") << run + "%F0%9F%98%80!" << run + "?!";
        QTest::addRow("letters with and without a form") << run + "%C5%A0%C5%A1%C3%AB%C4%80%E2%82%AC%E2%84%A2%E2%84%A3"
                                                         << run + "\xC5\xA0\xC5\xA1\xC3\xAB?\xE2\x82\xAC\xE2\x84\xA2?";
    }

    // The decoder against its plain definition, on random texts rich in "%", digits and
    // bytes of multi-byte characters, of every length around the block size.
    void percentDecodeMatchesItsDefinition()
    {
        static const QByteArray alphabet =
            QByteArray("%%%%0123456789abcdefABCDEFgz~{[ \x80\xC4\x8D\xE2\x82\xAC\xF0\x9F") + QByteArray(1, '\0');
        QRandomGenerator random(20240305);
        for (int round = 0; round < 20000; ++round) {
            QByteArray text(int(random.bounded(70)), Qt::Uninitialized);
            for (char& c : text)
                c = alphabet.at(int(random.bounded(alphabet.size())));
            QCOMPARE(PercentDecode(text), PercentDecodeByDefinition(text));
        }
    }

    void percentDecodes()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(PercentDecode(text), expected);
    }

    void recognisesTransientAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("transient");
        QTest::addRow("token expired any case") << QByteArray("Error: Token Expired] now") << true;
        QTest::addRow("token expired without bracket") << QByteArray("token expired") << false;
        QTest::addRow("connection reset") << QByteArray("Connection Reset By Peer") << true;
        QTest::addRow("invalid authentication") << QByteArray("INVALID AUTHENTICATION]") << true;
        QTest::addRow("ordinary failure") << QByteArray("Invalid") << false;
        QTest::addRow("at the end of a long answer")
            << QByteArray(100000, 'x') + QByteArray("cONNECTION reset by PEER") << true;
        QTest::addRow("near misses in a long answer")
            << QByteArray(50000, 'n') + QByteArray("token expire] token expired connection reset by pee") << false;
        QTest::addRow("at the start of a long answer")
            << QByteArray("tOKEN eXPIRED]") + QByteArray(100000, ']') << true;
        QTest::addRow("marker split by a Latin-1 letter") << QByteArray("token \xC9xpired]") << false;
    }

    void recognisesTransientAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, transient);
        std::unique_ptr<HttpClient> sender = std::make_unique<HttpClient>();
        HttpClient* const before = sender.get();
        SetSenderSlot(&sender);
        QCOMPARE(IsTransientFailure(answer), transient);
        QCOMPARE(sender.get() != before, transient); // a transient answer replaces the sender
        QVERIFY(sender);
        SetSenderSlot(nullptr);
    }

    void classifiesFailures_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("error");
        QTest::addRow("Invalid") << QByteArray("Invalid") << kFailurePrefix + u"Invalid"_s;
        QTest::addRow("Invalid with a blank") << QByteArray("Invalid ") << kFailurePrefix + u"Invalid "_s;
        QTest::addRow("failure text") << QByteArray("Duplicate entry[emptyrecordset]!")
                                      << kFailurePrefix + u"Duplicate entry!"_s;
        QTest::addRow("only emptyrecordset") << QByteArray("[emptyrecordset]") << QString();
        QTest::addRow("empty answer") << QByteArray() << QString();
        QTest::addRow("success then emptyrecordset") << QByteArray("[success][emptyrecordset]") << QString();
        QTest::addRow("emptyrecordset further on") << QByteArray("x[emptyrecordset][success]a,3~1") << QString();
        QTest::addRow("emptyrecordset inside the payload")
            << QByteArray("[success]id,3{ime,200~7{x[emptyrecordset]") << QString();
        QTest::addRow("emptyrecordset after a long payload")
            << QByteArray("[success]id,3{ime,200~7{" + QByteArray(300, 'x') + "[emptyrecordset]") << QString();
        QTest::addRow("emptyrecordset in a Windows-1250 payload")
            << QByteArray("\xC8[success]id,3{ime,200~7{\xC8rt[emptyrecordset]") << QString();
        QTest::addRow("success at the very end") << QByteArray("xx[success]") << QString();
        QTest::addRow("undecodable payload") << QByteArray("xx[success]abc") << QString();
        QTest::addRow("Windows-1250 failure text")
            << QByteArray("Napaka: \xE8rka") << kFailurePrefix + u"Napaka: črka"_s;
        QTest::addRow("UTF-8 failure text")
            << QByteArray("Napaka: \xC4\x8D \xE6\x97\xA5") << kFailurePrefix + u"Napaka: č ?"_s;
    }

    void classifiesFailures()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, error);
        const ClassifiedAnswer outcome = ClassifyAnswer(answer, kStatement);
        QVERIFY(!outcome.recordset);
        QCOMPARE(outcome.error, error);
    }

    void classifiesSuccess_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("name");
        QTest::addRow("payload after the marker")
            << QByteArray("xx[success]id,3{ime,200~7{Regal%5Bsp%2A%2Aace%5DA") << u"Regal A"_s;
        QTest::addRow("emptyrecordset at the start")
            << QByteArray("[emptyrecordset][success]id,3{ime,200~7{%C4%8Crt") << u"Črt"_s;
        QTest::addRow("raw UTF-8 in the payload") << QByteArray("[success]id,3{ime,200~7{\xC4\x8Crt") << u"Črt"_s;
        QTest::addRow("answer not UTF-8: payload read as Windows-1250")
            << QByteArray("\xC8[success]id,3{ime,200~7{\xC8rt%C4%8D") << u"Črtč"_s;
        QTest::addRow("cut-off marker at the end")
            << QByteArray("[success]id,3{ime,200~7{x[emptyrecordse") << u"x[emptyrecordse"_s;
        QTest::addRow("percent-encoded marker in a long payload")
            << QByteArray("[success]id,3{ime,200~7{" + QByteArray(300, 'x') + "%5Bemptyrecordset%5D")
            << QString(300, u'x') + u"[emptyrecordset]"_s;
    }

    void classifiesSuccess()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, name);
        const ClassifiedAnswer outcome = ClassifyAnswer(answer, kStatement);
        QCOMPARE(outcome.error, QString());
        QVERIFY(outcome.recordset);
        QCOMPARE(outcome.recordset->RecordCount(), 1);
        QCOMPARE(outcome.recordset->FieldValue(u"id"_s).asInteger(), 7);
        QCOMPARE(outcome.recordset->FieldValue(u"ime"_s).asString(), name);
    }

    void failureTextNamesTheCallersStatement()
    {
        const ClassifiedAnswer outcome = ClassifyAnswer("Napaka", u"call usp_saveSHRLocation 日"_s);
        QCOMPARE(outcome.error, u"Napaka pri izvajanju postopka :call usp_saveSHRLocation ? z opisom: -> Napaka"_s);
    }

    void parsesDecimals_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        const QLocale comma(QLocale::Slovenian, QLocale::Slovenia);
        const QLocale dot(QLocale::English, QLocale::UnitedStates);
        for (const auto& [name, locale] : {std::pair{"comma", comma}, std::pair{"dot", dot}}) {
            QTest::addRow("%s: empty", name) << locale << QString() << true << 0.0;
            QTest::addRow("%s: 3,25", name) << locale << u"3,25"_s << true << 3.25;
            QTest::addRow("%s: 3.25", name) << locale << u"3.25"_s << true << 3.25;
            QTest::addRow("%s: negative", name) << locale << u"-12,5"_s << true << -12.5;
            QTest::addRow("%s: whole", name) << locale << u"40"_s << true << 40.0;
            QTest::addRow("%s: thousands", name) << locale << u"1.234,5"_s << false << 0.0;
            QTest::addRow("%s: two separators", name) << locale << u"1,234,5"_s << false << 0.0;
            QTest::addRow("%s: text", name) << locale << u"abc"_s << false << 0.0;
            QTest::addRow("%s: not finite", name) << locale << u"inf"_s << false << 0.0;
        }
    }

    void parsesDecimals()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        QLocale::setDefault(locale);
        if (valid)
            QCOMPARE(ParseDecimal(text), value);
        else
            QVERIFY_THROWS_EXCEPTION(DataError, ParseDecimal(text));
    }

    void tempFolderEndsWithSeparator() { QCOMPARE(TempFolderPath(), QDir::tempPath() + u'/'); }
};

QTEST_GUILESS_MAIN(RemoteStatementTest)
#include "tst_remote_statement.moc"
