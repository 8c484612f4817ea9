// Rewriting a PDF so that its deflated streams are stored uncompressed.
#pragma once

#include <QByteArray>
#include <optional>

namespace report {

// The same PDF with every /FlateDecode stream inflated and stored plain, the lengths and
// the cross-reference table rewritten. Reads files with one classic cross-reference
// table (as Qt writes them); nullopt for anything else or a stream that will not inflate.
std::optional<QByteArray> InflatePdfStreams(const QByteArray& pdf);

} // namespace report
