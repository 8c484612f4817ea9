// TfrmNalogUrejanjePostavk: the catalogue of standard order items and its edit panel.
#include "item_catalogue.h"

#include "session/list_memory.h"
#include "session/remote_calls.h"
#include "ui/busy_guard.h"
#include "ui/button_styles.h"
#include "ui/failure_box.h"
#include "ui/stored_text.h"
#include "ui/wait_cursor.h"

#include "data/errors.h"
#include "data/remote_call.h"
#include "data/text_helpers.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_fonts.h"
#include "ui/xp_button.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPanelWidth = 209;
constexpr int kPanelHeight = 208;

const QString kDescriptionField = u"Opis postavke"_s;
const QString kPriceField = u"Cena"_s;
const QString kPositionField = u"Pozicija"_s;
// The price and the position box take at most this many characters.
constexpr int kNumberBoxLimit = 10;

// The price as the statement carries it: "," read as ".", blanks around it dropped; nothing
// when what remains is empty or not a decimal number. Nothing inside a price is ever removed.
std::optional<QString> PriceForStatement(const QString& typed)
{
    QString price = typed.trimmed();
    price.replace(u',', u'.');
    if (price.isEmpty())
        return std::nullopt;
    try {
        ParseDecimal(price);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return price;
}

// The description as the statement carries it: an apostrophe would end the quoted value and a
// backslash start an escape on the server; a double quote is harmless there (it means inches).
QString DescriptionForStatement(const QString& typed)
{
    QString description = typed;
    description.remove(u'\'');
    description.remove(u'\\');
    return description;
}

void ShowPriceRefusal()
{
    ShowSystemMessage(MessageIcon::Error, u"Napačna cena"_s, u"Cena mora biti število, na primer 12.50."_s);
}

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// Lays its cells' text out left to right inside the right-to-left list, so a negative price
// reads "-10.00" and not "10.00-"; the text keeps the place the list's direction gives it.
class LeftToRightTextDelegate final : public CutTextToolTips {
public:
    using CutTextToolTips::CutTextToolTips;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        CutTextToolTips::initStyleOption(option, index);
        option->displayAlignment = QStyle::visualAlignment(option->direction, option->displayAlignment);
        option->direction = Qt::LeftToRight;
    }
};

} // namespace

TfrmNalogUrejanjePostavk::TfrmNalogUrejanjePostavk(QWidget* parent)
    : OrdavoWindow(u"frmNalogUrejanjePostavk"_s, u"Urejanje postavk za dodajanje nalogov"_s, 81, parent)
{
    // The catalogue reads right to left: boxes align right, scroll bars stand on the left.
    setLayoutDirection(Qt::RightToLeft);
    buildControls();
    busy_ = new BusyGuard(this);
}

TfrmNalogUrejanjePostavk::~TfrmNalogUrejanjePostavk() = default;

void TfrmNalogUrejanjePostavk::buildControls()
{
    lviewPostavke = new QTableWidget(0, 2, this);
    lviewPostavke->setObjectName(u"lviewPostavke"_s);
    lviewPostavke->setAccessibleName(u"Postavke"_s);
    lviewPostavke->setHorizontalHeaderLabels({u"Postavka"_s, u"Cena"_s});
    lviewPostavke->setShowGrid(true);
    lviewPostavke->verticalHeader()->hide();
    lviewPostavke->setFont(PixelFont(kTahoma, 13));
    // The catalogue keeps the order of its positions: its columns can be widened, not sorted.
    new ListColumns(*lviewPostavke, {ListColumn::sharing(u"postavka"_s), ListColumn::fixed(u"cena"_s, 80)},
                    ListMemoryOf(objectName()), ListColumns::Sorting::Off);
    lviewPostavke->setItemDelegateForColumn(1, new LeftToRightTextDelegate(lviewPostavke));
    connect(lviewPostavke, &QTableWidget::itemSelectionChanged, this, [this] { lviewPostavkeChange(); });

    auto* panelColumn = new QVBoxLayout;
    panelColumn->addWidget(buildEditPanel());
    panelColumn->addStretch(1);

    // Under the right-to-left direction the first item stands on the right: list right, panel left.
    auto* body = new QHBoxLayout;
    body->addWidget(lviewPostavke, 1);
    body->addLayout(panelColumn);

    bodyPanel()->setLayout(body);
    resize(705, 640);
    setMinimumSize(400, 550);
}

