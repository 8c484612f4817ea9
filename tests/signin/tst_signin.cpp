// Widget tests of the access-code sign-in and the company details editor, against scripted servers and the simulator.
#include "support/settings_sandbox.h"
#include "support/simulator_process.h"
#include "support/window_test_kit.h"

#include "data/remote_call.h"
#include "data/settings_store.h"
#include "session/app_state.h"
#include "signin/company_details.h"
#include "signin/login_window.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/xp_button.h"

#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString FindPrefix = u"call usp_findmyordavo"_s;
const QString RegisterPrefix = u"call usp_insertupdatedefaultnalogsettings"_s;

const QList<QPair<QString, int>> DirectoryColumns = {{u"ordavoroot"_s, 200},
                                                     {u"liveversion"_s, 200},
                                                     {u"imepodjetja"_s, 200},
                                                     {u"naslovpodjetja"_s, 200},
                                                     {u"postnastevilkainposta"_s, 200},
                                                     {u"telefon"_s, 200},
                                                     {u"fax"_s, 200},
                                                     {u"tax"_s, 200},
                                                     {u"www"_s, 200},
                                                     {u"avtotitle"_s, 200},
                                                     {u"registrkatitle"_s, 200}};

QByteArray DirectoryAnswer(const QString& root, const std::optional<QString>& companyName = u"Avtoservis Kovač"_s)
{
    return TableAnswer(DirectoryColumns,
                       {{root, u"1.1.3.337"_s, companyName, u"Cesta 1"_s, u"1000 Ljubljana"_s, u"01 234 56 78"_s,
                         u"01 234 56 79"_s, u"SI12345678"_s, u"www.kovac.si"_s, u"Vozilo:"_s, u"Registrska:"_s}});
}

// The keys of section [ordavo] in the order the settings file holds them.
QStringList KeysInFileOrder(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList keys;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            keys.append(QString::fromUtf8(line.left(eq)));
    }
    return keys;
}
} // namespace

class SignInTest final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> sandbox_;
    std::unique_ptr<ScriptedWorkshop> server_;
    std::unique_ptr<TfrmnalogLogin> login_;

    TfrmnalogLogin* shownLogin(const QString& typed = QString())
    {
        login_ = std::make_unique<TfrmnalogLogin>();
        login_->show();
        if (!typed.isNull())
            login_->txtkoda->setText(typed);
        return login_.get();
    }

    QStringList statementsStartingWith(const QString& prefix) const
    {
        QStringList result;
        for (const QString& s : server_->statements())
            if (s.startsWith(prefix))
                result.append(s.trimmed());
        return result;
    }

