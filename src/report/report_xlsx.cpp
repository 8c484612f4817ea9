// The report as an Excel workbook: one sheet with its texts, the items table with numbers as numbers, and the total.
#include "report_xlsx.h"

#include "report_flow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <map>

using namespace Qt::StringLiterals;

namespace report {
namespace {

constexpr int MaxSheetNameLength = 31;
constexpr double MinColumnWidth = 8.0;
constexpr double MaxColumnWidth = 60.0;

QString numberFormatCode(const ShownNumber& number)
{
    QString code = number.decimals > 0 ? u"0."_s + QString(number.decimals, u'0') : u"0"_s;
    if (!number.unit.isEmpty())
        code += u" \""_s + number.unit + u'"';
    return code;
}

// Formats by look; libxlsxwriter owns them and frees them with the workbook.
class Formats {
public:
    explicit Formats(lxw_workbook* workbook) : workbook_(workbook) {}

    lxw_format* get(bool bold, HAlign align, const QString& numberFormat = {})
    {
        const QString key = u"%1|%2|%3"_s.arg(int(bold)).arg(int(align)).arg(numberFormat);
        auto found = formats_.find(key);
        if (found != formats_.end())
            return found->second;
        lxw_format* format = workbook_add_format(workbook_);
        if (bold)
            format_set_bold(format);
        if (align == HAlign::Right)
            format_set_align(format, LXW_ALIGN_RIGHT);
        else if (align == HAlign::Center)
            format_set_align(format, LXW_ALIGN_CENTER);
        if (!numberFormat.isEmpty())
            format_set_num_format(format, numberFormat.toUtf8().constData());
        formats_.emplace(key, format);
        return format;
    }

private:
    lxw_workbook* workbook_;
    std::map<QString, lxw_format*> formats_;
};

class SheetWriter {
public:
    SheetWriter(lxw_workbook* workbook, lxw_worksheet* sheet) : sheet_(sheet), formats_(workbook) {}

    void write(const Document& document)
    {
        for (const PrintedBand& band : document.flow) {
            if (band.kind != BandKind::Detail && row_ > 0)
                ++row_; // an empty row between blocks, as the bands stand apart on the page
            if (IsTableBand(band.kind))
                writeTableRow(band);
            else
                writeFreeBand(band);
        }
        for (const auto& [column, width] : widths_)
            worksheet_set_column(sheet_, lxw_col_t(column), lxw_col_t(column),
                                 std::clamp(width, MinColumnWidth, MaxColumnWidth), nullptr);
    }

    lxw_error error() const { return error_; }

private:
    void writeText(int column, const QString& text, bool bold, HAlign align)
    {
        if (text.isEmpty())
            return;
        keep(worksheet_write_string(sheet_, lxw_row_t(row_), lxw_col_t(column), text.toUtf8().constData(),
                                    formats_.get(bold, align)));
        widen(column, text.size());
    }

    void writeNumber(int column, const ShownNumber& number, bool bold)
    {
        keep(worksheet_write_number(sheet_, lxw_row_t(row_), lxw_col_t(column), number.value,
                                    formats_.get(bold, HAlign::Right, numberFormatCode(number))));
        widen(column, QString::number(number.value, 'f', number.decimals).size() + number.unit.size() + 1);
    }

    // A text cell, or a number cell when the text shows a number; returns the next free column.
    int writeCell(int column, const PrintedText& text, HAlign align)
    {
        if (!text.number) {
            writeText(column, text.text, text.font.bold(), align);
            return column + 1;
        }
        if (!text.number->caption.isEmpty())
            writeText(column++, text.number->caption, text.font.bold(), HAlign::Left);
        writeNumber(column, *text.number, text.font.bold());
        return column + 1;
    }

    void writeFreeBand(const PrintedBand& band)
    {
        for (const ReadingLine& line : ReadingLines(band)) {
            if (line.picture || line.rule)
                continue; // a sheet holds values; pictures and lines stay on the page
            if (line.parts.size() == 1 && !line.parts.front()->number) {
                // A memo's lines each get a row of their own.
                for (const QString& text : line.parts.front()->text.split(u'\n')) {
                    writeText(0, text, line.parts.front()->font.bold(), HAlign::Left);
                    ++row_;
                }
                continue;
            }
            int column = 0;
            for (const PrintedText* part : line.parts)
                column = writeCell(column, *part, HAlign::Left);
            ++row_;
        }
    }

    void writeTableRow(const PrintedBand& band)
    {
        const std::vector<const PrintedText*> cells = TableCells(band);
        for (std::size_t column = 0; column < cells.size(); ++column)
            writeCell(int(column), *cells[column], cells[column]->align);
        ++row_;
    }

    void widen(int column, qsizetype characters)
    {
        double& width = widths_[column];
        width = std::max(width, double(characters) + 2.0);
    }

    void keep(lxw_error result)
    {
        if (error_ == LXW_NO_ERROR)
            error_ = result;
    }

    lxw_worksheet* sheet_;
    Formats formats_;
    int row_ = 0;
    std::map<int, double> widths_;
    lxw_error error_ = LXW_NO_ERROR;
};

QString failure(const QString& reason)
{
    return u"Datoteke Excel ni bilo mogoče zapisati: "_s + reason;
}

// A name next to the target for the workbook to be written under before it replaces the
// target, so a failed write never leaves half a file where the user asked for one. The
// library creates the file itself, with the permissions any new file gets.
QString temporaryPathFor(const QString& filePath)
{
    const QFileInfo target(filePath);
    return target.absolutePath() + u"/."_s + target.fileName() +
           u".%1.tmp"_s.arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
}

} // namespace

QString SheetNameFor(const QString& wanted)
{
    static const QString forbidden = u"[]:*?/\\"_s;
    QString name = wanted.trimmed();
    for (QChar& c : name)
        if (forbidden.contains(c) || c.unicode() < 0x20)
            c = u'_';
    name = name.left(MaxSheetNameLength);
    if (name.startsWith(u'\''))
        name[0] = u'_';
    if (name.endsWith(u'\''))
        name[name.size() - 1] = u'_';
    return name.isEmpty() ? u"List1"_s : name;
}

bool WriteXlsx(const Document& document, const QString& filePath, const QString& sheetName, QString* error)
{
    const QFileInfo target(filePath);
    if (!target.absoluteDir().exists()) {
        if (error)
            *error = failure(u"mapa "_s + target.absolutePath() + u" ne obstaja."_s);
        return false;
    }
    const QString temporaryPath = temporaryPathFor(filePath);
    lxw_workbook* workbook = workbook_new(QFile::encodeName(temporaryPath).constData());
    lxw_worksheet* sheet =
        workbook ? workbook_add_worksheet(workbook, SheetNameFor(sheetName).toUtf8().constData()) : nullptr;
    lxw_error result = workbook ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    if (sheet) {
        SheetWriter writer(workbook, sheet);
        writer.write(document);
        result = writer.error();
    } else if (workbook) {
        result = LXW_ERROR_PARAMETER_VALIDATION;
    }
    if (workbook) {
        const lxw_error closed = workbook_close(workbook);
        if (result == LXW_NO_ERROR)
            result = closed;
    }
    if (result == LXW_NO_ERROR &&
        std::rename(QFile::encodeName(temporaryPath).constData(), QFile::encodeName(filePath).constData()) == 0)
        return true;
    if (error)
        *error = failure(result != LXW_NO_ERROR ? QString::fromUtf8(lxw_strerror(result))
                                                : u"datoteke ni mogoče preimenovati v "_s + filePath);
    QFile::remove(temporaryPath);
    return false;
}

} // namespace report