QWidget* TfrmNalogUrejanjePostavk::buildEditPanel()
{
    pnlAddDelete = new QWidget(this);
    pnlAddDelete->setObjectName(u"pnlAddDelete"_s);
    pnlAddDelete->setFixedSize(kPanelWidth, kPanelHeight);
    pnlAddDelete->setAutoFillBackground(true);
    QPalette panelPalette = pnlAddDelete->palette();
    panelPalette.setColor(QPalette::Window, QColor(0xCC, 0xCC, 0xCC));
    pnlAddDelete->setPalette(panelPalette);

    lblTop = new QLabel(u"Dodajanje/urejanje postavk"_s, pnlAddDelete);
    lblTop->setObjectName(u"lblTop"_s);
    QFont bold = lblTop->font();
    bold.setBold(true);
    lblTop->setFont(bold);

    auto* label1 = new QLabel(kDescriptionField + u':', pnlAddDelete);
    label1->setObjectName(u"Label1"_s);
    txtOpis = new QLineEdit(pnlAddDelete);
    txtOpis->setObjectName(u"txtOpis"_s);
    txtOpis->setFixedWidth(200);
    LimitStoredText(*txtOpis, kDescriptionField, int(Recordset::kMaxTextCharacters));
    label1->setBuddy(txtOpis);

    auto* label2 = new QLabel(kPriceField + u':', pnlAddDelete);
    label2->setObjectName(u"Label2"_s);
    txtCena = new QLineEdit(pnlAddDelete);
    txtCena->setObjectName(u"txtCena"_s);
    txtCena->setFixedWidth(66);
    LimitStoredText(*txtCena, kPriceField, kNumberBoxLimit);
    txtCena->setLayoutDirection(Qt::LeftToRight);
    auto* label4 = new QLabel(u"Primer: \"0.00\""_s, pnlAddDelete);
    label4->setObjectName(u"Label4"_s);
    label2->setBuddy(txtCena);
    txtCena->setAccessibleDescription(label4->text());

    lblpozicija = new QLabel(kPositionField + u':', pnlAddDelete);
    lblpozicija->setObjectName(u"lblpozicija"_s);
    txtPozicija = new QLineEdit(pnlAddDelete);
    txtPozicija->setObjectName(u"txtPozicija"_s);
    txtPozicija->setFixedWidth(66);
    LimitStoredText(*txtPozicija, kPositionField, kNumberBoxLimit);
    lblpozicija->setBuddy(txtPozicija);
    btnminus = new QPushButton(u"-"_s, pnlAddDelete);
    btnminus->setObjectName(u"btnminus"_s);
    btnplus = new QPushButton(u"+"_s, pnlAddDelete);
    btnplus->setObjectName(u"btnplus"_s);
    btnminus->setAccessibleName(u"Zmanjšaj pozicijo"_s);
    btnplus->setAccessibleName(u"Povečaj pozicijo"_s);
    for (QPushButton* small : {btnminus, btnplus})
        small->setFixedSize(22, 22);
    // The position row keeps its room while it is hidden for a new item, so the label column
    // keeps the width "Pozicija:" gives it and the price box stays where the hand expects it.
    for (QWidget* positionControl : positionControls()) {
        QSizePolicy policy = positionControl->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        positionControl->setSizePolicy(policy);
    }

    btnDeletePostavka = new TXpButton(u"Izbriši   "_s, pnlAddDelete);
    btnDeletePostavka->setObjectName(u"btnDeletePostavka"_s);
    StyleRedButton(*btnDeletePostavka);
    shrani = new TXpButton(u"Shrani   "_s, pnlAddDelete);
    shrani->setObjectName(u"shrani"_s);
    StyleBlueButton(*shrani);
    for (TXpButton* button : {btnDeletePostavka, shrani})
        button->setFixedSize(90, 30);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(3);
    grid->addWidget(lblTop, 0, 0, 1, 4);
    grid->addWidget(label1, 1, 0, 1, 4);
    grid->addWidget(txtOpis, 2, 0, 1, 4);
    // The example stands under the price box: beside it, the labels of the narrow panel would
    // lose their first letters.
    grid->addWidget(label2, 3, 0);
    grid->addWidget(txtCena, 3, 1);
    grid->addWidget(label4, 4, 1, 1, 3);
    grid->addWidget(lblpozicija, 5, 0);
    grid->addWidget(txtPozicija, 5, 1);
    grid->addWidget(btnminus, 5, 2);
    grid->addWidget(btnplus, 5, 3);

    // The two buttons share the panel's width in their own row; in the grid's columns they
    // would widen the panel beyond its size.
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnDeletePostavka);
    buttons->addStretch(1);
    buttons->addWidget(shrani);
    auto* column = new QVBoxLayout(pnlAddDelete);
    column->setContentsMargins(4, 4, 4, 4);
    column->addLayout(grid);
    column->addStretch(1);
    column->addLayout(buttons);

    connect(shrani, &QPushButton::clicked, this, [this] { shraniClick(); });
    connect(btnDeletePostavka, &QPushButton::clicked, this, [this] { btnDeletePostavkaClick(); });
    connect(btnplus, &QPushButton::clicked, this, [this] { btnplusClick(); });
    connect(btnminus, &QPushButton::clicked, this, [this] { btnminusClick(); });
    return pnlAddDelete;
}