private slots:
    void init()
    {
        ResetAppState();
        SetRemoteWaitHook([](int) {});
        sandbox_ = std::make_unique<SettingsSandbox>();
        server_ = std::make_unique<ScriptedWorkshop>();
        WriteSetting(u"ordavo"_s, u"directoryurl"_s, server_->baseUrl());
        WriteSetting(u"ordavo"_s, u"supportemail"_s, u"pomoc@example.si"_s);
        DialogTestHook::activate();
    }

    void cleanup()
    {
        login_.reset();
        DialogTestHook::reset();
        SetRemoteWaitHook({});
        server_.reset();
        sandbox_.reset();
        ClearRemoteState();
    }

    void codeIsNormalised_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("code");
        QTest::addRow("groups with blanks") << u"  ABCD EFGH  "_s << u"abcdefgh"_s;
        QTest::addRow("quotes and backslashes") << u"de'mo\"12\\34"_s << u"demo1234"_s;
    }

    void codeIsNormalised()
    {
        QFETCH(QString, typed);
        QFETCH(QString, code);
        QCOMPARE(NormaliseAccessCode(typed), code);
        shownLogin(typed)->shraniClick();
        QCOMPARE(statementsStartingWith(FindPrefix), QStringList{u"call usp_findmyordavo (\""_s + code + u"\")"_s});
    }

    void lengthLimits_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: the code is sent
        QTest::addRow("3 characters") << u"abc"_s << u"Koda mora biti dolga vsaj 4 znake"_s;
        QTest::addRow("4 characters") << u"abcd"_s << QString();
        QTest::addRow("15 characters") << u"abcdefghij klmno"_s << QString();
        QTest::addRow("16 characters") << u"abcdefghijklmnop"_s << u"Koda je lahko dolga največ 15 znakov"_s;
    }

    void lengthLimits()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TfrmnalogLogin* w = shownLogin(typed);
        w->shraniClick();
        QCOMPARE(server_->statements().isEmpty(), !message.isEmpty());
        if (!message.isEmpty()) {
            QCOMPARE(DialogTestHook::lastShown().text, message);
            QCOMPARE(DialogTestHook::lastShown().kind, int(mdInformation));
        }
    }

    void unknownCodeAndUnreachableDirectory()
    {
        const QString expected =
            u"Koda žal ni pravilna. Če ste jo izgubili ali pa je niste prejeli nas kontaktirajte na pomoc@example.si"_s;
        server_->answer(FindPrefix, EmptyAnswer());
        shownLogin(u"demo9999"_s)->shraniClick();
        QCOMPARE(DialogTestHook::lastShown().text, expected);

        WriteSetting(u"ordavo"_s, u"directoryurl"_s,
                     u"http://127.0.0.1:"_s + QString::number(LoopbackServer::closedPort()) + u"/"_s);
        login_->shraniClick();
        QCOMPARE(DialogTestHook::shown().size(), 2);
        QCOMPARE(DialogTestHook::lastShown().text, expected);
        QVERIFY(login_->isVisible());
        QCOMPARE(Setting(u"kodadostop"_s), QString());
    }

    void directoryFailureIsACommunicationError()
    {
        server_->answer(FindPrefix, FailureAnswer("Too many connections"));
        shownLogin(u"demo1234"_s)->shraniClick();
        const ShownMessage box = DialogTestHook::lastShown();
        QCOMPARE(box.kind, int(mdError));
        QCOMPARE(box.text, u"Napaka pri komunikaciji"_s);
        QVERIFY(box.details.contains(u"Too many connections"_s));
    }

    void registrationFailureStoresNothing()
    {
        server_->answer(FindPrefix, DirectoryAnswer(server_->baseUrl()));
        server_->answer(RegisterPrefix, FailureAnswer("Duplicate entry"));
        TfrmnalogLogin* w = shownLogin(u"demo1234"_s);
        w->shraniClick();
        const ShownMessage box = DialogTestHook::lastShown();
        QCOMPARE(box.kind, int(mdError));
        QCOMPARE(
            box.text,
            u"Žal je prišlo do napake med prijavo, prosimo kontaktirajte nas prek epošte pomoc@example.si ali pa poizkusite kasneje"_s);
        QVERIFY(box.details.contains(u"Duplicate entry"_s));
        QCOMPARE(w->result(), int(QDialog::Rejected));
        QCOMPARE(Setting(u"kodadostop"_s), QString());
        QCOMPARE(Setting(u"companyname"_s), QString());
    }

    void missingRootOrNullValueIsReported()
    {
        server_->answer(FindPrefix, DirectoryAnswer(QString()));
        shownLogin(u"demo1234"_s)->shraniClick();
        QCOMPARE(DialogTestHook::lastShown().kind, int(mdInformation));
        QVERIFY(DialogTestHook::lastShown().text.startsWith(u"Žal je prišlo do napake med prijavo"_s));

        server_->answer(FindPrefix, DirectoryAnswer(server_->baseUrl(), std::nullopt));
        login_->shraniClick();
        QCOMPARE(DialogTestHook::shown().size(), 2);
        QVERIFY(DialogTestHook::lastShown().text.startsWith(u"Žal je prišlo do napake med prijavo"_s));
        QVERIFY(statementsStartingWith(RegisterPrefix).isEmpty());
        QCOMPARE(Setting(u"kodadostop"_s), QString());
    }

    // A company name with a double quote and a backslash reaches the server whole.
    void successfulSignInStoresTheSettingsInOrder()
    {
        const QString root = server_->baseUrl().chopped(1); // without the trailing "/"
        server_->answer(FindPrefix,
                        TableAnswer(DirectoryColumns, {{root, u"1.1.3.337"_s, u"Avtoservis \"Pri Janezu\" C:\\d"_s,
                                                        u"Cesta 1"_s, u"1000 Ljubljana"_s, u"01"_s, u"02"_s, u"SI1"_s,
                                                        u"www.pj.si"_s, u"Vozilo:"_s, u"Registrska:"_s}}));
        TfrmnalogLogin* w = shownLogin(u" Demo 1234 "_s);
        QTest::keyClick(w->txtkoda, Qt::Key_Return);
        QCOMPARE(w->result(), int(QDialog::Accepted));
        QVERIFY(DialogTestHook::shown().isEmpty());
        QCOMPARE(
            statementsStartingWith(RegisterPrefix),
            QStringList{
                u"call usp_insertupdatedefaultnalogsettings(\"1.1.3.337\",\"demo1234\",\"Avtoservis \"\"Pri Janezu\"\" C:\\\\d\",\"Cesta 1\",\"1000 Ljubljana\",\"01\",\"02\",\"SI1\",\"www.pj.si\",\"Vozilo:\",\"Registrska:\")"_s});
        QCOMPARE(Setting(u"companyname"_s), u"Avtoservis \"Pri Janezu\" C:\\d"_s);
        QCOMPARE(Setting(u"weburlroot"_s), server_->baseUrl());
        QCOMPARE(Setting(u"weburl"_s), u"commobj/commobj/"_s);
        QCOMPARE(Setting(u"pathToRequest"_s), u"requests/getpodpis.php"_s);
        QCOMPARE(Setting(u"kodadostop"_s), u"demo1234"_s);
        const QStringList expectedOrder = {
            u"directoryurl"_s,   u"supportemail"_s,  u"companyname"_s, u"companyaddress"_s, u"companyposta"_s,
            u"companyphone"_s,   u"companyfax"_s,    u"companytax"_s,  u"companywww"_s,     u"avtotitle"_s,
            u"registrkatitle"_s, u"pathtorequest"_s, u"weburlroot"_s,  u"weburl"_s,         u"kodadostop"_s};
        QCOMPARE(KeysInFileOrder(sandbox_->settingsFile()), expectedOrder);
    }

    void automaticSignInAgainstTheSimulator()
    {
        SimulatorProcess sim;
        QVERIFY2(sim.isRunning(), qPrintable(sim.errorText()));
        WriteSetting(u"ordavo"_s, u"directoryurl"_s, sim.directoryUrl());
        WriteSetting(u"ordavo"_s, u"kodadostop"_s, u"demo1234"_s);
        autoSignIn = true;
        TfrmnalogLogin* w = shownLogin();
        QVERIFY(!autoSignIn);
        QCOMPARE(w->tmrauto->interval(), 50);
        QTRY_COMPARE_WITH_TIMEOUT(w->result(), int(QDialog::Accepted), 10000);
        QVERIFY2(DialogTestHook::shown().isEmpty(), qPrintable(DialogTestHook::lastShown().details));
        QCOMPARE(Setting(u"weburlroot"_s), sim.baseUrl());
        QVERIFY(!Setting(u"companyname"_s).isEmpty());
        QCOMPARE(w->tmrauto->interval(), 1000);
    }

    void noAutomaticSignInWithoutTheFlag()
    {
        WriteSetting(u"ordavo"_s, u"kodadostop"_s, u"demo1234"_s);
        TfrmnalogLogin* w = shownLogin();
        QCOMPARE(w->txtkoda->text(), u"demo1234"_s);
        QVERIFY(!w->tmrauto->isActive());
    }

    void closeProgramButtonRejects()
    {
        TfrmnalogLogin* w = shownLogin(u"demo1234"_s);
        w->XpButton1->click();
        QCOMPARE(w->result(), int(QDialog::Rejected));
        QVERIFY(server_->statements().isEmpty());
    }

    void companyDetailsSavedInOrderAndDiscardedOnEsc()
    {
        const QString longName = QString(50, u'x');
        WriteSetting(u"ordavo"_s, u"companyname"_s, longName);
        WriteSetting(u"ordavo"_s, u"companyfax"_s, u"01 999"_s);
        {
            TfrmUrejanjePodatkov w;
            w.show();
            QCOMPARE(w.txtImePodjetja->text(), longName);
            QCOMPARE(w.txtFax->text(), u"01 999"_s);
            w.txtTelefon->setText(u"041 111 222"_s);
            QTest::keyClick(w.txtTelefon, Qt::Key_Escape);
            QVERIFY(!w.isVisible());
        }
        QCOMPARE(Setting(u"companyphone"_s), QString());
        {
            TfrmUrejanjePodatkov w;
            w.show();
            w.txtTelefon->clear();
            QTest::keyClicks(w.txtTelefon, QString(45, u'1'));
            QCOMPARE(w.txtTelefon->text().size(), 40);
            w.txtSpletnaStran->setText(u"www.kovac.si"_s);
            w.shrani->click();
            QCOMPARE(w.result(), int(QDialog::Accepted));
        }
        QCOMPARE(Setting(u"companyname"_s), longName);
        QCOMPARE(Setting(u"companyphone"_s), QString(40, u'1'));
        QCOMPARE(Setting(u"companywww"_s), u"www.kovac.si"_s);
        const QStringList keys = KeysInFileOrder(sandbox_->settingsFile());
        const QStringList written = {u"companyaddress"_s, u"companyposta"_s, u"companyphone"_s, u"companywww"_s};
        QCOMPARE(keys.mid(keys.size() - written.size()), written);
    }
};

QTEST_MAIN(SignInTest)
#include "tst_signin.moc"
