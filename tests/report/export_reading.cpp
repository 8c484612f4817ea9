// Reading the word-processor and spreadsheet exports back in tests: RTF through unrtf, .xlsx through Python's openpyxl.
#include "export_reading.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTextDocument>
#include <QtDebug>

using namespace Qt::StringLiterals;

namespace {

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning() << program << "failed:" << process.readAllStandardError();
        return {};
    }
    return process.readAllStandardOutput();
}

const char* const ReadXlsxScript = R"(
import json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
cells = []
for row in sheet.iter_rows():
    for cell in row:
        if cell.value is None:
            continue
        value = cell.value if isinstance(cell.value, str) else float(cell.value)
        cells.append({"row": cell.row, "column": cell.column, "value": value,
                      "format": cell.number_format, "bold": bool(cell.font.b)})
json.dump({"sheets": book.sheetnames, "cells": cells}, sys.stdout, ensure_ascii=False)
)";

} // namespace

QStringList RtfLines(const QString& rtfPath)
{
    const QByteArray html = run(u"unrtf"_s, {u"--html"_s, u"--nopict"_s, rtfPath});
    if (html.isEmpty())
        return {};
    QTextDocument document;
    document.setHtml(QString::fromUtf8(html));
    QStringList lines;
    for (const QString& line : document.toPlainText().split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines << trimmed;
    }
    return lines;
}

const XlsxCell* XlsxBook::at(int row, int column) const
{
    for (const XlsxCell& cell : cells)
        if (cell.row == row && cell.column == column)
            return &cell;
    return nullptr;
}

const XlsxCell* XlsxBook::find(const QString& text) const
{
    for (const XlsxCell& cell : cells)
        if (!cell.isNumber() && cell.value.toString() == text)
            return &cell;
    return nullptr;
}

QStringList XlsxBook::rowTexts(int row) const
{
    QStringList texts;
    for (const XlsxCell& cell : cells)
        if (cell.row == row)
            texts << (cell.isNumber() ? QString::number(cell.value.toDouble(), 'f', 2) : cell.value.toString());
    return texts;
}

std::optional<XlsxBook> ReadXlsx(const QString& xlsxPath)
{
    const QByteArray json =
        run(QStringLiteral(ORDAVO_TEST_PYTHON), {u"-c"_s, QString::fromUtf8(ReadXlsxScript), xlsxPath});
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    if (root.isEmpty())
        return std::nullopt;
    XlsxBook book;
    for (const QJsonValue& name : root[u"sheets"].toArray())
        book.sheetNames << name.toString();
    for (const QJsonValue& value : root[u"cells"].toArray()) {
        const QJsonObject cell = value.toObject();
        const QJsonValue content = cell[u"value"];
        book.cells.push_back({cell[u"row"].toInt(), cell[u"column"].toInt(),
                              content.isDouble() ? QVariant(content.toDouble()) : QVariant(content.toString()),
                              cell[u"format"].toString(), cell[u"bold"].toBool()});
    }
    return book;
}
