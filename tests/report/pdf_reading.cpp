// Reading a PDF back in tests through poppler's pdftotext: the text of pages and the words with their positions.
#include "pdf_reading.h"

#include <QProcess>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

constexpr double MmPerPoint = 25.4 / 72.0;

QByteArray runPdftotext(const QStringList& arguments)
{
    QProcess process;
    process.start(u"pdftotext"_s, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QString unescapeXml(QString text)
{
    return text.replace(u"&lt;"_s, u"<"_s)
        .replace(u"&gt;"_s, u">"_s)
        .replace(u"&quot;"_s, u"\""_s)
        .replace(u"&apos;"_s, u"'"_s)
        .replace(u"&amp;"_s, u"&"_s);
}

} // namespace

QString PdfText(const QString& pdfPath, int firstPage, int lastPage)
{
    QStringList arguments{u"-layout"_s, u"-enc"_s, u"UTF-8"_s};
    if (firstPage > 0)
        arguments << u"-f"_s << QString::number(firstPage);
    if (lastPage > 0)
        arguments << u"-l"_s << QString::number(lastPage);
    arguments << pdfPath << u"-"_s;
    return QString::fromUtf8(runPdftotext(arguments));
}

QStringList PdfLines(const QString& pdfPath, int firstPage, int lastPage)
{
    static const QRegularExpression blanks(u"\\s+"_s);
    QStringList lines;
    for (QString line : PdfText(pdfPath, firstPage, lastPage).split(u'\n')) {
        line = line.replace(blanks, u" "_s).trimmed();
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

std::vector<PdfWord> PdfWords(const QString& pdfPath)
{
    const QString html = QString::fromUtf8(runPdftotext({u"-bbox"_s, u"-enc"_s, u"UTF-8"_s, pdfPath, u"-"_s}));
    static const QRegularExpression pageOrWord(
        uR"re(<page\b|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    std::vector<PdfWord> words;
    int page = 0;
    for (auto it = pageOrWord.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(0).startsWith(u"<page"_s)) {
            ++page;
            continue;
        }
        const double x0 = match.captured(1).toDouble(), y0 = match.captured(2).toDouble();
        const double x1 = match.captured(3).toDouble(), y1 = match.captured(4).toDouble();
        words.push_back({page,
                         QRectF(QPointF(x0 * MmPerPoint, y0 * MmPerPoint), QPointF(x1 * MmPerPoint, y1 * MmPerPoint)),
                         unescapeXml(match.captured(5))});
    }
    return words;
}

int PdfPageCount(const QString& pdfPath)
{
    const QString html = QString::fromUtf8(runPdftotext({u"-bbox"_s, pdfPath, u"-"_s}));
    return int(html.count(u"<page "_s));
}

std::vector<PdfWord> FindWords(const std::vector<PdfWord>& words, const QString& word, int page)
{
    std::vector<PdfWord> found;
    for (const PdfWord& w : words)
        if (w.text == word && (page == 0 || w.page == page))
            found.push_back(w);
    return found;
}
