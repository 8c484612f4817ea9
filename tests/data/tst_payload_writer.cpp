// Tests of the payload writer: values come back from the decoder unchanged, through the payload and the full answer.
#include "data/payload.h"
#include "data/payload_writer.h"
#include "data/remote_call.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Writes one row "first, later" into a table of two text columns and decodes it.
RecordsetPtr RoundTrip(const QString& first, const std::optional<QString>& later)
{
    PayloadWriter writer;
    writer.addColumn(u"first"_s, 200);
    writer.addColumn(u"later"_s, 200);
    writer.beginRow();
    writer.addValue(first);
    writer.addValue(later);
    return DecodePayload(writer.payload());
}

QString Text(const RecordsetPtr& set, const QString& column)
{
    const Field field = set->FieldValue(column);
    return field.isNull() ? u"<null>"_s : field.asString();
}

template <typename Operation> bool ThrowsWriteError(Operation operation)
{
    try {
        operation();
    } catch (const PayloadWriteError&) {
        return true;
    }
    return false;
}

// Random texts made of the pieces that break payloads most easily, token fragments included.
QString AwkwardText(QRandomGenerator& random)
{
    static const QStringList pieces = {u" "_s,
                                       u"{"_s,
                                       u"~"_s,
                                       u","_s,
                                       u"."_s,
                                       u"+"_s,
                                       u"<"_s,
                                       u">"_s,
                                       u"'"_s,
                                       u"\""_s,
                                       u"&"_s,
                                       u"&amp;"_s,
                                       u"&lt;"_s,
                                       u"[*"_s,
                                       u"*]"_s,
                                       u"[sp**"_s,
                                       u"ace]"_s,
                                       u"[*dot"_s,
                                       u"beginCodeStart"_s,
                                       u"\t"_s,
                                       u"\x01"_s,
                                       u"%"_s,
                                       u"NULL"_s,
                                       u"š"_s,
                                       u"Č"_s,
                                       u"ž"_s,
                                       u"€"_s,
                                       u"x"_s,
                                       u"7"_s};
    QString text;
    const int count = int(random.bounded(8));
    for (int i = 0; i < count; ++i)
        text += pieces.at(random.bounded(int(pieces.size())));
    return text;
}

} // namespace

