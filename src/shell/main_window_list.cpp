// TfrmMain's order list: the load with its selection and scroll kept, the count alert, the column fitting, the refresh
// tick.
#include "shell/main_window.h"

#include "data/errors.h"
#include "data/recordset.h"
#include "session/app_state.h"
#include "session/remote_calls.h"
#include "shell/order_list_model.h"
#include "ui/failure_box.h"
#include "ui/list_columns.h"
#include "ui/list_sort_proxy.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// Rows measured when a column is fitted to its contents.
constexpr int SizingSampleRows = 32;
} // namespace

const QVector<Tnalogi>& TfrmMain::orders() const
{
    return model_->rows();
}

int TfrmMain::selectedRow() const
{
    return SelectedSourceRow(*lviewMain);
}

void TfrmMain::loadNalogi()
{
    QString statement;
    try {
        lviewMain->setEnabled(false);
        QCoreApplication::processEvents();
        const int row = selectedRow();
        std::optional<qint32> selectedId;
        if (row >= 0 && row < orders().size())
            selectedId = orders()[row].id;
        statement = OrderListStatement(rdbVsiNalogi->isChecked(), searchText, QDate::currentDate(), listDateFormat);

        RemoteCall call;
        call.statement = statement;
        call.params.clear();
        call.cursor = CallCursor::BusyWhileRunning;
        const CallResult result = CallRemote(call);
        if (!result)
            return;
        if (result.unreachable) {
            // The rows of the last load stay, greyed, with the selection; the count is untouched.
            showOutage();
            lviewMain->setEnabled(true);
            return;
        }
        endOutage();
        const RecordsetPtr& rs = result.answer;
        const int scroll = lviewMain->verticalScrollBar()->value();
        int reselect = -1;
        const bool rowsUnchanged = rs && listsSameRows(*rs);
        if (rowsUnchanged) {
            // Most ticks bring the same orders: the rows stay, drawn normally again, and the
            // selection starts over as after a reload.
            model_->setStale(false);
            lviewMain->selectionModel()->reset();
            if (selectedId)
                reselect = rowOfOrder(*selectedId);
        } else {
            listedAnswer_.reset();
            if (!rs)
                model_->clearRows();
            else {
                alertOnCountChange(rs->RecordCount());
                lastOrderCount_ = rs->RecordCount();
                readOrders(*rs, selectedId, &reselect);
                if (model_->shownRows() == rs->RecordCount())
                    listedAnswer_ = rs;
            }
        }
        fitColumnWidths(rowsUnchanged);
        lviewMain->verticalScrollBar()->setValue(scroll);
        if (reselect >= 0)
            selectRow(reselect);
        lviewMain->setEnabled(true);
        QCoreApplication::processEvents();
    } catch (const std::exception& e) {
        lviewMain->setEnabled(true);
        ShowFailureBox(u"Napaka pri preverjanju nalogov "_s + ErrorMessage(e) + u"\r\n"_s + u"Qry:"_s + statement);
    }
}

// Hands the answer's rows to the list; on a failure the rows read so far stay, and the list
// keeps holding as many rows as the answer has, the rest from the earlier load.
void TfrmMain::readOrders(Recordset& rs, std::optional<qint32> selectedId, int* reselectRow)
{
    const int count = rs.RecordCount();
    QVector<Tnalogi> nalogi;
    nalogi.reserve(count);
    try {
        // Only an answer with rows is checked for its columns, as reading by name would.
        const OrderColumns columns = rs.Eof() ? OrderColumns{} : FindOrderColumns(rs);
        while (!rs.Eof() && nalogi.size() < count) {
            nalogi.append(ReadOrderRow(rs, columns));
            if (selectedId && nalogi.last().id == *selectedId)
                *reselectRow = int(nalogi.size()) - 1;
            rs.MoveNext();
        }
    } catch (...) {
        holdRows(std::move(nalogi), count);
        throw;
    }
    holdRows(std::move(nalogi), count);
}

