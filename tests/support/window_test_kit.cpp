// Test helpers for the window tests: the transport aimed at a server, scripted answers, decoded statements, boxes.
#include "window_test_kit.h"
#include "settings_sandbox.h"
#include "simulator_process.h"

#include "data/payload_writer.h"
#include "data/remote_call.h"
#include "data/server_contract.h"
#include "data/settings_store.h"
#include "ui/message_boxes.h"

#include <QLocale>
#include <QMap>
#include <QTest>

#include <algorithm>
#include <condition_variable>
#include <mutex>

using namespace Qt::StringLiterals;

RemoteTestSetup::RemoteTestSetup(const QString& baseUrl) : sender_(std::make_unique<HttpClient>())
{
    PointWorkshopAt(baseUrl);
    SetSenderSlot(&sender_);
    SetRemoteWaitHook([](int) {});
    ClearRemoteState();
}

RemoteTestSetup::~RemoteTestSetup()
{
    SetSenderSlot(nullptr);
    SetRemoteWaitHook({});
    ClearRemoteState();
}

bool StartSimulatorSession(std::unique_ptr<SimulatorProcess>& sim, std::unique_ptr<RemoteTestSetup>& remote)
{
    QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
    sim = std::make_unique<SimulatorProcess>();
    if (!sim->isRunning())
        return false;
    remote = std::make_unique<RemoteTestSetup>(sim->baseUrl());
    return true;
}

QString StatementOf(const LoopbackRequest& request)
{
    const auto contract = [](std::string_view text) { return QLatin1StringView(text.data(), qsizetype(text.size())); };
    QByteArray query = request.query;
    if (query.startsWith(contract(ServerContract::QueryPrefix)))
        query = query.mid(qsizetype(ServerContract::QueryPrefix.size()));
    QString statement = QString::fromUtf8(QByteArray::fromPercentEncoding(query));
    statement.replace(contract(ServerContract::CallUspToken), contract(ServerContract::CallUsp));
    statement.replace(contract(ServerContract::PlusToken), u"+"_s);
    // The transport appends one blank to every statement before encoding it.
    if (statement.endsWith(u' '))
        statement.chop(1);
    return statement;
}

QStringList StatementsOf(const LoopbackServer& server)
{
    QStringList statements;
    for (const LoopbackRequest& request : server.requests())
        statements.append(StatementOf(request));
    return statements;
}

QByteArray TableAnswer(const QList<QPair<QString, int>>& columns, const QList<Row>& rows)
{
    PayloadWriter writer;
    for (const auto& [name, type] : columns)
        writer.addColumn(name, type);
    for (const Row& row : rows) {
        writer.beginRow();
        for (const auto& value : row)
            writer.addValue(value);
    }
    return PayloadWriter::EncodeAnswer(writer.payload());
}

QByteArray EmptyAnswer()
{
    return PayloadWriter::EmptyRecordsetAnswer();
}

QByteArray FailureAnswer(const QByteArray& text)
{
    return text;
}

struct ScriptedWorkshop::Answers {
    std::mutex mutex;
    QMap<QString, QByteArray> byPrefix;
    QString holdText;
    int held = 0;
    std::condition_variable released;

    // Waits while the statement is to be held, until the hold is lifted.
    void holdIfAsked(const QString& statement)
    {
        std::unique_lock lock(mutex);
        if (holdText.isEmpty() || !statement.contains(holdText))
            return;
        ++held;
        released.wait(lock, [&] { return holdText.isEmpty(); });
    }

    QByteArray answerFor(const QString& statement)
    {
        std::lock_guard lock(mutex);
        QString best;
        for (auto it = byPrefix.cbegin(); it != byPrefix.cend(); ++it)
            if (statement.startsWith(it.key()) && it.key().size() >= best.size())
                best = it.key();
        return best.isEmpty() ? EmptyAnswer() : byPrefix.value(best);
    }
};