void TfrmNalogUrejanjePostavk::FormShow()
{
    BusyGuard::Scope busy(*busy_);
    SelectedPostavkaIndex = 0;
    Loading = false;
    SelectedPostavkaId = -1;
    hidePanel();
    loadPostavkeList();
}

void TfrmNalogUrejanjePostavk::loadPostavkeList()
{
    WaitCursor cursor;
    Loading = true;
    lviewPostavke->setRowCount(0);
    try {
        const CallResult items = CallRemote(u"call usp_listPostavkeALL ()"_s);
        if (!items) {
            // The list stays empty, without even the fixed first row.
            Loading = false;
            return;
        }
        const int remembered = fillList(items.answer.get());
        // selectRow looks the column up at the viewport's edge, which misses under right-to-left.
        lviewPostavke->setCurrentCell(remembered, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        lviewPostavke->viewport()->update();
        QCoreApplication::processEvents();
    } catch (const std::exception& e) {
        Loading = false;
        cursor.restore();
        ShowFailureBox(ErrorMessage(e));
        return;
    }
    cursor.restore();
    Loading = false;
}

int TfrmNalogUrejanjePostavk::fillList(Recordset* answer)
{
    postavke = QVector<Tpostavke>((answer ? answer->RecordCount() : 0) + 1);
    lviewPostavke->setRowCount(1);
    lviewPostavke->setItem(0, 0, ReadOnlyItem(u"..Dodaj novo postavko.."_s));
    lviewPostavke->setItem(0, 1, ReadOnlyItem(QString()));
    if (!answer)
        return 0;
    int remembered = 0;
    while (!answer->Eof()) {
        Tpostavke item;
        item.id = answer->FieldValue(u"id"_s).asInteger();
        item.opis = answer->FieldValue(u"opis"_s).asString();
        item.cena = answer->FieldValue(u"cena"_s).asString();
        item.enabled = qint16(answer->FieldValue(u"enabled"_s).asInteger());
        item.orderby = answer->FieldValue(u"orderby"_s).asInteger();
        const int row = lviewPostavke->rowCount();
        lviewPostavke->insertRow(row);
        lviewPostavke->setItem(row, 0, ReadOnlyItem(item.opis));
        auto* price = ReadOnlyItem(item.cena); // as the server wrote it, not reformatted
        price->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lviewPostavke->setItem(row, 1, price);
        if (row >= postavke.size())
            postavke.resize(row + 1);
        postavke[row] = item;
        if (item.id == SelectedPostavkaId)
            remembered = row;
        answer->MoveNext();
    }
    answer->Close();
    return remembered;
}

void TfrmNalogUrejanjePostavk::lviewPostavkeChange()
{
    const QModelIndexList rows = lviewPostavke->selectionModel()->selectedRows();
    if (!rows.isEmpty()) {
        const int row = rows.first().row();
        if (row > 0 && row < postavke.size()) {
            SelectedPostavkaId = postavke.at(row).id;
            SelectedPostavkaIndex = row;
        } else if (row == 0 && !Loading) {
            SelectedPostavkaId = -1;
            SelectedPostavkaIndex = 0;
        }
    }
    try {
        showPanel();
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

QList<QWidget*> TfrmNalogUrejanjePostavk::positionControls() const
{
    return {lblpozicija, txtPozicija, btnminus, btnplus};
}

void TfrmNalogUrejanjePostavk::showPanel()
{
    pnlAddDelete->setVisible(true);
    const bool newItem = SelectedPostavkaId < 0;
    for (QWidget* positionControl : positionControls())
        positionControl->setVisible(!newItem);
    if (newItem) {
        txtOpis->clear();
        txtCena->setText(u"0.00"_s);
        return;
    }
    // The item table is rebuilt by every load; a stale index (the deleted item) shows nothing.
    if (SelectedPostavkaIndex < 0 || SelectedPostavkaIndex >= postavke.size())
        return;
    const Tpostavke& item = postavke.at(SelectedPostavkaIndex);
    txtOpis->setText(item.opis);
    txtCena->setText(FormatFixed2(ParseDecimal(item.cena)));
    txtPozicija->setText(QString::number(item.orderby));
}

void TfrmNalogUrejanjePostavk::hidePanel()
{
    SelectedPostavkaId = -1;
    SelectedPostavkaIndex = 0;
    pnlAddDelete->setVisible(false);
}

QString TfrmNalogUrejanjePostavk::saveStatement(const QString& price) const
{
    const QString description = DescriptionForStatement(txtOpis->text());
    qint32 position = 100; // a new item always goes to the end
    if (SelectedPostavkaId > 0) {
        bool isInteger = false;
        position = txtPozicija->text().toInt(&isInteger);
        if (!isInteger)
            position = 0;
    }
    return u"call usp_updateSavePostavka ("_s + QString::number(SelectedPostavkaId) + u",'"_s + description + u"','"_s +
           price + u"',"_s + QString::number(position) + u",0)"_s;
}

void TfrmNalogUrejanjePostavk::savePostavka()
{
    try {
        // A price that is no number is refused before anything is sent; the panel keeps it.
        const std::optional<QString> price = PriceForStatement(txtCena->text());
        if (!price)
            return ShowPriceRefusal();
        if (!TypedTextsSendable({{kDescriptionField, DescriptionForStatement(txtOpis->text())}}))
            return;
        WaitCursor cursor;
        const CallResult saved = CallRemote(saveStatement(*price));
        cursor.restore();
        // A refused save is followed by a reload, so the list shows what the server holds.
        if (saved || !saved.unreachable)
            loadPostavkeList();
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmNalogUrejanjePostavk::shraniClick()
{
    BusyGuard::Scope busy(*busy_);
    savePostavka();
}

void TfrmNalogUrejanjePostavk::btnDeletePostavkaClick()
{
    BusyGuard::Scope busy(*busy_);
    try {
        const int answer =
            ShowSystemMessage(MessageIcon::Warning, u"Vprašanje"_s,
                              u"Ali ste prepričani? Akcije ne bo možno povrniti."_s, MessageButtons::YesNo);
        if (answer != mrYes)
            return;
        deleteSelectedItem();
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmNalogUrejanjePostavk::deleteSelectedItem()
{
    WaitCursor cursor;
    const QString statement =
        u"call usp_updateSavePostavka ("_s + QString::number(SelectedPostavkaId) + u",'',0,0,999)"_s;
    const CallResult deleted = CallRemote(statement);
    cursor.restore();
    if (deleted.unreachable)
        return;
    // A refused delete is followed by a reload too, so the list shows what the server holds.
    loadPostavkeList();
    if (deleted)
        hidePanel();
}

void TfrmNalogUrejanjePostavk::btnplusClick()
{
    BusyGuard::Scope busy(*busy_);
    stepPosition(1);
}

void TfrmNalogUrejanjePostavk::btnminusClick()
{
    BusyGuard::Scope busy(*busy_);
    stepPosition(-1);
}

void TfrmNalogUrejanjePostavk::stepPosition(int step)
{
    bool isInteger = false;
    const int position = txtPozicija->text().toInt(&isInteger);
    if (isInteger)
        txtPozicija->setText(QString::number(position + step));
    savePostavka();
}
