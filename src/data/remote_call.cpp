// The remote-call transport: composes and encodes the statement, fetches it with the retry policy and classifies the
// answer.
#include "remote_call.h"

#include "errors.h"
#include "payload.h"
#include "server_contract.h"
#include "settings_keys.h"
#include "settings_store.h"
#include "text_helpers.h"
#include "transport_guards.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QThread>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

using namespace Qt::StringLiterals;

QString LastRemoteError;
QStringList RemoteParams;

namespace {

std::unique_ptr<HttpClient>* g_senderSlot = nullptr;
HttpClient* g_loginClient = nullptr;
std::function<void(int)> g_waitHook;

constexpr int kWaitAfterTransientMs = 150;
constexpr int kWaitAfterFailureMs = 500;
constexpr qsizetype kEncodedLengthLimit = 2000;

QString ContractText(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

QByteArrayView ContractBytes(std::string_view text)
{
    return QByteArrayView(text.data(), qsizetype(text.size()));
}

// Queued events run only on the thread that owns the application's objects; a call that runs on
// a worker thread lets none run.
void RunQueuedEvents()
{
    const QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() == application->thread())
        QCoreApplication::processEvents();
}

void Wait(int milliseconds)
{
    if (g_waitHook)
        g_waitHook(milliseconds);
    else
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

// The answer body as UTF-8: kept when it is valid UTF-8, otherwise read as Windows-1250.
QByteArray AnswerAsUtf8(QByteArrayView body)
{
    return IsValidUtf8(body) ? body.toByteArray() : FromWindows1250(body).toUtf8();
}

// The text of a statement or an answer as it would appear in an 8-bit Windows-1250 string.
QString As8BitText(QByteArrayView utf8)
{
    return ToWindows1250(QString::fromUtf8(utf8));
}

QString ProcedureError(const QString& statement, const QString& description)
{
    return u"Napaka pri izvajanju postopka :"_s + statement + u" z opisom: -> "_s + description;
}

// The form that goes on the wire: percent-encoded, or, past the length limit, the composed
// text with blanks as %20 and without line breaks. The server percent-decodes the query, so a
// "%" of the text goes out as %25 (before the blanks add escapes of their own), or a typed
// "%27" would arrive as an apostrophe; "#" goes out as %23, or it would end the request there.
// Any other control character (a tab, DEL) goes out as %XX too: no address may carry one raw,
// so the request would never leave.
QString StatementForUrl(const QString& composed)
{
    QString encoded = EncodeStatement(composed);
    if (encoded.size() <= kEncodedLengthLimit)
        return encoded;
    QString plain = composed;
    plain.replace(u'%', u"%25"_s);
    plain.replace(u'#', u"%23"_s);
    plain.replace(u' ', u"%20"_s);
    plain.remove(u'\r');
    plain.remove(u'\n');
    return PercentEncodeControls(plain);
}

// Without the leading and trailing blanks and control characters.
QString TrimBlanksAndControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    return text.mid(begin, end - begin);
}

QByteArray RequestUrl(const QString& baseUrl, const QString& sentStatement)
{
    return (baseUrl + ContractText(ServerContract::GatewayScript) + u'?' + ContractText(ServerContract::QueryPrefix) +
            sentStatement)
        .toUtf8();
}

// Where `marker` first occurs in `text`, or -1. Looks for the marker's first byte with memchr,
// which skips a percent-encoded payload (it holds no "[") at memory speed.
qsizetype FindMarker(QByteArrayView text, std::string_view marker)
{
    const char* at = text.data();
    const char* const end = at + text.size();
    while (end - at >= qsizetype(marker.size())) {
        const void* found = std::memchr(at, marker.front(), std::size_t(end - at) - marker.size() + 1);
        if (!found)
            return -1;
        at = static_cast<const char*>(found);
        if (std::memcmp(at, marker.data(), marker.size()) == 0)
            return at - text.data();
        ++at;
    }
    return -1;
}

// Why the latest call reached no server; empty when one of its attempts got an answer.
QString g_transferFailure;

// The sender as one call sees it: through the slot of its owner (a call that runs on the thread
// that owns the transport's state, where queued events may run in the middle of it), or checked
// out of the slot for a call that runs on a worker thread and owns it meanwhile.
class SenderAccess {
public:
    virtual ~SenderAccess() = default;
    virtual HttpClient* sender() = 0;
    // Replaces the sender with a fresh client (empty cookies), then lets queued events run
    // where that is allowed.
    virtual void reset() = 0;
    // Lets queued events run where that is allowed.
    virtual void letQueuedEventsRun() = 0;
    // Waits between attempts; false when the call was cancelled meanwhile.
    virtual bool wait(int milliseconds) = 0;
    virtual bool cancelled() const = 0;
    virtual TransferCancel* cancel() = 0;
    // Where the body of the next attempt goes.
    virtual QByteArray takeReceiveBuffer() { return {}; }
};

// A call on the thread that owns the transport: the slot is read at each attempt, as a call
// nested in the queued events may replace the sender in between.
class SlotSenderAccess final : public SenderAccess {
public:
    HttpClient* sender() override { return CurrentSender(); }
    void reset() override { ResetHttpClient(); }
    void letQueuedEventsRun() override { RunQueuedEvents(); }
    bool wait(int milliseconds) override
    {
        Wait(milliseconds);
        return true;
    }
    bool cancelled() const override { return false; }
    TransferCancel* cancel() override { return nullptr; }
};

// A call that owns everything it touches, so it can run on any thread.
class OwnedSenderAccess final : public SenderAccess {
public:
    explicit OwnedSenderAccess(RemoteCallJob& job) : job_(job) {}
    HttpClient* sender() override { return job_.sender.get(); }
    void reset() override
    {
        if (!job_.senderSlotExists)
            return;
        try {
            auto fresh = std::make_unique<HttpClient>();
            fresh->setTimeouts(job_.connectTimeout, job_.stallTimeout);
            job_.sender = std::move(fresh);
        } catch (...) {
            // A sender that cannot be replaced is missing; the next attempt then fails.
            job_.sender.reset();
        }
    }
    void letQueuedEventsRun() override {}
    bool wait(int milliseconds) override
    {
        if (job_.waitHook) {
            job_.waitHook(milliseconds);
            return !cancelled();
        }
        return job_.cancel ? job_.cancel->sleepFor(std::chrono::milliseconds(milliseconds))
                           : (QThread::msleep(static_cast<unsigned long>(milliseconds)), true);
    }
    bool cancelled() const override { return job_.cancel && job_.cancel->cancelled(); }
    TransferCancel* cancel() override { return job_.cancel.get(); }
    QByteArray takeReceiveBuffer() override { return std::exchange(job_.receiveBuffer, QByteArray()); }

private:
    RemoteCallJob& job_;
};

// The outcome of one GET: the body, or why there is none.
struct AttemptResult {
    std::optional<QByteArray> body;
    bool cancelled = false;
};

// The body of a successful GET, or nothing when the client is missing or the transfer
// failed; then failure says why.
AttemptResult Attempt(HttpClient* client, const QByteArray& url, QString& failure, SenderAccess& access)
{
    if (!client) {
        failure = u"Strežnik ni dosegljiv: no HTTP client"_s;
        return {};
    }
    HttpClient::Response response = client->get(url, access.takeReceiveBuffer(), access.cancel());
    if (!response.ok) {
        failure = u"Strežnik ni dosegljiv: "_s + response.error;
        return {std::nullopt, response.cancelled};
    }
    return {std::move(response.body), false};
}

// The answer of a transfer, and why it reached no server when no attempt got an answer.
struct TransferResult {
    QByteArray answer;
    QString failure;
    bool cancelled = false;
};

// Up to three GETs: the first through firstClient (the sender when null and firstThroughSender),
// a retry after a transient answer, and a last one after a failed transfer, both through the
// current sender. The body of the last successful attempt, or empty when none succeeded. A
// cancelled call stops at once.
TransferResult Transfer(HttpClient* firstClient, const QByteArray& firstUrl, const QByteArray& retryUrl,
                        SenderAccess& access)
{
    TransferResult out;
    QString failure;
    bool reached = false;
    const auto stop = [&out](const QString& why) {
        out.cancelled = true;
        out.failure = why;
        return out;
    };
    AttemptResult result = Attempt(firstClient, firstUrl, failure, access);
    if (result.cancelled)
        return stop(failure);
    if (result.body) {
        reached = true;
        out.answer = std::move(*result.body);
        if (AnswerIsTransient(out.answer)) {
            access.reset();
            access.letQueuedEventsRun();
            if (!access.wait(kWaitAfterTransientMs))
                return stop(failure);
            result = Attempt(access.sender(), retryUrl, failure, access);
            if (result.cancelled)
                return stop(failure);
            if (result.body)
                out.answer = std::move(*result.body);
        }
    }
    if (!result.body) {
        access.reset();
        if (!access.wait(kWaitAfterFailureMs))
            return stop(failure);
        AttemptResult last = Attempt(access.sender(), retryUrl, failure, access);
        if (last.cancelled)
            return stop(failure);
        if (last.body) {
            reached = true;
            out.answer = std::move(*last.body);
        }
    }
    if (!reached)
        out.failure = failure;
    return out;
}

// The payload after the first "[success]", percent-decoded and handed to the decoder. An answer
// that is not UTF-8 is read as Windows-1250, so its payload is first converted to UTF-8. Unless
// `emptyMarkerSettled`, an answer that holds "[emptyrecordset]" has no table: since the marker
// did not start before the payload, it can only stand in a payload whose text holds a "[", which
// the percent decoder tells without another look at the answer.
RecordsetPtr DecodePayloadText(QByteArrayView answer, QByteArrayView payload, bool emptyMarkerSettled,
                               Recordset::Memory* earlier)
{
    try {
        PercentDecoded decoded = earlier ? PercentDecodeToBytes(payload, PercentDecodeLevel::Avx512,
                                                                std::exchange(earlier->bytes, QByteArray()))
                                         : PercentDecodeToBytes(payload);
        if (!emptyMarkerSettled && decoded.textHasBracket &&
            FindMarker(answer, ServerContract::EmptyRecordsetMarker) >= 0)
            return nullptr;
        if (decoded.textHasNonAscii && !IsValidUtf8(answer))
            decoded = PercentDecodeToBytes(FromWindows1250(payload).toUtf8());
        // The projection changes only characters beyond ASCII, so the summary still holds.
        QByteArray projected = ProjectedToWindows1250(std::move(decoded.bytes));
        return earlier ? DecodePayloadBuffer(std::move(projected), decoded.summary, *earlier)
                       : DecodePayloadBuffer(std::move(projected), decoded.summary);
    } catch (...) {
        return nullptr; // an undecodable payload is an answer without data
    }
}

RecordsetPtr DecodeSuccessPayload(QByteArrayView answer, qsizetype successAt, bool emptyMarkerSettled,
                                  Recordset::Memory* earlier)
{
    const QByteArrayView payload = answer.sliced(successAt + qsizetype(ServerContract::SuccessMarker.size()));
    return DecodePayloadText(answer, payload, emptyMarkerSettled, earlier);
}

// The failure text of an answer without "[success]": the answer without "[emptyrecordset]", as
// 8-bit text; empty when nothing else is left.
QString FailureDescription(QByteArrayView answer)
{
    QByteArray description = AnswerAsUtf8(answer);
    description.replace(ContractBytes(ServerContract::EmptyRecordsetMarker), QByteArrayView());
    return description.isEmpty() ? QString() : As8BitText(description);
}

// The markers are ASCII, and reading an answer that is not UTF-8 as Windows-1250 changes none of its
// ASCII bytes, so they are searched in the answer's own bytes; only a failure needs its text.
ClassifiedAnswer Classify(QByteArrayView answer, const QString& statement, Recordset::Memory* earlier = nullptr)
{
    if (answer == ContractBytes(ServerContract::InvalidAnswer))
        return {nullptr, ProcedureError(ToWindows1250(statement), ContractText(ServerContract::InvalidAnswer))};
    const qsizetype successAt = FindMarker(answer, ServerContract::SuccessMarker);
    if (successAt >= 0) {
        // A table comes unless the first "[emptyrecordset]" stands after the answer's first byte.
        // One that starts before the payload is looked for here; the decoding looks into the payload.
        const qsizetype payloadAt = successAt + qsizetype(ServerContract::SuccessMarker.size());
        const qsizetype headLength =
            std::min(answer.size(), payloadAt + qsizetype(ServerContract::EmptyRecordsetMarker.size()) - 1);
        const qsizetype emptyAt = FindMarker(answer.first(headLength), ServerContract::EmptyRecordsetMarker);
        if (emptyAt <= 0)
            return {DecodeSuccessPayload(answer, successAt, emptyAt == 0, earlier), QString()};
        return {};
    }
    const QString description = FailureDescription(answer);
    if (description.isEmpty())
        return {};
    return {nullptr, ProcedureError(ToWindows1250(statement), description)};
}

// What the caller's statement becomes before it is sent; a local failure leaves
// job.localFailure set.
void PrepareStatement(RemoteCallJob& job, const QString& callerStatement, const std::function<QString()>& baseUrl)
{
    try {
        job.statement = ToWindows1250(callerStatement);
        const QString composed = ComposeStatement(job.statement, RemoteParams);
        const QString base = baseUrl();
        const QString sent = StatementForUrl(composed);
        RefuseOverlongRequest(RequestUrl(base, sent));
        job.firstUrl = RequestUrl(base, TrimBlanksAndControls(sent));
        job.retryUrl = RequestUrl(base, sent);
    } catch (const std::exception& e) {
        job.localFailure = u"Communication Error :"_s + ErrorMessage(e);
    } catch (...) {
        job.localFailure = u"Communication Error :Unknown failure"_s;
    }
}

// Runs a prepared call with the sender as `access` gives it: everything that can fail locally
// ends as "Communication Error :".
void RunJob(RemoteCallJob& job, SenderAccess& access)
{
    if (!job.localFailure.isEmpty()) {
        job.error = job.localFailure;
        return;
    }
    try {
        HttpClient* first = job.firstThroughSender ? access.sender() : job.firstClient;
        TransferResult transfer = Transfer(first, job.firstUrl, job.retryUrl, access);
        job.transferFailure = std::move(transfer.failure);
        job.cancelled = transfer.cancelled;
        job.answer = std::move(transfer.answer);
        if (job.ignoreResponse || job.cancelled)
            return;
        if (!job.previousAnswer.isEmpty() && job.answer == job.previousAnswer) {
            job.sameAsPrevious = true;
            return;
        }
        ClassifiedAnswer outcome = Classify(job.answer, job.statement, &job.tableMemory);
        job.recordset = std::move(outcome.recordset);
        job.error = std::move(outcome.error);
    } catch (const std::exception& e) {
        job.recordset.reset();
        job.error = u"Communication Error :"_s + ErrorMessage(e);
    } catch (...) {
        job.recordset.reset();
        job.error = u"Communication Error :Unknown failure"_s;
    }
}

RemoteCallJob PrepareJob(const QString& statement, const std::function<QString()>& baseUrl, bool throughLoginClient,
                         bool ignoreResponse)
{
    LastRemoteError.clear();
    RemoteCallJob job;
    job.ignoreResponse = ignoreResponse;
    job.firstThroughSender = !throughLoginClient;
    job.firstClient = throughLoginClient ? g_loginClient : nullptr;
    PrepareStatement(job, statement, baseUrl);
    return job;
}

QString WorkshopBaseUrl()
{
    return Setting(SettingKey::WebUrlRoot) + Setting(SettingKey::WebUrl);
}

// Runs a call on this thread through the sender's slot and sets the transport's texts.
RecordsetPtr RunOnThisThread(RemoteCallJob job)
{
    SlotSenderAccess access;
    RunJob(job, access);
    // A call nested in the queued events may have set the texts; the result is this call's.
    LastRemoteError = job.error;
    g_transferFailure = job.transferFailure;
    return job.recordset;
}

} // namespace

