// The report's content flow read the way a person reads the page: lines of the free bands and rows of the items table.
#include "report_flow.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace report {
namespace {

// Texts whose tops differ by less than this stand on one line.
constexpr double SameLineToleranceMm = 0.5;

int alignRank(HAlign align)
{
    switch (align) {
    case HAlign::Left:
        return 0;
    case HAlign::Center:
        return 1;
    case HAlign::Right:
        return 2;
    }
    return 0;
}

struct Entry {
    const PrintedText* text = nullptr;
    const PrintedPicture* picture = nullptr;
    const PrintedRule* rule = nullptr;
    HAlign align = HAlign::Left;
    QPointF anchor;
};

bool readsBefore(const Entry& a, const Entry& b)
{
    if (alignRank(a.align) != alignRank(b.align))
        return alignRank(a.align) < alignRank(b.align);
    if (std::abs(a.anchor.y() - b.anchor.y()) >= SameLineToleranceMm)
        return a.anchor.y() < b.anchor.y();
    return a.anchor.x() < b.anchor.x();
}

bool sameLine(const Entry& a, const Entry& b)
{
    return a.text && b.text && a.align == b.align && std::abs(a.anchor.y() - b.anchor.y()) < SameLineToleranceMm;
}

} // namespace

bool IsTableBand(BandKind kind)
{
    return kind == BandKind::Title || kind == BandKind::Detail;
}

std::vector<ReadingLine> ReadingLines(const PrintedBand& band)
{
    std::vector<Entry> entries;
    for (const PrintedText& text : band.texts)
        if (!text.text.isEmpty())
            entries.push_back({&text, nullptr, nullptr, text.align, text.anchorMm});
    for (const PrintedPicture& picture : band.pictures)
        entries.push_back({nullptr, &picture, nullptr, HAlign::Left, picture.posMm});
    for (const PrintedRule& rule : band.rules)
        entries.push_back({nullptr, nullptr, &rule, HAlign::Left, rule.posMm});
    std::stable_sort(entries.begin(), entries.end(), readsBefore);

    std::vector<ReadingLine> lines;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].text) {
            lines.push_back({{}, entries[i].picture, entries[i].rule, HAlign::Left});
            continue;
        }
        if (i > 0 && !lines.empty() && !lines.back().parts.empty() && sameLine(entries[i - 1], entries[i])) {
            lines.back().parts.push_back(entries[i].text);
            continue;
        }
        lines.push_back({{entries[i].text}, nullptr, nullptr, entries[i].align});
    }
    return lines;
}

std::vector<const PrintedText*> TableCells(const PrintedBand& band)
{
    std::vector<const PrintedText*> cells;
    for (const PrintedText& text : band.texts)
        cells.push_back(&text);
    std::stable_sort(cells.begin(), cells.end(),
                     [](const PrintedText* a, const PrintedText* b) { return a->anchorMm.x() < b->anchorMm.x(); });
    return cells;
}

} // namespace report
