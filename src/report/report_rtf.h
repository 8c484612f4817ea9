// The report as one RTF document for word processors: its texts, the items table and the pictures in the page's order.
#pragma once

#include "report_page.h"

#include <QByteArray>
#include <QString>

namespace report {

// The content flow as RTF on the document's paper with 10 mm margins: free bands as
// paragraphs aligned as on the page, the title and detail bands as one table, pictures as
// PNG. Plain ASCII; other letters as \uN escapes.
QByteArray DocumentToRtf(const Document& document);
bool WriteRtf(const Document& document, const QString& filePath, QString* error);

// Text escaped for an RTF body: braces and backslashes quoted, line breaks as \line,
// everything beyond ASCII as \uN (UTF-16 units, signed as RTF wants them) with "?" as the
// stand-in for readers without Unicode.
QByteArray RtfEscaped(const QString& text);

} // namespace report
