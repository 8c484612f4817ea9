// The company details editor: six settings shown in boxes and written back on "Shrani".
#include "signin/company_details.h"

#include "data/errors.h"
#include "data/settings_keys.h"
#include "data/settings_store.h"
#include "ui/button_styles.h"
#include "ui/failure_box.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_fonts.h"
#include "ui/outer_size.h"
#include "ui/stored_text.h"
#include "ui/xp_button.h"

#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// What the user types stays within this; a longer value stored by the sign-in is shown and
// saved again in full.
constexpr int TypingLimit = 40;

QString FieldName(const QString& label)
{
    return label.endsWith(u':') ? label.chopped(1) : label;
}
} // namespace

TfrmUrejanjePodatkov::TfrmUrejanjePodatkov(QWidget* parent)
    : OrdavoWindow(u"frmUrejanjePodatkov"_s, u"Urejanje podatkov"_s, 81, parent)
{
    // Every opening shows the details as they are stored now.
    setFormShowRuns(FormShowRuns::EveryShow);
    buildControls();
}

std::array<TfrmUrejanjePodatkov::Row, 6> TfrmUrejanjePodatkov::rows()
{
    return {{
        {u"Ime podjetja:"_s, u"txtImePodjetja"_s, SettingKey::CompanyName, &txtImePodjetja},
        {u"Naslov podjetja:"_s, u"txtNaslovPodjetja"_s, SettingKey::CompanyAddress, &txtNaslovPodjetja},
        {u"Poštna številka in pošta:"_s, u"txtPostnaStevilkaInPosta"_s, SettingKey::CompanyPost,
         &txtPostnaStevilkaInPosta},
        {u"Telefon:"_s, u"txtTelefon"_s, SettingKey::CompanyPhone, &txtTelefon},
        {u"Fax"_s, u"txtFax"_s, SettingKey::CompanyFax, &txtFax},
        {u"Spletna stran:"_s, u"txtSpletnaStran"_s, SettingKey::CompanyWeb, &txtSpletnaStran},
    }};
}

void TfrmUrejanjePodatkov::buildControls()
{
    auto* note = new QLabel(u"Podatki bodo vidni na izpisu naloga"_s, topBand());
    note->setObjectName(u"lblNote"_s);
    note->setFont(PointFont(kTahoma, 9));
    QPalette notePalette = note->palette();
    notePalette.setColor(QPalette::WindowText, Qt::white);
    note->setPalette(notePalette);
    // The band's top right corner: the banner's logo begins lower on this side.
    auto* bandLayout = new QVBoxLayout(topBand());
    bandLayout->setContentsMargins(0, 1, 8, 0);
    bandLayout->addWidget(note, 0, Qt::AlignRight | Qt::AlignTop);
    bandLayout->addStretch(1);
    note->raise();

    QWidget* body = bodyPanel();
    int top = 12;
    for (const Row& row : rows()) {
        auto* label = new QLabel(row.label, body);
        label->setFont(PointFont(kTahoma, 9));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(palette);
        label->setGeometry(16, top, 170, 21);
        auto* box = new QLineEdit(body);
        box->setObjectName(row.boxName);
        LimitStoredText(*box, FieldName(row.label), TypingLimit);
        box->setGeometry(190, top, 280, 21);
        label->setBuddy(box);
        *row.box = box;
        top += 27;
    }

    shrani = new TXpButton(u"Shrani"_s, body);
    shrani->setObjectName(u"shrani"_s);
    StyleBlueButton(*shrani, 9);
    shrani->setGeometry(347, top + 2, 123, 38);
    connect(shrani, &TXpButton::clicked, this, &TfrmUrejanjePodatkov::shraniClick);

    OuterSizeKeeper::withClientSize(this, QSize(489, 323), QSize(400, 300));
}

void TfrmUrejanjePodatkov::FormShow()
{
    try {
        for (const Row& row : rows())
            (*row.box)->setText(Setting(row.settingKey));
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
}

void TfrmUrejanjePodatkov::shraniClick()
{
    try {
        for (const Row& row : rows())
            StoreSetting(row.settingKey, (*row.box)->text());
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
        return;
    }
    accept();
}