RecordsetPtr ExecuteRemote(const QString& statement, bool ignoreResponse)
{
    return RunOnThisThread(PrepareJob(statement, &WorkshopBaseUrl, false, ignoreResponse));
}

RecordsetPtr ExecuteRemoteAt(const QString& statement, const QString& baseUrl, bool ignoreResponse)
{
    return RunOnThisThread(PrepareJob(
        statement, [&baseUrl] { return baseUrl; }, true, ignoreResponse));
}

RemoteCallJob PrepareRemoteCall(const QString& statement, const std::optional<QString>& baseUrl, bool ignoreResponse)
{
    RemoteCallJob job = baseUrl ? PrepareJob(
                                      statement, [&baseUrl] { return *baseUrl; }, true, ignoreResponse)
                                : PrepareJob(statement, &WorkshopBaseUrl, false, ignoreResponse);
    job.senderSlotExists = g_senderSlot != nullptr;
    if (g_senderSlot && *g_senderSlot) {
        job.connectTimeout = (*g_senderSlot)->connectTimeout();
        job.stallTimeout = (*g_senderSlot)->stallTimeout();
        job.sender = std::move(*g_senderSlot);
    } else if (g_senderSlot) {
        // The sender is out with another call that has not come back yet: this call gets a
        // fresh one, as after a reset.
        job.sender = std::make_unique<HttpClient>();
        job.connectTimeout = job.sender->connectTimeout();
        job.stallTimeout = job.sender->stallTimeout();
    }
    job.waitHook = g_waitHook;
    return job;
}

