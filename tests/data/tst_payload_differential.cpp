// Differential tests: the product's percent-decoding and payload decoder against the slow reference on random inputs.
#include "tst_payload_oracle.h"

#include "data/payload.h"
#include "data/percent_codec.h"
#include "data/remote_call.h"
#include "support/recordset_dump.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

// What the percent decoder notes at each block level about the text it read and the bytes it
// wrote is what those bytes hold.
void CompareSummaries(const QByteArray& text)
{
    const bool textHasNonAscii = std::any_of(text.begin(), text.end(), [](char c) { return uchar(c) >= 0x80; });
    for (PercentDecodeLevel level : {PercentDecodeLevel::Scalar, PercentDecodeLevel::Ssse3, PercentDecodeLevel::Avx2,
                                     PercentDecodeLevel::Avx512}) {
        const PercentDecoded decoded = PercentDecodeToBytes(text, level);
        QCOMPARE(decoded.textHasNonAscii, textHasNonAscii);
        QCOMPARE(decoded.textHasBracket, text.contains('['));
        const PayloadBytesSummary expected = SummarizePayloadBytes(decoded.bytes);
        const PayloadBytesSummary& actual = decoded.summary;
        QCOMPARE(actual.anyBlank, expected.anyBlank);
        QCOMPARE(actual.anyQuote, expected.anyQuote);
        QCOMPARE(actual.sectionDelimiters, expected.sectionDelimiters);
    }
}

class PayloadDifferentialTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void percentDecodeMatchesReference()
    {
        std::mt19937 random(4711);
        for (int i = 0; i < 5000; ++i) {
            const QByteArray text = PayloadOracle::RandomPercentText(random);
            const QByteArray expected = PayloadOracle::PercentDecode(text);
            QCOMPARE(PercentDecode(text), expected);
            // Every block decoder, also the ones this processor would not choose (each falls back
            // to the widest it runs).
            QCOMPARE(PercentDecodeAt(text, PercentDecodeLevel::Scalar), expected);
            QCOMPARE(PercentDecodeAt(text, PercentDecodeLevel::Ssse3), expected);
            QCOMPARE(PercentDecodeAt(text, PercentDecodeLevel::Avx2), expected);
            QCOMPARE(PercentDecodeAt(text, PercentDecodeLevel::Avx512), expected);
            CompareSummaries(text);
        }
    }

    // An escape, a broken escape, a lone "%", and bytes the summary counts, at every offset across the
    // 16-, 32- and 64-byte blocks.
    void percentDecodeAcrossBlockEdges()
    {
        for (const QByteArray& piece : {"%C4%8D"_ba, "%4"_ba, "%"_ba, "%%41"_ba, "%e2%82%ac"_ba, "%7E"_ba, "%22"_ba,
                                        "%20"_ba, "~\" "_ba, "["_ba, "\xC4\x8D"_ba}) {
            for (int offset = 0; offset < 140; ++offset) {
                for (int tail : {0, 1, 2, 70}) {
                    const QByteArray text = QByteArray(offset, 'a') + piece + QByteArray(tail, 'b');
                    const QByteArray expected = PayloadOracle::PercentDecode(text);
                    for (PercentDecodeLevel level : {PercentDecodeLevel::Scalar, PercentDecodeLevel::Ssse3,
                                                     PercentDecodeLevel::Avx2, PercentDecodeLevel::Avx512})
                        QCOMPARE(PercentDecodeAt(text, level), expected);
                    CompareSummaries(text);
                }
            }
        }
    }

    void payloadMatchesReference_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addRow("Slovenian") << QLocale(QLocale::Slovenian, QLocale::Slovenia);
        QTest::addRow("American") << QLocale(QLocale::English, QLocale::UnitedStates);
    }

    void payloadMatchesReference()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        std::mt19937 random(1234);
        int tables = 0, filledCells = 0;
        for (int i = 0; i < 3000; ++i) {
            const QByteArray payload = PayloadOracle::RandomPayload(random);
            const QString expected = PayloadOracle::DecodePayload(payload);
            QCOMPARE(Dump(DecodePayload(payload)), expected);
            QCOMPARE(Dump(DecodePayload(QByteArray(payload))), expected); // the handed-over buffer
            tables += expected != u"none"_s ? 1 : 0;
            for (const QString& row : expected.split(u" / "_s).mid(1))
                filledCells += int(row.split(u'|').size() - row.count(u"<null>"_s));
        }
        // The generator must reach the interesting paths, not only failing payloads.
        QVERIFY2(tables > 600, qPrintable(QString::number(tables)));
        QVERIFY2(filledCells > 800, qPrintable(QString::number(filledCells)));
    }

    // Payloads without blanks in which the server's empty text `""` stands as a field, alone or
    // beside quotes that are not empty fields (`""x`, a quoted row start, a lone quote), so that
    // rows are split both ways.
    void quotedEmptyFieldsMatchReference()
    {
        QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
        std::mt19937 random(2026);
        int tablesWithEmptyFields = 0;
        for (int i = 0; i < 3000; ++i) {
            QByteArray payload = PayloadOracle::RandomPayload(random);
            payload.removeIf([](char c) { return uchar(c) <= 32; });
            QByteArray withEmptyFields;
            for (char c : payload) {
                if (c == '~' && random() % 3 == 0)
                    withEmptyFields += "{\"\"";
                withEmptyFields += c;
                if (c == '{' && random() % 3 == 0)
                    withEmptyFields += random() % 4 == 0 ? "\"\"x{" : "\"\"{";
            }
            const QString expected = PayloadOracle::DecodePayload(withEmptyFields);
            QCOMPARE(Dump(DecodePayload(withEmptyFields)), expected);
            const bool hasEmptyField = withEmptyFields.contains("{\"\"{") || withEmptyFields.contains("{\"\"~");
            tablesWithEmptyFields += hasEmptyField && expected != u"none"_s ? 1 : 0;
        }
        QVERIFY2(tablesWithEmptyFields > 250, qPrintable(QString::number(tablesWithEmptyFields)));
    }

    // Runs of every length up to twenty between tokens that shorten a field by one to twenty-four
    // bytes, so that the text of a field moves down by every distance and in pieces of every size.
    void tokensBetweenRunsOfEveryLength()
    {
        for (const QByteArray& token : {"[*dot*]"_ba, "[sp**ace]"_ba, "&amp;"_ba, "[*beginCodeEndDelimiter*]"_ba}) {
            for (int first = 0; first <= 20; ++first) {
                for (int second = 0; second <= 20; ++second) {
                    const QByteArray value = QByteArray(first, 'a') + token + QByteArray(second, 'b') + token +
                                             QByteArray(first + second, 'c');
                    const QByteArray payload = "id,3{t,200{u,200~1{" + value + "{" + value + "~2{" + value;
                    QCOMPARE(Dump(DecodePayload(payload)), PayloadOracle::DecodePayload(payload));
                }
            }
        }
    }

    // The whole answer path: "[success]", percent-decoding and the payload decoder.
    void answerMatchesReference()
    {
        QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
        std::mt19937 random(99);
        for (int i = 0; i < 2000; ++i) {
            const QByteArray encoded = PayloadOracle::PercentEncode(PayloadOracle::RandomPayload(random));
            const QByteArray answer =
                "[success]" + (random() % 8 == 0 ? encoded + PayloadOracle::RandomPercentText(random) : encoded);
            const QString expected = PayloadOracle::DecodePayload(PayloadOracle::PercentDecode(answer.sliced(9)));
            QCOMPARE(Dump(ClassifyAnswer(answer, u"call usp_x ()"_s).recordset), expected);
        }
    }
};

QTEST_GUILESS_MAIN(PayloadDifferentialTest)
#include "tst_payload_differential.moc"
