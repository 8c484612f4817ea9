// The main window TfrmMain: its controls, showing, the closing rules, the search and list handlers, the menus.
#include "shell/main_window.h"

#include "data/errors.h"
#include "data/server_contract.h"
#include "data/settings_keys.h"
#include "data/settings_store.h"
#include "desktop/desktop_notifier.h"
#include "desktop/url_opener.h"
#include "orders/item_catalogue.h"
#include "orders/order_details.h"
#include "session/app_state.h"
#include "session/background_call.h"
#include "session/list_memory.h"
#include "session/termination.h"
#include "session/window_links.h"
#include "shell/order_list_model.h"
#include "signin/company_details.h"
#include "signin/login_window.h"
#include "storage/storage_locations.h"
#include "storage/tyre_placement.h"
#include "storage/tyre_search.h"
#include "ui/button_styles.h"
#include "ui/failure_box.h"
#include "ui/glyph_room.h"
#include "ui/key_preview.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_fonts.h"
#include "ui/ordavo_pictures.h"
#include "ui/ordavo_window.h"
#include "ui/picture_button.h"
#include "ui/widget_colours.h"
#include "ui/window_owner.h"
#include "ui/window_placement.h"
#include "ui/xp_button.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

TfrmMain* frmMain = nullptr;

namespace {

PictureButton* MakePictureButton(QWidget* parent, const QString& name, const QString& picture, const QString& hint)
{
    auto* button = new PictureButton(OrdavoPictures::PicturePixmap(picture), hint, parent);
    button->setObjectName(name);
    button->setFixedSize(24, 24);
    return button;
}

// Opens a modal window of the menus: created now, destroyed when it closes.
template <typename Window> void ExecMenuWindow(QWidget* owner)
{
    Window window(owner);
    window.exec();
}
} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"frmMain"_s);
    frmMain = this;
    SetDialogOwnerWindow(this);
    buildWindow();
    connectWindowLinks();
    connect(this, &TfrmMain::newOrdersAlerted, this, &TfrmMain::notifyNewOrders);
}

