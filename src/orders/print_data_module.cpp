// TDataModule1: the data module of the printed order, holding adoPrintit, the item rows the report prints.
#include "print_data_module.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

TDataModule1* DataModule1 = nullptr;

namespace {

// A value as the text field stores it: null as empty, numbers in the locale-free form the
// print hooks read.
QString storedText(const Field& field)
{
    if (field.isNull())
        return {};
    switch (field.type()) {
    case ColumnType::Integer:
    case ColumnType::Decimal:
        return field.canonicalText();
    default:
        return field.asString();
    }
}

} // namespace

void EnsurePrintDataModule()
{
    if (!DataModule1)
        new TDataModule1(QCoreApplication::instance());
}

void TPrintItemTable::appendRow(const QString& opis, const QString& dodatno, const QString& kolicina,
                                const QString& cena)
{
    rows_.push_back({opis.left(OpisSize), dodatno.left(DodatnoSize), kolicina.left(KolicinaSize), cena.left(CenaSize)});
}

void TPrintItemTable::loadFrom(Recordset& items)
{
    items.MoveFirst();
    while (!items.Eof()) {
        appendRow(storedText(items.FieldValue(u"opis"_s)), storedText(items.FieldValue(u"Dodatno"_s)),
                  storedText(items.FieldValue(u"kolicina"_s)), storedText(items.FieldValue(u"cena"_s)));
        items.MoveNext();
    }
}

QString TPrintItemTable::fieldText(int row, const QString& field) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const Row& values = rows_[std::size_t(row)];
    const QString name = field.toLower();
    if (name == u"opis")
        return values.opis;
    if (name == u"dodatno")
        return values.dodatno;
    if (name == u"kolicina")
        return values.kolicina;
    if (name == u"cena")
        return values.cena;
    return {};
}

TDataModule1::TDataModule1(QObject* parent) : QObject(parent)
{
    setObjectName(u"DataModule1"_s);
    DataModule1 = this;
}

TDataModule1::~TDataModule1()
{
    if (DataModule1 == this)
        DataModule1 = nullptr;
}
