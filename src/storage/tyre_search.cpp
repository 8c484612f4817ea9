// TfrmshranjevanjeGumISkanje: searching the stored tyres on every key release and opening the order found.
#include "tyre_search.h"

#include "session/window_links.h"
#include "storage/stored_tyre_list.h"
#include "ui/busy_guard.h"
#include "ui/button_styles.h"
#include "ui/failure_box.h"
#include "ui/key_preview.h"
#include "ui/list_sort_proxy.h"
#include "ui/outer_size.h"
#include "ui/wait_cursor.h"

#include "data/errors.h"
#include "data/text_helpers.h"
#include "ui/ordavo_fonts.h"
#include "ui/xp_button.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The text without its leading blanks (and other characters up to the space).
QString WithoutLeadingBlanks(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start).unicode() <= u' ')
        ++start;
    return text.mid(start);
}

} // namespace

TfrmshranjevanjeGumISkanje::TfrmshranjevanjeGumISkanje(QWidget* parent)
    : OrdavoWindow(u"frmshranjevanjeGumISkanje"_s, u"Iskanje shranjenih gum"_s, 81, parent)
{
    buildControls();
    busy_ = new BusyGuard(this);
    // Text typed while a search runs is kept; its key release asks for one more search.
    busy_->allowTyping(txtSearch);
}

void TfrmshranjevanjeGumISkanje::buildControls()
{
    QWidget* body = bodyPanel();
    auto* caption = new QLabel(u"Iskanje popisanih gum:"_s, body);
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    caption->setPalette(palette);

    txtSearch = new QLineEdit(body);
    txtSearch->setObjectName(u"txtSearch"_s);
    txtSearch->setFixedWidth(443);
    caption->setBuddy(txtSearch);
    txtSearch->installEventFilter(this);

    btnNajdi = new TXpButton(u"IŠČI   "_s, body);
    btnNajdi->setObjectName(u"btnNajdi"_s);
    StyleSearchButton(*btnNajdi);
    btnNajdi->setFixedSize(73, 25);
    connect(btnNajdi, &QPushButton::clicked, this, [this] { btnNajdiClick(); });

    btnPoglejNalog = new TXpButton(u"Poglej nalog"_s, body);
    btnPoglejNalog->setObjectName(u"btnPoglejNalog"_s);
    StyleBlueButton(*btnPoglejNalog);
    btnPoglejNalog->setFixedSize(141, 38);
    connect(btnPoglejNalog, &QPushButton::clicked, this, [this] { btnPoglejNalogClick(); });

    model_ = new StoredTyreListModel(true, this);
    lviewMain = new QTableView(body);
    lviewMain->setObjectName(u"lviewMain"_s);
    lviewMain->setAccessibleName(u"Shranjene gume"_s);
    SetUpStoredTyreView(*lviewMain, *model_, objectName());
    OpenOnEnter(lviewMain, this, [this] { btnPoglejNalogClick(); });

    // The caption stands above the box: beside it, box and buttons would not fit the width.
    auto* searchArea = new QGridLayout;
    searchArea->setVerticalSpacing(2);
    searchArea->addWidget(caption, 0, 0, 1, 2);
    searchArea->addWidget(txtSearch, 1, 0);
    searchArea->addWidget(btnNajdi, 1, 1);
    searchArea->setColumnStretch(2, 1);
    searchArea->addWidget(btnPoglejNalog, 0, 3, 2, 1, Qt::AlignTop);
    auto* column = new QVBoxLayout(body);
    column->addLayout(searchArea);
    column->addWidget(lviewMain, 1);

    OuterSizeKeeper::withClientSize(this, QSize(800, 511), QSize(800, 550));
}

bool TfrmshranjevanjeGumISkanje::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtSearch && event->type() == QEvent::KeyRelease)
        txtSearchKeyUp();
    return OrdavoWindow::eventFilter(watched, event);
}

void TfrmshranjevanjeGumISkanje::txtSearchKeyUp()
{
    searchVpisani();
}

void TfrmshranjevanjeGumISkanje::btnNajdiClick()
{
    searchVpisani();
}

void TfrmshranjevanjeGumISkanje::searchVpisani()
{
    // A search asked for while one runs is run once after it, for the text the box then
    // holds, so the list always shows one whole search and ends with the latest text.
    if (busy_->busy()) {
        searchPending_ = true;
        return;
    }
    BusyGuard::Scope busy(*busy_);
    do {
        searchPending_ = false;
        runOneSearch();
    } while (searchPending_);
}

QString TfrmshranjevanjeGumISkanje::takeSearchText()
{
    const QString trimmed = WithoutLeadingBlanks(txtSearch->text());
    if (trimmed != txtSearch->text())
        txtSearch->setText(trimmed);
    // The box keeps its quotes; the statement gets none, nor a backslash the server would read as an escape.
    return StripStatementBreakers(trimmed);
}

void TfrmshranjevanjeGumISkanje::runOneSearch()
{
    try {
        WaitCursor cursor;
        QCoreApplication::processEvents();
        model_->clear();
        lastStatement_ = u"usp_searchShranjeni '"_s + takeSearchText() + u"'"_s;
        LoadStoredTyreRows(lastStatement_, *model_, *lviewMain);
        cursor.restore();
        QCoreApplication::processEvents();
    } catch (const std::exception& e) {
        lviewMain->setEnabled(true);
        ShowOrderReadFailure(ErrorMessage(e), lastStatement_);
    }
}

void TfrmshranjevanjeGumISkanje::btnPoglejNalogClick()
{
    const int row = SelectedSourceRow(*lviewMain);
    if (row < 0)
        return;
    try {
        emit Links().orderRequested(model_->row(row).id);
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}
