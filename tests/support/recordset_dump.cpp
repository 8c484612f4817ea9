// Writing a decoded table as one line of text.
#include "recordset_dump.h"

#include <QStringList>

using namespace Qt::StringLiterals;

QString Dump(const RecordsetPtr& set)
{
    if (!set)
        return u"none"_s;
    QStringList parts;
    QStringList columns;
    for (int c = 0; c < set->columnCount(); ++c)
        columns << set->columnName(c) + u':' + QLatin1StringView(ColumnTypeName(set->columnType(c)));
    parts << columns.join(u',');
    for (set->MoveFirst(); !set->Eof(); set->MoveNext()) {
        QStringList values;
        for (int c = 0; c < set->columnCount(); ++c) {
            const Field field = set->fieldAt(c);
            values << (field.isNull() ? u"<null>"_s : field.canonicalText());
        }
        parts << values.join(u'|');
    }
    return parts.join(u" / "_s);
}
