// TfrmShranjevanjeGumVpisiNevpisane: listing the orders with stored tyres and saving the place their tyres are in.
#include "tyre_placement.h"

#include "storage/stored_tyre_list.h"
#include "ui/button_styles.h"
#include "ui/key_preview.h"
#include "ui/list_sort_proxy.h"

#include "data/errors.h"
#include "session/app_state.h"
#include "session/remote_calls.h"
#include "session/window_links.h"
#include "ui/busy_guard.h"
#include "ui/failure_box.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_fonts.h"
#include "ui/wait_cursor.h"
#include "ui/xp_button.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QRadioButton* FilterButton(const QString& caption, QWidget* parent)
{
    auto* button = new QRadioButton(caption, parent);
    SetBackgroundColour(button, Qt::white);
    QPalette palette = button->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    button->setPalette(palette);
    return button;
}

void ShowCheckBox(const QString& title, const QString& text)
{
    ShowSystemMessage(MessageIcon::Information, title, text, MessageButtons::Ok);
}

} // namespace

TfrmShranjevanjeGumVpisiNevpisane::TfrmShranjevanjeGumVpisiNevpisane(QWidget* parent)
    : OrdavoWindow(u"frmShranjevanjeGumVpisiNevpisane"_s, u"Shranjevanje gum"_s, 81, parent)
{
    buildControls();
    busy_ = new BusyGuard(this);
}

void TfrmShranjevanjeGumVpisiNevpisane::buildControls()
{
    auto* menuBar = new QMenuBar(this);
    Osveigume1 = menuBar->addAction(u"&Osveži podatke"_s);
    Osveigume1->setObjectName(u"Osveigume1"_s);
    Osveigume1->setShortcut(QKeySequence(Qt::Key_F5));
    layout()->setMenuBar(menuBar);
    connect(Osveigume1, &QAction::triggered, this, [this] { Osveigume1Click(); });

    buildTopBandControls();

    model_ = new StoredTyreListModel(false, this);
    lviewMain = new QTableView(bodyPanel());
    lviewMain->setObjectName(u"lviewMain"_s);
    lviewMain->setAccessibleName(u"Nalogi"_s);
    SetUpStoredTyreView(*lviewMain, *model_, objectName());
    lviewMain->viewport()->installEventFilter(this);
    OpenOnEnter(lviewMain, this, [this] { btnPoglejNalogClick(); });
    // The arrow keys only move through the orders; Space chooses the one they stand on, as a
    // click does, and shows the panel that assigns its place.
    new QShortcut(
        QKeySequence(Qt::Key_Space), lviewMain, this,
        [this] {
            const QModelIndex current = lviewMain->currentIndex();
            if (current.isValid())
                lviewMain->selectRow(current.row());
            lviewMainClick();
        },
        Qt::WidgetShortcut);

    auto* body = new QVBoxLayout(bodyPanel());
    body->addWidget(lviewMain, 1);
    body->addWidget(buildAssignmentPanel());

    // The client area lies below the menu bar.
    resize(854, 591 + menuBar->sizeHint().height());
    setMinimumSize(400, 550);
    setMaximumWidth(900);
}

QWidget* TfrmShranjevanjeGumVpisiNevpisane::buildTopBandControls()
{
    TopBand* band = topBand();
    rdbNevneseni = FilterButton(u"Glej samo nevnešene pnevmatike"_s, band);
    rdbNevneseni->setObjectName(u"rdbNevneseni"_s);
    rdbNevneseni->setChecked(true);
    rdbVneseni = FilterButton(u"Glej vse"_s, band);
    rdbVneseni->setObjectName(u"rdbVneseni"_s);
    // Each change checks one button and unchecks the other: load once, for the checked one.
    for (QRadioButton* filter : {rdbNevneseni, rdbVneseni})
        connect(filter, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                filterChanged();
        });

    auto* line = new QFrame(band);
    line->setFixedWidth(1);
    SetBackgroundColour(line, Qt::black);

    btnPoglejNalog = new TXpButton(u"Poglej nalog"_s, band);
    btnPoglejNalog->setObjectName(u"btnPoglejNalog"_s);
    StyleBlueButton(*btnPoglejNalog);
    btnPoglejNalog->setFixedSize(141, 40);
    connect(btnPoglejNalog, &QPushButton::clicked, this, [this] { btnPoglejNalogClick(); });

    auto* filters = new QVBoxLayout;
    filters->addWidget(rdbNevneseni);
    filters->addWidget(rdbVneseni);
    auto* row = new QHBoxLayout(band);
    row->addStretch(1);
    row->addLayout(filters);
    row->addWidget(line);
    row->addWidget(btnPoglejNalog);
    // The banner ends where the controls begin, so they never stand on its logo.
    const int controlsWidth = row->contentsMargins().right() + filters->sizeHint().width() + line->width() +
                              btnPoglejNalog->width() + 3 * row->spacing();
    band->setBannerRightInset(controlsWidth);
    return band;
}

