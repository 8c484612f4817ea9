// The main order list's server side: its statement, where the columns stand in the answer, and one row read.
#include "shell/order_list.h"

#include "data/errors.h"
#include "data/recordset.h"
#include "data/text_helpers.h"

#include <QDateTime>

#include <cmath>

using namespace Qt::StringLiterals;

QString OrderListStatement(bool allOrders, const QString& search, const QDate& today, const QString& dateFormat)
{
    const QString d1 = FormatListDate(today.addDays(-365), dateFormat);
    const QString d2 = FormatListDate(today.addDays(365), dateFormat);
    const QString filter = allOrders ? u"2"_s : u"0"_s;
    const QString searchPart = search.isEmpty() ? u",-1,0,''"_s : u",-1,1,'"_s + search + u"'"_s;
    return u"call usp_listneobracunaninalogi ("_s + filter + u",'"_s + d1 + u"','"_s + d2 + u"'"_s + searchPart +
           u")"_s;
}

namespace {
// The "dd.mm.yyyy" form of a date-time value. A date or date-time column gives its calendar
// date through its OLE date (whole days since 30 December 1899; before that day the fraction
// still counts forward), which spares the time-zone work of a local QDateTime on every row
// (a UTC one carries the date to the formatter); any other column is converted as a date-time.
QString DisplayDate(const Field& field)
{
    if (field.type() != ColumnType::Date && field.type() != ColumnType::DateTime)
        return FormatDisplayDate(field.asDateTime());
    const QDate date = QDate(1899, 12, 30).addDays(qint64(std::trunc(field.asDouble())));
    return FormatDisplayDate(QDateTime(date, QTime(0, 0), Qt::UTC));
}
} // namespace

OrderColumns FindOrderColumns(const Recordset& rs)
{
    // Names are matched by their case-folded form, as the recordset matches them.
    QStringList folded;
    for (int i = 0; i < rs.columnCount(); ++i)
        folded.append(rs.columnName(i).toCaseFolded());
    const auto indexOf = [&](const QString& name) {
        const int index = int(folded.indexOf(name.toCaseFolded()));
        if (index < 0)
            (void)rs.FieldValue(name); // raises the recordset's own error for a missing column
        return index;
    };
    OrderColumns c;
    c.id = indexOf(u"id"_s);
    c.nalogStevilka = indexOf(u"nalogStevilka"_s);
    c.stranka = indexOf(u"stranka"_s);
    c.vnesel = indexOf(u"vnesel"_s);
    c.komentar = indexOf(u"komentar"_s);
    c.datum = indexOf(u"datum"_s);
    c.viewed = indexOf(u"viewed"_s);
    c.vozilo = indexOf(u"vozilo"_s);
    c.registrska_st = indexOf(u"registrska_st"_s);
    c.nalogType = indexOf(u"nalogType"_s);
    c.saved = indexOf(u"saved"_s);
    return c;
}

Tnalogi ReadOrderRow(const Recordset& rs, const OrderColumns& c)
{
    Tnalogi row;
    row.id = rs.fieldAt(c.id).asInteger();
    row.nalogStevilka = rs.fieldAt(c.nalogStevilka).asString();
    const Field customer = rs.fieldAt(c.stranka);
    row.stranka = customer.isNull() ? u"Neznano"_s : customer.asString();
    row.stranka.remove(u"( )"_s, Qt::CaseSensitive);
    row.vnesel = rs.fieldAt(c.vnesel).asString();
    row.komentar = rs.fieldAt(c.komentar).asString();
    row.datum = DisplayDate(rs.fieldAt(c.datum));
    row.viewed = rs.fieldAt(c.viewed).asInteger();
    row.vozilo = rs.fieldAt(c.vozilo).asString();
    row.registrska_st = rs.fieldAt(c.registrska_st).asString();
    row.nalogType = rs.fieldAt(c.nalogType).asInteger();
    row.saved = rs.fieldAt(c.saved).asInteger();
    return row;
}

OrderRowsRead ReadOrderRows(Recordset& rs, std::optional<qint32> selectedId)
{
    OrderRowsRead read;
    try {
        read.count = rs.RecordCount();
        read.rows.reserve(read.count);
        // Only an answer with rows is checked for its columns, as reading by name would.
        const OrderColumns columns = rs.Eof() ? OrderColumns{} : FindOrderColumns(rs);
        while (!rs.Eof() && read.rows.size() < read.count) {
            read.rows.append(ReadOrderRow(rs, columns));
            if (selectedId && read.rows.constLast().id == *selectedId)
                read.reselect = int(read.rows.size()) - 1;
            rs.MoveNext();
        }
    } catch (const std::exception& e) {
        read.failed = true;
        read.failure = ErrorMessage(e);
    } catch (...) {
        read.failed = true;
        read.failure = u"Unknown failure"_s;
    }
    return read;
}

QString CleanSearchText(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text[start] == u' ')
        ++start;
    return StripStatementBreakers(text.mid(start));
}
