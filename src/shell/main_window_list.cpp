// TfrmMain's order list: the load with its selection and scroll kept, the count alert, the column fitting, the refresh
// tick.
#include "shell/main_window.h"

#include "data/errors.h"
#include "data/recordset.h"
#include "session/app_state.h"
#include "session/background_call.h"
#include "session/remote_calls.h"
#include "shell/order_list_model.h"
#include "storage/stored_tyre_list.h"
#include "ui/list_columns.h"
#include "ui/list_sort_proxy.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
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

// The rows a worker read from a list answer, and their places in the order of the sorted column,
// so that the user-interface thread does not make a key for each row.
struct TfrmMain::ListRowsRead {
    OrderRowsRead rows;
    OrderListRanks ranks;
};

// One load of the list: what it started from, and the rows the worker read from its answer.
struct TfrmMain::ListLoad {
    QString statement;
    std::optional<qint32> selectedId;
    QString searchBox;
    bool allOrders = false;
    bool listWasEnabled = true;
    quint64 userLoadsAtStart = 0;
    // The column the list is sorted by when the load starts, -1 for the server's order.
    int sortColumn = -1;
    std::shared_ptr<ListRowsRead> read = std::make_shared<ListRowsRead>();
};

void TfrmMain::loadNalogi()
{
    ++userLoads_;
    ListLoad load;
    try {
        beginListLoad(load);
        applyListLoad(load, CallRemote(listCall(load)));
    } catch (const std::exception& e) {
        lviewMain->setEnabled(true);
        reportListFailure(load, ErrorMessage(e));
    }
}

// Greys the list, lets queued events run, and notes the selected order and the statement.
void TfrmMain::beginListLoad(ListLoad& load)
{
    lviewMain->setEnabled(false);
    QCoreApplication::processEvents();
    const int row = selectedRow();
    if (row >= 0 && row < orders().size())
        load.selectedId = orders()[row].id;
    load.statement = OrderListStatement(rdbVsiNalogi->isChecked(), searchText, QDate::currentDate(), listDateFormat);
    load.sortColumn = columns_->sortProxy() ? columns_->sortProxy()->sortColumn() : -1;
}

// The list's call: its rows read on the worker, the listed answer's bytes to compare with, and
// the spare buffer for the answer.
RemoteCall TfrmMain::listCall(const ListLoad& load)
{
    RemoteCall call;
    call.statement = load.statement;
    call.params.clear();
    call.cursor = CallCursor::BusyWhileRunning;
    if (!listedAnswer_.isEmpty() && listedLocale_ == QLocale())
        call.previousAnswer = listedAnswer_;
    call.receiveBuffer = std::exchange(spareAnswer_, QByteArray());
    call.recycleTable = true;
    call.tableMemory = std::exchange(tableMemory_, Recordset::Memory());
    call.readOnWorker = [read = load.read, selectedId = load.selectedId, sortColumn = load.sortColumn](Recordset& rs) {
        read->rows = ReadOrderRows(rs, selectedId);
        if (sortColumn >= 0)
            read->ranks = RankOrderRows(read->rows.rows, sortColumn);
    };
    return call;
}

// Shows the answer of a load: the failure was reported by the call; an unreachable server greys
// the rows; otherwise the rows, the count alert, the column widths, the scroll position and the
// selection, and the list enabled again.
void TfrmMain::applyListLoad(ListLoad& load, CallResult result)
{
    if (result.tableMemory.bytes.capacity() > 0 || result.tableMemory.cells.capacity() > 0)
        tableMemory_ = std::move(result.tableMemory);
    try {
        if (!result) {
            keepAnswerBuffers(std::move(result.answerBytes), ListedAnswer::Unchanged);
            return;
        }
        if (result.unreachable) {
            // The rows of the last load stay, greyed, with the selection; the count is untouched.
            keepAnswerBuffers(std::move(result.answerBytes), ListedAnswer::Unchanged);
            showOutage();
            lviewMain->setEnabled(true);
            return;
        }
        endOutage();
        const int scroll = lviewMain->verticalScrollBar()->value();
        int reselect = -1;
        if (result.sameAnswer) {
            // Most ticks bring the same orders: the rows stay, drawn normally again, and the
            // selection starts over as after a reload.
            keepAnswerBuffers(std::move(result.answerBytes), ListedAnswer::Unchanged);
            model_->setStale(false);
            lviewMain->selectionModel()->reset();
            if (load.selectedId)
                reselect = rowOfOrder(*load.selectedId);
        } else if (!result.answer) {
            keepAnswerBuffers(std::move(result.answerBytes), ListedAnswer::Forgotten);
            model_->clearRows();
        } else {
            OrderRowsRead& read = load.read->rows;
            alertOnCountChange(read.count);
            lastOrderCount_ = read.count;
            const bool complete = !read.failed && read.rows.size() == read.count;
            holdRows(std::move(read.rows), read.count, std::move(load.read->ranks));
            keepAnswerBuffers(std::move(result.answerBytes),
                              complete ? ListedAnswer::Replaced : ListedAnswer::Forgotten);
            if (read.failed) {
                lviewMain->setEnabled(true);
                reportListFailure(load, read.failure);
                return;
            }
            reselect = read.reselect;
        }
        fitColumnWidths(result.sameAnswer);
        lviewMain->verticalScrollBar()->setValue(scroll);
        if (reselect >= 0)
            selectRow(reselect);
        lviewMain->setEnabled(true);
        QCoreApplication::processEvents();
    } catch (const std::exception& e) {
        lviewMain->setEnabled(true);
        reportListFailure(load, ErrorMessage(e));
    }
}

