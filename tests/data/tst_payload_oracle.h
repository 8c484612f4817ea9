// A slow, literal reference of percent-decoding and payload decoding, and random answers to compare the product
// against.
#pragma once

#include "data/recordset.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <random>

namespace PayloadOracle {

// Percent-decoding done the plain way: "%" and two hex digits (or one at the very end) give a
// byte, anything else is copied; then the bytes must be strict UTF-8, and every character
// without a Windows-1250 form becomes "?". Invalid UTF-8 gives the empty text.
QByteArray PercentDecode(QByteArrayView text);

// The table the payload stands for, as one text: "name:type,..." then " / " and each row as
// canonical values joined by "|" ("<null>" for null); "none" when there is no table: the form
// Dump gives a table the product decoded. Built with whole-text replacements and a
// character-by-character split.
QString DecodePayload(QByteArrayView payload);

// Every byte that is not an ASCII letter or digit as "%XX".
QByteArray PercentEncode(QByteArrayView bytes);

// Random payloads and percent texts rich in delimiters, blanks, quotes, escape tokens and their
// fragments, "NULL", numbers, dates and multibyte UTF-8.
QByteArray RandomPayload(std::mt19937& random);
QByteArray RandomPercentText(std::mt19937& random);

} // namespace PayloadOracle