QWidget* TfrmShranjevanjeGumVpisiNevpisane::buildAssignmentPanel()
{
    auto* panel = new QFrame(bodyPanel());
    panel->setObjectName(u"pnlVpisiNevpisanega"_s);
    panel->setFrameShape(QFrame::Box);
    pnlVpisiNevpisanega = panel;

    auto* caption = new QLabel(u"Dodeli lokacijo:"_s, panel);
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    caption->setPalette(palette);
    cmbProstori = new QComboBox(panel);
    cmbProstori->setObjectName(u"cmbProstori"_s);
    cmbProstori->setEditable(false);
    mmoOpisProstora = new QPlainTextEdit(panel);
    mmoOpisProstora->setObjectName(u"mmoOpisProstora"_s);
    mmoOpisProstora->setFixedHeight(35);
    mmoOpisProstora->setReadOnly(true);
    mmoOpisProstora->setAccessibleName(u"Opis lokacije"_s);
    caption->setBuddy(cmbProstori);
    shrani = new TXpButton(u"Shrani lokacijo"_s, panel);
    shrani->setObjectName(u"shrani"_s);
    StyleBlueButton(*shrani);
    shrani->setFixedSize(150, 36);

    auto* row = new QHBoxLayout(panel);
    row->addWidget(caption);
    row->addWidget(cmbProstori, 1);
    row->addWidget(mmoOpisProstora, 2);
    row->addWidget(shrani);

    connect(cmbProstori, &QComboBox::activated, this, [this] { cmbProstoriChange(); });
    connect(shrani, &QPushButton::clicked, this, [this] { shraniClick(); });
    panel->hide();
    return panel;
}

bool TfrmShranjevanjeGumVpisiNevpisane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lviewMain->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            // A click beside the rows leaves no row selected.
            if (!lviewMain->indexAt(mouse->position().toPoint()).isValid())
                lviewMain->clearSelection();
            lviewMainClick();
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            btnPoglejNalogClick();
        }
    }
    return OrdavoWindow::eventFilter(watched, event);
}

void TfrmShranjevanjeGumVpisiNevpisane::FormShow()
{
    BusyGuard::Scope busy(*busy_);
    loadProstori();
    loadNevpisani();
}

void TfrmShranjevanjeGumVpisiNevpisane::Osveigume1Click()
{
    BusyGuard::Scope busy(*busy_);
    loadNevpisani();
    loadProstori();
}

void TfrmShranjevanjeGumVpisiNevpisane::filterChanged()
{
    BusyGuard::Scope busy(*busy_);
    loadNevpisani();
}

