// The main window TfrmMain: start-up preparation, the order list and its refresh, the menus and the closing rules.
#include "shell/main_window.h"

#include "data/errors.h"
#include "data/remote_call.h"
#include "data/settings_store.h"
#include "data/text_helpers.h"
#include "desktop/busy_cursor.h"
#include "desktop/url_opener.h"
#include "desktop/window_arranger.h"
#include "orders/item_catalogue.h"
#include "orders/order_details.h"
#include "shell/app_state.h"
#include "shell/order_list_model.h"
#include "shell/startup.h"
#include "shell/update_check.h"
#include "signin/company_details.h"
#include "signin/login_window.h"
#include "storage/storage_locations.h"
#include "storage/tyre_placement.h"
#include "storage/tyre_search.h"
#include "ui/button_styles.h"
#include "ui/glyph_room.h"
#include "ui/key_preview.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/ordavo_fonts.h"
#include "ui/ordavo_pictures.h"
#include "ui/ordavo_window.h"
#include "ui/window_owner.h"
#include "ui/window_placement.h"
#include "ui/xp_button.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

TfrmMain* frmMain = nullptr;

namespace {
const QColor WindowGrey(0xDB, 0xDB, 0xDB);
constexpr int FirstTickMs = 500;
constexpr int RefreshMs = 7000;

QString Setting(const QString& key)
{
    return ReadSetting(u"ordavo"_s, key);
}

// The communication error of a failed call; the mouse cursor goes back to normal, also when
// the caller had set the wait cursor around the call.
void ShowCommunicationError()
{
    ShowMessageDialog(mdError, u"Napaka pri komunikaciji"_s, LastRemoteError, maCenter);
    ResetCursor();
}

// Runs a remote call with the wait cursor shown; a wait cursor that a caller set stays on.
template <typename Call>
RecordsetPtr WithBusyCursor(Call call)
{
    if (QGuiApplication::overrideCursor())
        return call();
    const BusyCursorScope busy;
    return call();
}

// Rows measured when a column is fitted to its contents.
constexpr int SizingSampleRows = 32;

void ShowFailure(const QString& text)
{
    ShowSystemMessage(MessageIcon::Error, u"Napaka"_s, text);
}

void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void SetBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* MakePictureLabel(QWidget* parent, const QString& name, const QString& picture, const QString& hint)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(OrdavoPictures::PicturePixmap(picture));
    label->setToolTip(hint);
    label->setCursor(Qt::PointingHandCursor);
    label->setFixedSize(24, 24);
    label->setScaledContents(true);
    return label;
}

// Opens a modal window of the menus: created now, destroyed when it closes.
template <typename Window>
void ExecMenuWindow(QWidget* owner)
{
    Window window(owner);
    window.exec();
}
} // namespace

QString OrderListStatement(bool allOrders, const QString& search, const QDate& today, const QString& dateFormat)
{
    const QString d1 = FormatListDate(today.addDays(-365), dateFormat);
    const QString d2 = FormatListDate(today.addDays(365), dateFormat);
    const QString filter = allOrders ? u"2"_s : u"0"_s;
    const QString searchPart = search.isEmpty() ? u",-1,0,''"_s : u",-1,1,'"_s + search + u"'"_s;
    return u"call usp_listneobracunaninalogi ("_s + filter + u",'"_s + d1 + u"','"_s + d2 + u"'"_s + searchPart +
           u")"_s;
}

namespace {
// The "dd.mm.yyyy" form of a date-time value. A date or date-time column gives its calendar
// date through its OLE date (whole days since 30 December 1899; before that day the fraction
// still counts forward), which spares the time-zone work of a local QDateTime on every row
// (a UTC one carries the date to the formatter); any other column is converted as a date-time.
QString DisplayDate(const Field& field)
{
    if (field.type() != ColumnType::Date && field.type() != ColumnType::DateTime)
        return FormatDisplayDate(field.asDateTime());
    const QDate date = QDate(1899, 12, 30).addDays(qint64(std::trunc(field.asDouble())));
    return FormatDisplayDate(QDateTime(date, QTime(0, 0), Qt::UTC));
}
} // namespace

