// Generated order-list tables (the columns of the main list) as the server's answer and as JSON, for the benchmarks.
#pragma once

#include <QByteArray>

#include <string>

struct OrderTable {
    QByteArray payload; // as DecodePayload reads it
    QByteArray answer;  // "[success]" + percent-encoded payload, as the server sends it
    std::string json;   // the same rows as a JSON array of arrays
};

// The same `rows` rows for the same count on every run (fixed seed).
const OrderTable& GeneratedOrderTable(int rows);
