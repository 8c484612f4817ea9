// Reading the word-processor and spreadsheet exports back in tests: RTF through unrtf, .xlsx through Python's openpyxl.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

// The text of an RTF file as unrtf reads it (its HTML output turned into plain text, so
// that \uN letters come back as letters), one line per paragraph or table cell, trimmed,
// empty lines dropped. Empty when unrtf fails.
QStringList RtfLines(const QString& rtfPath);

struct XlsxCell {
    int row = 0;    // 1-based, as in the sheet
    int column = 0; // 1-based
    QVariant value; // double for number cells, QString for text cells
    QString numberFormat;
    bool bold = false;
    bool isNumber() const { return value.typeId() == QMetaType::Double; }
};

struct XlsxBook {
    QStringList sheetNames;
    std::vector<XlsxCell> cells; // of the first sheet, row by row
    const XlsxCell* at(int row, int column) const;
    // The first cell whose text equals text.
    const XlsxCell* find(const QString& text) const;
    // The texts and numbers of one row, left to right ("/" and numbers as "2.00").
    QStringList rowTexts(int row) const;
};

// The workbook as openpyxl reads it; nullopt (with a warning) when it cannot be read.
std::optional<XlsxBook> ReadXlsx(const QString& xlsxPath);