OrderColumns FindOrderColumns(const Recordset& rs)
{
    // Names are matched by their case-folded form, as the recordset matches them.
    QStringList folded;
    for (int i = 0; i < rs.columnCount(); ++i)
        folded.append(rs.columnName(i).toCaseFolded());
    const auto indexOf = [&](const QString& name) {
        const int index = int(folded.indexOf(name.toCaseFolded()));
        if (index < 0)
            (void)rs.FieldValue(name); // raises the recordset's own error for a missing column
        return index;
    };
    OrderColumns c;
    c.id = indexOf(u"id"_s);
    c.nalogStevilka = indexOf(u"nalogStevilka"_s);
    c.stranka = indexOf(u"stranka"_s);
    c.vnesel = indexOf(u"vnesel"_s);
    c.komentar = indexOf(u"komentar"_s);
    c.datum = indexOf(u"datum"_s);
    c.viewed = indexOf(u"viewed"_s);
    c.vozilo = indexOf(u"vozilo"_s);
    c.registrska_st = indexOf(u"registrska_st"_s);
    c.nalogType = indexOf(u"nalogType"_s);
    c.saved = indexOf(u"saved"_s);
    return c;
}

Tnalogi ReadOrderRow(const Recordset& rs, const OrderColumns& c)
{
    Tnalogi row;
    row.id = rs.fieldAt(c.id).asInteger();
    row.nalogStevilka = rs.fieldAt(c.nalogStevilka).asString();
    const Field customer = rs.fieldAt(c.stranka);
    row.stranka = customer.isNull() ? u"Neznano"_s : customer.asString();
    row.stranka.remove(u"( )"_s, Qt::CaseSensitive);
    row.vnesel = rs.fieldAt(c.vnesel).asString();
    row.komentar = rs.fieldAt(c.komentar).asString();
    row.datum = DisplayDate(rs.fieldAt(c.datum));
    row.viewed = rs.fieldAt(c.viewed).asInteger();
    row.vozilo = rs.fieldAt(c.vozilo).asString();
    row.registrska_st = rs.fieldAt(c.registrska_st).asString();
    row.nalogType = rs.fieldAt(c.nalogType).asInteger();
    row.saved = rs.fieldAt(c.saved).asInteger();
    return row;
}

QString CleanSearchText(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text[start] == u' ')
        ++start;
    return StripStatementBreakers(text.mid(start));
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"frmMain"_s);
    frmMain = this;
    SetDialogOwnerWindow(this);
    buildWindow();
}

TfrmMain::~TfrmMain()
{
    if (frmMain == this)
        frmMain = nullptr;
    if (DialogOwnerWindow() == this)
        SetDialogOwnerWindow(nullptr);
}

