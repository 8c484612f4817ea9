// The report's content flow read the way a person reads the page: lines of the free bands and rows of the items table.
#pragma once

#include "report_page.h"

#include <vector>

namespace report {

// The title band heads the items table and every detail band is one of its rows.
bool IsTableBand(BandKind kind);

// One line of a free band: texts of one alignment that stand at the same height, left to
// right, or one picture, or one rule.
struct ReadingLine {
    std::vector<const PrintedText*> parts;
    const PrintedPicture* picture = nullptr;
    const PrintedRule* rule = nullptr;
    HAlign align = HAlign::Left;
};

// The non-empty texts, the pictures and the rules of a band in reading order: the
// left-aligned column top to bottom (pictures and rules among it), then centred texts, then
// the right-aligned column.
std::vector<ReadingLine> ReadingLines(const PrintedBand& band);

// The texts of a table band left to right, empty cells included, so that the same field
// keeps its column in every row.
std::vector<const PrintedText*> TableCells(const PrintedBand& band);

} // namespace report