void TfrmShranjevanjeGumVpisiNevpisane::loadProstori()
{
    try {
        WaitCursor cursor;
        {
            const QSignalBlocker blocker(cmbProstori);
            cmbProstori->clear();
        }
        lokacije.clear();
        const CallResult places = CallRemote(u"call usp_listLokacije()"_s);
        if (!places)
            return; // the box and the table stay empty
        {
            const QSignalBlocker blocker(cmbProstori);
            cmbProstori->addItem(u"Nepopisano..."_s);
        }
        lokacije.append(Tlokacije{-1, u"Nepopisano..."_s, u"Lokacije še ni bila popisana."_s});
        AppendLocationRows(places.answer.get(), *cmbProstori, lokacije);
        {
            const QSignalBlocker blocker(cmbProstori);
            cmbProstori->setCurrentIndex(0);
        }
        cmbProstoriChange();
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmShranjevanjeGumVpisiNevpisane::loadNevpisani()
{
    pnlVpisiNevpisanega->hide();
    QCoreApplication::processEvents();
    model_->clear();
    const QString statement = u"call usp_listnevneseni ("_s + (rdbVneseni->isChecked() ? u"1"_s : u"0"_s) + u")"_s;
    WaitCursor cursor;
    if (!LoadStoredTyreRows(statement, *model_, *lviewMain))
        return;
    cursor.restore();
    QCoreApplication::processEvents();
    // The main window's search keeps the keyboard while it is in use.
    if (!mainSearchInUse())
        lviewMain->setFocus();
}

bool TfrmShranjevanjeGumVpisiNevpisane::mainSearchInUse() const
{
    return !searchText.isEmpty() || searchApplied;
}

void TfrmShranjevanjeGumVpisiNevpisane::cmbProstoriChange()
{
    mmoOpisProstora->clear();
    const int index = cmbProstori->currentIndex();
    if (index < 0 || index >= lokacije.size())
        return;
    if (!lokacije.at(index).opis.isEmpty())
        mmoOpisProstora->setPlainText(lokacije.at(index).opis);
}

int TfrmShranjevanjeGumVpisiNevpisane::selectedRow() const
{
    return SelectedSourceRow(*lviewMain);
}

void TfrmShranjevanjeGumVpisiNevpisane::lviewMainClick()
{
    {
        const QSignalBlocker blocker(cmbProstori);
        cmbProstori->setCurrentIndex(0);
    }
    const int row = selectedRow();
    if (row < 0) {
        pnlVpisiNevpisanega->hide();
        return;
    }
    // A place id that matches no entry leaves "Nepopisano..." chosen and the description as it was.
    const qint32 placeId = model_->row(row).SHRLokacija;
    for (int index = 0; index < lokacije.size(); ++index) {
        if (lokacije.at(index).id != placeId)
            continue;
        {
            const QSignalBlocker blocker(cmbProstori);
            cmbProstori->setCurrentIndex(index);
        }
        cmbProstoriChange();
    }
    pnlVpisiNevpisanega->show();
}

void TfrmShranjevanjeGumVpisiNevpisane::btnPoglejNalogClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    try {
        emit Links().orderRequested(model_->row(row).id);
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmShranjevanjeGumVpisiNevpisane::shraniClick()
{
    BusyGuard::Scope busy(*busy_);
    try {
        saveLocation();
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmShranjevanjeGumVpisiNevpisane::saveLocation()
{
    const QString noOrderTitle = u"Nalog ni izbran"_s;
    const QString noOrderText = u"Izberite vpisan nalog za urejanje lokacije"_s;
    const QString noPlaceTitle = u"Lokacija ni izbrana"_s;
    const QString noPlaceText = u"Izberite lokacijo za shranjevanje"_s;
    const int row = selectedRow();
    if (row < 0)
        return ShowCheckBox(noOrderTitle, noOrderText);
    const int placeIndex = cmbProstori->currentIndex();
    if (placeIndex < 1 || placeIndex >= lokacije.size())
        return ShowCheckBox(noPlaceTitle, noPlaceText);
    const qint32 orderId = model_->row(row).id;
    if (orderId < 0)
        return ShowCheckBox(noOrderTitle, noOrderText);
    const qint32 placeId = lokacije.at(placeIndex).id;
    if (placeId < 1)
        return ShowCheckBox(noPlaceTitle, noPlaceText);

    WaitCursor cursor;
    const QString statement =
        u"call usp_saveSHRLocation ("_s + QString::number(orderId) + u","_s + QString::number(placeId) + u")"_s;
    if (!CallRemote(statement))
        return; // the list and the panel stay as they were
    loadProstori();
    loadNevpisani();
    cursor.restore();
    ShowCheckBox(u"Uspeh"_s, u"Uspešno shranjena lokacija"_s);
}