void TfrmMain::buildWindow()
{
    setWindowTitle(u"Ordavo"_s);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    SetBackground(this, WindowGrey);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTopBand());

    model_ = new OrderListModel(this);
    lviewMain = new QTableView(central);
    lviewMain->setObjectName(u"lviewMain"_s);
    lviewMain->setModel(model_);
    lviewMain->setSelectionBehavior(QAbstractItemView::SelectRows);
    lviewMain->setSelectionMode(QAbstractItemView::SingleSelection);
    lviewMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lviewMain->setShowGrid(true);
    lviewMain->setWordWrap(false);
    lviewMain->setFont(PointFont(kTahoma, 10));
    lviewMain->verticalHeader()->hide();
    lviewMain->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lviewMain->verticalHeader()->setDefaultSectionSize(QFontMetrics(lviewMain->font()).height() + 6);
    lviewMain->horizontalHeader()->setStretchLastSection(false);
    lviewMain->viewport()->setCursor(Qt::PointingHandCursor);
    lviewMain->setColumnWidth(OrderListModel::ColNalog, 80);
    lviewMain->setColumnWidth(OrderListModel::ColTip, 70);
    lviewMain->setColumnWidth(OrderListModel::ColDatum, 100);
    lviewMain->setColumnWidth(OrderListModel::ColRegSt, 100);
    lviewMain->setColumnWidth(OrderListModel::ColStranka, 200);
    lviewMain->setColumnWidth(OrderListModel::ColAvto, 200);
    lviewMain->setEnabled(false);
    lviewMain->viewport()->installEventFilter(this);
    connect(lviewMain, &QTableView::doubleClicked, this, [this] { poglejNalog(); });
    // Enter on the selected row opens the order, as a double click does.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        new QShortcut(QKeySequence(key), lviewMain, this, [this] { poglejNalog(); }, Qt::WidgetShortcut);
    layout->addWidget(lviewMain, 1);
    layout->addWidget(buildBottomBand());
    setCentralWidget(central);

    tmrcheck = new QTimer(this);
    tmrcheck->setObjectName(u"tmrcheck"_s);
    tmrcheck->setInterval(FirstTickMs);
    connect(tmrcheck, &QTimer::timeout, this, &TfrmMain::tmrcheckTimer);

    buildMenus();
    new KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });

    KeepGlyphsInsideLabels(*this);
    setMinimumSize(300, 600);
    setMaximumSize(1920, 1080);
    resize(1008, 713 + menuBar()->sizeHint().height());
    move(299, 168);
}

