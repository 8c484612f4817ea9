// The order window: its controls, openNalog, the header and item loads, the customer lines, the picture strip and the
// document buttons.
#include "order_details.h"

#include "order_actions.h"
#include "order_documents.h"
#include "print_order.h"

#include "data/errors.h"
#include "data/remote_call.h"
#include "data/server_contract.h"
#include "data/settings_keys.h"
#include "data/settings_store.h"
#include "data/text_helpers.h"
#include "desktop/mail_composer.h"
#include "desktop/picture_pane.h"
#include "desktop/url_opener.h"
#include "session/app_state.h"
#include "session/remote_calls.h"
#include "session/window_links.h"
#include "ui/accessibility.h"
#include "ui/failure_box.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/ordavo_fonts.h"
#include "ui/ordavo_pictures.h"
#include "ui/wait_cursor.h"
#include "ui/widget_colours.h"
#include "ui/window_owner.h"
#include "ui/window_placement.h"
#include "ui/xp_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

TfrmNalogDetails* frmNalogDetails = nullptr;
qint32 currentNalogId = 0;
TNalogCustomer NalogCustomer;

namespace {

const QColor kCaptionGrey(0xAA, 0xAA, 0xAA);

// The width the signature panel takes while its snapshot for the preview is rendered: the printed
// picture's width.
constexpr int SignatureSnapshotWidth = 303;

enum ItemColumn { ColOpis, ColDodatno, ColKolicina, ColCena, ItemColumnCount };

QLabel* MakeLabel(const QString& name, const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    SetTextColour(label, colour);
    return label;
}

QLabel* MakeCaption(const QString& name, const QString& text, QWidget* parent)
{
    return MakeLabel(name, text, PixelFont(kTahoma, 12), kCaptionGrey, parent);
}

QLabel* MakeValue(const QString& name, const QColor& colour, QWidget* parent)
{
    auto* label = MakeLabel(name, QString(), PixelFont(kTahoma, 15, true), colour, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPlainTextEdit* MakeMemo(const QString& name, QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return memo;
}

PicturePane* MakePane(const QString& name, const QSize& size, const QColor& background, QWidget* parent)
{
    auto* pane = new PicturePane(parent);
    pane->setObjectName(name);
    pane->setFixedSize(size);
    pane->setBackgroundColor(background);
    return pane;
}

TXpButton* MakeButton(const QString& name, const QString& caption, const QString& hint, const QString& picture,
                      QWidget* parent)
{
    auto* button = new TXpButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setFixedHeight(38);
    button->setPicture(OrdavoPictures::Picture(picture));
    button->setPictureLeft(4);
    button->setPictureTop(3);
    button->setFont(PixelFont(kTahoma, 13, true));
    button->setFontColor(Qt::white);
    button->setClrStartColor(QColor(0x08, 0x74, 0xB5));
    button->setClrEndColor(QColor(0x01, 0x41, 0x67));
    button->setClrDownColor(QColor(0x00, 0x52, 0x86));
    button->setClrBorderColor(QColor(0x4D, 0xAA, 0xE8));
    if (caption.isEmpty())
        button->setFixedWidth(44);
    return button;
}

QString TextOf(const Recordset& row, const QString& column)
{
    return row.FieldValue(column).asString();
}

void ShowErrorBox(const QString& title, const QString& text)
{
    ShowSystemMessage(MessageIcon::Error, title, text);
}

} // namespace

QColor PostavkeRowColor(int index)
{
    return index % 2 == 0 ? QColor(0xC5, 0xC2, 0xC2) : QColor(Qt::white);
}

QString TotalCaption(double total)
{
    return u"Skupaj: "_s + FormatFixed2(total) + u" €"_s;
}

QString CommentWithLineBreaks(const QString& komentar)
{
    return WithLineBreaksAs(komentar, u"\n"_s);
}

QString NalogHeaderStatement(qint32 nalogId, const QDate& today, const QString& dateFormat)
{
    return u"call usp_listneobracunaninalogi (1,'"_s + FormatListDate(today.addDays(-365), dateFormat) + u"','"_s +
           FormatListDate(today.addDays(365), dateFormat) + u"',"_s + QString::number(nalogId) + u",0,'')"_s;
}

void BuildCustomerLines(TNalogCustomer& customer, const QString& ime, const QString& priimek, const QString& idddv,
                        const QString& naslov, const QString& podjetje)
{
    customer.strankaLine = ime.isEmpty() ? QString() : u"Stranka: "_s + ime + u' ' + priimek;
    customer.idddvLine = idddv.isEmpty() ? QString() : u"ID ZA DDV: "_s + idddv;
    customer.naslovLine = naslov.isEmpty() ? QString() : u"Naslov: "_s + naslov;
    customer.podjetjeLine = podjetje.isEmpty() ? QString() : u"Podjetje: "_s + podjetje;
}

QStringList CustomerMemoLines(const TNalogCustomer& customer)
{
    QStringList lines;
    for (const QString& line : {customer.podjetjeLine, customer.strankaLine, customer.naslovLine, customer.idddvLine}) {
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

TfrmNalogDetails::TfrmNalogDetails(QWidget* parent)
    : OrdavoWindow(u"frmNalogDetails"_s, u"Postavke naloga"_s, 100, parent)
{
    if (!frmNalogDetails)
        frmNalogDetails = this;
    // Every opening shows the order openNalog names.
    setFormShowRuns(FormShowRuns::EveryShow);
    FormCreate();
}

TfrmNalogDetails::~TfrmNalogDetails()
{
    if (frmNalogDetails == this)
        frmNalogDetails = nullptr;
}

void TfrmNalogDetails::FormCreate()
{
    resize(505, 694);
    setMinimumSize(450, 550);
    setMaximumWidth(991);
    buildTopBand();
    buildBody();
    connectButtons();
    pictureClickHandler = new PictureClickHandler(WebBrowsers, this);
    qApp->installEventFilter(pictureClickHandler);
    // The hourglass of the PDF download goes before the box says why no mail was made.
    SetMailFailureReporter([](const QString& text, const QString& details) {
        ClearBusyCursor();
        ShowMessageDialog(mdError, text, details, maCenter);
    });
    SetOpenFailureReporter(
        [](const QString& address) { ShowFailureBox(u"Naslova ni bilo mogoče odpreti:\n"_s + address); });
}

void TfrmNalogDetails::buildTopBand()
{
    auto* layout = new QVBoxLayout(topBand());
    layout->setContentsMargins(8, 6, 12, 6);
    layout->setSpacing(2);
    lblCaptionNalog = MakeLabel(u"lblCaptionNalog"_s, u"Delovni nalog"_s, PixelFont(kTahoma, 16, true),
                                QColor(0xC0, 0xC0, 0xC0), topBand());
    QFont sumFont = PixelFont(kTahoma, 21, true);
    sumFont.setUnderline(true);
    lblSuma = MakeLabel(u"lblSuma"_s, u"Skupaj: 0€"_s, sumFont, Qt::white, topBand());
    lblSuma->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The window's own strip keeps its motif clear of the order type and the total.
    topBand()->banner()->setPixmap(OrdavoPictures::PicturePixmap(OrdavoPictures::OrderHeader));
    DescribePicture(topBand()->banner(), QString());
    layout->addWidget(lblCaptionNalog, 0, Qt::AlignRight);
    layout->addWidget(lblSuma, 0, Qt::AlignRight);
    layout->addStretch(1);
}

void TfrmNalogDetails::buildBody()
{
    // With a signature shown, the default size leaves the item list only a few pixels over its
    // minimum: the gaps stay small so the list keeps room for its rows.
    auto* layout = new QVBoxLayout(bodyPanel());
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(4);
    layout->addWidget(buildHeaderFields());
    layout->addWidget(buildCustomerMemo());
    layout->addWidget(buildCommentAndSignature());
    buildItemList();
    layout->addWidget(lviewPostavke, 1);
    // Takes the list's room while a reception order hides the list, so the controls above
    // keep their heights and the picture strip and buttons stay at the bottom.
    layout->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    layout->addWidget(buildPictureStrip());
    layout->addWidget(buildButtonRow());
}

QWidget* TfrmNalogDetails::buildHeaderFields()
{
    auto* host = new QWidget(bodyPanel());
    auto* grid = new QGridLayout(host);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(0);
    Label1 = MakeCaption(u"Label1"_s, u"Nalog"_s, host);
    lblNalog = MakeValue(u"lblNalog"_s, Qt::white, host);
    Label3 = MakeCaption(u"Label3"_s, u"Datum"_s, host);
    lblDatum = MakeValue(u"lblDatum"_s, Qt::white, host);
    Label4 = MakeCaption(u"Label4"_s, u"Vnesel"_s, host);
    lblVnesel = MakeValue(u"lblVnesel"_s, Qt::white, host);
    Label5 = MakeCaption(u"Label5"_s, u"Vozilo"_s, host);
    lblVozilo = MakeValue(u"lblVozilo"_s, Qt::red, host);
    Label2 = MakeCaption(u"Label2"_s, u"Registrska št:"_s, host);
    lblregistrska = MakeValue(u"lblregistrska"_s, Qt::red, host);
    // Caption above value: number, date and who entered it on the first line, vehicle and
    // plate on the second.
    const std::array<std::pair<QLabel*, QLabel*>, 5> pairs{
        {{Label1, lblNalog}, {Label3, lblDatum}, {Label4, lblVnesel}, {Label5, lblVozilo}, {Label2, lblregistrska}}};
    constexpr int kColumns = 3;
    for (int index = 0; index < int(pairs.size()); ++index) {
        const int row = index / kColumns * 2;
        const int column = index % kColumns;
        pairs[std::size_t(index)].first->setBuddy(pairs[std::size_t(index)].second);
        grid->addWidget(pairs[std::size_t(index)].first, row, column);
        grid->addWidget(pairs[std::size_t(index)].second, row + 1, column);
    }
    for (int column = 0; column < kColumns; ++column)
        grid->setColumnStretch(column, 1);
    return host;
}

QWidget* TfrmNalogDetails::buildCustomerMemo()
{
    // Caption close above its memo, as the comment's is.
    auto* host = new QWidget(bodyPanel());
    auto* column = new QVBoxLayout(host);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    Label6 = MakeCaption(u"Label6"_s, u"Stranka"_s, host);
    mmoStranka = MakeMemo(u"mmoStranka"_s, host);
    mmoStranka->setFixedHeight(70);
    mmoStranka->setMaximumWidth(474);
    Label6->setBuddy(mmoStranka);
    column->addWidget(Label6);
    column->addWidget(mmoStranka);
    return host;
}

QWidget* TfrmNalogDetails::buildCommentAndSignature()
{
    auto* host = new QWidget(bodyPanel());
    lblPravnaOseba = new QCheckBox(u"Pravna oseba?"_s, host);
    lblPravnaOseba->setObjectName(u"lblPravnaOseba"_s);
    lblPravnaOseba->setEnabled(false);
    SetTextColour(lblPravnaOseba, Qt::white);
    // The comment with its caption above it, at most 334 wide, at the right.
    auto* comment = new QWidget(host);
    comment->setMaximumWidth(334);
    comment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* commentColumn = new QVBoxLayout(comment);
    commentColumn->setContentsMargins(0, 0, 0, 0);
    commentColumn->setSpacing(2);
    Label8 = MakeCaption(u"Label8"_s, u"Komentar"_s, comment);
    mmoKomentar = MakeMemo(u"mmoKomentar"_s, comment);
    mmoKomentar->setFixedHeight(52);
    Label8->setBuddy(mmoKomentar);
    commentColumn->addWidget(Label8);
    commentColumn->addWidget(mmoKomentar);

    auto* frame = new QFrame(host);
    frame->setObjectName(u"pnlbrowser"_s);
    frame->setFrameShape(QFrame::Box);
    frame->setFixedSize(320, 116);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    browserpodpis = new PicturePane(frame);
    browserpodpis->setObjectName(u"browserpodpis"_s);
    DescribePicture(browserpodpis, u"Podpis stranke"_s);
    frameLayout->addWidget(browserpodpis);
    frame->hide();
    pnlbrowser = frame;

    // The legal-person flag on the left and the comment at the right: the comment takes the
    // width first, up to its maximum, the gap between them the rest. The signature pane
    // stands under the comment.
    auto* flagAndComment = new QHBoxLayout;
    flagAndComment->addWidget(lblPravnaOseba, 0, Qt::AlignBottom);
    flagAndComment->addStretch(1);
    flagAndComment->addWidget(comment, 1000);
    auto* column = new QVBoxLayout(host);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addLayout(flagAndComment);
    column->addWidget(frame, 0, Qt::AlignRight);
    return host;
}

void TfrmNalogDetails::buildItemList()
{
    lviewPostavke = new QTreeWidget(bodyPanel());
    lviewPostavke->setObjectName(u"lviewPostavke"_s);
    lviewPostavke->setAccessibleName(u"Postavke"_s);
    lviewPostavke->setColumnCount(ItemColumnCount);
    lviewPostavke->setHeaderLabels({u"Postavka"_s, u"Dodatno"_s, u"Količina"_s, u"Cena"_s});
    lviewPostavke->headerItem()->setTextAlignment(ColKolicina, Qt::AlignRight | Qt::AlignVCenter);
    lviewPostavke->headerItem()->setTextAlignment(ColCena, Qt::AlignRight | Qt::AlignVCenter);
    lviewPostavke->setRootIsDecorated(false);
    lviewPostavke->setUniformRowHeights(true);
    lviewPostavke->setSelectionBehavior(QAbstractItemView::SelectRows);
    lviewPostavke->setSelectionMode(QAbstractItemView::SingleSelection);
    lviewPostavke->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lviewPostavke->setFont(PixelFont(kTahoma, 13));
    lviewPostavke->header()->setStretchLastSection(false);
}

QWidget* TfrmNalogDetails::buildPictureStrip()
{
    auto* strip = new QFrame(bodyPanel());
    strip->setObjectName(u"pnlNalogimgs"_s);
    strip->setFrameShape(QFrame::Box);
    strip->setFixedHeight(74);
    SetBackgroundColour(strip, QColor(kBandColour));
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);
    const std::array<int, 4> widths{110, 121, 121, 121};
    for (int index = 0; index < 4; ++index) {
        PicturePane* pane = MakePane(u"WebBrowser"_s + QString::number(index + 1), QSize(widths[index], 65),
                                     QColor(kBandColour), strip);
        pane->setCursor(Qt::PointingHandCursor);
        // Tab reaches a shown picture; Enter or Space opens it as a click does.
        pane->setFocusPolicy(Qt::TabFocus);
        DescribePicture(pane, u"Slika "_s + QString::number(index + 1));
        pane->hide();
        row->addWidget(pane);
        WebBrowsers[index] = pane;
    }
    row->addStretch(1);
    pnlNalogimgs = strip;
    return strip;
}

QWidget* TfrmNalogDetails::buildButtonRow()
{
    auto* host = new QWidget(bodyPanel());
    // With the signature button shown the row holds seven buttons: 3 px between them keeps
    // it inside the default width.
    auto* row = new QHBoxLayout(host);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    XpButton1 = MakeButton(u"XpButton1"_s, QString(), u"Izbriši nalog"_s, OrdavoPictures::Delete, host);
    XpButton1->setClrStartColor(QColor(0xFF, 0x00, 0x00));
    XpButton1->setClrEndColor(QColor(0x00, 0x00, 0x00));
    XpButton2 = MakeButton(u"XpButton2"_s, u"       Tisk"_s, u"Natisni nalog"_s, OrdavoPictures::Print, host);
    XpButton2->setFixedWidth(90);
    XpButton3 = MakeButton(u"XpButton3"_s, QString(), u"Predogled izpisa"_s, OrdavoPictures::Preview, host);
    XpButton4 =
        MakeButton(u"XpButton4"_s, QString(), u"Pripravi osnutek pošte in poglej"_s, OrdavoPictures::Mail, host);
    btnposljinalogkotpdf = MakeButton(u"btnposljinalogkotpdf"_s, QString(), u"Poglej si PDF naloga na spletu"_s,
                                      OrdavoPictures::Pdf, host);
    btnPoglejPodpis =
        MakeButton(u"btnPoglejPodpis"_s, QString(), u"Poglej Podpis stranke"_s, OrdavoPictures::Signature, host);
    btnPoglejPodpis->hide();
    shrani = MakeButton(u"shrani"_s, u"Obračunano  "_s, QString(), OrdavoPictures::Billed, host);
    // The centred caption keeps clear of the picture at the left: as much room on each side.
    shrani->setPictureLeft(1);
    const int pictureRoom = shrani->pictureLeft() + shrani->picture().width();
    const int captionWidth = QFontMetrics(shrani->font()).horizontalAdvance(shrani->text());
    shrani->setFixedWidth(std::max(150, captionWidth + 2 * pictureRoom));
    shrani->setClrStartColor(QColor(0x3C, 0xB3, 0x3C));
    shrani->setClrEndColor(QColor(0x0B, 0x4F, 0x0B));
    shrani->setClrDownColor(QColor(0x1E, 0x7A, 0x1E));
    for (TXpButton* button : {XpButton1, XpButton2, XpButton3, XpButton4, btnposljinalogkotpdf, btnPoglejPodpis})
        row->addWidget(button);
    row->addStretch(1);
    row->addWidget(shrani);
    return host;
}

void TfrmNalogDetails::connectButtons()
{
    connect(shrani, &QPushButton::clicked, this, &TfrmNalogDetails::shraniClick);
    connect(XpButton1, &QPushButton::clicked, this, &TfrmNalogDetails::XpButton1Click);
    connect(XpButton2, &QPushButton::clicked, this, &TfrmNalogDetails::XpButton2Click);
    connect(XpButton3, &QPushButton::clicked, this, &TfrmNalogDetails::XpButton3Click);
    connect(XpButton4, &QPushButton::clicked, this, &TfrmNalogDetails::XpButton4Click);
    connect(btnposljinalogkotpdf, &QPushButton::clicked, this, &TfrmNalogDetails::btnposljinalogkotpdfClick);
    connect(btnPoglejPodpis, &QPushButton::clicked, this, &TfrmNalogDetails::btnPoglejPodpisClick);
}

void TfrmNalogDetails::FormShow()
{
    try {
        restoreFormPlacement(this);
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
    if (currentNalogId < 0)
        ShowErrorBox(u"Napaka pri iskanju naloga"_s,
                     u"Nepravilen nalog. Nalog je bil verjetno zbrisan ali pa nima postavk."_s);
    else
        loadNalog(currentNalogId);
    try {
        Label5->setText(Setting(SettingKey::VehicleTitle));
        Label2->setText(Setting(SettingKey::PlateTitle));
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmNalogDetails::loadNalog(qint32 nalogId)
{
    lblSuma->setText(u"Skupaj: 0€"_s);
    runningTotal_ = 0.0;
    // A server that could not be reached for the header is not asked for the items, so the
    // user is told once; no items of an earlier order stay in the list.
    if (!loadNalogHeader(nalogId)) {
        lviewPostavke->clear();
        return;
    }
    QCoreApplication::processEvents();
    loadItems(nalogId);
}

bool TfrmNalogDetails::loadNalogHeader(qint32 nalogId)
{
    QCoreApplication::processEvents();
    const CallResult header =
        CallRemote(NalogHeaderStatement(nalogId, QDate::currentDate(), listDateFormat), CallCursor::ClearOnFailure);
    if (!header || !header.answer || header.answer->Eof())
        return !header.unreachable;
    try {
        fillHeader(*header.answer);
    } catch (const std::exception&) {
        ShowFailureBox(u"Napaka pri polnenju informacij na levi"_s);
    }
    return true;
}

void TfrmNalogDetails::fillHeader(Recordset& row)
{
    lblNalog->setText(TextOf(row, u"nalogStevilka"_s));
    const QString ime = TextOf(row, u"strankaime"_s);
    const QString idddv = TextOf(row, u"strankaidddv"_s);
    const QString priimek = TextOf(row, u"strankapriimek"_s);
    const QString naslov = TextOf(row, u"strankanaslov"_s);
    const QString podjetje = TextOf(row, u"strankapodjetje"_s);
    NalogCustomer.nalogType = row.FieldValue(u"nalogType"_s).asInteger();
    applyOrderType(NalogCustomer.nalogType);
    BuildCustomerLines(NalogCustomer, ime, priimek, idddv, naslov, podjetje);
    fillCustomerLines(row);
    lblDatum->setText(FormatDisplayDate(row.FieldValue(u"datum"_s).asDateTime()));
    lblVnesel->setText(TextOf(row, u"vnesel"_s));
    lblregistrska->setText(TextOf(row, u"registrska_st"_s));
    lblVozilo->setText(TextOf(row, u"vozilo"_s));
    btnPoglejPodpis->hide();
    const QString podpis = TextOf(row, u"podpis"_s);
    layOutPictureStrip(showPictures(row));
    pnlbrowser->hide();
    const QString webUrlRoot = Setting(SettingKey::WebUrlRoot);
    const QString accessCode = Setting(SettingKey::AccessCode);
    PreviewPdfUrl = BuildPreviewPdfUrl(webUrlRoot, currentNalogId, accessCode);
    PdfFileUrl = BuildPdfFileUrl(webUrlRoot, currentNalogId, accessCode);
    showSignature(podpis);
    const Field pravnaOseba = row.FieldValue(u"pravnaoseba"_s);
    lblPravnaOseba->setChecked(!pravnaOseba.isNull() && pravnaOseba.asInteger() == 1);
    mmoKomentar->setPlainText(CommentWithLineBreaks(TextOf(row, u"komentar"_s)));
}

void TfrmNalogDetails::applyOrderType(qint32 nalogType)
{
    const bool reception = nalogType == 1;
    lviewPostavke->setVisible(!reception);
    lblSuma->setVisible(!reception);
    lblPravnaOseba->setVisible(!reception);
    lblCaptionNalog->setText(reception ? u"Sprejemni nalog"_s : u"Delovni nalog"_s);
    shrani->setText(reception ? u"Arhiviraj"_s : u"Obračunano"_s);
}

void TfrmNalogDetails::fillCustomerLines(Recordset& row)
{
    mmoStranka->clear();
    const QStringList lines =
        row.FieldValue(u"Stranka"_s).isNull() ? QStringList{u"Ni podano"_s} : CustomerMemoLines(NalogCustomer);
    mmoStranka->setPlainText(lines.join(u'\n'));
}

bool TfrmNalogDetails::showPictures(Recordset& row)
{
    for (PicturePane* pane : WebBrowsers)
        pane->hide();
    bool anyShown = false;
    for (int index = 0; index < 4; ++index) {
        const QString slika = TextOf(row, u"slika"_s + QString::number(index + 1));
        if (slika.isEmpty())
            continue;
        WebBrowsers[index]->show();
        WebBrowsers[index]->navigate(BuildPictureUrl(requestUrl, slika));
        anyShown = true;
    }
    return anyShown;
}

void TfrmNalogDetails::layOutPictureStrip(bool anyPictureShown)
{
    // The list's layout gives it the strip's space (down to the strip's bottom edge) while
    // the strip is hidden, and ends it 5 pixels above the strip while it is shown.
    pnlNalogimgs->setVisible(anyPictureShown);
}

void TfrmNalogDetails::showSignature(const QString& podpis)
{
    btnPoglejPodpis->hide();
    pnlbrowser->hide();
    browserpodpis->stop();
    if (podpis.isEmpty())
        return;
    SignatureUrl = BuildSignatureUrl(requestUrl, podpis);
    btnPoglejPodpis->show();
    pnlbrowser->show();
    browserpodpis->navigate(SmallSignatureUrl(SignatureUrl));
}

void TfrmNalogDetails::loadItems(qint32 nalogId)
{
    lviewPostavke->clear();
    const CallResult items = CallRemote(NalogItemsStatement(nalogId), CallCursor::ClearOnFailure);
    if (!items)
        return;
    const RecordsetPtr& answer = items.answer;
    try {
        for (; answer && !answer->Eof(); answer->MoveNext()) {
            const double cena = ParseDecimal(TextOf(*answer, u"cena"_s));
            const double kolicina = ParseDecimal(TextOf(*answer, u"kolicina"_s));
            appendItemRow(TextOf(*answer, u"opis"_s), TextOf(*answer, u"Dodatno"_s), kolicina, cena);
            runningTotal_ += cena * kolicina;
        }
        lblSuma->setText(TotalCaption(runningTotal_));
    } catch (const std::exception&) {
        ShowFailureBox(u"Napaka pri preverjanju nalogov"_s);
    }
    fitItemColumns();
}

void TfrmNalogDetails::appendItemRow(const QString& opis, const QString& dodatno, double kolicina, double cena)
{
    auto* item = new QTreeWidgetItem(lviewPostavke);
    item->setText(ColOpis, opis);
    item->setText(ColDodatno, dodatno);
    item->setText(ColKolicina, FormatFixed2(kolicina));
    item->setText(ColCena, FormatFixed2(cena) + u"€"_s);
    item->setTextAlignment(ColKolicina, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(ColCena, Qt::AlignRight | Qt::AlignVCenter);
    const QColor background = PostavkeRowColor(lviewPostavke->topLevelItemCount() - 1);
    for (int column = 0; column < ItemColumnCount; ++column) {
        item->setBackground(column, background);
        item->setForeground(column, QColor(Qt::black));
    }
}

void TfrmNalogDetails::fitItemColumns()
{
    for (int column = 0; column < ItemColumnCount; ++column)
        lviewPostavke->resizeColumnToContents(column);
    lviewPostavke->setColumnWidth(ColDodatno, std::max(lviewPostavke->columnWidth(ColDodatno), 60));
    lviewPostavke->setColumnWidth(ColKolicina, std::min(lviewPostavke->columnWidth(ColKolicina), 60));
    lviewPostavke->setColumnWidth(ColCena, std::min(lviewPostavke->columnWidth(ColCena), 100));
}

void TfrmNalogDetails::shraniClick()
{
    // The status call shows and clears the hourglass itself.
    setNalogStatus(currentNalogId, StatusBilled);
    try {
        close();
        emit Links().refreshStepRequested();
    } catch (const std::exception&) {
        // Closing and the timer step are best effort.
    }
}

void TfrmNalogDetails::XpButton1Click()
{
    const int answer = ShowSystemMessage(MessageIcon::Information, u"Potrdite ali ovrzite"_s,
                                         u"Ali ste prepričani da želite izbrisati nalog "_s + lblNalog->text() + u'?',
                                         MessageButtons::YesNo);
    if (answer != mrYes)
        return;
    setNalogStatus(currentNalogId, StatusDeleted);
    close();
}

void TfrmNalogDetails::XpButton4Click()
{
    downloadpdfandsendit(PdfFileUrl);
}

void TfrmNalogDetails::btnposljinalogkotpdfClick()
{
    OpenAndMinimize(PreviewPdfUrl);
}

void TfrmNalogDetails::btnPoglejPodpisClick()
{
    OpenAndMinimize(SignatureUrl);
}

void TfrmNalogDetails::XpButton2Click()
{
    printShownOrder(PrintModePrint);
}

void TfrmNalogDetails::XpButton3Click()
{
    printShownOrder(PrintModePreview);
}

// The signature pane rendered into the snapshot file, the pane's panel first set to the width of
// the printed picture when asked.
void TfrmNalogDetails::takeSignatureSnapshot(const QString& path, bool atPrintedWidth)
{
    if (!atPrintedWidth) {
        saveBrowserSnapshot(*browserpodpis, path);
        return;
    }
    const int width = pnlbrowser->width();
    const auto setPanelWidth = [this](int w) {
        pnlbrowser->setFixedWidth(w);
        if (pnlbrowser->layout())
            pnlbrowser->layout()->activate();
        QCoreApplication::processEvents();
    };
    setPanelWidth(SignatureSnapshotWidth);
    try {
        saveBrowserSnapshot(*browserpodpis, path);
    } catch (...) {
        setPanelWidth(width);
        throw;
    }
    setPanelWidth(width);
}

PrintedOrder TfrmNalogDetails::shownOrder(const QString& imagePath) const
{
    PrintedOrder order;
    order.nalogId = currentNalogId;
    order.nalogNumber = lblNalog->text();
    order.vozilo = lblVozilo->text();
    order.registrska = lblregistrska->text();
    order.datum = lblDatum->text();
    order.imagePath = imagePath;
    order.komentar = mmoKomentar->toPlainText();
    order.vnesel = lblVnesel->text();
    order.strankaLine = NalogCustomer.strankaLine;
    order.naslovLine = NalogCustomer.naslovLine;
    order.podjetjeLine = NalogCustomer.podjetjeLine;
    order.idddvLine = NalogCustomer.idddvLine;
    order.nalogType = NalogCustomer.nalogType;
    return order;
}

void TfrmNalogDetails::printShownOrder(int mode)
{
    try {
        const QString snapshotPath = SignatureSnapshotPath();
        takeSignatureSnapshot(snapshotPath, mode != PrintModePrint);
        const bool signatureShown = pnlbrowser->isVisibleTo(this) && !browserpodpis->currentUrl().isEmpty();
        const QString imagePath = signatureShown ? snapshotPath : QString();
        if (mode != PrintModePrint && !checkNalogEditLock(currentNalogId))
            return;
        PrintOrder(mode, shownOrder(imagePath));
    } catch (const std::exception& e) {
        ClearBusyCursor();
        ShowFailureBox(ErrorMessage(e));
    }
}

void openNalog(qint32 nalogId)
{
    currentNalogId = nalogId;
    if (!frmNalogDetails)
        new TfrmNalogDetails(DialogOwnerWindow());
    TfrmNalogDetails* window = frmNalogDetails;
    if (window->isVisible())
        window->close();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    // Opened from a modal tyre window, the order window works beside it and stands in front of it.
    ShowBesideModalWindow(window);
    window->show();
    window->raise();
    window->activateWindow();
}
