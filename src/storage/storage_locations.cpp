// TfrmShranjevanjeGumUrejanjeProstorov: creating, renaming, describing and deleting the storage places.
#include "storage_locations.h"

#include "session/remote_calls.h"
#include "ui/busy_guard.h"
#include "ui/button_styles.h"
#include "ui/failure_box.h"
#include "ui/outer_size.h"
#include "ui/stored_text.h"
#include "ui/wait_cursor.h"

#include "data/errors.h"
#include "data/text_helpers.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_fonts.h"
#include "ui/xp_button.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace {

// The last argument of usp_insertUpdateLokacija.
constexpr int kStorePlace = 0;
constexpr int kDeletePlace = 99;

const QString kNameField = u"Ime prostora"_s;
const QString kDescriptionField = u"Opis prostora"_s;
constexpr int kNameLimit = 200;

// The white caption of a box, which screen readers read as the box's name.
QLabel* WhiteLabel(const QString& text, QWidget* box, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(box);
    label->setFont(PixelFont(kTahoma, 12));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

void ShowEmptyFieldBox(const QString& text)
{
    ShowSystemMessage(MessageIcon::Error, u"Prazno polje"_s, text, MessageButtons::Ok);
}

} // namespace

TfrmShranjevanjeGumUrejanjeProstorov::TfrmShranjevanjeGumUrejanjeProstorov(QWidget* parent)
    : OrdavoWindow(u"frmShranjevanjeGumUrejanjeProstorov"_s, u"Urejanje prostorov za shranjevanje"_s, 81, parent)
{
    buildControls();
    busy_ = new BusyGuard(this);
    lokacije = {Tlokacije{}};
}

void TfrmShranjevanjeGumUrejanjeProstorov::buildControls()
{
    QWidget* body = bodyPanel();
    cmbProstori = new QComboBox(body);
    cmbProstori->setObjectName(u"cmbProstori"_s);
    cmbProstori->setEditable(false);
    txtImeProstora = new QLineEdit(body);
    txtImeProstora->setObjectName(u"txtImeProstora"_s);
    LimitStoredText(*txtImeProstora, kNameField, kNameLimit);
    mmoOpisProstora = new QPlainTextEdit(body);
    mmoOpisProstora->setObjectName(u"mmoOpisProstora"_s);
    LimitStoredText(*mmoOpisProstora, kDescriptionField, int(Recordset::kMaxTextCharacters));
    // Tab goes on to the buttons; a place's description has no use for tab characters.
    mmoOpisProstora->setTabChangesFocus(true);

    btnIzbrisi = new TXpButton(u"Izbriši  "_s, body);
    btnIzbrisi->setObjectName(u"btnIzbrisi"_s);
    StyleRedButton(*btnIzbrisi);
    btnIzbrisi->setEnabled(false);
    shrani = new TXpButton(u"Shrani  "_s, body);
    shrani->setObjectName(u"shrani"_s);
    StyleBlueButton(*shrani);
    for (TXpButton* button : {btnIzbrisi, shrani})
        button->setFixedSize(123, 38);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnIzbrisi);
    buttons->addStretch(1);
    buttons->addWidget(shrani);

    auto* grid = new QGridLayout(body);
    grid->addWidget(WhiteLabel(u"Vpis nevpisanih:"_s, cmbProstori, body), 0, 0);
    grid->addWidget(cmbProstori, 0, 1);
    grid->addWidget(WhiteLabel(kNameField + u':', txtImeProstora, body), 1, 0);
    grid->addWidget(txtImeProstora, 1, 1);
    grid->addWidget(WhiteLabel(kDescriptionField + u':', mmoOpisProstora, body), 2, 0, Qt::AlignTop);
    grid->addWidget(mmoOpisProstora, 2, 1);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);

    // activated: the user's choice only, not the refills of the load.
    connect(cmbProstori, &QComboBox::activated, this, [this] { cmbProstoriChange(); });
    connect(shrani, &QPushButton::clicked, this, [this] { shraniClick(); });
    connect(btnIzbrisi, &QPushButton::clicked, this, [this] { btnIzbrisiClick(); });

    OuterSizeKeeper::withOuterSize(this, QSize(657, 384), QSize(400, 300));
}

