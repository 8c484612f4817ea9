// The report as one RTF document for word processors: its texts, the items table and the pictures in the page's order.
#include "report_rtf.h"

#include "report_flow.h"
#include "report_output.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace report {
namespace {

constexpr double TwipsPerMm = 1440.0 / MmPerInch;
constexpr double PageMarginMm = 10.0;
constexpr double CellPaddingMm = 1.0;
constexpr double MinCellMm = 18.0;

int twips(double mm)
{
    return int(std::lround(mm * TwipsPerMm));
}

QByteArray number(long long value)
{
    return QByteArray::number(value);
}

// RTF sizes fonts in half points; a font sized in pixels counts 96 of them to the inch.
long long halfPoints(const QFont& font)
{
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    return std::max(1L, std::lround(points * 2));
}

// Font families in the order the texts first use them; the index is the RTF font number.
class FontTable {
public:
    explicit FontTable(const Document& document)
    {
        for (const PrintedBand& band : document.flow)
            for (const PrintedText& text : band.texts)
                if (!families_.contains(text.font.family()))
                    families_.append(text.font.family());
        if (families_.isEmpty())
            families_.append(u"Arial"_s);
    }

    int indexOf(const QFont& font) const { return std::max(0, int(families_.indexOf(font.family()))); }

    QByteArray rtf() const
    {
        QByteArray out = "{\\fonttbl";
        for (qsizetype i = 0; i < families_.size(); ++i)
            out += "{\\f" + number(i) + "\\fnil\\fcharset0 " + RtfEscaped(families_[i]) + ";}";
        return out + "}\n";
    }

private:
    QStringList families_;
};

QByteArray alignment(HAlign align)
{
    switch (align) {
    case HAlign::Left:
        return "\\ql";
    case HAlign::Right:
        return "\\qr";
    case HAlign::Center:
        return "\\qc";
    }
    return "\\ql";
}

class RtfWriter {
public:
    explicit RtfWriter(const Document& document) : document_(document), fonts_(document) {}

    QByteArray write()
    {
        out_ = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n" + fonts_.rtf() + paper();
        computeTableEdges();
        bool tableOpen = false;
        for (const PrintedBand& band : document_.flow) {
            const bool table = IsTableBand(band.kind);
            if (!table || !tableOpen)
                separateBlocks();
            if (table)
                writeTableRow(band);
            else
                writeFreeBand(band);
            tableOpen = table;
        }
        out_ += "}\n";
        return out_;
    }

private:
    QByteArray paper() const
    {
        return "\\paperw" + number(twips(document_.pageSizeMm.width())) + "\\paperh" +
               number(twips(document_.pageSizeMm.height())) + "\\margl" + number(twips(PageMarginMm)) + "\\margr" +
               number(twips(PageMarginMm)) + "\\margt" + number(twips(PageMarginMm)) + "\\margb" +
               number(twips(PageMarginMm)) + "\\viewkind1\n";
    }

    double contentWidthMm() const { return document_.pageSizeMm.width() - 2 * PageMarginMm; }

    // An empty paragraph between blocks, as the bands stand apart on the page.
    void separateBlocks()
    {
        if (blocks_++ > 0)
            out_ += "\\pard\\plain\\par\n";
    }

    QByteArray styled(const PrintedText& text) const
    {
        return "{\\f" + number(fonts_.indexOf(text.font)) + "\\fs" + number(halfPoints(text.font)) +
               (text.font.bold() ? "\\b " : " ") + RtfEscaped(text.text) + "}";
    }

    void writeFreeBand(const PrintedBand& band)
    {
        for (const ReadingLine& line : ReadingLines(band)) {
            if (line.rule) {
                out_ += rule(*line.rule);
                continue;
            }
            out_ += "\\pard\\plain" + alignment(line.align) + ' ';
            if (line.picture) {
                out_ += picture(*line.picture);
            } else {
                for (std::size_t i = 0; i < line.parts.size(); ++i)
                    out_ += (i > 0 ? "{ }" : "") + styled(*line.parts[i]);
            }
            out_ += "\\par\n";
        }
    }

    const PrintedBand* firstBand(BandKind kind) const
    {
        for (const PrintedBand& band : document_.flow)
            if (band.kind == kind)
                return &band;
        return nullptr;
    }

    // Where a column starts on the page: the leftmost left-aligned text of it in the
    // headings or the first row.
    static std::optional<double> columnStart(const std::vector<const PrintedText*>& headings,
                                             const std::vector<const PrintedText*>& row, std::size_t column)
    {
        std::optional<double> start;
        for (const auto* cells : {&headings, &row})
            if (column < cells->size() && (*cells)[column]->align == HAlign::Left)
                start = std::min(start.value_or(1e9), (*cells)[column]->anchorMm.x());
        return start;
    }