// The other windows ask through the session layer: a changed order reloads the list, a
// request to see an order opens the order window.
void TfrmMain::connectWindowLinks()
{
    connect(&Links(), &WindowLinks::orderChanged, this, &TfrmMain::loadNalogi);
    connect(&Links(), &WindowLinks::refreshStepRequested, this, &TfrmMain::stepRefreshTimer);
    connect(&Links(), &WindowLinks::orderRequested, this, [](qint32 nalogId) { openNalog(nalogId); });
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
    SetBackgroundColour(this, QColor(kWindowBackground));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTopBand());

    model_ = new OrderListModel(this);
    connect(model_, &QAbstractItemModel::headerDataChanged, this, [this] { lastFit_.reset(); });
    lviewMain = new QTableView(central);
    lviewMain->setObjectName(u"lviewMain"_s);
    lviewMain->setAccessibleName(u"Nalogi"_s);
    lviewMain->setModel(model_);
    lviewMain->setShowGrid(true);
    lviewMain->verticalHeader()->hide();
    lviewMain->setWordWrap(false);
    lviewMain->setFont(PointFont(kTahoma, 10));
    lviewMain->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lviewMain->verticalHeader()->setDefaultSectionSize(QFontMetrics(lviewMain->font()).height() + 6);
    lviewMain->horizontalHeader()->setStretchLastSection(false);
    lviewMain->viewport()->setCursor(Qt::PointingHandCursor);
    // The last three columns are fitted to each load's contents (as defaults the user's widths override).
    columns_ = new ListColumns(*lviewMain,
                               {ListColumn::fixed(u"nalog"_s, 80), ListColumn::fixed(u"tip"_s, 70),
                                ListColumn::fixed(u"datum"_s, 100), ListColumn::fixed(u"regst"_s, 100),
                                ListColumn::fixed(u"stranka"_s, 200), ListColumn::fixed(u"avto"_s, 200)},
                               ListMemoryOf(objectName()), ListColumns::Sorting::ByHeader);
    lviewMain->setEnabled(false);
    lviewMain->viewport()->installEventFilter(this);
    connect(lviewMain, &QTableView::doubleClicked, this, [this] { poglejNalog(); });
    OpenOnEnter(lviewMain, this, [this] { poglejNalog(); });
    layout->addWidget(lviewMain, 1);
    layout->addWidget(buildBottomBand());
    setCentralWidget(central);
    // Tab goes in reading order, from the band's pictures down to "Poglej nalog"; the window opens
    // with the keyboard in the search box all the same.
    txtSearch->setFocus();

    tmrcheck = new QTimer(this);
    tmrcheck->setObjectName(u"tmrcheck"_s);
    tmrcheck->setInterval(FirstTickMs);
    connect(tmrcheck, &QTimer::timeout, this, &TfrmMain::tmrcheckTimer);
    refreshCall_ = new BackgroundCall(this);

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

    PictureButton* align = MakePictureButton(band, u"imgAlign"_s, OrdavoPictures::Align, u"Poravnaj okna"_s);
    PictureButton* web =
        MakePictureButton(band, u"Image1"_s, OrdavoPictures::Web, u"Odpri ordavo spletni del v brskalniku"_s);
    connect(align, &PictureButton::clicked, this, &TfrmMain::alignWindows);
    connect(web, &PictureButton::clicked, this, &TfrmMain::Image1Click);
    imgAlign = align;
    Image1 = web;

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
    SetBackgroundColour(band, QColor(kWindowBackground));
    auto* row = new QHBoxLayout(band);
    row->setContentsMargins(4, 4, 4, 4);

    Memo1 = new QPlainTextEdit(band);
    Memo1->setObjectName(u"Memo1"_s);
    Memo1->setAccessibleName(u"Diagnostika"_s);
    Memo1->setTabChangesFocus(true);
    Memo1->setFixedHeight(60);
    Memo1->hide();
    row->addWidget(Memo1, 1);
    row->addStretch();

    auto* searchLabel = new QLabel(u"Iskanje:"_s, band);
    txtSearch = new QLineEdit(band);
    txtSearch->setObjectName(u"txtSearch"_s);
    txtSearch->setFixedWidth(222);
    searchLabel->setBuddy(txtSearch);
    txtSearch->installEventFilter(this);
    connect(txtSearch, &QLineEdit::textChanged, this, &TfrmMain::dropRefresh);
    rdbNoviNalogi = new QRadioButton(u"Glej neobračunane naloge"_s, band);
    rdbNoviNalogi->setObjectName(u"rdbNoviNalogi"_s);
    rdbNoviNalogi->setChecked(true);
    rdbVsiNalogi = new QRadioButton(u"Glej vse naloge"_s, band);
    rdbVsiNalogi->setObjectName(u"rdbVsiNalogi"_s);
    connect(rdbNoviNalogi, &QRadioButton::clicked, this, &TfrmMain::rdbNoviNalogiClick);
    connect(rdbVsiNalogi, &QRadioButton::clicked, this, &TfrmMain::rdbNoviNalogiClick);
    // A tick's answer is for the search and the filter it was asked with.
    connect(rdbVsiNalogi, &QRadioButton::toggled, this, &TfrmMain::dropRefresh);

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
        QString plateTitle = Setting(SettingKey::PlateTitle);
        QString vehicleTitle = Setting(SettingKey::VehicleTitle);
        model_->setColumnHeader(OrderListModel::ColRegSt, plateTitle.remove(u':'));
        model_->setColumnHeader(OrderListModel::ColAvto, vehicleTitle.remove(u':'));
        if (Setting(SettingKey::ShowMemo) == u"1"_s) {
            Memo1->show();
            Memo1->clear();
        }
    } catch (const std::exception& e) {
        placementSaving = true;
        ShowFailureBox(ErrorMessage(e));
    }
}

