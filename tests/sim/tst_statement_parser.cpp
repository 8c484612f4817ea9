// Tests of the simulator's gateway decoding and its MySQL-rule statement parser: accepted forms, literals and refused
// statements.
#include "data/remote_call.h"
#include "statement_parser.h"

#include <QTest>

using namespace Qt::StringLiterals;
using sim::SqlValue;

namespace {

// Arguments written compactly for the tables: "i:-1", "d:1.5", "s:text", "null".
QStringList Describe(const std::vector<SqlValue>& args)
{
    QStringList out;
    for (const SqlValue& value : args) {
        switch (value.kind) {
        case SqlValue::Kind::Null:
            out << u"null"_s;
            break;
        case SqlValue::Kind::Integer:
            out << u"i:"_s + QString::fromStdString(value.text);
            break;
        case SqlValue::Kind::Decimal:
            out << u"d:"_s + QString::fromStdString(value.text);
            break;
        case SqlValue::Kind::Text:
            out << u"s:"_s + QString::fromUtf8(value.text.data(), qsizetype(value.text.size()));
            break;
        }
    }
    return out;
}

QString Near(const QString& rest, int line = 1)
{
    return u"You have an error in your SQL syntax; check the manual that corresponds to your MySQL server version "
           u"for the right syntax to use near '"_s +
           rest + u"' at line "_s + QString::number(line);
}

} // namespace