    // One set of column edges for the whole table: a column ends where its right-aligned
    // texts end on the page, or where the next column starts; no column narrower than a
    // price needs.
    void computeTableEdges()
    {
        const PrintedBand* title = firstBand(BandKind::Title);
        const PrintedBand* detail = firstBand(BandKind::Detail);
        const auto headings = title ? TableCells(*title) : std::vector<const PrintedText*>{};
        const auto row = detail ? TableCells(*detail) : std::vector<const PrintedText*>{};
        const std::size_t columns = std::max(headings.size(), row.size());
        std::vector<double> ends(columns, contentWidthMm());
        for (std::size_t i = 0; i < columns; ++i) {
            const PrintedText* anchor = i < row.size() ? row[i] : headings[i];
            if (anchor->align == HAlign::Right)
                ends[i] = anchor->anchorMm.x() + CellPaddingMm;
            else if (i + 1 < columns)
                ends[i] = columnStart(headings, row, i + 1).value_or((ends[i] + anchor->anchorMm.x()) / 2);
        }
        for (std::size_t i = columns; i-- > 1;)
            ends[i - 1] = std::min(ends[i - 1], ends[i] - MinCellMm);
        tableEdges_.clear();
        int previous = 0;
        for (double end : ends) {
            previous = std::max(twips(end), previous + 1);
            tableEdges_.push_back(previous);
        }
    }

    void writeTableRow(const PrintedBand& band)
    {
        const std::vector<const PrintedText*> cells = TableCells(band);
        if (cells.empty())
            return;
        out_ += "\\trowd\\trgaph" + number(twips(CellPaddingMm)) + "\\trleft0";
        if (band.kind == BandKind::Title)
            out_ += "\\trhdr";
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const int edge = i < tableEdges_.size() ? tableEdges_[i] : twips(contentWidthMm());
            out_ += (band.kind == BandKind::Title ? "\\clbrdrb\\brdrs\\brdrw10" : "") + QByteArray("\\cellx") +
                    number(edge);
        }
        out_ += '\n';
        for (const PrintedText* cell : cells)
            out_ += "\\pard\\plain\\intbl" + alignment(cell->align) + ' ' + styled(*cell) + "\\cell\n";
        out_ += "\\row\n";
    }

    // A rule as an empty paragraph with a bottom border as wide as the rule: the lines of a
    // form stay lines to write on.
    QByteArray rule(const PrintedRule& rule) const
    {
        const int right = std::max(0, twips(contentWidthMm() - rule.posMm.x() - rule.widthMm));
        return "\\pard\\plain\\li" + number(twips(std::max(0.0, rule.posMm.x()))) + "\\ri" + number(right) + "\\brdrb" +
               (rule.style == LineStyle::Dotted ? "\\brdrdot" : "\\brdrs") + "\\brdrw10\\brsp20\\par\n";
    }

    static QByteArray picture(const PrintedPicture& picture)
    {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.image.save(&buffer, "PNG");
        QByteArray out = "{\\pict\\pngblip\\picw" + number(picture.image.width()) + "\\pich" +
                         number(picture.image.height()) + "\\picwgoal" + number(twips(picture.sizeMm.width())) +
                         "\\pichgoal" + number(twips(picture.sizeMm.height())) + '\n';
        const QByteArray hex = png.toHex();
        for (qsizetype at = 0; at < hex.size(); at += 128)
            out += hex.mid(at, 128) + '\n';
        return out + '}';
    }

    const Document& document_;
    FontTable fonts_;
    QByteArray out_;
    int blocks_ = 0;
    std::vector<int> tableEdges_;
};

} // namespace

QByteArray RtfEscaped(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += char(c);
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue; // the \n that follows breaks the line
        } else if (c == u'\n' || c == u'\r') {
            out += "\\line ";
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c >= 0x20 && c < 0x7f) {
            out += char(c);
        } else {
            // Other control characters included: nothing of the text is dropped. The
            // stand-in for readers without Unicode is a quoted "?", which, unlike a bare
            // one, no reader takes as part of the control word.
            out += "\\u" + number(qint16(c)) + "\\'3f";
        }
    }
    return out;
}

QByteArray DocumentToRtf(const Document& document)
{
    return RtfWriter(document).write();
}

bool WriteRtf(const Document& document, const QString& filePath, QString* error)
{
    return WriteFileAtomically(filePath, DocumentToRtf(document), error);
}

} // namespace report
