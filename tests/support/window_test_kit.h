// Test helpers for the window tests: the transport aimed at a server, scripted answers, decoded statements, boxes.
#pragma once

#include "support/loopback_server.h"

#include "data/http_client.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct ShownMessage;

// Registers a sender client and writes "weburlroot" (the given base URL) and "weburl"
// ("commobj/commobj/"), so ExecuteRemote reaches that server; waits between retries are
// skipped. The settings of the test's own settings folder are used.
class RemoteTestSetup {
public:
    explicit RemoteTestSetup(const QString& baseUrl);
    ~RemoteTestSetup();
    RemoteTestSetup(const RemoteTestSetup&) = delete;
    RemoteTestSetup& operator=(const RemoteTestSetup&) = delete;

private:
    std::unique_ptr<HttpClient> sender_;
};

class SimulatorProcess;

// The start of a window test against the simulator: the windows' Slovenian locale, the
// simulator started with its defaults, and remote set up to reach it. False, with
// sim->errorText() saying why, when the simulator does not run; remote is then left empty.
bool StartSimulatorSession(std::unique_ptr<SimulatorProcess>& sim, std::unique_ptr<RemoteTestSetup>& remote);

// The statement a gateway request carried, as the window wrote it: the query after "0.*_."
// percent-decoded, "5*(5*c" back to "call usp_", "[*edp*]" back to "+", and without the one
// blank the transport appends.
QString StatementOf(const LoopbackRequest& request);
QStringList StatementsOf(const LoopbackServer& server);

// A table answer of the gateway: columns with type codes, rows of values (nullopt = null).
using Row = QList<std::optional<QString>>;
QByteArray TableAnswer(const QList<QPair<QString, int>>& columns, const QList<Row>& rows);
QByteArray EmptyAnswer();
// A failure text of the server (no "[success]").
QByteArray FailureAnswer(const QByteArray& text = "DB error 1064");

// A loopback workshop that answers each statement by the longest registered prefix it starts
// with, and with an empty success answer otherwise. Answers can change between steps.
class ScriptedWorkshop {
public:
    ScriptedWorkshop();
    ~ScriptedWorkshop();
    void answer(const QString& statementPrefix, const QByteArray& body);
    // Requests whose statement contains `text` wait, unanswered, until releaseAnswers() (or the
    // workshop's end): a server that stalls in the middle of a call.
    void holdAnswersContaining(const QString& text);
    void releaseAnswers();
    int heldRequests() const;
    QString baseUrl() const { return server_.baseUrl(); }
    QStringList statements() const { return StatementsOf(server_); }
    void clearStatements() { server_.clearRequests(); }

private:
    struct Answers;
    std::shared_ptr<Answers> answers_;
    LoopbackServer server_;
};

class SettingsSandbox;

// What a test of remote calls against a scripted workshop starts with: a settings folder of its
// own, the workshop, the transport aimed at it and boxes answered by the test hook; its end
// releases held answers and undoes the rest in reverse.
class ScriptedSession {
public:
    ScriptedSession();
    ~ScriptedSession();
    ScriptedSession(const ScriptedSession&) = delete;
    ScriptedSession& operator=(const ScriptedSession&) = delete;
    ScriptedWorkshop& workshop() { return *workshop_; }
    // A fresh sender, which takes the HTTP client's current default time-outs.
    void restartTransport();

private:
    std::unique_ptr<SettingsSandbox> sandbox_;
    std::unique_ptr<ScriptedWorkshop> workshop_;
    std::unique_ptr<RemoteTestSetup> remote_;
};

// A workshop no call reaches: nothing listens on its port (Refused), or every request is
// answered with HTTP 500 (ServerError), so the first attempt and both retries fail.
class UnreachableWorkshop {
public:
    enum Kind { Refused, ServerError };
    explicit UnreachableWorkshop(Kind kind);
    QString baseUrl() const;
    // What the transport's reason for the failure says: the port nothing listens on, or the status.
    QString reason() const;

private:
    Kind kind_;
    LoopbackServer server_;
    quint16 refusedPort_ = 0;
};

// The column "kind" (UnreachableWorkshop::Kind) with the rows "refused" and "HTTP 500".
void AddUnreachableRows();

// Empty when the failures shown since the hook was last reset (dialogs and "Napaka" boxes;
// questions and notices aside) are exactly `count` communication-error dialogs whose details
// are "Strežnik ni dosegljiv: " and the transport's reason, which says `reason`; else what was
// shown.
QString UnreachableDialogsMismatch(const QString& reason, int count = 1);

// The boxes shown since the hook was last reset, as "title|text" lines (dialog: kind title and text).
QStringList ShownBoxes();

// The control of that object name inside window; the test run stops when it is missing.
template <typename T> T* RequireChild(const QObject& window, const char* name)
{
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}
