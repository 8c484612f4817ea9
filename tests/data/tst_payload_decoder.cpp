// Tests of the payload decoder: the splitting rule, header and rows, escape tokens, and what makes a payload fail.
#include "data/payload.h"
#include "support/recordset_dump.h"

#include <QTest>

using namespace Qt::StringLiterals;

class PayloadDecoderTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void splitsByTheRule_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArrayList>("expected");
        using L = QByteArrayList;
        QTest::addRow("empty") << ""_ba << L{};
        QTest::addRow("blanks only") << " \t "_ba << L{};
        QTest::addRow("two items") << "a~b"_ba << L{"a", "b"};
        QTest::addRow("delimiter at the end adds an empty item") << "a~"_ba << L{"a", ""};
        QTest::addRow("delimiter then blank at the end adds nothing") << "a~ "_ba << L{"a"};
        QTest::addRow("lone delimiter") << "~"_ba << L{"", ""};
        QTest::addRow("two delimiters in a row") << "a~~b"_ba << L{"a", "", "b"};
        QTest::addRow("blanks and control characters end an item") << " a b\tc\x01"
                                                                      "d "_ba
                                                                   << L{"a", "b", "c", "d"};
        QTest::addRow("blanks around the delimiter") << "a  ~  b"_ba << L{"a", "b"};
        QTest::addRow("quoted item keeps blanks and delimiters") << "\"x y~z\"~w"_ba << L{"x y~z", "w"};
        QTest::addRow("doubled quote is one quote") << "\"a\"\"b\"~c"_ba << L{"a\"b", "c"};
        QTest::addRow("unterminated quote runs to the end") << "\"ab~c"_ba << L{"ab~c"};
        QTest::addRow("text after a closing quote is another item") << "\"ab\"cd~x"_ba << L{"ab", "cd", "x"};
        QTest::addRow("quote inside an unquoted item is plain") << "x\"y~z"_ba << L{"x\"y", "z"};
        QTest::addRow("empty quoted item") << "\"\""_ba << L{""};
        QTest::addRow("NUL ends the text") << QByteArray("a~b\0~c", 6) << L{"a", "b"};
        QTest::addRow("bytes above 127 are item bytes") << "č~ž"_ba << L{"č", "ž"};
    }

    void splitsByTheRule()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArrayList, expected);
        QCOMPARE(SplitDelimited(text, '~'), expected);
    }

    void decodes_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("expected");
        // Failures of the whole payload.
        QTest::addRow("empty") << ""_ba << u"none"_s;
        QTest::addRow("spaces only") << "    "_ba << u"none"_s;
        QTest::addRow("first field not storable") << "a,3~x"_ba << u"none"_s;
        QTest::addRow("first field NULL in an integer column") << "a,3~NULL"_ba << u"none"_s;
        QTest::addRow("more fields than definitions") << "a,3~1{2"_ba << u"none"_s;
        QTest::addRow("header without type code") << "a~1"_ba << u"none"_s;
        QTest::addRow("type code not an integer") << "a,3{b,x~1"_ba << u"none"_s;
        QTest::addRow("definition without a name") << ",3~1"_ba << u"none"_s;
        QTest::addRow("header of empty definitions only") << "{~1"_ba << u"none"_s;
        QTest::addRow("a raw space splits a value into two fields") << "a,3{b,200~1{x y"_ba << u"none"_s;

        // Tables.
        QTest::addRow("header only") << "a,3"_ba << u"a:integer"_s;
        QTest::addRow("unfilled field stays null") << "a,3{b,200~5"_ba << u"a:integer,b:text / 5|<null>"_s;
        QTest::addRow("NULL first in a text column is text")
            << "a,200{b,3~NULL{x"_ba << u"a:text,b:integer / NULL|<null>"_s;
        QTest::addRow("empty definition ignores its field") << "a,3{{b,200~1{zzz{q"_ba << u"a:integer,b:text / 1|q"_s;
        QTest::addRow("repeated name maps to the first column") << "a,3{A,200~1{x"_ba << u"a:integer / 1"_s;
        QTest::addRow("repeated name filled twice") << "a,3{A,3~1{7"_ba << u"a:integer / 7"_s;
        QTest::addRow("later NULL keeps the earlier value") << "a,3{A,3~1{NULL"_ba << u"a:integer / 1"_s;
        QTest::addRow("later unstorable field stays null")
            << "a,3{b,3{c,200~1{x{y"_ba << u"a:integer,b:integer,c:text / 1|<null>|y"_s;
        QTest::addRow("later NULL is null") << "a,3{b,200~1{NULL"_ba << u"a:integer,b:text / 1|<null>"_s;
        QTest::addRow("escaped space") << "a,3{b,200~1{x[sp**ace]y"_ba << u"a:integer,b:text / 1|x y"_s;
        QTest::addRow("escaped delimiters") << "a,3{b,200~1{x[*beginCodeEndDelimiter*]y[*beginCodeStart*]z[*com*]w"_ba
                                            << u"a:integer,b:text / 1|x~y{z,w"_s;
        QTest::addRow("entities one kind after the other")
            << "a,3{b,200~1{&amp;lt;&lt;&gt;&apos;&quot;&amp;"_ba << u"a:integer,b:text / 1|&lt;<>'\"&"_s;
        QTest::addRow("first field decodes only the space token")
            << "a,200{b,200~x[*com*]&amp;[sp**ace]y{p[*com*]q"_ba << u"a:text,b:text / x[*com*]&amp; y|p,q"_s;
        QTest::addRow("plus and dot tokens everywhere")
            << "a,200{b,200~1[*edp*]2[*dot*]{[*edp*][*dot*]"_ba << u"a:text,b:text / 1+2.|+."_s;
        QTest::addRow("line breaks removed before the tokens")
            << "a,3{b,\r\n200~1{x[*d\r\not*]y[sp*\n*ace]z"_ba << u"a:integer,b:text / 1|x.y z"_s;
        QTest::addRow("trailing section delimiter adds no row") << "a,3{b,200~1{x~"_ba << u"a:integer,b:text / 1|x"_s;
        QTest::addRow("section of ignored fields adds no row") << "{a,3~x~y{2"_ba << u"a:integer / 2"_s;
        QTest::addRow("quoted field") << "a,3{b,200~1{\"x{z\"\"\""_ba << u"a:integer,b:text / 1|x{z\""_s;
        QTest::addRow("blank in a quoted field ends the unquoted section") << "a,3{b,200~1{\"x y\""_ba << u"none"_s;
        QTest::addRow("quoted section") << "a,3{b,200~\"2{\"\"p q\"\"\""_ba << u"a:integer,b:text / 2|p q"_s;
        QTest::addRow("NUL ends the payload") << QByteArray("a,3{b,200~1{x\0~2{y", 18) << u"a:integer,b:text / 1|x"_s;
        QTest::addRow("example")
            << "id,3{ime,200{opis,200~1{Regal[sp**ace]A{NULL~2{Regal[sp**ace]B{Zadaj[*com*][sp**ace]levo"_ba
            << u"id:integer,ime:text,opis:text / 1|Regal A|<null> / 2|Regal B|Zadaj, levo"_s;
        QTest::addRow("every type")
            << "i,3{d,202{t,135{t2,7{n,14{b,128{b2,205{s,200{o,999~-7{2024-03-05{2024-03-05[sp**ace]10:15:00{2024-03-05T01:02:03{-12[*dot*]50{AB{x{Šč{o"_ba
            << u"i:integer,d:date,t:datetime,t2:datetime,n:decimal,b:binary,b2:binary,s:text,o:text / "
               u"-7|2024-03-05|2024-03-05T10:15:00|2024-03-05T01:02:03|-12.50|4142|78|Šč|o"_s;
    }

    void decodes()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, expected);
        QCOMPARE(Dump(DecodePayload(payload)), expected);
    }

    void cursorStartsOnTheFirstRow()
    {
        const RecordsetPtr set = DecodePayload("a,3~1~2");
        QVERIFY(set);
        QCOMPARE(set->RecordCount(), 2);
        QCOMPARE(set->cursor(), 0);
        QCOMPARE(set->FieldValue(u"a"_s).asInteger(), 1);

        const RecordsetPtr empty = DecodePayload("a,3");
        QVERIFY(empty);
        QCOMPARE(empty->RecordCount(), 0);
        QVERIFY(empty->Eof());
    }

    void survivesHostileInput_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addRow("many columns, many one-field rows")
            << "a,3" + QByteArray("{b,3").repeated(20000) + QByteArray("~1").repeated(20000);
        QTest::addRow("unterminated quotes everywhere") << "\"a,3{\"b~\"1{\"\"~"_ba;
        QTest::addRow("tokens cut at the end") << "a,3{b,200~1{[*beginCode"_ba;
        QTest::addRow("huge integer") << "a,3~99999999999999999999"_ba;
    }

    void survivesHostileInput()
    {
        QFETCH(QByteArray, payload);
        const RecordsetPtr set = DecodePayload(payload);
        if (set) // a table that is decoded stays within a bound of its payload's size
            QVERIFY(set->memoryFootprint() < std::size_t(payload.size()) * 80 + 1'000'000);
    }
};

QTEST_GUILESS_MAIN(PayloadDecoderTest)
#include "tst_payload_decoder.moc"
