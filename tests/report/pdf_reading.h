// Reading a PDF back in tests through poppler's pdftotext: the text of pages and the words with their positions.
#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

struct PdfWord {
    int page = 0; // 1-based
    QRectF boxMm; // from the page's top-left corner
    QString text;
};

// Text of the pages firstPage..lastPage (1-based, 0 = from the start / to the end), in
// reading layout (pdftotext -layout). Empty when pdftotext fails.
QString PdfText(const QString& pdfPath, int firstPage = 0, int lastPage = 0);
// Every word with its bounding box (pdftotext -bbox).
std::vector<PdfWord> PdfWords(const QString& pdfPath);
int PdfPageCount(const QString& pdfPath);
// The words of one page whose text equals word.
std::vector<PdfWord> FindWords(const std::vector<PdfWord>& words, const QString& word, int page = 0);
// The lines of text (words joined by single blanks), as pdftotext lays them out, trimmed.
QStringList PdfLines(const QString& pdfPath, int firstPage = 0, int lastPage = 0);