// ---- closing -------------------------------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (!allowClose_) {
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
    const int answer =
        ShowSystemMessage(MessageIcon::Warning, u"Zapri program"_s,
                          u"Ali ste prepričani da želite da program preneha z delovanjem?"_s, MessageButtons::YesNo);
    if (answer != mrYes)
        return;
    allowClose_ = true;
    close();
}

void TfrmMain::Izhod1Click()
{
    allowClose_ = true;
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

void TfrmMain::setRefreshLabel(bool enabled)
{
    refreshEnabled_ = enabled;
    if (outage_)
        return; // the outage notice stands until a load reaches the server again
    lblRefreshing->setText(enabled ? u"(OSVEŽEVANJE OMOGOČENO)"_s : u"(OSVEŽEVANJE IZKLOPLJENO)"_s);
    SetTextColour(lblRefreshing, enabled ? QColor(Qt::white) : QColor(0xFF, 0, 0));
}

// Where the refresh label stands, in red, until a load reaches the server again.
void TfrmMain::showOutage()
{
    outage_ = true;
    model_->setStale(true);
    const QString lastTime = lastLoadTime_.isValid() ? lastLoadTime_.toString(u"HH:mm:ss"_s) : u"--:--:--"_s;
    lblRefreshing->setText(u"NI POVEZAVE S STREŽNIKOM (zadnja osvežitev ob "_s + lastTime + u')');
    SetTextColour(lblRefreshing, QColor(0xFF, 0, 0));
}

void TfrmMain::endOutage()
{
    lastLoadTime_ = QTime::currentTime();
    if (!outage_)
        return;
    outage_ = false;
    setRefreshLabel(refreshEnabled_);
}

void TfrmMain::applySearch()
{
    tickHoldsTimer_ = false; // the search decides the timer now
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
    tickHoldsTimer_ = false; // the filter decides the timer now
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
    if (row < 0 || row >= orders().size())
        return;
    openNalog(orders()[row].id);
}

void TfrmMain::bringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TfrmMain::notifyNewOrders(int previousCount, int newCount)
{
    if (newCount <= previousCount)
        return;
    try {
        if (Setting(SettingKey::NotifyNewOrders) == u"0"_s)
            return;
    } catch (const std::exception&) {
        // An unreadable settings file leaves the notices on, as they are by default.
    }
    const QPointer<TfrmMain> window(this);
    CurrentNotifier().notify(u"Novi nalogi: "_s + QString::number(newCount - previousCount), QString(), [window] {
        if (window)
            window->bringToFront();
    });
}

void TfrmMain::Image1Click()
{
    try {
        const QString webPart =
            Setting(SettingKey::WebUrlRoot) + u'?' + QString::fromUtf8(ServerContract::AccessCodeParameter);
        CurrentUrlOpener().open(webPart + Setting(SettingKey::AccessCode));
    } catch (const std::exception&) {
        // Opening the web part is a convenience; a failure is not reported.
    }
}

// Every key released in the search box searches, but only a key that was pressed there too: the
// release of the Enter that closed a box elsewhere must not reload the list a second time.
void TfrmMain::searchBoxKeyEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        keysPressedInSearch_.clear();
        break;
    case QEvent::KeyPress:
        keysPressedInSearch_.insert(static_cast<QKeyEvent*>(event)->key());
        break;
    case QEvent::KeyRelease:
        if (keysPressedInSearch_.remove(static_cast<QKeyEvent*>(event)->key()))
            applySearch();
        break;
    default:
        break;
    }
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && watched == lviewMain->viewport())
            lviewMainClick();
    } else if (watched == txtSearch) {
        searchBoxKeyEvent(event);
    }
    return QMainWindow::eventFilter(watched, event);
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
    allowClose_ = false;
    if (runSignIn())
        return;
    endProgram();
}
