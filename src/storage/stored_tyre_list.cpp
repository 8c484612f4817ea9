// The order list of the two tyre windows: row reading, colours, the model, the view's look and the shared load.
#include "stored_tyre_list.h"

#include "session/list_memory.h"
#include "session/remote_calls.h"
#include "ui/failure_box.h"
#include "ui/list_sort_proxy.h"

#include "data/errors.h"
#include "data/text_helpers.h"

#include <QFont>
#include <QHeaderView>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace {
// The search list's place names stay readable however narrow the list gets.
constexpr int LocationColumnMinimum = 200;
} // namespace

StoredTyreRowColours RowColoursFor(qint32 popisanoShranjevanje)
{
    const QColor placed(0x00, 0x80, 0x00);
    const QColor notPlaced(0xFF, 0x00, 0x00);
    return {popisanoShranjevanje > 0 ? placed : notPlaced, QColor(0xFF, 0xFF, 0xFF)};
}

Tvpisani ReadStoredTyreRow(const Recordset& answer, bool withPlace)
{
    Tvpisani row;
    row.id = answer.FieldValue(u"id"_s).asInteger();
    row.nalogStevilka = answer.FieldValue(u"nalogStevilka"_s).asString();
    const Field customer = answer.FieldValue(u"Stranka"_s);
    row.stranka = customer.isNull() ? u"Neznano"_s : customer.asString();
    row.vnesel = answer.FieldValue(u"vnesel"_s).asString();
    row.komentar = answer.FieldValue(u"komentar"_s).asString();
    row.datum = FormatDisplayDate(answer.FieldValue(u"datum"_s).asDateTime());
    row.viewed = answer.FieldValue(u"viewed"_s).asInteger();
    row.popisanoShranjevanje = answer.FieldValue(u"popisanoShranjevanje"_s).asInteger();
    row.SHRLokacija = answer.FieldValue(u"SHRLokacija"_s).asInteger();
    if (withPlace)
        row.lokacijaNM = answer.FieldValue(u"lokacijaNM"_s).asString();
    return row;
}

StoredTyreListModel::StoredTyreListModel(bool withPlace, QObject* parent)
    : QAbstractTableModel(parent), withPlace_(withPlace)
{
}

int StoredTyreListModel::indexOf(Column column) const
{
    if (column == Column::Lokacija)
        return withPlace_ ? 0 : -1;
    return int(column) - (withPlace_ ? 0 : 1);
}

StoredTyreListModel::Column StoredTyreListModel::columnAt(int section) const
{
    return Column(section + (withPlace_ ? 0 : 1));
}

void StoredTyreListModel::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void StoredTyreListModel::appendRow(const Tvpisani& row)
{
    // One row at a time, so the rows read before a failing one stay visible.
    beginInsertRows({}, int(rows_.size()), int(rows_.size()));
    rows_.append(row);
    endInsertRows();
}

int StoredTyreListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int StoredTyreListModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return int(Column::Count) - (withPlace_ ? 0 : 1);
}

QString StoredTyreListModel::textOf(const Tvpisani& row, Column column) const
{
    switch (column) {
    case Column::Lokacija:
        return row.lokacijaNM;
    case Column::Nalog:
        return row.nalogStevilka;
    case Column::Datum:
        return row.datum;
    case Column::Stranka:
        return row.stranka;
    case Column::Vnesel:
        return row.vnesel;
    case Column::Komentar:
        return row.komentar;
    case Column::Count:
        break;
    }
    return {};
}

QVariant StoredTyreListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size() || index.column() >= columnCount())
        return {};
    const Tvpisani& row = rows_.at(index.row());
    const Column column = columnAt(index.column());
    switch (role) {
    case Qt::DisplayRole:
        if (column == Column::Komentar)
            return WithLineBreaksAs(row.komentar, u" / "_s);
        return textOf(row, column);
    case Qt::ToolTipRole:
        if (column == Column::Komentar)
            return WithLineBreaksAs(row.komentar, u"\n"_s);
        return {};
    case ListSortRole:
        if (column == Column::Datum)
            return ParseDisplayDate(row.datum);
        return {};
    case Qt::BackgroundRole:
        return RowColoursFor(row.popisanoShranjevanje).background;
    case Qt::ForegroundRole:
        return RowColoursFor(row.popisanoShranjevanje).text;
    case Qt::TextAlignmentRole:
        if (column == Column::Datum)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant StoredTyreListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    static const char16_t* const kCaptions[] = {u"Lokacija", u"Nalog", u"Datum", u"Stranka", u"Vnesel", u"Komentar"};
    return QString::fromUtf16(kCaptions[int(columnAt(section))]);
}

void SetUpStoredTyreView(QTableView& view, StoredTyreListModel& model, const QString& windowName)
{
    view.setModel(&model);
    view.setShowGrid(true);
    view.verticalHeader()->hide();
    view.viewport()->setCursor(Qt::PointingHandCursor);
    QFont font(u"Tahoma"_s);
    font.setPixelSize(13);
    view.setFont(font);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Text, Qt::black);
    view.setPalette(palette);
    view.horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    QList<ListColumn> columns;
    if (model.withPlace())
        columns.append(ListColumn::sharing(u"lokacija"_s, LocationColumnMinimum));
    columns.append({ListColumn::fixed(u"nalog"_s, 70), ListColumn::sharing(u"datum"_s),
                    ListColumn::sharing(u"stranka"_s), ListColumn::sharing(u"vnesel"_s),
                    ListColumn::sharing(u"komentar"_s)});
    new ListColumns(view, columns, ListMemoryOf(windowName), ListColumns::Sorting::ByHeader);
}

void ShowOrderReadFailure(const QString& message, const QString& statement)
{
    ShowFailureBox(u"Napaka pri preverjanju nalogov "_s + message + u"\r\nQry:"_s + statement);
}

bool LoadStoredTyreRows(const QString& statement, StoredTyreListModel& model, QTableView& view)
{
    const CallResult result = CallRemote(statement);
    if (!result)
        return false;
    const RecordsetPtr& answer = result.answer;
    if (!answer)
        return true;
    try {
        while (!answer->Eof()) {
            model.appendRow(ReadStoredTyreRow(*answer, model.withPlace()));
            answer->MoveNext();
        }
        return true;
    } catch (const std::exception& e) {
        view.setEnabled(true);
        ShowOrderReadFailure(ErrorMessage(e), statement);
        return false;
    }
}