QWidget* TfrmMain::buildTopBand()
{
    auto* band = new TopBand(113, this);

    imgAlign = MakePictureLabel(band, u"imgAlign"_s, OrdavoPictures::Align, u"Poravnaj okna"_s);
    Image1 = MakePictureLabel(band, u"Image1"_s, OrdavoPictures::Web, u"Odpri ordavo spletni del v brskalniku"_s);
    imgAlign->installEventFilter(this);
    Image1->installEventFilter(this);

    lblVersion = new QLabel(band);
    lblVersion->setObjectName(u"lblVersion"_s);
    lblVersion->setFont(PointFont(kTahoma, 8));
    SetTextColour(lblVersion, Qt::white);

    lblRefreshing = new QLabel(band);
    lblRefreshing->setObjectName(u"lblRefreshing"_s);
    lblRefreshing->setFont(PointFont(kTahoma, 9, true));
    setRefreshLabel(true);

    auto* grid = new QGridLayout(band);
    grid->setContentsMargins(6, 4, 6, 4);
    auto* icons = new QHBoxLayout;
    icons->addWidget(imgAlign);
    icons->addWidget(Image1);
    icons->addStretch();
    grid->addLayout(icons, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(lblVersion, 0, 1, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(lblRefreshing, 1, 0, Qt::AlignLeft | Qt::AlignBottom);
    grid->setRowStretch(1, 1);
    return band;
}

QWidget* TfrmMain::buildBottomBand()
{
    auto* band = new QWidget(this);
    band->setObjectName(u"pnlBottom"_s);
    SetBackground(band, WindowGrey);
    auto* row = new QHBoxLayout(band);
    row->setContentsMargins(4, 4, 4, 4);

    Memo1 = new QPlainTextEdit(band);
    Memo1->setObjectName(u"Memo1"_s);
    Memo1->setFixedHeight(60);
    Memo1->hide();
    row->addWidget(Memo1, 1);
    row->addStretch();

    auto* searchLabel = new QLabel(u"Iskanje:"_s, band);
    txtSearch = new QLineEdit(band);
    txtSearch->setObjectName(u"txtSearch"_s);
    txtSearch->setFixedWidth(222);
    txtSearch->installEventFilter(this);
    rdbNoviNalogi = new QRadioButton(u"Glej neobračunane naloge"_s, band);
    rdbNoviNalogi->setObjectName(u"rdbNoviNalogi"_s);
    rdbNoviNalogi->setChecked(true);
    rdbVsiNalogi = new QRadioButton(u"Glej vse naloge"_s, band);
    rdbVsiNalogi->setObjectName(u"rdbVsiNalogi"_s);
    connect(rdbNoviNalogi, &QRadioButton::clicked, this, &TfrmMain::rdbNoviNalogiClick);
    connect(rdbVsiNalogi, &QRadioButton::clicked, this, &TfrmMain::rdbNoviNalogiClick);

    btnPoglejNalog = new TXpButton(u"Poglej nalog"_s, band);
    btnPoglejNalog->setObjectName(u"btnPoglejNalog"_s);
    StyleBlueButton(*btnPoglejNalog, 9);
    btnPoglejNalog->setFixedSize(120, 30);
    btnPoglejNalog->setEnabled(false);
    connect(btnPoglejNalog, &TXpButton::clicked, this, [this] { poglejNalog(); });

    row->addWidget(searchLabel);
    row->addWidget(txtSearch);
    row->addWidget(rdbNoviNalogi);
    row->addWidget(rdbVsiNalogi);
    row->addWidget(btnPoglejNalog);
    return band;
}

void TfrmMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* nalogi = bar->addMenu(u"&Nalogi"_s);
    nalogi->setObjectName(u"mnuNalogi"_s);
    QAction* refresh = nalogi->addAction(u"&Osveži"_s, this, &TfrmMain::Osvezi1Click);
    refresh->setObjectName(u"Osvezi1"_s);
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    nalogi->addAction(u"&Urejanje postavk"_s, this, &TfrmMain::UrejanjePostavk1Click)
        ->setObjectName(u"UrejanjePostavk1"_s);

    mnuShranjevanjeGum = bar->addMenu(u"&Shranjevanje gum"_s);
    mnuShranjevanjeGum->setObjectName(u"mnuShranjevanjeGum"_s);
    mnuShranjevanjeGum->addAction(u"&Poišči shranjene gume"_s, this, &TfrmMain::PoisciShranjeneGume1Click)
        ->setObjectName(u"PoisciShranjeneGume1"_s);
    mnuShranjevanjeGum->addSeparator();
    mnuShranjevanjeGum->addAction(u"&Vpiši nevpisane gume"_s, this, &TfrmMain::VpisiNevpisaneGume1Click)
        ->setObjectName(u"VpisiNevpisaneGume1"_s);
    mnuShranjevanjeGum->addAction(u"Uredi &mesta za shranjevanje"_s, this, &TfrmMain::UrediMesta1Click)
        ->setObjectName(u"UrediMesta1"_s);
    bool showTyres = false;
    try {
        showTyres = ShowTyreStorage();
    } catch (const std::exception&) {
        showTyres = false;
    }
    mnuShranjevanjeGum->menuAction()->setVisible(showTyres);

    QMenu* settings = bar->addMenu(u"Nas&tavitve"_s);
    settings->setObjectName(u"mnuNastavitve"_s);
    settings->addAction(u"&Urejanje podatkov"_s, this, &TfrmMain::UrejanjePodatkov1Click)
        ->setObjectName(u"UrejanjePodatkov1"_s);

    QMenu* code = bar->addMenu(u"&Koda"_s);
    code->setObjectName(u"mnuKoda"_s);
    code->addAction(u"&Ponoven vpis"_s, this, &TfrmMain::Ponovenvpis1Click)->setObjectName(u"Ponovenvpis1"_s);

    actIzhod = bar->addAction(u"&Izhod iz programa"_s);
    actIzhod->setObjectName(u"Izhod1"_s);
    actIzhod->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    actIzhod->setShortcutContext(Qt::ApplicationShortcut);
    addAction(actIzhod);
    connect(actIzhod, &QAction::triggered, this, &TfrmMain::Izhod1Click);
}

// ---- start-up -------------------------------------------------------------------------

bool TfrmMain::FormCreate()
{
    try {
        if (!checkServerState())
            return true;
        if (!signInWhenNeeded())
            return false;
        prepareState();
    } catch (const std::exception& e) {
        ShowFailure(ErrorMessage(e));
    }
    return true;
}

bool TfrmMain::checkServerState()
{
    const QString root = Setting(u"weburlroot"_s);
    if (root.isEmpty() || Setting(u"pathToRequest"_s).isEmpty() || Setting(u"kodadostop"_s).isEmpty())
        return true;
    if (Setting(u"needeedupdatenum"_s).isEmpty())
        WriteSetting(u"ordavo"_s, u"needeedupdatenum"_s, u"0"_s);
    EnsureLoginWindow();

    const QString gateway = root + u"commobj/commobj/"_s;
    RemoteParams.clear();
    RecordsetPtr rs = WithBusyCursor([&] {
        return ExecuteRemoteAt(u"SELECT IFNULL(needeedupdate,-1) as 'needeedupdate' FROM ordavodefaults"_s, gateway);
    });
    if (rs) {
        if (rs->RecordCount() <= 0) {
            WriteSetting(u"ordavo"_s, u"kodadostop"_s, QString());
        } else {
            const qint32 counter = rs->FieldValue(u"needeedupdate"_s).asInteger();
            if (counter == -1)
                WriteSetting(u"ordavo"_s, u"kodadostop"_s, QString());
            const QString counterText = QString::number(counter);
            if (counterText != Setting(u"needeedupdatenum"_s)) {
                WriteSetting(u"ordavo"_s, u"needeedupdatenum"_s, counterText);
                if (!Setting(u"kodadostop"_s).isEmpty()) {
                    autoSignIn = true;
                    EnsureLoginWindow()->exec();
                }
            }
        }
    }
    if (!LastRemoteError.isEmpty()) {
        ShowCommunicationError();
        return false;
    }
    ClearRemoteState();
    if (rs)
        return true;

    RemoteParams.clear();
    RecordsetPtr count =
        WithBusyCursor([&] { return ExecuteRemoteAt(u"SELECT COUNT(*) as 'stevilo' FROM ordavodefaults"_s, gateway); });
    if (count && count->RecordCount() > 0 && count->FieldValue(u"stevilo"_s).asString() == u"0"_s)
        WriteSetting(u"ordavo"_s, u"kodadostop"_s, QString());
    if (!LastRemoteError.isEmpty()) {
        ShowCommunicationError();
        return false;
    }
    ClearRemoteState();
    destroySignInWindow();
    return true;
}

bool TfrmMain::signInWhenNeeded()
{
    allowClose = false;
    if (!Setting(u"kodadostop"_s).isEmpty() && !autoSignIn && !Setting(u"weburlroot"_s).isEmpty())
        return true;
    if (runSignIn())
        return true;
    endProgram();
    return false;
}

// Shows the sign-in window modally; true when it signed in (the window is then destroyed).
bool TfrmMain::runSignIn()
{
    if (EnsureLoginWindow()->exec() != QDialog::Accepted)
        return false;
    destroySignInWindow();
    return true;
}

void TfrmMain::destroySignInWindow()
{
    if (!frmnalogLogin)
        return;
    frmnalogLogin->hide();
    QCoreApplication::processEvents();
    delete frmnalogLogin;
}

void TfrmMain::endProgram()
{
    allowClose = true;
    if (frmnalogLogin)
        frmnalogLogin->close();
    close();
    TerminateApplication();
}

void TfrmMain::prepareState()
{
    searchText.clear();
    showVersion();
    requestUrl = (Setting(u"weburlroot"_s) + Setting(u"pathToRequest"_s)).toLower();
    requestUrl.replace(u".asp"_s, u".php"_s, Qt::CaseInsensitive);
    placementSaving = false;
    listDateFormat = u"yyyy-mm-dd"_s;
    constrValue = Setting(u"constr"_s);
    EnsurePrintDataModule();
    lastOrderCount = -1;
    firstTick = true;
    allowClose = false;
}

void TfrmMain::showVersion()
{
    lblVersion->setText(RunningVersionLabel());
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_ || event->spontaneous())
        return;
    shownOnce_ = true;
    FormShow();
}