class StatementParserTest : public QObject {
    Q_OBJECT

private slots:
    void acceptsTheClientsForms_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QStringList>("args");
        QTest::addRow("blank before empty brackets")
            << u"call usp_listLokacije () "_s << u"usp_listLokacije"_s << QStringList();
        QTest::addRow("no blank") << u"call usp_listLokacije()"_s << u"usp_listLokacije"_s << QStringList();
        QTest::addRow("no brackets, trailing blank")
            << u"call usp_getversion "_s << u"usp_getversion"_s << QStringList();
        QTest::addRow("no brackets") << u"call usp_getversion"_s << u"usp_getversion"_s << QStringList();
        QTest::addRow("list query") << u"call usp_listneobracunaninalogi (0,'2023-03-06','2025-03-05',-1,0,'') "_s
                                    << u"usp_listneobracunaninalogi"_s
                                    << QStringList{u"i:0"_s,  u"s:2023-03-06"_s, u"s:2025-03-05"_s,
                                                   u"i:-1"_s, u"i:0"_s,          u"s:"_s};
        QTest::addRow("composed parameters")
            << u"call usp_checkDate ('15.03.2011')"_s << u"usp_checkDate"_s << QStringList{u"s:15.03.2011"_s};
        QTest::addRow("keywords in any case, blanks")
            << u"  CALL\tusp_x ( 1 ,\n-2 , 'a' ) "_s << u"usp_x"_s << QStringList{u"i:1"_s, u"i:-2"_s, u"s:a"_s};
        QTest::addRow("double-quoted values")
            << u"call usp_findmyordavo (\"demo1234\")"_s << u"usp_findmyordavo"_s << QStringList{u"s:demo1234"_s};
        QTest::addRow("tyre search without call")
            << u"usp_searchShranjeni 'abc' "_s << u"usp_searchShranjeni"_s << QStringList{u"s:abc"_s};
        QTest::addRow("tyre search, empty text")
            << u"usp_searchShranjeni ''"_s << u"usp_searchShranjeni"_s << QStringList{u"s:"_s};
        QTest::addRow("quoted name, closing semicolon")
            << u"call `usp_x` (NULL, TRUE);"_s << u"usp_x"_s << QStringList{u"null"_s, u"i:1"_s};
        QTest::addRow("comments are blanks")
            << u"call /* a */ usp_x (1) -- rest\n# more"_s << u"usp_x"_s << QStringList{u"i:1"_s};
        QTest::addRow("--1 is not a comment")
            << u"call usp_x (--1, - 5, +-2)"_s << u"usp_x"_s << QStringList{u"i:1"_s, u"i:-5"_s, u"i:-2"_s};
        QTest::addRow("decimals") << u"call usp_x (1.5, -2.50, .5, 1e3)"_s << u"usp_x"_s
                                  << QStringList{u"d:1.5"_s, u"d:-2.50"_s, u"d:.5"_s, u"d:1e3"_s};
    }

    void acceptsTheClientsForms()
    {
        QFETCH(QString, statement);
        QFETCH(QString, procedure);
        QFETCH(QStringList, args);
        const auto result = sim::ParseStatement(statement.toStdString());
        QVERIFY2(result.statement, result.error.c_str());
        QCOMPARE(QString::fromStdString(result.statement->procedure), procedure);
        QCOMPARE(Describe(result.statement->args), args);
    }

    // String literals as MySQL reads them.
    void readsStringLiteralsAsMySql_data()
    {
        QTest::addColumn<QByteArray>("literal");
        QTest::addColumn<QByteArray>("value");
        QTest::addRow("doubled single quote") << QByteArray("'O''Brien'") << QByteArray("O'Brien");
        QTest::addRow("doubled double quote") << QByteArray("\"say \"\"hi\"\"\"") << QByteArray("say \"hi\"");
        QTest::addRow("other quote inside") << QByteArray("'say \"hi\"'") << QByteArray("say \"hi\"");
        QTest::addRow("backslash quote") << QByteArray("'a\\'b'") << QByteArray("a'b");
        QTest::addRow("backslash double quote") << QByteArray("\"a\\\"b\"") << QByteArray("a\"b");
        QTest::addRow("backslash backslash") << QByteArray("'a\\\\'") << QByteArray("a\\");
        QTest::addRow("control escapes") << QByteArray("'\\n\\r\\t\\b\\Z'") << QByteArray("\n\r\t\b\x1A");
        QTest::addRow("NUL escape") << QByteArray("'a\\0b'") << QByteArray("a\0b", 3);
        QTest::addRow("percent and underscore keep the backslash") << QByteArray("'\\%\\_'") << QByteArray("\\%\\_");
        QTest::addRow("other escapes drop the backslash") << QByteArray("'\\x\\y'") << QByteArray("xy");
        QTest::addRow("adjacent literals join") << QByteArray("'a' \"b\" 'c'") << QByteArray("abc");
        QTest::addRow("UTF-8 kept") << QByteArray("'Kovačič'") << QByteArray("Kovačič");
    }

    void readsStringLiteralsAsMySql()
    {
        QFETCH(QByteArray, literal);
        QFETCH(QByteArray, value);
        const auto result = sim::ParseStatement("call usp_x (" + literal.toStdString() + ")");
        QVERIFY2(result.statement, result.error.c_str());
        QCOMPARE(result.statement->args.size(), std::size_t(1));
        QCOMPARE(QByteArray::fromStdString(result.statement->args[0].text), value);
    }

    // What would break or inject on a MySQL server is refused with MySQL's text.
    void refusesBrokenStatements_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("error");
        QTest::addRow("second statement") << u"call usp_x (1); drop table x"_s << Near(u"drop table x"_s);
        QTest::addRow("injected quote") << u"call usp_searchShranjeni ('O'Brien')"_s << Near(u"Brien')"_s);
        QTest::addRow("bare injected quote") << u"usp_searchShranjeni 'O'Brien'"_s << Near(u"Brien'"_s);
        QTest::addRow("unterminated string") << u"call usp_x ('abc)"_s << Near(u"'abc)"_s);
        QTest::addRow("escaped closing quote") << u"call usp_x ('a\\')"_s << Near(u"'a\\')"_s);
        QTest::addRow("missing value") << u"call usp_x (1,)"_s << Near(u")"_s);
        QTest::addRow("leading comma") << u"call usp_x (,1)"_s << Near(u",1)"_s);
        QTest::addRow("unclosed bracket") << u"call usp_x (1"_s << Near(QString());
        QTest::addRow("value without brackets") << u"call usp_x 1"_s << Near(u"1"_s);
        QTest::addRow("missing name") << u"call (1)"_s << Near(u"(1)"_s);
        QTest::addRow("two values without comma") << u"call usp_x (1 2)"_s << Near(u"2)"_s);
        QTest::addRow("expression instead of literal") << u"call usp_x (abc)"_s << Near(u"abc)"_s);
        QTest::addRow("other statement") << u"drop table nalogi"_s << Near(u"drop table nalogi"_s);
        QTest::addRow("other select") << u"SELECT * FROM nalogi"_s << Near(u"* FROM nalogi"_s);
        QTest::addRow("unclosed comment") << u"call usp_x (1) /* open"_s << Near(u"/* open"_s);
        QTest::addRow("error on a later line") << u"call usp_x ('x') -- c\n; drop"_s << Near(u"drop"_s, 2);
        QTest::addRow("quoted text after the search") << u"usp_searchShranjeni 'a' x"_s << Near(u"x"_s);
    }

    void refusesBrokenStatements()
    {
        QFETCH(QString, statement);
        QFETCH(QString, error);
        const auto result = sim::ParseStatement(statement.toStdString());
        QVERIFY(!result.statement);
        QCOMPARE(QString::fromStdString(result.error), error);
    }

    void quotesAtMostEightyBytesOfTheRest()
    {
        const std::string rest(200, 'x');
        const auto result = sim::ParseStatement("call usp_x (1) " + rest);
        QCOMPARE(QString::fromStdString(result.error), Near(QString(80, u'x')));
    }

    void acceptsTheTwoSelects_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("alias");
        QTest::addRow("update counter") << u"SELECT IFNULL(needeedupdate,-1) as 'needeedupdate' FROM ordavodefaults"_s
                                        << int(sim::ParsedStatement::Kind::SelectUpdateCounter) << u"needeedupdate"_s;
        QTest::addRow("count") << u"SELECT COUNT(*) as 'stevilo' FROM ordavodefaults "_s
                               << int(sim::ParsedStatement::Kind::SelectDefaultsCount) << u"stevilo"_s;
        QTest::addRow("other spelling") << u"select count( * ) AS stevilo from ordavodefaults;"_s
                                        << int(sim::ParsedStatement::Kind::SelectDefaultsCount) << u"stevilo"_s;
    }

    void acceptsTheTwoSelects()
    {
        QFETCH(QString, statement);
        QFETCH(int, kind);
        QFETCH(QString, alias);
        const auto result = sim::ParseStatement(statement.toStdString());
        QVERIFY2(result.statement, result.error.c_str());
        QCOMPARE(int(result.statement->kind), kind);
        QCOMPARE(QString::fromStdString(result.statement->columnAlias), alias);
    }

    // What the client's encoder sends comes back as the statement it composed.
    void decodesWhatTheClientEncodes_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("decoded");
        QTest::addRow("no parameters") << u"call usp_listLokacije ()"_s << QStringList{QString()}
                                       << u"call usp_listLokacije () "_s;
        QTest::addRow("date parameter with dots")
            << u"call usp_checkDate "_s << QStringList{u"15.03.2011"_s} << u"call usp_checkDate ('15.03.2011')"_s;
        QTest::addRow("comma and plus") << u"call usp_x"_s << QStringList{u"1,5"_s, u"a+b"_s}
                                        << u"call usp_x ('1,5','a+b')"_s;
        QTest::addRow("letters beyond ASCII")
            << u"usp_searchShranjeni 'Kovačič'"_s << QStringList() << u"usp_searchShranjeni 'Kovačič' "_s;
    }

    void decodesWhatTheClientEncodes()
    {
        QFETCH(QString, statement);
        QFETCH(QStringList, params);
        QFETCH(QString, decoded);
        const QByteArray query = "0.*_." + EncodeStatement(ComposeStatement(statement, params)).toUtf8();
        const auto result = sim::DecodeGatewayQuery(query.toStdString());
        QVERIFY(result);
        QCOMPARE(QString::fromStdString(*result), decoded);
    }

    void decodesThePlainFormAndOddPercents()
    {
        // The plain form of long statements: blanks as %20 and a literal "+".
        QCOMPARE(sim::DecodeGatewayQuery("0.*_.call%20usp_x%20('a+b')"),
                 std::optional<std::string>("call usp_x ('a+b')"));
        QCOMPARE(sim::DecodeGatewayQuery("0.*_.a%zz%4"), std::optional<std::string>("a%zz%4"));
        QCOMPARE(sim::DecodeGatewayQuery("0.*_.[*edp*][*dot*][*com*]"), std::optional<std::string>("+.,"));
        QVERIFY(!sim::DecodeGatewayQuery("call%20usp_x"));
    }
};

QTEST_GUILESS_MAIN(StatementParserTest)
#include "tst_statement_parser.moc"
