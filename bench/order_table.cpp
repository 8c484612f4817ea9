// Order-list tables with realistic Slovenian texts, blanks, commas, dots, NULLs and dates, built once per size.
#include "order_table.h"

#include "data/payload_writer.h"

#include <QDateTime>
#include <QStringList>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <map>
#include <optional>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Column {
    const char16_t* name;
    int typeCode;
};

constexpr Column kOrderColumns[] = {
    {u"id", 3},      {u"nalogStevilka", 200}, {u"stranka", 200}, {u"vnesel", 200},        {u"komentar", 200},
    {u"datum", 135}, {u"viewed", 3},          {u"vozilo", 200},  {u"registrska_st", 200}, {u"nalogType", 3},
    {u"saved", 3}};

const QStringList kCustomers = {u"Avtoservis Horvat s.p."_s,
                                u"Novak, Janez"_s,
                                u"Kovač d.o.o."_s,
                                u"Marija Krajnc"_s,
                                u"Zupančič & sinovi d.o.o."_s,
                                u"Potočnik Ana"_s,
                                u"Prevozi Mlakar, d.o.o."_s,
                                u"Šuštar Peter"_s,
                                u"Vidmar Matej"_s,
                                u"Gumarna Žalec d.d."_s};
const QStringList kStaff = {u"Marko"_s, u"Petra Zupan"_s, u"Luka K."_s, u"Tina"_s};
const QStringList kComments = {u"Menjava olja in filtrov, preverjanje zavor."_s,
                               u"Stranka želi ponudbo za nove gume 205/55 R16."_s,
                               u"Zimske gume v hrambo; letne nazaj na vozilo."_s,
                               u"Ropot pri zaviranju spredaj levo. Preveriti diske, ploščice."_s,
                               u"Servis po navodilih proizvajalca (60.000 km)."_s,
                               u"Klic stranki pred izdajo računa!"_s};
const QStringList kVehicles = {u"VW Golf 1.6 TDI"_s, u"Škoda Octavia 2.0"_s, u"Renault Clio, bela"_s,
                               u"Peugeot 308 SW"_s,  u"BMW X3 xDrive20d"_s,  u"Citroën Berlingo"_s};
const QStringList kPlatePrefixes = {u"LJ"_s, u"CE"_s, u"MB"_s, u"KR"_s, u"NM"_s, u"KP"_s};

using Row = std::vector<std::optional<QString>>;

Row RandomOrder(int id, std::mt19937& random)
{
    const auto pick = [&random](const QStringList& list) { return list.at(int(random() % list.size())); };
    const QDateTime start(QDate(2024, 1, 2), QTime(7, 0));
    const QDateTime when = start.addSecs(qint64(random() % (365 * 24 * 3600)));
    const bool reception = random() % 4 == 0;
    Row row;
    row.push_back(QString::number(id));
    row.push_back((reception ? u"SN-2024-"_s : u"DN-2024-"_s) + QString::number(id).rightJustified(6, u'0'));
    row.push_back(pick(kCustomers));
    row.push_back(pick(kStaff));
    row.push_back(random() % 5 == 0 ? std::nullopt : std::optional<QString>(pick(kComments)));
    row.push_back(when.toString(u"yyyy-MM-dd HH:mm:ss"_s));
    row.push_back(QString::number(random() % 2));
    row.push_back(random() % 8 == 0 ? std::nullopt : std::optional<QString>(pick(kVehicles)));
    row.push_back(pick(kPlatePrefixes) + u' ' + QChar(u'A' + int(random() % 26)) + QChar(u'A' + int(random() % 26)) +
                  u'-' + QString::number(100 + random() % 900));
    row.push_back(reception ? u"1"_s : u"0"_s);
    row.push_back(QString::number(random() % 2));
    return row;
}

void WriteJsonValue(rapidjson::Writer<rapidjson::StringBuffer>& json, const std::optional<QString>& value, int typeCode)
{
    if (!value) {
        json.Null();
    } else if (typeCode == 3) {
        json.Int64(value->toLongLong());
    } else {
        const QByteArray utf8 = value->toUtf8();
        json.String(utf8.constData(), rapidjson::SizeType(utf8.size()));
    }
}

OrderTable BuildOrderTable(int rows)
{
    std::mt19937 random(20240305u + unsigned(rows));
    PayloadWriter writer;
    for (const Column& column : kOrderColumns)
        writer.addColumn(QString::fromUtf16(column.name), column.typeCode);
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> json(buffer);
    json.StartArray();
    for (int i = 0; i < rows; ++i) {
        const Row row = RandomOrder(1000 + i, random);
        writer.beginRow();
        json.StartArray();
        for (std::size_t c = 0; c < row.size(); ++c) {
            writer.addValue(row[c]);
            WriteJsonValue(json, row[c], kOrderColumns[c].typeCode);
        }
        json.EndArray();
    }
    json.EndArray();
    OrderTable table;
    table.payload = writer.payload();
    table.answer = PayloadWriter::EncodeAnswer(table.payload);
    table.json.assign(buffer.GetString(), buffer.GetSize());
    for (const Column& column : kOrderColumns)
        table.typeCodes.push_back(column.typeCode);
    return table;
}

} // namespace

const OrderTable& GeneratedOrderTable(int rows)
{
    static std::map<int, OrderTable> tables;
    auto found = tables.find(rows);
    if (found == tables.end())
        found = tables.emplace(rows, BuildOrderTable(rows)).first;
    return found->second;
}