ScriptedWorkshop::ScriptedWorkshop() : answers_(std::make_shared<Answers>())
{
    server_.setHandler([answers = answers_](const LoopbackRequest& request) {
        const QString statement = StatementOf(request);
        answers->holdIfAsked(statement);
        return LoopbackAnswer::text(answers->answerFor(statement));
    });
}

ScriptedWorkshop::~ScriptedWorkshop()
{
    // Held requests end before the server stops, or its threads would wait for them.
    releaseAnswers();
}

void ScriptedWorkshop::holdAnswersContaining(const QString& text)
{
    std::lock_guard lock(answers_->mutex);
    answers_->holdText = text;
}

void ScriptedWorkshop::releaseAnswers()
{
    {
        std::lock_guard lock(answers_->mutex);
        answers_->holdText.clear();
    }
    answers_->released.notify_all();
}

int ScriptedWorkshop::heldRequests() const
{
    std::lock_guard lock(answers_->mutex);
    return answers_->held;
}

void ScriptedWorkshop::answer(const QString& statementPrefix, const QByteArray& body)
{
    std::lock_guard lock(answers_->mutex);
    answers_->byPrefix.insert(statementPrefix, body);
}

ScriptedSession::ScriptedSession()
    : sandbox_(std::make_unique<SettingsSandbox>()), workshop_(std::make_unique<ScriptedWorkshop>()),
      remote_(std::make_unique<RemoteTestSetup>(workshop_->baseUrl()))
{
    DialogTestHook::activate();
}

ScriptedSession::~ScriptedSession()
{
    DialogTestHook::reset();
    workshop_->releaseAnswers();
    remote_.reset();
    workshop_.reset();
    sandbox_.reset();
}

void ScriptedSession::restartTransport()
{
    remote_.reset(); // its sender goes with it before the next one is registered
    remote_ = std::make_unique<RemoteTestSetup>(workshop_->baseUrl());
}

QStringList ShownBoxes()
{
    QStringList boxes;
    for (const ShownMessage& message : DialogTestHook::shown())
        boxes.append(message.title + u'|' + message.text);
    return boxes;
}

UnreachableWorkshop::UnreachableWorkshop(Kind kind) : kind_(kind)
{
    if (kind_ == Refused)
        refusedPort_ = LoopbackServer::closedPort();
    else
        server_.setFallback(LoopbackAnswer::text("Internal Server Error", 500));
}

QString UnreachableWorkshop::baseUrl() const
{
    if (kind_ == Refused)
        return u"http://127.0.0.1:%1/"_s.arg(refusedPort_);
    return server_.baseUrl();
}

QString UnreachableWorkshop::reason() const
{
    if (kind_ == Refused)
        return u"port %1"_s.arg(refusedPort_);
    return u"HTTP/1.1 500"_s;
}

void AddUnreachableRows()
{
    QTest::addColumn<int>("kind");
    QTest::addRow("refused") << int(UnreachableWorkshop::Refused);
    QTest::addRow("HTTP 500") << int(UnreachableWorkshop::ServerError);
}

QString UnreachableDialogsMismatch(const QString& reason, int count)
{
    static const QString prefix = u"Strežnik ni dosegljiv: "_s;
    QList<ShownMessage> shown;
    for (const ShownMessage& message : DialogTestHook::shown()) {
        if (message.box == ShownMessage::Box::Dialog || message.title == u"Napaka"_s)
            shown.append(message);
    }
    const auto unreachableDialog = [&reason](const ShownMessage& message) {
        return message.box == ShownMessage::Box::Dialog && message.kind == 0 &&
               message.text == u"Napaka pri komunikaciji"_s && message.details.startsWith(prefix) &&
               message.details.sliced(prefix.size()).contains(reason);
    };
    if (shown.size() == count && std::all_of(shown.begin(), shown.end(), unreachableDialog))
        return {};
    QStringList seen;
    for (const ShownMessage& message : shown)
        seen.append(message.title + u'|' + message.text + u'|' + message.details);
    return u"shown: ["_s + seen.join(u"; "_s) + u']';
}
