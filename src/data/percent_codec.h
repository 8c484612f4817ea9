// The percent codec of statements and answers: "%XX" encoding of UTF-8 bytes and the decoder that
// reads an answer's payload, with SIMD block levels checked against the scalar one.
#pragma once

#include "payload.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

QByteArray PercentEncode(const QString& text);
// Appends bytes with every byte but ASCII letters, digits and "_" written as %XX.
void AppendPercentEncoded(QByteArray& out, QByteArrayView bytes);
// Percent-decodes, reads the bytes as UTF-8 and returns UTF-8 in which every character
// without a Windows-1250 form is "?"; invalid UTF-8 gives an empty result.
QByteArray PercentDecode(QByteArrayView text);
// The same with the block decoder limited to a level (the widest the processor runs at most), so
// that tests can check every level on the same inputs.
enum class PercentDecodeLevel { Scalar, Ssse3, Avx2, Avx512 };
QByteArray PercentDecodeAt(QByteArrayView text, PercentDecodeLevel level);

// The first step of PercentDecode alone: "%" and two hexadecimal digits give one byte (so does
// "%" and one digit as the last two characters); any other "%" is copied.
struct PercentDecoded {
    QByteArray bytes;
    bool textHasNonAscii = false; // some byte of the encoded text itself is 0x80 or above
    bool textHasBracket = false;  // some byte of the encoded text itself is "["
    PayloadBytesSummary summary;  // of `bytes`
};
// The bytes are written into `memory` when it is large enough and has no other owner, else into
// fresh memory.
PercentDecoded PercentDecodeToBytes(QByteArrayView text, PercentDecodeLevel wanted = PercentDecodeLevel::Avx512,
                                    QByteArray memory = {});
// The second step: the decoded bytes as UTF-8 of their Windows-1250 projection, or empty when
// they are not UTF-8.
QByteArray ProjectedToWindows1250(QByteArray bytes);
