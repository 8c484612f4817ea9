// The outputs of a generated report: painting its pages on any paint device, a printer, a PDF file and one HTML file.
#pragma once

#include "report_page.h"

#include <QString>

class QPainter;
class QPrinter;

namespace report {

// Paints one page; the painter's device has its origin at the paper's top-left corner.
void PaintPage(QPainter& painter, const Page& page);

// Sets up a printer for the document's paper: portrait, the whole sheet addressable.
void ConfigurePrinter(QPrinter& printer, const Document& document);
// Paints every page on the printer (or the preview's printer). False when the printer
// cannot be opened for painting.
bool PrintDocument(QPrinter& printer, const Document& document);

// Writes the pages as a PDF whose streams are stored without compression. On failure
// returns false and says why in *error.
bool WritePdf(const Document& document, const QString& filePath, QString* error);

// Replaces the file with the bytes, or leaves it as it was and says why in *error.
bool WriteFileAtomically(const QString& filePath, const QByteArray& bytes, QString* error);

// The pages as one self-contained HTML text: every page a sheet of its paper size, texts,
// rules and frames placed in millimetres, pictures embedded, no links between pages.
QString DocumentToHtml(const Document& document, const QString& title);
bool WriteHtml(const Document& document, const QString& filePath, const QString& title, QString* error);

} // namespace report
