// Generated order-list tables (the columns of the main list) as the server's answer and as JSON, for the benchmarks.
#pragma once

#include <QByteArray>

#include <string>
#include <vector>

struct OrderTable {
    QByteArray payload;         // as DecodePayload reads it
    QByteArray answer;          // "[success]" + percent-encoded payload, as the server sends it
    std::string json;           // the same rows as a JSON array of arrays
    std::vector<int> typeCodes; // the payload type code of each column (3 integer, 135 date-time, 200 text)
};

// The same `rows` rows for the same count on every run (fixed seed).
const OrderTable& GeneratedOrderTable(int rows);
