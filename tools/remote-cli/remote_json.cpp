// JSON rendering of a statement's outcome: integers as numbers, every other value in its locale-free text form.
#include "remote_json.h"

using namespace Qt::StringLiterals;

QByteArray JsonString(const QString& text)
{
    QByteArray json;
    json.reserve(text.size() + 2);
    json.append('"');
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            json.append("\\\"");
            break;
        case '\\':
            json.append("\\\\");
            break;
        case '\n':
            json.append("\\n");
            break;
        case '\r':
            json.append("\\r");
            break;
        case '\t':
            json.append("\\t");
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                json.append("\\u00").append(
                    QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0'));
            else
                json.append(c);
        }
    }
    json.append('"');
    return json;
}

namespace {

QByteArray FieldJson(const Field& field)
{
    if (field.isNull())
        return "null";
    if (field.type() == ColumnType::Integer)
        return QByteArray::number(field.asInteger());
    return JsonString(field.canonicalText());
}

QByteArray ColumnsJson(const Recordset& recordset)
{
    QByteArray json = "[";
    for (int column = 0; column < recordset.columnCount(); ++column) {
        if (column > 0)
            json.append(", ");
        json.append("{\"name\": ").append(JsonString(recordset.columnName(column)));
        json.append(", \"type\": \"").append(ColumnTypeName(recordset.columnType(column))).append("\"}");
    }
    return json.append(']');
}

QByteArray RowsJson(Recordset& recordset)
{
    QByteArray json = "[";
    bool firstRow = true;
    for (recordset.MoveFirst(); !recordset.Eof(); recordset.MoveNext()) {
        json.append(firstRow ? "[" : ", [");
        firstRow = false;
        for (int column = 0; column < recordset.columnCount(); ++column) {
            if (column > 0)
                json.append(", ");
            json.append(FieldJson(recordset.fieldAt(column)));
        }
        json.append(']');
    }
    return json.append(']');
}

} // namespace

QByteArray RemoteResultJson(const QString& statement, const QString& lastRemoteError, Recordset* recordset)
{
    QByteArray json = "{\"statement\": " + JsonString(statement) +
                      ", \"lastRemoteError\": " + JsonString(lastRemoteError) + ", \"recordset\": ";
    if (!recordset)
        return json.append("null}");
    return json.append("{\"columns\": ")
        .append(ColumnsJson(*recordset))
        .append(", \"rows\": ")
        .append(RowsJson(*recordset))
        .append("}}");
}
