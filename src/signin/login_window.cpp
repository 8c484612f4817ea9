// The access-code sign-in: code normalisation, directory look-up, registration and the settings it stores.
#include "signin/login_window.h"

#include "data/errors.h"
#include "data/remote_call.h"
#include "data/server_contract.h"
#include "data/settings_keys.h"
#include "data/settings_store.h"
#include "data/text_helpers.h"
#include "session/app_state.h"
#include "session/remote_calls.h"
#include "ui/button_styles.h"
#include "ui/failure_box.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/ordavo_fonts.h"
#include "ui/outer_size.h"
#include "ui/stored_text.h"
#include "ui/window_owner.h"
#include "ui/xp_button.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

using namespace Qt::StringLiterals;

TfrmnalogLogin* frmnalogLogin = nullptr;

namespace {
constexpr int MinCodeLength = 4;
constexpr int MaxCodeLength = 15;
// The box takes more than a code may have, so that blanks around a pasted code still fit.
constexpr int CodeBoxLimit = 40;
const QString CodeField = u"Ordavo prijavna koda"_s;
const QString Gateway = QString::fromUtf8(ServerContract::GatewayFolder);

void ShowInformation(const QString& text)
{
    ShowMessageDialog(mdInformation, text);
}

QString UnknownCodeText()
{
    return u"Koda žal ni pravilna. Če ste jo izgubili ali pa je niste prejeli nas kontaktirajte na "_s + SupportEmail();
}

QString Column(const Recordset& rs, const QString& name)
{
    return rs.FieldValue(name).asString();
}

QLabel* MakeLabel(const QString& text, QWidget* parent, const QColor& colour, const QRect& place)
{
    auto* label = new QLabel(text, parent);
    label->setFont(PointFont(kTahoma, 9));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setGeometry(place);
    return label;
}
} // namespace

QString NormaliseAccessCode(const QString& typed)
{
    QString code = typed.trimmed();
    code.remove(u' ');
    return StripStatementBreakers(code.toLower());
}

QString FindMyOrdavoStatement(const QString& code)
{
    return u"call usp_findmyordavo (\""_s + code + u"\")"_s;
}

QString QuotedRegistrationValue(const QString& value)
{
    QString escaped = value;
    escaped.replace(u"\\"_s, u"\\\\"_s);
    escaped.replace(u"\""_s, u"\"\""_s);
    return u"\""_s + escaped + u"\""_s;
}

QString RegistrationStatement(const Recordset& directory, const QString& code)
{
    const QStringList values = {
        Column(directory, u"liveversion"_s),
        code,
        Column(directory, u"imepodjetja"_s),
        Column(directory, u"naslovpodjetja"_s),
        Column(directory, u"postnastevilkainposta"_s),
        Column(directory, u"telefon"_s),
        Column(directory, u"fax"_s),
        Column(directory, u"tax"_s),
        Column(directory, u"www"_s),
        Column(directory, u"avtotitle"_s),
        Column(directory, u"registrkatitle"_s),
    };
    QStringList quoted;
    for (const QString& value : values)
        quoted.append(QuotedRegistrationValue(value));
    return u"call usp_insertupdatedefaultnalogsettings("_s + quoted.join(u',') + u")"_s;
}

QString SignInFailureText()
{
    return u"Žal je prišlo do napake med prijavo, prosimo kontaktirajte nas prek epošte "_s + SupportEmail() +
           u" ali pa poizkusite kasneje"_s;
}

TfrmnalogLogin::TfrmnalogLogin(QWidget* parent)
    : OrdavoWindow(u"frmnalogLogin"_s, u"Prijava v Ordavo sistem"_s, 81, parent),
      senderlogin(std::make_unique<HttpClient>())
{
    frmnalogLogin = this;
    SetLoginClient(senderlogin.get());
    // Every opening starts the sign-in afresh.
    setFormShowRuns(FormShowRuns::EveryShow);
    buildControls();
    tmrauto = new QTimer(this);
    tmrauto->setObjectName(u"tmrauto"_s);
    tmrauto->setInterval(1000);
    connect(tmrauto, &QTimer::timeout, this, &TfrmnalogLogin::tmrautoTimer);
}

TfrmnalogLogin::~TfrmnalogLogin()
{
    SetLoginClient(nullptr);
    if (frmnalogLogin == this)
        frmnalogLogin = nullptr;
}

