// TfrmnalogLogin: the access-code sign-in that binds the installation to a workshop's server.
#pragma once

#include "data/http_client.h"
#include "ui/ordavo_window.h"

#include <QString>

#include <memory>

class QLineEdit;
class QTimer;
class Recordset;
class TXpButton;

// The typed code as it is sent and stored: blanks trimmed and removed, lower case, and every
// apostrophe, double quote and backslash removed so that no code can break the statement.
QString NormaliseAccessCode(const QString& typed);
// call usp_findmyordavo ("code")
QString FindMyOrdavoStatement(const QString& code);
// A value inside a double-quoted statement literal: '"' and '\' written doubled.
QString QuotedRegistrationValue(const QString& value);
// The registration of this installation on the workshop's server, from the directory's
// answer (current row) and the code. DataError for a missing column or a NULL value.
QString RegistrationStatement(const Recordset& directory, const QString& code);
// "Žal je prišlo do napake med prijavo, ..." with the support address.
QString SignInFailureText();

class TfrmnalogLogin final : public OrdavoWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmnalogLogin)

public:
    explicit TfrmnalogLogin(QWidget* parent = nullptr);
    ~TfrmnalogLogin() override;

    // Button "Vstopi": the sign-in; the window closes with Accepted when it succeeds.
    void shraniClick();
    // Button "ZAPRI PROGRAM": closes with Rejected.
    void XpButton1Click();
    void tmrautoTimer();

    QLineEdit* txtkoda = nullptr;
    TXpButton* shrani = nullptr;
    TXpButton* XpButton1 = nullptr;
    QTimer* tmrauto = nullptr;

    // The HTTP client the transport uses for the first attempt of calls at an explicit address.
    std::unique_ptr<HttpClient> senderlogin;

private:
    void buildControls();
    void FormShow() override;
    // Steps after the directory answered: root, registration, settings. False: a message was shown.
    bool registerAndStore(const Recordset& directory, const QString& code);
    void storeSettings(const Recordset& directory, const QString& root, const QString& code);
};

// The sign-in window while it exists (nullptr otherwise).
extern TfrmnalogLogin* frmnalogLogin;
// The sign-in window, created (hidden, owned by the main window) when it does not exist.
TfrmnalogLogin* EnsureLoginWindow();
