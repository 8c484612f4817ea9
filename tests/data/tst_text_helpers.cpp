// Tests of the text helpers: the Windows-1250 projection and table, statement-safe text, number and date formats.
#include "data/text_helpers.h"

#include <QLocale>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TextHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void projectsToWindows1250_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addRow("ASCII") << u"call usp_x ('a')"_s << u"call usp_x ('a')"_s;
        QTest::addRow("Slovenian and Central European") << u"ČčŠšŽžĆćĐđŐőŁł"_s << u"ČčŠšŽžĆćĐđŐőŁł"_s;
        QTest::addRow("code page punctuation") << u"€ „x“ – ™"_s << u"€ „x“ – ™"_s;
        QTest::addRow("outside the code page") << u"日本 ñ ø"_s << u"?? ? ?"_s;
        QTest::addRow("one character outside the BMP") << u"a😀b"_s << u"a?b"_s;
    }

    void projectsToWindows1250()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(ToWindows1250(text), expected);
    }

    void windows1250TableIsOneToOne()
    {
        QSet<QChar> seen;
        for (int byte = 0; byte < 256; ++byte) {
            const char c = char(byte);
            const QString decoded = FromWindows1250(QByteArrayView(&c, 1));
            QCOMPARE(decoded.size(), 1);
            QVERIFY2(HasWindows1250Form(decoded[0].unicode()), qPrintable(QString::number(byte, 16)));
            seen.insert(decoded[0]);
        }
        QCOMPARE(seen.size(), 256);
        QCOMPARE(FromWindows1250("\xE8\x80\x8A\x9E\xB9"), u"č€Šžą"_s);
        QVERIFY(!HasWindows1250Form(0x0100));
        QVERIFY(!HasWindows1250Form(0x1F600));
    }

    void validatesUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addRow("ASCII") << QByteArray("abc") << true;
        QTest::addRow("two, three and four bytes") << QByteArray("\xC4\x8D\xE2\x82\xAC\xF0\x9F\x98\x80") << true;
        QTest::addRow("Windows-1250 letter") << QByteArray("\xE8rka") << false;
        QTest::addRow("cut off at the end") << QByteArray("ok\xC4") << false;
        QTest::addRow("overlong slash") << QByteArray("\xC0\xAF") << false;
        QTest::addRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::addRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::addRow("stray continuation") << QByteArray("\x8D") << false;
    }

    void validatesUtf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(IsValidUtf8(bytes), valid);
    }

    void projectsUtf8InPlace_data()
    {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("projected");
        const QByteArray ascii(20, 'a');
        QTest::addRow("empty") << QByteArray() << true << QByteArray();
        QTest::addRow("ASCII with NUL") << ascii + QByteArray("\0z", 2) << true << ascii + QByteArray("\0z", 2);
        QTest::addRow("letters with a form")
            << QByteArray("\xC4\x8D\xC5\xA1 \xE2\x82\xAC") << true << QByteArray("\xC4\x8D\xC5\xA1 \xE2\x82\xAC");
        QTest::addRow("U+0081 has a form") << QByteArray("\xC2\x81") << true << QByteArray("\xC2\x81");
        QTest::addRow("without a form, text after it moves")
            << QByteArray("x\xE6\x97\xA5") + ascii + "\xF0\x9F\x98\x80\xC4\x8D" << true
            << QByteArray("x?") + ascii + "?\xC4\x8D";
        QTest::addRow("overlong") << ascii + "\xC0\xAF" << false << QByteArray();
        QTest::addRow("surrogate") << QByteArray("\xED\xB0\x80") << false << QByteArray();
        QTest::addRow("cut off") << ascii + "\xE2\x82" << false << QByteArray();
        QTest::addRow("stray continuation") << ascii + "\x8D" + ascii << false << QByteArray();
    }

    void projectsUtf8InPlace()
    {
        QFETCH(QByteArray, utf8);
        QFETCH(bool, valid);
        QFETCH(QByteArray, projected);
        QByteArray text = utf8;
        QCOMPARE(ProjectUtf8ToWindows1250(text), valid);
        if (valid)
            QCOMPARE(text, projected);
    }

    void stripsStatementBreakers()
    {
        QCOMPARE(StripStatementBreakers(u"O'Brien \"Avto\" C:\\x, 5.5"_s), u"OBrien Avto C:x, 5.5"_s);
    }

    void formatsTwoDecimals_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const QLocale comma(QLocale::Slovenian, QLocale::Slovenia);
        const QLocale dot(QLocale::English, QLocale::UnitedStates);
        QTest::addRow("comma") << comma << 3.14159 << u"3,14"_s;
        QTest::addRow("comma, no thousands separator") << comma << 1234567.5 << u"1234567,50"_s;
        QTest::addRow("dot") << dot << 1234567.5 << u"1234567.50"_s;
        QTest::addRow("negative") << dot << -2.5 << u"-2.50"_s;
        QTest::addRow("tiny negative is zero") << comma << -0.001 << u"0,00"_s;
    }

    void formatsTwoDecimals()
    {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        QCOMPARE(FormatFixed2(value), expected);
    }

    void formatsDates()
    {
        const QDate date(2011, 3, 5);
        QCOMPARE(FormatDisplayDate(QDateTime(date, QTime(13, 4))), u"05.03.2011"_s);
        QCOMPARE(FormatListDate(date, u"yyyy-mm-dd"_s), u"2011-03-05"_s);
        QCOMPARE(FormatListDate(date, u"yyyy/mm/dd"_s), u"2011/03/05"_s);
        QCOMPARE(FormatListDate(date, u"dd.mm.yyyy"_s), u"05.03.2011"_s);
    }

    // The digit-by-digit form against Qt's own formatting, over the whole range it covers and
    // past both of its ends.
    void displayDateMatchesQtsFormat()
    {
        QCOMPARE(FormatDisplayDate(QDateTime()), QString());
        for (const QDate& date : {QDate(1, 1, 1), QDate(999, 12, 31), QDate(1000, 1, 1), QDate(9999, 12, 31),
                                  QDate(10000, 1, 1), QDate(-5, 6, 7)}) {
            QCOMPARE(FormatDisplayDate(QDateTime(date, QTime(0, 0), Qt::UTC)), date.toString(u"dd.MM.yyyy"_s));
        }
        for (QDate date(1899, 12, 30); date.year() < 2101; date = date.addDays(37)) {
            const QDateTime moment(date, QTime(23, 59), Qt::UTC);
            QCOMPARE(FormatDisplayDate(moment), date.toString(u"dd.MM.yyyy"_s));
        }
    }
};

QTEST_GUILESS_MAIN(TextHelpersTest)
#include "tst_text_helpers.moc"