// Shows the rows read from the latest answer and holds `count` rows, the ones not read taken
// from the earlier load.
void TfrmMain::holdRows(QVector<Tnalogi> read, int count)
{
    const int shown = int(read.size());
    if (shown < count) {
        read.append(orders().mid(shown, count - shown));
        read.resize(count);
    }
    model_->setRows(std::move(read), shown);
}

// Whether `rs` holds what the shown rows were all read from, so reading it again would give them back.
bool TfrmMain::listsSameRows(const Recordset& rs) const
{
    return listedAnswer_ && model_->shownRows() == rs.RecordCount() && orders().size() == rs.RecordCount() &&
           listedAnswer_->sameContent(rs);
}

// The last shown row of order `id`, -1 when none.
int TfrmMain::rowOfOrder(qint32 id) const
{
    for (int row = model_->shownRows() - 1; row >= 0; --row)
        if (orders()[row].id == id)
            return row;
    return -1;
}

void TfrmMain::alertOnCountChange(int newCount)
{
    if (newCount == lastOrderCount_ || lastOrderCount_ < 0)
        return;
    const bool inBackground = QGuiApplication::applicationState() != Qt::ApplicationActive || isMinimized();
    if (!inBackground)
        return;
    QApplication::alert(this);
    // Qt sends the attention request only together with a repaint of the window.
    repaint();
    bringToFront();
    emit newOrdersAlerted(lastOrderCount_, newCount);
}

void TfrmMain::selectRow(int row)
{
    SelectSourceRow(*lviewMain, row);
}

namespace {
struct FittedColumn {
    int column;
    int minimum;
    int maximum;
};
// The auto-sized columns, in the order of ColumnFit::widths.
constexpr std::array<FittedColumn, 3> kFittedColumns = {{{OrderListModel::ColRegSt, 100, 250},
                                                         {OrderListModel::ColStranka, 40, 10000},
                                                         {OrderListModel::ColAvto, 40, 450}}};
} // namespace

// Each auto-sized column fits its header and the cells with the longest texts, so the cost
// does not grow with the number of orders.
TfrmMain::ColumnFit TfrmMain::measureColumnFit() const
{
    const int gridWidth = lviewMain->showGrid() ? 1 : 0;
    ColumnFit fit{lviewMain->font(), {}};
    for (std::size_t i = 0; i < kFittedColumns.size(); ++i) {
        const FittedColumn& fitted = kFittedColumns[i];
        int width = lviewMain->horizontalHeader()->sectionSizeHint(fitted.column);
        for (int row : model_->longestTextRows(fitted.column, SizingSampleRows)) {
            const QModelIndex cell = ViewIndexOf(*lviewMain, model_->index(row, fitted.column));
            width = std::max(width, lviewMain->sizeHintForIndex(cell).width() + gridWidth);
        }
        fit.widths[i] = std::clamp(width, fitted.minimum, fitted.maximum);
    }
    return fit;
}

// The fit is each column's default: it is shown again (undoing a width set by other code), but a
// width the user set stays.
void TfrmMain::fitColumnWidths(bool rowsUnchanged)
{
    if (!rowsUnchanged || !lastFit_ || lastFit_->font != lviewMain->font())
        lastFit_ = measureColumnFit();
    for (std::size_t i = 0; i < kFittedColumns.size(); ++i)
        columns_->setDefaultWidth(kFittedColumns[i].column, lastFit_->widths[i]);
}

void TfrmMain::tmrcheckTimer()
{
    searchApplied = false;
    if (firstTick_) {
        tmrcheck->setInterval(RefreshMs);
        firstTick_ = false;
    }
    tmrcheck->stop();
    loadNalogi();
    tmrcheck->start();
}

// One tick now and the next a full interval later; a stopped refresh stays stopped.
void TfrmMain::stepRefreshTimer()
{
    if (tmrcheck->isActive())
        tmrcheckTimer();
}
