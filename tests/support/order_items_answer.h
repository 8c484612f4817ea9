// The workshop's answer to an order's items query, built from rows a test writes down.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One row of an order's items as the workshop stores it: every field is text.
struct OrderItemRow {
    QString opis;
    QString dodatno;
    QString kolicina;
    QString cena;
};

// The items answer with the columns id, opis, Dodatno, kolicina and cena, the ids counting
// from 1; no rows gives the empty record set the workshop sends for an order without items.
QByteArray OrderItemsAnswer(const QList<OrderItemRow>& items);