void TfrmMain::FormShow()
{
    if (frmnalogLogin)
        frmnalogLogin->hide();
    btnPoglejNalog->setEnabled(false);
    tmrcheck->start();
    try {
        restoreFormPlacement(this);
        placementSaving = true;
        Memo1->hide();
        QString plateTitle = Setting(u"registrkatitle"_s);
        QString vehicleTitle = Setting(u"avtotitle"_s);
        model_->setColumnHeader(OrderListModel::ColRegSt, plateTitle.remove(u':'));
        model_->setColumnHeader(OrderListModel::ColAvto, vehicleTitle.remove(u':'));
        if (Setting(u"showmemo1"_s) == u"1"_s) {
            Memo1->show();
            Memo1->clear();
        }
    } catch (const std::exception& e) {
        placementSaving = true;
        ShowFailure(ErrorMessage(e));
    }
}

// ---- closing -------------------------------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (!allowClose) {
        event->ignore();
        MinimiseApplication();
        return;
    }
    savePlacementWhileAllowed();
    event->accept();
    TerminateApplication();
}

bool TfrmMain::FormKeyDown(QKeyEvent* event)
{
    if (!IsCloseKey(event))
        return false;
    askToCloseProgram();
    return true;
}

void TfrmMain::askToCloseProgram()
{
    const int answer = ShowSystemMessage(MessageIcon::Warning, u"Zapri program"_s,
                                         u"Ali ste prepričani da želite da program preneha z delovanjem?"_s,
                                         MessageButtons::YesNo);
    if (answer != mrYes)
        return;
    allowClose = true;
    close();
}