void RunRemoteCallJob(RemoteCallJob& job)
{
    OwnedSenderAccess access(job);
    RunJob(job, access);
}

RecordsetPtr FinishRemoteCall(RemoteCallJob& job)
{
    ReturnSender(job);
    LastRemoteError = job.error;
    g_transferFailure = job.transferFailure;
    return job.recordset;
}

void ReturnSender(RemoteCallJob& job)
{
    if (g_senderSlot && job.sender && !*g_senderSlot)
        *g_senderSlot = std::move(job.sender);
    job.sender.reset();
}

const QString& LastTransferFailure()
{
    return g_transferFailure;
}

void ClearRemoteState()
{
    LastRemoteError.clear();
    RemoteParams.clear();
    g_transferFailure.clear();
}

QString ComposeStatement(const QString& statement, const QStringList& params)
{
    QString composed = ToWindows1250(statement) + u' ';
    const bool noParams = params.isEmpty() || (params.size() == 1 && params.constFirst().isEmpty());
    if (noParams)
        return composed;
    composed.remove(u"()"_s);
    composed.remove(u' ');
    composed += u" ("_s;
    for (qsizetype i = 0; i < params.size(); ++i) {
        QString value = ToWindows1250(params[i]);
        value.replace(u'.', ContractText(ServerContract::DotToken));
        value.replace(u',', ContractText(ServerContract::CommaToken));
        if (i > 0)
            composed += u',';
        composed += u'\'' + value + u'\'';
    }
    composed += u')';
    return composed;
}

