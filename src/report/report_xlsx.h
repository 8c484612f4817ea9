// The report as an Excel workbook: one sheet with its texts, the items table with numbers as numbers, and the total.
#pragma once

#include "report_page.h"

#include <QString>

namespace report {

// A sheet name Excel accepts: at most 31 characters, none of []:*?/\ (each becomes "_"),
// no apostrophe at either end; "List1" when nothing is left. The full text stays wherever
// the report prints it.
QString SheetNameFor(const QString& wanted);

// Writes the content flow as an .xlsx with one sheet: every line of a free band in a row
// (texts that share a line in neighbouring cells, a number after its caption as a number
// cell), the title band as the table's heading row and a row per detail band. Texts that
// show a number are number cells in their shown format ("0.00", the unit kept in the
// format). The file is replaced only when the whole workbook was written; on failure
// returns false and says why in *error.
bool WriteXlsx(const Document& document, const QString& filePath, const QString& sheetName, QString* error);

} // namespace report