void TfrmMain::reportListFailure(const ListLoad& load, const QString& message)
{
    ShowOrderReadFailure(message, load.statement);
}

// Keeps an answer's memory for the next answer. A listed answer becomes the one later answers
// are compared with and the one listed before gives its memory instead; a forgotten listed answer
// (the rows no longer all come from it) gives its memory too.
void TfrmMain::keepAnswerBuffers(QByteArray answer, ListedAnswer listed)
{
    if (listed == ListedAnswer::Replaced) {
        spareAnswer_ = std::exchange(listedAnswer_, std::move(answer));
        listedLocale_ = QLocale();
        return;
    }
    QByteArray forgotten =
        listed == ListedAnswer::Forgotten ? std::exchange(listedAnswer_, QByteArray()) : QByteArray();
    for (QByteArray* buffer : {&answer, &forgotten})
        if (buffer->capacity() > spareAnswer_.capacity())
            spareAnswer_ = std::move(*buffer);
}

// Shows the rows read from the latest answer and holds `count` rows, the ones not read taken
// from the earlier load (the ranks of the rows read then no longer fit and are dropped).
void TfrmMain::holdRows(QVector<Tnalogi> read, int count, OrderListRanks ranks)
{
    const int shown = int(read.size());
    if (shown < count) {
        read.append(orders().mid(shown, count - shown));
        read.resize(count);
    }
    model_->setRows(std::move(read), shown, std::move(ranks));
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
    // A tick never starts while a call the user started is running; the timer counts anew.
    if (UserCallRunning()) {
        tmrcheck->start();
        return;
    }
    searchApplied = false;
    if (firstTick_) {
        tmrcheck->setInterval(RefreshMs);
        firstTick_ = false;
    }
    tmrcheck->stop();
    tickHoldsTimer_ = true;
    startRefreshLoad();
}

bool TfrmMain::refreshInFlight() const
{
    return refreshCall_->running();
}

void TfrmMain::startRefreshLoad()
{
    auto load = std::make_shared<ListLoad>();
    load->searchBox = txtSearch->text();
    load->allOrders = rdbVsiNalogi->isChecked();
    load->listWasEnabled = lviewMain->isEnabled();
    load->userLoadsAtStart = userLoads_;
    try {
        beginListLoad(*load);
    } catch (const std::exception& e) {
        lviewMain->setEnabled(true);
        reportListFailure(*load, ErrorMessage(e));
        endTick();
        return;
    }
    // The queued events of the first step may have changed the search or the filter, or run a
    // load of the user's: this tick's answer would come too late, so it is not asked for.
    if (userLoads_ != load->userLoadsAtStart || txtSearch->text() != load->searchBox ||
        rdbVsiNalogi->isChecked() != load->allOrders) {
        refreshDropped(*load);
        return;
    }
    refreshCall_->start(
        listCall(*load),
        [this, load](CallResult&& result) {
            applyListLoad(*load, std::move(result));
            endTick();
        },
        [this, load] { refreshDropped(*load); });
}

// A tick whose answer will not be shown: the list as it was before the tick, the timer going on.
void TfrmMain::refreshDropped(const ListLoad& load)
{
    lviewMain->setEnabled(load.listWasEnabled);
    endTick();
}

// The search text or the filter changed while a tick's answer was on its way.
void TfrmMain::dropRefresh()
{
    refreshCall_->drop();
}

void TfrmMain::endTick()
{
    if (!tickHoldsTimer_)
        return;
    tickHoldsTimer_ = false;
    tmrcheck->start();
}

// One tick now and the next a full interval later; a stopped refresh stays stopped.
void TfrmMain::stepRefreshTimer()
{
    if (tmrcheck->isActive())
        tmrcheckTimer();
}