QString EncodeStatement(const QString& composed)
{
    QString text = composed;
    text.replace(u'+', ContractText(ServerContract::PlusToken));
    text.replace(ContractText(ServerContract::CallUspNoBlank), ContractText(ServerContract::CallUspToken));
    text.replace(ContractText(ServerContract::CallUsp), ContractText(ServerContract::CallUspToken));
    return QString::fromLatin1(PercentEncode(text));
}

namespace {
char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// How common a byte is in a large answer, lower for rarer ones: the payload travels with every
// byte but letters, digits and "_" written as %XX, so percent signs, digits and letters (the
// hexadecimal ones most of all) are everywhere, while blanks and other punctuation hardly ever
// appear unescaped.
int Commonness(char c)
{
    static constexpr std::string_view lettersByFrequency = "zqjxkvpygwmulrhsniotbcdfea";
    const char lower = AsciiLower(c);
    if (c == '%' || (c >= '0' && c <= '9'))
        return 100;
    const std::size_t rank = lettersByFrequency.find(lower);
    return rank == std::string_view::npos ? 0 : 1 + int(rank);
}

// Whether `text` holds `marker` regardless of ASCII case. The markers are ASCII, and no other
// Latin-1 letter folds onto an ASCII one, so this equals a case-insensitive Latin-1 search.
// Every successful list answer is scanned in full, so the scan looks only for the marker's
// rarest byte (in both cases, with memchr) and compares the whole marker only where it is.
bool ContainsIgnoringAsciiCase(QByteArrayView text, std::string_view marker)
{
    const std::size_t m = marker.size();
    const std::size_t n = std::size_t(text.size());
    if (m == 0)
        return true;
    if (n < m)
        return false;
    std::size_t anchor = 0;
    for (std::size_t i = 1; i < m; ++i)
        if (Commonness(marker[i]) < Commonness(marker[anchor]))
            anchor = i;
    const auto matchesAt = [&](std::size_t start) {
        for (std::size_t i = 0; i < m; ++i)
            if (AsciiLower(text[qsizetype(start + i)]) != AsciiLower(marker[i]))
                return false;
        return true;
    };
    const char lower = AsciiLower(marker[anchor]);
    const char upper = (lower >= 'a' && lower <= 'z') ? char(lower - 'a' + 'A') : lower;
    const char* const begin = text.data();
    // Only positions where the whole marker fits around the anchor can hold it.
    const char* const first = begin + anchor;
    const std::size_t span = n - m + 1;
    const int variants = upper == lower ? 1 : 2;
    for (int v = 0; v < variants; ++v) {
        const char variant = v == 0 ? lower : upper;
        const char* at = first;
        std::size_t left = span;
        while (left > 0) {
            const void* found = std::memchr(at, variant, left);
            if (!found)
                break;
            const char* hit = static_cast<const char*>(found);
            if (matchesAt(std::size_t(hit - first)))
                return true;
            left -= std::size_t(hit - at) + 1;
            at = hit + 1;
        }
    }
    return false;
}
} // namespace