void TfrmShranjevanjeGumUrejanjeProstorov::FormShow()
{
    BusyGuard::Scope busy(*busy_);
    try {
        loadLokacije();
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmShranjevanjeGumUrejanjeProstorov::loadLokacije()
{
    WaitCursor cursor;
    {
        const QSignalBlocker blocker(cmbProstori);
        cmbProstori->clear();
        cmbProstori->addItem(u"Dodaj novega..."_s);
        cmbProstori->setCurrentIndex(0);
    }
    lokacije = {Tlokacije{}};
    const CallResult places = CallRemote(u"call usp_listLokacije ()"_s);
    if (!places)
        return; // the boxes and the delete button keep their state
    AppendLocationRows(places.answer.get(), *cmbProstori, lokacije);
    {
        const QSignalBlocker blocker(cmbProstori);
        cmbProstori->setCurrentIndex(0);
    }
    cmbProstoriChange();
}

void TfrmShranjevanjeGumUrejanjeProstorov::cmbProstoriChange()
{
    txtImeProstora->clear();
    mmoOpisProstora->clear();
    btnIzbrisi->setEnabled(false);
    const int index = cmbProstori->currentIndex();
    if (index <= 0 || index >= lokacije.size())
        return; // new-place mode
    const Tlokacije& place = lokacije.at(index);
    txtImeProstora->setText(place.ime);
    if (!place.opis.isEmpty())
        mmoOpisProstora->setPlainText(place.opis);
    btnIzbrisi->setEnabled(true);
}

bool TfrmShranjevanjeGumUrejanjeProstorov::nameIsEmpty() const
{
    // Blanks count as content.
    return txtImeProstora->text().isEmpty();
}

qint32 TfrmShranjevanjeGumUrejanjeProstorov::selectedLocationId() const
{
    const int index = cmbProstori->currentIndex();
    return index >= 0 && index < lokacije.size() ? lokacije.at(index).id : -1;
}

// Quotes and backslashes would end the literal or start an escape on the server.
QString TfrmShranjevanjeGumUrejanjeProstorov::sentName() const
{
    return StripStatementBreakers(txtImeProstora->text());
}

QString TfrmShranjevanjeGumUrejanjeProstorov::sentDescription() const
{
    QString description = mmoOpisProstora->toPlainText();
    description.replace(u'\n', u"\r\n"_s);
    return StripStatementBreakers(description);
}

bool TfrmShranjevanjeGumUrejanjeProstorov::textsSendable() const
{
    return TypedTextsSendable({{kNameField, sentName()}, {kDescriptionField, sentDescription()}});
}

QString TfrmShranjevanjeGumUrejanjeProstorov::locationStatement(qint32 id, int operation) const
{
    return u"call usp_insertUpdateLokacija ("_s + QString::number(id) + u",'"_s + sentName() + u"','"_s +
           sentDescription() + u"',"_s + QString::number(operation) + u")"_s;
}

void TfrmShranjevanjeGumUrejanjeProstorov::shraniClick()
{
    BusyGuard::Scope busy(*busy_);
    try {
        saveLocation();
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmShranjevanjeGumUrejanjeProstorov::saveLocation()
{
    if (nameIsEmpty()) {
        ShowEmptyFieldBox(u"Polje ime ne sme biti prazno"_s);
        return;
    }
    if (!textsSendable())
        return; // the boxes keep what the user typed
    WaitCursor cursor;
    if (!CallRemote(locationStatement(selectedLocationId(), kStorePlace)))
        return; // the boxes keep what the user typed
    loadLokacije();
    cursor.restore();
    ShowSystemMessage(MessageIcon::Information, u"Uspeh"_s, u"Uspešno shranjeno"_s, MessageButtons::Ok);
}

void TfrmShranjevanjeGumUrejanjeProstorov::btnIzbrisiClick()
{
    BusyGuard::Scope busy(*busy_);
    try {
        deleteLocation();
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmShranjevanjeGumUrejanjeProstorov::deleteLocation()
{
    // The question names the place as loaded, not as edited in the box.
    const int answer = ShowSystemMessage(MessageIcon::Question, u"Ali ste prepričani?"_s,
                                         u"Ali res želite izbrisati "_s + cmbProstori->currentText() + u"?"_s,
                                         MessageButtons::OkCancel);
    if (answer != mrOk)
        return;
    if (nameIsEmpty()) {
        ShowEmptyFieldBox(u"Polje ime ne sme biti prazno"_s);
        return;
    }
    const qint32 id = selectedLocationId();
    if (id < 0) {
        ShowEmptyFieldBox(u"Id ne sme biti manjši od 0"_s);
        return;
    }
    if (!textsSendable())
        return;
    WaitCursor cursor;
    if (!CallRemote(locationStatement(id, kDeletePlace)))
        return;
    loadLokacije();
    cursor.restore();
    ShowSystemMessage(MessageIcon::Information, u"Uspeh"_s, u"Uspešno izbrisano"_s, MessageButtons::Ok);
}