void TfrmnalogLogin::buildControls()
{
    QWidget* body = bodyPanel();
    const QColor grey(0xC0, 0xC0, 0xC0);
    MakeLabel(u"Vpišite kodo za dostop do ordavo ki ste jo prejeli po e-pošti"_s, body, grey, QRect(16, 10, 460, 18));
    MakeLabel(u"če kode niste prejeli nas kontaktirajte na "_s + SupportEmail(), body, grey, QRect(16, 28, 460, 18));
    QLabel* codeLabel = MakeLabel(CodeField + u':', body, Qt::white, QRect(16, 62, 140, 20));

    txtkoda = new QLineEdit(body);
    txtkoda->setObjectName(u"txtkoda"_s);
    LimitStoredText(*txtkoda, CodeField, CodeBoxLimit);
    txtkoda->setGeometry(160, 60, 300, 22);
    codeLabel->setBuddy(txtkoda);
    // Enter in the box is the same as "Vstopi".
    connect(txtkoda, &QLineEdit::returnPressed, this, &TfrmnalogLogin::shraniClick);

    shrani = new TXpButton(u"Vstopi"_s, body);
    shrani->setObjectName(u"shrani"_s);
    StyleGradientButton(*shrani, QColor(0x00, 0x80, 0x00), QColor(0x01, 0x81, 0x01), QColor(0x00, 0x80, 0x00), 9);
    shrani->setGeometry(340, 120, 123, 38);
    connect(shrani, &TXpButton::clicked, this, &TfrmnalogLogin::shraniClick);

    XpButton1 = new TXpButton(u"ZAPRI PROGRAM"_s, body);
    XpButton1->setObjectName(u"XpButton1"_s);
    StyleGradientButton(*XpButton1, QColor(0xFF, 0x00, 0x00), QColor(0xFE, 0x01, 0x01), QColor(0xFF, 0x00, 0x00), 9);
    XpButton1->setGeometry(16, 120, 123, 38);
    connect(XpButton1, &TXpButton::clicked, this, &TfrmnalogLogin::XpButton1Click);

    OuterSizeKeeper::withClientSize(this, QSize(489, 261), QSize(400, 300));
}

void TfrmnalogLogin::FormShow()
{
    tmrauto->stop();
    tmrauto->setInterval(1000);
    try {
        txtkoda->setText(Setting(SettingKey::AccessCode));
    } catch (const std::exception& e) {
        ShowFailureBox(ErrorMessage(e));
    }
    if (autoSignIn && !txtkoda->text().isEmpty()) {
        autoSignIn = false;
        tmrauto->setInterval(50);
        tmrauto->start();
    }
}

void TfrmnalogLogin::tmrautoTimer()
{
    tmrauto->stop();
    tmrauto->setInterval(1000);
    shraniClick();
}

void TfrmnalogLogin::XpButton1Click()
{
    reject();
}

void TfrmnalogLogin::shraniClick()
{
    const QString code = NormaliseAccessCode(txtkoda->text());
    if (code.size() < MinCodeLength) {
        ShowInformation(u"Koda mora biti dolga vsaj 4 znake"_s);
        return;
    }
    if (code.size() > MaxCodeLength) {
        ShowInformation(u"Koda je lahko dolga največ 15 znakov"_s);
        return;
    }
    if (!TypedTextsSendable({{CodeField, code}}))
        return;
    try {
        RemoteCall lookup;
        lookup.statement = FindMyOrdavoStatement(code);
        lookup.params.clear();
        lookup.baseUrl = DirectoryUrl() + Gateway;
        const CallResult found = CallRemote(lookup);
        if (!found)
            return;
        const RecordsetPtr& directory = found.answer;
        if (!directory) {
            ShowInformation(UnknownCodeText());
            return;
        }
        if (registerAndStore(*directory, code))
            accept();
    } catch (const std::exception&) {
        // A failure after the directory answered leaves the window open without a message;
        // the settings written so far stay.
    }
}

bool TfrmnalogLogin::registerAndStore(const Recordset& directory, const QString& code)
{
    const Field rootField = directory.FieldValue(u"ordavoroot"_s);
    QString root = rootField.isNull() ? QString() : rootField.asString();
    if (root.isEmpty()) {
        ShowInformation(SignInFailureText());
        return false;
    }
    if (!root.endsWith(u'/'))
        root += u'/';
    try {
        const QString statement = RegistrationStatement(directory, code);
        RemoteCall registration;
        registration.statement = statement;
        registration.params.clear();
        registration.baseUrl = root + Gateway;
        registration.failureTitle = SignInFailureText();
        if (!CallRemote(registration))
            return false;
    } catch (const std::exception&) {
        ShowInformation(SignInFailureText());
        return false;
    }
    storeSettings(directory, root, code);
    return true;
}

void TfrmnalogLogin::storeSettings(const Recordset& directory, const QString& root, const QString& code)
{
    const auto write = StoreSetting;
    write(SettingKey::CompanyName, Column(directory, u"imepodjetja"_s));
    write(SettingKey::CompanyAddress, Column(directory, u"naslovpodjetja"_s));
    write(SettingKey::CompanyPost, Column(directory, u"postnastevilkainposta"_s));
    write(SettingKey::CompanyPhone, Column(directory, u"telefon"_s));
    write(SettingKey::CompanyFax, Column(directory, u"fax"_s));
    write(SettingKey::CompanyTax, Column(directory, u"tax"_s));
    write(SettingKey::CompanyWeb, Column(directory, u"www"_s));
    write(SettingKey::VehicleTitle, Column(directory, u"avtotitle"_s));
    write(SettingKey::PlateTitle, Column(directory, u"registrkatitle"_s));
    write(SettingKey::PathToRequest, QString::fromUtf8(ServerContract::SignatureScript));
    write(SettingKey::WebUrlRoot, root);
    write(SettingKey::WebUrl, Gateway);
    write(SettingKey::AccessCode, code);
}

TfrmnalogLogin* EnsureLoginWindow()
{
    if (!frmnalogLogin)
        new TfrmnalogLogin(DialogOwnerWindow());
    return frmnalogLogin;
}