class PayloadWriterTest : public QObject {
    Q_OBJECT

private slots:
    void valuesComeBackUnchanged_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addRow("blanks") << u"  lead, inner  and trail  "_s;
        QTest::addRow("every delimiter") << u"a~b{c,d.e+f"_s;
        QTest::addRow("entity characters") << u"<b> 'x' \"y\" & z"_s;
        QTest::addRow("entity texts") << u"&amp;lt; &lt; &amp"_s;
        QTest::addRow("token fragments") << u"[* [sp** *] [*dot [*beginCode ]"_s;
        QTest::addRow("Slovenian letters") << u"Šoštanj, Čevljarska ulica 5, Žalec"_s;
        QTest::addRow("quote first") << u"\"quoted\""_s;
        QTest::addRow("lone quote") << u"\""_s;
        QTest::addRow("control characters") << u"tab\there\x01end"_s;
        QTest::addRow("empty") << QString();
        QTest::addRow("percent") << u"100% %41"_s;
    }

    void valuesComeBackUnchanged()
    {
        QFETCH(QString, value);
        const RecordsetPtr asLater = RoundTrip(u"1"_s, value);
        QVERIFY(asLater);
        QCOMPARE(Text(asLater, u"later"_s), value);
        const RecordsetPtr asFirst = RoundTrip(value, u"x"_s);
        QVERIFY(asFirst);
        QCOMPARE(Text(asFirst, u"first"_s), value);
    }

    void randomAwkwardTextsComeBackUnchanged()
    {
        QRandomGenerator random(20260310);
        for (int i = 0; i < 3000; ++i) {
            const QString first = AwkwardText(random);
            const QString later = AwkwardText(random);
            RecordsetPtr set;
            try {
                set = RoundTrip(first, later);
            } catch (const PayloadWriteError&) {
                continue; // a literal escape token: checked below
            }
            QVERIFY2(set, qPrintable(first + u" | "_s + later));
            QCOMPARE(Text(set, u"first"_s), first);
            QCOMPARE(Text(set, u"later"_s), later == u"NULL" ? u"<null>"_s : later);
        }
    }

    void answerTravelsThroughTheTransport()
    {
        PayloadWriter writer;
        writer.addColumn(u"id"_s, 3);
        writer.addColumn(u"ime"_s, 200);
        writer.addColumn(u"datum"_s, 135);
        writer.beginRow();
        writer.addValue(u"7"_s);
        writer.addValue(u"Gumi servis Šentjur, d.o.o. 100%+"_s);
        writer.addValue(u"2024-03-05 10:15:00"_s);
        const QByteArray answer = PayloadWriter::EncodeAnswer(writer.payload());
        QVERIFY(answer.startsWith("[success]"));
        QVERIFY(!answer.contains(' ') && !answer.contains('~'));
        const ClassifiedAnswer classified = ClassifyAnswer(answer, u"call usp_x"_s);
        QVERIFY(classified.recordset);
        QCOMPARE(classified.recordset->FieldValue(u"ime"_s).asString(), u"Gumi servis Šentjur, d.o.o. 100%+"_s);
        QCOMPARE(classified.recordset->FieldValue(u"datum"_s).canonicalText(), u"2024-03-05T10:15:00"_s);

        const ClassifiedAnswer empty = ClassifyAnswer(PayloadWriter::EmptyRecordsetAnswer(), u"call usp_x"_s);
        QVERIFY(!empty.recordset);
        QVERIFY(empty.error.isEmpty());
    }

    void nullsAndShortRows()
    {
        PayloadWriter writer;
        writer.addColumn(u"id"_s, 3);
        writer.addColumn(u"a"_s, 200);
        writer.addColumn(u"b"_s, 14);
        writer.beginRow();
        writer.addValue(u"1"_s);
        writer.addValue(std::nullopt);
        writer.addValue(u"2.50"_s);
        writer.beginRow();
        writer.addValue(u"2"_s);
        const RecordsetPtr set = DecodePayload(writer.payload());
        QVERIFY(set);
        QCOMPARE(set->RecordCount(), 2);
        QVERIFY(set->FieldValue(u"a"_s).isNull());
        QCOMPARE(set->FieldValue(u"b"_s).canonicalText(), u"2.50"_s);
        set->MoveNext();
        QVERIFY(set->FieldValue(u"b"_s).isNull());
    }

    // Bytes from a database go out exactly as the same text added as a QString would.
    void utf8ValuesTravelAsTheirText_data()
    {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addRow("plain") << QByteArray("Novak, Janez 12.5+");
        QTest::addRow("Slovenian letters") << QByteArray("\xC5\xA0o\xC5\xA1tanj \xE2\x82\xAC");
        QTest::addRow("ill-formed") << QByteArray("a\xC5 \xFF\xED\xA0\x80z");
        QTest::addRow("truncated sequence") << QByteArray("abc\xE2\x82");
        QTest::addRow("byte order mark") << QByteArray("\xEF\xBB\xBFtext");
        QTest::addRow("line breaks and quote") << QByteArray("\"a\r\nb\tc");
        QTest::addRow("empty") << QByteArray();
    }

    void utf8ValuesTravelAsTheirText()
    {
        QFETCH(QByteArray, utf8);
        PayloadWriter fromText;
        PayloadWriter fromBytes;
        for (PayloadWriter* writer : {&fromText, &fromBytes}) {
            writer->addColumn(u"first"_s, 200);
            writer->addColumn(u"later"_s, 200);
            writer->beginRow();
        }
        fromText.addValue(QString::fromUtf8(utf8));
        fromText.addValue(QString::fromUtf8(utf8));
        fromBytes.addUtf8Value(QByteArrayView(utf8));
        fromBytes.addUtf8Value(QByteArrayView(utf8));
        QCOMPARE(fromBytes.payload(), fromText.payload());
        QCOMPARE(PayloadWriter::EncodeAnswer(fromBytes.payload()), PayloadWriter::EncodeAnswer(fromText.payload()));
    }

    void lineBreaksAreDropped()
    {
        const RecordsetPtr set = RoundTrip(u"a\r\nb"_s, u"c\nd\re"_s);
        QCOMPARE(Text(set, u"first"_s), u"ab"_s);
        QCOMPARE(Text(set, u"later"_s), u"cde"_s);
        QVERIFY(!PayloadWriter::EscapeLaterField(u"x\ny"_s).contains('\n'));
    }

    void refusesWhatCannotTravel()
    {
        QVERIFY(ThrowsWriteError([] { RoundTrip(u"1"_s, u"a[*dot*]b"_s); }));
        QVERIFY(ThrowsWriteError([] { RoundTrip(u"1"_s, u"[*beginCodeStart*]"_s); }));
        QVERIFY(ThrowsWriteError([] { RoundTrip(u"[sp**ace]"_s, u"x"_s); }));
        QVERIFY(ThrowsWriteError([] { RoundTrip(u"1"_s, QString(QChar(0))); }));
        QVERIFY(ThrowsWriteError([] {
            PayloadWriter writer;
            writer.addColumn(u"id"_s, 3);
            writer.beginRow();
            writer.addValue(std::nullopt);
        }));
        QVERIFY(ThrowsWriteError([] {
            PayloadWriter writer;
            writer.addColumn(u"id"_s, 3);
            writer.addColumn(u"ID"_s, 3);
        }));
        QVERIFY(ThrowsWriteError([] {
            PayloadWriter writer;
            writer.addColumn(u"a b"_s, 3);
        }));
        // Only the bracket tokens the first field decodes are refused there.
        QCOMPARE(Text(RoundTrip(u"[*com*]&amp;"_s, u"x"_s), u"first"_s), u"[*com*]&amp;"_s);
    }
};

QTEST_GUILESS_MAIN(PayloadWriterTest)
#include "tst_payload_writer.moc"