bool AnswerIsTransient(QByteArrayView answer)
{
    for (std::string_view transient : ServerContract::TransientTexts)
        if (ContainsIgnoringAsciiCase(answer, transient))
            return true;
    return false;
}

bool IsTransientFailure(QByteArrayView answer)
{
    if (!AnswerIsTransient(answer))
        return false;
    ResetHttpClient();
    return true;
}

void ResetHttpClient()
{
    // The fresh client is made before the old one goes, so the two are never the same object.
    if (g_senderSlot) {
        try {
            *g_senderSlot = std::make_unique<HttpClient>();
        } catch (...) {
            // A sender that cannot be replaced is missing; the next attempt then fails.
            g_senderSlot->reset();
        }
    }
    RunQueuedEvents();
}

ClassifiedAnswer ClassifyAnswer(QByteArrayView answer, const QString& statement)
{
    return Classify(answer, statement);
}

QString TempFolderPath()
{
    return QDir::tempPath() + u'/';
}

void SetSenderSlot(std::unique_ptr<HttpClient>* slot)
{
    g_senderSlot = slot;
}

void SetLoginClient(HttpClient* client)
{
    g_loginClient = client;
}

HttpClient* CurrentSender()
{
    return g_senderSlot ? g_senderSlot->get() : nullptr;
}

void SetRemoteWaitHook(std::function<void(int milliseconds)> hook)
{
    g_waitHook = std::move(hook);
}
