// The workshop's answer to an order's items query, built from rows a test writes down.
#include "order_items_answer.h"

#include "data/payload_writer.h"

using namespace Qt::StringLiterals;

QByteArray OrderItemsAnswer(const QList<OrderItemRow>& items)
{
    if (items.isEmpty())
        return PayloadWriter::EmptyRecordsetAnswer();
    PayloadWriter writer;
    writer.addColumn(u"id"_s, 3);
    for (const QString& column : {u"opis"_s, u"Dodatno"_s, u"kolicina"_s, u"cena"_s})
        writer.addColumn(column, 200);
    int id = 0;
    for (const OrderItemRow& item : items) {
        writer.beginRow();
        writer.addValue(QString::number(++id));
        for (const QString& value : {item.opis, item.dodatno, item.kolicina, item.cena})
            writer.addValue(value);
    }
    return PayloadWriter::EncodeAnswer(writer.payload());
}
