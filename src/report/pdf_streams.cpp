// Rewriting a PDF with its deflated streams stored plain: inflate each stream, fix its length, rebuild the
// cross-reference table.
#include "pdf_streams.h"

#include <QByteArrayView>
#include <QRegularExpression>
#include <QString>

#include <zlib.h>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace report {
namespace {

struct ObjectSpan {
    int number = 0;
    qsizetype begin = 0;
    qsizetype end = 0;
};

struct CrossReference {
    qsizetype tablePos = 0;
    int size = 0;
    std::vector<ObjectSpan> objects; // in file order
    QByteArray trailer;              // from "trailer" up to "startxref"
};

std::optional<QByteArray> inflateZlib(QByteArrayView compressed)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = uInt(compressed.size());
    QByteArray out;
    char buffer[16384];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
        if (status == Z_BUF_ERROR && stream.avail_in == 0)
            break;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return out;
}

std::optional<CrossReference> readCrossReference(const QByteArray& pdf)
{
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    if (startxref < 0)
        return std::nullopt;
    bool ok = false;
    const qsizetype tablePos = pdf.mid(startxref + 9, 24).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!ok || tablePos <= 0 || tablePos >= pdf.size() || !pdf.mid(tablePos).startsWith("xref"))
        return std::nullopt;

    qsizetype pos = tablePos + 4;
    while (pos < pdf.size() && (pdf[pos] == '\n' || pdf[pos] == '\r' || pdf[pos] == ' '))
        ++pos;
    const qsizetype headerEnd = pdf.indexOf('\n', pos);
    const QList<QByteArray> header = pdf.mid(pos, headerEnd - pos).trimmed().split(' ');
    if (header.size() != 2 || header[0] != "0")
        return std::nullopt;
    CrossReference xref;
    xref.tablePos = tablePos;
    xref.size = header[1].toInt(&ok);
    if (!ok || xref.size <= 0)
        return std::nullopt;

    const qsizetype entries = headerEnd + 1;
    constexpr int EntryBytes = 20;
    if (entries + qsizetype(xref.size) * EntryBytes > pdf.size())
        return std::nullopt;
    for (int i = 0; i < xref.size; ++i) {
        const QByteArray entry = pdf.mid(entries + qsizetype(i) * EntryBytes, EntryBytes);
        if (entry.size() < 18 || entry[17] != 'n')
            continue;
        const qsizetype offset = entry.left(10).toLongLong(&ok);
        if (!ok || offset <= 0 || offset >= tablePos)
            return std::nullopt;
        xref.objects.push_back({i, offset, 0});
    }
    std::sort(xref.objects.begin(), xref.objects.end(),
              [](const ObjectSpan& a, const ObjectSpan& b) { return a.begin < b.begin; });
    for (std::size_t i = 0; i < xref.objects.size(); ++i)
        xref.objects[i].end = i + 1 < xref.objects.size() ? xref.objects[i + 1].begin : tablePos;

    const qsizetype trailer = pdf.indexOf("trailer", entries);
    if (trailer < 0 || trailer > startxref)
        return std::nullopt;
    xref.trailer = pdf.mid(trailer, startxref - trailer);
    return xref;
}

// The object with a deflated stream stored plain, or the object unchanged.
std::optional<QByteArray> plainObject(const QByteArray& object)
{
    static const QRegularExpression flate(uR"(/Filter\s*(\[\s*/FlateDecode\s*\]|/FlateDecode))"_s);
    static const QRegularExpression length(uR"(/Length\s+\d+(\s+\d+\s+R)?)"_s);

    const qsizetype keyword = object.indexOf("stream");
    if (keyword < 0)
        return object;
    QString dictionary = QString::fromLatin1(object.left(keyword));
    if (!dictionary.contains(flate))
        return object;

    qsizetype dataBegin = keyword + 6;
    if (dataBegin < object.size() && object[dataBegin] == '\r')
        ++dataBegin;
    if (dataBegin < object.size() && object[dataBegin] == '\n')
        ++dataBegin;
    const qsizetype dataEnd = object.lastIndexOf("endstream");
    if (dataEnd < dataBegin)
        return std::nullopt;
    const auto data = inflateZlib(QByteArrayView(object).sliced(dataBegin, dataEnd - dataBegin));
    if (!data)
        return std::nullopt;

    dictionary.remove(flate);
    dictionary.replace(length, u"/Length "_s + QString::number(data->size()));
    return dictionary.toLatin1() + "stream\n" + *data + "\nendstream\nendobj\n";
}

} // namespace

std::optional<QByteArray> InflatePdfStreams(const QByteArray& pdf)
{
    const auto xref = readCrossReference(pdf);
    if (!xref || xref->objects.empty())
        return std::nullopt;

    QByteArray out = pdf.left(xref->objects.front().begin);
    std::vector<qsizetype> offsets(std::size_t(xref->size), -1);
    for (const ObjectSpan& span : xref->objects) {
        const auto object = plainObject(pdf.sliced(span.begin, span.end - span.begin));
        if (!object)
            return std::nullopt;
        offsets[std::size_t(span.number)] = out.size();
        out += *object;
    }

    const qsizetype tablePos = out.size();
    out += "xref\n0 " + QByteArray::number(xref->size) + "\n";
    for (int i = 0; i < xref->size; ++i) {
        const qsizetype offset = offsets[std::size_t(i)];
        out += offset < 0 ? QByteArray("0000000000 65535 f \n")
                          : QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    out += xref->trailer + "startxref\n" + QByteArray::number(tablePos) + "\n%%EOF\n";
    return out;
}

} // namespace report
