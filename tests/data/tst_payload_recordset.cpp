// Tests of the Recordset: cursor, look-up and Close, value stores by column type, and reads under two locales.
#include "data/payload.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QLocale kSlovenian(QLocale::Slovenian, QLocale::Slovenia);
const QLocale kAmerican(QLocale::English, QLocale::UnitedStates);

// A one-row table "id,3{v,<type>" whose v is the given (already escaped) text.
RecordsetPtr OneValue(int typeCode, const QByteArray& escapedValue)
{
    return DecodePayload(QByteArray("id,3{v," + QByteArray::number(typeCode) + "~1{" + escapedValue));
}

// The read of v in one form as text, or "error" when the read throws.
QString Read(const RecordsetPtr& set, const QString& form)
{
    try {
        const Field field = set->FieldValue(u"v"_s);
        if (form == u"string")
            return field.asString();
        if (form == u"integer")
            return QString::number(field.asInteger());
        if (form == u"double")
            return QString::number(field.asDouble(), 'g', 17);
        if (form == u"datetime")
            return field.asDateTime().toString(Qt::ISODate);
        return field.isNull() ? u"<null>"_s : field.canonicalText();
    } catch (const DataError&) {
        return u"error"_s;
    }
}

template <typename Operation> bool Throws(Operation operation)
{
    try {
        operation();
    } catch (const DataError&) {
        return true;
    }
    return false;
}

} // namespace

namespace {
// Every column name and every value of a table, row by row, as text ("null" for a null).
QStringList AllValues(Recordset& set)
{
    QStringList values;
    for (int column = 0; column < set.columnCount(); ++column)
        values.append(set.columnName(column));
    for (set.MoveFirst(); !set.Eof(); set.MoveNext())
        for (int column = 0; column < set.columnCount(); ++column) {
            const Field field = set.fieldAt(column);
            values.append(field.isNull() ? u"null"_s : field.asString());
        }
    return values;
}
} // namespace

class RecordsetTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void cursorWalksAndStopsAtEof()
    {
        const RecordsetPtr set = DecodePayload("id,3{ime,200~1{a~2{b");
        QVERIFY(set);
        QCOMPARE(set->FieldValue(u"IME"_s).asString(), u"a"_s);
        set->MoveNext();
        QCOMPARE(set->FieldValue(u"id"_s).asInteger(), 2);
        set->MoveNext();
        QVERIFY(set->Eof());
        QVERIFY(Throws([&] { set->MoveNext(); }));
        QVERIFY(Throws([&] { set->FieldValue(u"id"_s); }));
        set->MoveFirst();
        QCOMPARE(set->FieldValue(u"Id"_s).asInteger(), 1);
        QVERIFY(Throws([&] { set->FieldValue(u"missing"_s); }));
    }

    void closeMakesEveryLaterOperationFail()
    {
        const RecordsetPtr set = DecodePayload("id,3~1");
        const Field field = set->FieldValue(u"id"_s);
        set->Close();
        QVERIFY(!set->isOpen());
        QVERIFY(Throws([&] { set->RecordCount(); }));
        QVERIFY(Throws([&] { set->Eof(); }));
        QVERIFY(Throws([&] { set->MoveFirst(); }));
        QVERIFY(Throws([&] { set->FieldValue(u"id"_s); }));
        QVERIFY(Throws([&] { field.asInteger(); }));
        QVERIFY(Throws([&] { set->Close(); }));
    }

    void nullReadsFailInEveryForm()
    {
        const RecordsetPtr set = OneValue(200, "NULL");
        QVERIFY(set->FieldValue(u"v"_s).isNull());
        for (const QString& form : {u"string"_s, u"integer"_s, u"double"_s, u"datetime"_s})
            QCOMPARE(Read(set, form), u"error"_s);
        QVERIFY(Throws([&] { set->FieldValue(u"v"_s).canonicalText(); }));
    }

    void storesAndReads_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("expected");
        const QLocale sl = kSlovenian, us = kAmerican;

        QTest::addRow("integer as text") << sl << 3 << "-42"_ba
                                         << "string"
                                         << "-42";
        QTest::addRow("integer as double") << sl << 3 << "42"_ba
                                           << "double"
                                           << "42";
        QTest::addRow("integer lowest") << us << 3 << "-2147483648"_ba
                                        << "integer"
                                        << "-2147483648";
        QTest::addRow("integer out of range") << us << 3 << "2147483648"_ba
                                              << "canonical"
                                              << "<null>";
        QTest::addRow("integer with a fraction") << us << 3 << "1[*dot*]0"_ba
                                                 << "canonical"
                                                 << "<null>";
        QTest::addRow("integer as date-time") << us << 3 << "1"_ba
                                              << "datetime"
                                              << "error";

        QTest::addRow("decimal exact") << us << 14 << "0[*dot*]10000000000000000555"_ba
                                       << "canonical"
                                       << "0.10000000000000000555";
        QTest::addRow("decimal dot under sl") << sl << 14 << "12[*dot*]50"_ba
                                              << "canonical"
                                              << "12.50";
        QTest::addRow("decimal comma under sl") << sl << 14 << "-12[*com*]50"_ba
                                                << "canonical"
                                                << "-12.50";
        QTest::addRow("decimal comma under us") << us << 14 << "12[*com*]50"_ba
                                                << "canonical"
                                                << "<null>";
        QTest::addRow("decimal regional sl") << sl << 14 << "12[*dot*]50"_ba
                                             << "string"
                                             << "12,5";
        QTest::addRow("decimal regional us") << us << 14 << "1200"_ba
                                             << "string"
                                             << "1200";
        QTest::addRow("decimal canonical leading zero") << us << 14 << "-[*dot*]5"_ba
                                                        << "canonical"
                                                        << "-0.5";
        QTest::addRow("decimal leading zeros and signed zero") << us << 14 << "-000[*dot*]00"_ba
                                                               << "canonical"
                                                               << "0.00";
        QTest::addRow("decimal exponent refused") << us << 14 << "1e5"_ba
                                                  << "canonical"
                                                  << "<null>";
        QTest::addRow("decimal thousands refused") << us << 14 << "1[*com*]234[*dot*]5"_ba
                                                   << "canonical"
                                                   << "<null>";
        QTest::addRow("decimal as double") << sl << 14 << "3[*dot*]25"_ba
                                           << "double"
                                           << "3.25";
        QTest::addRow("whole decimal as integer") << us << 14 << "12[*dot*]00"_ba
                                                  << "integer"
                                                  << "12";
        QTest::addRow("fractional decimal as integer") << us << 14 << "12[*dot*]5"_ba
                                                       << "integer"
                                                       << "error";

        QTest::addRow("date server form") << sl << 202 << "2024-03-05"_ba
                                          << "canonical"
                                          << "2024-03-05";
        QTest::addRow("date drops a time") << sl << 202 << "2024-03-05[sp**ace]10:15:00"_ba
                                           << "canonical"
                                           << "2024-03-05";
        QTest::addRow("date regional numeric") << us << 202 << "5[*dot*]3[*dot*]2024"_ba
                                               << "canonical"
                                               << "2024-03-05";
        QTest::addRow("date impossible day") << us << 202 << "2024-02-30"_ba
                                             << "canonical"
                                             << "<null>";
        QTest::addRow("date leap day") << us << 202 << "2024-02-29"_ba
                                       << "canonical"
                                       << "2024-02-29";
        QTest::addRow("date leap day of a 400th year") << us << 202 << "2000-02-29"_ba
                                                       << "canonical"
                                                       << "2000-02-29";
        QTest::addRow("date no leap day in 1900") << us << 202 << "1900-02-29"_ba
                                                  << "canonical"
                                                  << "<null>";
        QTest::addRow("date no leap day in 2023") << us << 202 << "2023-02-29"_ba
                                                  << "canonical"
                                                  << "<null>";
        QTest::addRow("date month 13") << us << 202 << "2024-13-01"_ba
                                       << "canonical"
                                       << "<null>";
        QTest::addRow("date first day of year 1") << us << 202 << "0001-01-01"_ba
                                                  << "canonical"
                                                  << "0001-01-01";
        QTest::addRow("date last day of year 9999") << us << 202 << "9999-12-31"_ba
                                                    << "canonical"
                                                    << "9999-12-31";
        QTest::addRow("date before the OLE epoch") << us << 202 << "1600-03-01"_ba
                                                   << "double"
                                                   << "-109511";
        QTest::addRow("date as OLE") << us << 202 << "2024-03-05"_ba
                                     << "double"
                                     << "45356";
        QTest::addRow("datetime server form") << us << 135 << "2024-03-05[sp**ace]10:15:00"_ba
                                              << "canonical"
                                              << "2024-03-05T10:15:00";
        QTest::addRow("datetime with T") << us << 7 << "2024-03-05T10:15:00"_ba
                                         << "datetime"
                                         << "2024-03-05T10:15:00";
        QTest::addRow("datetime regional") << sl << 135 << "05[*dot*]03[*dot*]2024[sp**ace]10:15"_ba
                                           << "canonical"
                                           << "2024-03-05T10:15:00";
        QTest::addRow("datetime date only") << us << 135 << "2024-03-05"_ba
                                            << "canonical"
                                            << "2024-03-05T00:00:00";
        QTest::addRow("datetime bad hour") << us << 135 << "2024-03-05[sp**ace]24:00:00"_ba
                                           << "canonical"
                                           << "<null>";
        QTest::addRow("datetime OLE with fraction") << us << 135 << "1899-12-30[sp**ace]12:00:00"_ba
                                                    << "double"
                                                    << "0.5";
        QTest::addRow("datetime OLE before day 0") << us << 135 << "1899-12-29[sp**ace]06:00:00"_ba
                                                   << "double"
                                                   << "-1.25";
        QTest::addRow("datetime as integer") << us << 135 << "2024-03-05"_ba
                                             << "integer"
                                             << "error";

        QTest::addRow("text to integer") << sl << 200 << "-12"_ba
                                         << "integer"
                                         << "-12";
        QTest::addRow("text not a number") << sl << 200 << "12a"_ba
                                           << "integer"
                                           << "error";
        QTest::addRow("text to double sl") << sl << 200 << "3[*com*]25"_ba
                                           << "double"
                                           << "3.25";
        QTest::addRow("text to double us") << us << 200 << "3[*dot*]25"_ba
                                           << "double"
                                           << "3.25";
        QTest::addRow("text with comma under us") << us << 200 << "3[*com*]25"_ba
                                                  << "double"
                                                  << "error";
        QTest::addRow("text to date-time") << us << 200 << "2024-03-05"_ba
                                           << "datetime"
                                           << "2024-03-05T00:00:00";
        QTest::addRow("text with letters") << us << 200 << "Šč[sp**ace]ž"_ba
                                           << "string"
                                           << "Šč ž";

        QTest::addRow("binary bytes as hex") << us << 128 << "A&amp;"_ba
                                             << "canonical"
                                             << "4126";
        QTest::addRow("binary 128 bytes")
            << us << 205 << QByteArray(128, 'x') << "canonical" << QString::fromLatin1(QByteArray(128, 'x').toHex());
        QTest::addRow("binary 129 bytes") << us << 205 << QByteArray(129, 'x') << "canonical"
                                          << "<null>";
        QTest::addRow("binary as integer") << us << 205 << "1"_ba
                                           << "integer"
                                           << "error";
    }

    void storesAndReads()
    {
        QFETCH(QLocale, locale);
        QFETCH(int, typeCode);
        QFETCH(QByteArray, value);
        QFETCH(QString, form);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        const RecordsetPtr set = OneValue(typeCode, value);
        QVERIFY(set);
        QCOMPARE(Read(set, form), expected);
    }

    void textLimitCountsCharacters()
    {
        const QByteArray fourThousand = QString(4000, u'č').toUtf8();
        QCOMPARE(Read(OneValue(200, fourThousand), u"string"_s).size(), 4000);
        QCOMPARE(Read(OneValue(200, fourThousand + "x"), u"canonical"_s), u"<null>"_s);
    }

    void dateTimeShowsTimeOnlyWhenNotMidnight()
    {
        QLocale::setDefault(kSlovenian);
        const RecordsetPtr set = DecodePayload("id,3{v,135~1{2024-03-05~2{2024-03-05[sp**ace]10:15:30");
        const QString midnight = set->FieldValue(u"v"_s).asString();
        QCOMPARE(midnight, kSlovenian.toString(QDate(2024, 3, 5), QLocale::ShortFormat));
        set->MoveNext();
        const QString withTime = set->FieldValue(u"v"_s).asString();
        QVERIFY2(withTime.startsWith(midnight + u' ') && withTime.contains(u"10:15:30"_s), qPrintable(withTime));
    }

    void earlierTablesMemoryGivesTheSameTable_data()
    {
        QTest::addColumn<QByteArray>("earlier");
        QTest::addColumn<QByteArray>("next");
        QTest::addColumn<bool>("memoryReused");
        const QByteArray table = "id,3{ime,200{d,135~1{ana{2024-03-05~2{bor{2024-03-06";
        QByteArray large = table;
        for (int id = 3; id < 400; ++id)
            large += "~" + QByteArray::number(id) + "{ime " + QByteArray::number(id) + "{2024-03-07";
        QTest::addRow("same size") << table << QByteArray("id,3{ime,200{d,135~1{ana{2024-03-05~2{bob{2024-03-06")
                                   << true;
        QTest::addRow("smaller after larger") << large << table << true;
        QTest::addRow("quoted fields") << large << QByteArray("id,3{ime,200~1{\"x{z\"\"\"~2{\"\"\"x\"\"\"") << true;
        QTest::addRow("other columns") << large << QByteArray("v,14{w,200~12[*dot*]5{x~13{y") << true;
        QTest::addRow("larger after smaller: fresh memory") << table << large << false;
    }

    // A table decoded into the memory of an earlier one holds exactly what a fresh decoding gives,
    // and keeps its cells in that memory when it is large enough. (The answer's bytes may move when
    // a much shorter answer is squeezed; where they go is the allocator's choice.)
    void earlierTablesMemoryGivesTheSameTable()
    {
        QFETCH(QByteArray, earlier);
        QFETCH(QByteArray, next);
        QFETCH(bool, memoryReused);
        const RecordsetPtr first = DecodePayload(earlier);
        QVERIFY(first);
        Recordset::Memory memory = first->takeMemory();
        QVERIFY(!first->isOpen());
        const auto* const earlierCells = memory.cells.data();
        const RecordsetPtr fresh = DecodePayload(next);
        QByteArray bytes = std::exchange(memory.bytes, QByteArray());
        if (bytes.capacity() >= next.size()) {
            bytes.resize(next.size());
            std::copy(next.begin(), next.end(), bytes.begin());
        } else {
            bytes = next;
        }
        const RecordsetPtr reused = DecodePayloadBuffer(std::move(bytes), SummarizePayloadBytes(next), memory);
        QVERIFY(fresh && reused);
        QCOMPARE(AllValues(*reused), AllValues(*fresh));
        QCOMPARE(reused->takeMemory().cells.data() == earlierCells, memoryReused);
    }

    void firstFieldThatCannotBeStoredFailsAnyType()
    {
        for (const QByteArray& header : {"a,3"_ba, "a,14"_ba, "a,202"_ba, "a,135"_ba})
            QVERIFY2(!DecodePayload(QByteArray(header + "~x")), header.constData());
        QVERIFY(!DecodePayload(QByteArray("a,205~" + QByteArray(129, 'x'))));
        QVERIFY(!DecodePayload(QByteArray("a,200~" + QByteArray(4001, 'x'))));
    }
};

QTEST_GUILESS_MAIN(RecordsetTest)
#include "tst_payload_recordset.moc"