void TfrmMain::Izhod1Click()
{
    allowClose = true;
    if (frmnalogLogin)
        frmnalogLogin->close();
    close();
}

void TfrmMain::savePlacementWhileAllowed()
{
    if (!placementSaving)
        return;
    try {
        saveFormPlacement(this);
    } catch (const std::exception&) {
        // A refused write must not keep the window from moving or closing.
    }
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    savePlacementWhileAllowed();
}

void TfrmMain::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    savePlacementWhileAllowed();
}

// ---- the list ------------------------------------------------------------------------

int TfrmMain::selectedRow() const
{
    const QModelIndexList rows = lviewMain->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TfrmMain::loadNalogi()
{
    QString statement;
    try {
        lviewMain->setEnabled(false);
        QCoreApplication::processEvents();
        const int row = selectedRow();
        std::optional<qint32> selectedId;
        if (row >= 0 && row < nalogi.size())
            selectedId = nalogi[row].id;
        statement = OrderListStatement(rdbVsiNalogi->isChecked(), searchText, QDate::currentDate(), listDateFormat);

        RemoteParams.clear();
        RecordsetPtr rs = WithBusyCursor([&] { return ExecuteRemote(statement); });
        if (!LastRemoteError.isEmpty()) {
            ShowCommunicationError();
            return;
        }
        ClearRemoteState();
        const int scroll = lviewMain->verticalScrollBar()->value();
        model_->clearRows();
        int reselect = -1;
        if (rs) {
            alertOnCountChange(rs->RecordCount());
            lastOrderCount = rs->RecordCount();
            readOrders(*rs, selectedId, &reselect);
        }
        fitColumnWidths();
        lviewMain->verticalScrollBar()->setValue(scroll);
        if (reselect >= 0)
            selectRow(reselect);
        lviewMain->setEnabled(true);
        QCoreApplication::processEvents();
    } catch (const std::exception& e) {
        lviewMain->setEnabled(true);
        ShowFailure(u"Napaka pri preverjanju nalogov "_s + ErrorMessage(e) + u"\r\n"_s + u"Qry:"_s + statement);
    }
}

// Fills nalogi from the answer and shows the rows; on a failure the rows read so far stay.
void TfrmMain::readOrders(Recordset& rs, std::optional<qint32> selectedId, int* reselectRow)
{
    nalogi.resize(rs.RecordCount());
    int read = 0;
    try {
        // Only an answer with rows is checked for its columns, as reading by name would.
        const OrderColumns columns = rs.Eof() ? OrderColumns{} : FindOrderColumns(rs);
        while (!rs.Eof() && read < nalogi.size()) {
            nalogi[read] = ReadOrderRow(rs, columns);
            if (selectedId && nalogi[read].id == *selectedId)
                *reselectRow = read;
            ++read;
            rs.MoveNext();
        }
    } catch (...) {
        model_->showRows(read);
        throw;
    }
    model_->showRows(read);
}

void TfrmMain::alertOnCountChange(int newCount)
{
    if (newCount == lastOrderCount || lastOrderCount < 0)
        return;
    const bool inBackground = QGuiApplication::applicationState() != Qt::ApplicationActive || isMinimized();
    if (!inBackground)
        return;
    QApplication::alert(this);
    // Qt sends the attention request only together with a repaint of the window.
    repaint();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    emit newOrdersAlerted();
}

void TfrmMain::selectRow(int row)
{
    const QModelIndex index = model_->index(row, 0);
    lviewMain->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Each auto-sized column fits its header and the cells with the longest texts, so the cost
// does not grow with the number of orders.
void TfrmMain::fitColumnWidths()
{
    const int gridWidth = lviewMain->showGrid() ? 1 : 0;
    const auto fit = [&](int column, int minimum, int maximum) {
        int width = lviewMain->horizontalHeader()->sectionSizeHint(column);
        for (int row : model_->longestTextRows(column, SizingSampleRows))
            width = std::max(width, lviewMain->sizeHintForIndex(model_->index(row, column)).width() + gridWidth);
        lviewMain->setColumnWidth(column, std::clamp(width, minimum, maximum));
    };
    fit(OrderListModel::ColRegSt, 100, 250);
    fit(OrderListModel::ColStranka, 40, 10000);
    fit(OrderListModel::ColAvto, 40, 450);
}

void TfrmMain::tmrcheckTimer()
{
    searchApplied = false;
    if (firstTick) {
        tmrcheck->setInterval(RefreshMs);
        firstTick = false;
    }
    tmrcheck->stop();
    loadNalogi();
    tmrcheck->start();
}

void TfrmMain::setRefreshLabel(bool enabled)
{
    lblRefreshing->setText(enabled ? u"(OSVEŽEVANJE OMOGOČENO)"_s : u"(OSVEŽEVANJE IZKLOPLJENO)"_s);
    SetTextColour(lblRefreshing, enabled ? QColor(Qt::white) : QColor(0xFF, 0, 0));
}

void TfrmMain::applySearch()
{
    const QString cleaned = CleanSearchText(txtSearch->text());
    if (cleaned != txtSearch->text())
        txtSearch->setText(cleaned);
    if (!cleaned.isEmpty()) {
        searchApplied = true;
        setRefreshLabel(false);
        tmrcheck->stop();
        tmrcheck->setInterval(RefreshMs);
        searchText = cleaned;
    } else {
        setRefreshLabel(true);
        tmrcheck->start();
        searchText.clear();
        searchApplied = true;
        tmrcheck->setInterval(RefreshMs);
    }
    loadNalogi();
}

void TfrmMain::rdbNoviNalogiClick()
{
    btnPoglejNalog->setEnabled(false);
    tmrcheck->stop();
    if (rdbNoviNalogi->isChecked()) {
        tmrcheck->setInterval(RefreshMs);
        loadNalogi();
        QCoreApplication::processEvents();
        tmrcheck->start();
    } else {
        QCoreApplication::processEvents();
        loadNalogi();
    }
}

void TfrmMain::lviewMainClick()
{
    const int row = selectedRow();
    if (row < 0) {
        btnPoglejNalog->setEnabled(false);
        return;
    }
    if (tmrcheck->isActive())
        tmrcheck->start();
    btnPoglejNalog->setEnabled(row >= 0);
}

void TfrmMain::poglejNalog()
{
    const int row = selectedRow();
    if (row < 0 || row >= nalogi.size())
        return;
    openNalog(nalogi[row].id);
}

void TfrmMain::Image1Click()
{
    try {
        CurrentUrlOpener().open(Setting(u"weburlroot"_s) + u"?kodainsupass="_s + Setting(u"kodadostop"_s));
    } catch (const std::exception&) {
        // Opening the web part is a convenience; a failure is not reported.
    }
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            if (watched == lviewMain->viewport())
                lviewMainClick();
            else if (watched == Image1)
                Image1Click();
            else if (watched == imgAlign)
                alignWindows();
        }
    } else if (event->type() == QEvent::KeyRelease && watched == txtSearch) {
        applySearch();
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- arrangement ---------------------------------------------------------------------

void TfrmMain::alignWindows()
{
    try {
        const QString name = Setting(u"othrappname"_s);
        QCoreApplication::processEvents();
        const std::optional<ForeignWindow> other = findWindowByTitle(name);
        if (!other)
            return;
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QSize screenSize = screen->geometry().size();
        const WindowArrangement arrangement =
            ArrangeBesideMainWindow(screenSize, frameGeometry().width(), taskbarHeight());
        CurrentWindowArranger().showNormalAt(other->id, arrangement.other);
        QCoreApplication::processEvents();
        move(arrangement.mainLeft, frameGeometry().top());
    } catch (const std::exception&) {
        // The arrangement is best effort: window-system failures are ignored.
    }
}

std::optional<ForeignWindow> TfrmMain::findWindowByTitle(const QString& text)
{
    Memo1->clear();
    const bool listTitles = !Memo1->isHidden();
    QString seen;
    for (const ForeignWindow& window : CurrentWindowArranger().topLevelWindows()) {
        if (!window.title.isEmpty() && listTitles)
            seen += window.title + u'\n';
        if (!text.isEmpty() && window.title.contains(text, Qt::CaseSensitive)) {
            Memo1->appendPlainText(seen.chopped(seen.endsWith(u'\n') ? 1 : 0));
            return window;
        }
    }
    Memo1->appendPlainText(seen.chopped(seen.endsWith(u'\n') ? 1 : 0));
    return std::nullopt;
}

int TfrmMain::taskbarHeight()
{
    try {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return 0;
        return TaskbarHeightFor(CurrentWindowArranger().taskbarRect(), screen->geometry().height());
    } catch (const std::exception&) {
        return 0;
    }
}

// ---- menus ---------------------------------------------------------------------------

void TfrmMain::Osvezi1Click()
{
    txtSearch->clear();
    applySearch();
}

void TfrmMain::UrejanjePostavk1Click()
{
    ExecMenuWindow<TfrmNalogUrejanjePostavk>(this);
}

void TfrmMain::PoisciShranjeneGume1Click()
{
    ExecMenuWindow<TfrmshranjevanjeGumISkanje>(this);
}

void TfrmMain::VpisiNevpisaneGume1Click()
{
    ExecMenuWindow<TfrmShranjevanjeGumVpisiNevpisane>(this);
}

void TfrmMain::UrediMesta1Click()
{
    ExecMenuWindow<TfrmShranjevanjeGumUrejanjeProstorov>(this);
}

void TfrmMain::UrejanjePodatkov1Click()
{
    ExecMenuWindow<TfrmUrejanjePodatkov>(this);
}

void TfrmMain::Ponovenvpis1Click()
{
    allowClose = false;
    if (runSignIn())
        return;
    endProgram();
}
