// The remote-call transport: composes and encodes the statement, fetches it with the retry policy and classifies the
// answer.
#include "remote_call.h"

#include "errors.h"
#include "payload.h"
#include "server_contract.h"
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

void RunQueuedEvents()
{
    if (QCoreApplication::instance())
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

// The body of a successful GET, or nothing when the client is missing or the transfer
// failed; then failure says why.
std::optional<QByteArray> Attempt(HttpClient* client, const QByteArray& url, QString& failure)
{
    if (!client) {
        failure = u"Strežnik ni dosegljiv: no HTTP client"_s;
        return std::nullopt;
    }
    HttpClient::Response response = client->get(url);
    if (!response.ok) {
        failure = u"Strežnik ni dosegljiv: "_s + response.error;
        return std::nullopt;
    }
    return std::move(response.body);
}

// The answer of a transfer, and why it reached no server when no attempt got an answer.
struct TransferResult {
    QByteArray answer;
    QString failure;
};

// Up to three GETs: the first through firstClient, a retry after a transient answer, and a
// last one after a failed transfer, both through the current sender. The body of the last
// successful attempt, or empty when none succeeded.
TransferResult Transfer(HttpClient* firstClient, const QByteArray& firstUrl, const QByteArray& retryUrl)
{
    TransferResult out;
    QString failure;
    bool reached = false;
    std::optional<QByteArray> result = Attempt(firstClient, firstUrl, failure);
    if (result) {
        reached = true;
        out.answer = *result;
        if (IsTransientFailure(out.answer)) {
            RunQueuedEvents();
            Wait(kWaitAfterTransientMs);
            result = Attempt(CurrentSender(), retryUrl, failure);
            if (result)
                out.answer = std::move(*result);
        }
    }
    if (!result) {
        ResetHttpClient();
        Wait(kWaitAfterFailureMs);
        if (std::optional<QByteArray> last = Attempt(CurrentSender(), retryUrl, failure)) {
            reached = true;
            out.answer = std::move(*last);
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
RecordsetPtr DecodePayloadText(QByteArrayView answer, QByteArrayView payload, bool emptyMarkerSettled)
{
    try {
        PercentDecoded decoded = PercentDecodeToBytes(payload);
        if (!emptyMarkerSettled && decoded.textHasBracket &&
            FindMarker(answer, ServerContract::EmptyRecordsetMarker) >= 0)
            return nullptr;
        if (decoded.textHasNonAscii && !IsValidUtf8(answer))
            decoded = PercentDecodeToBytes(FromWindows1250(payload).toUtf8());
        // The projection changes only characters beyond ASCII, so the summary still holds.
        return DecodePayloadBuffer(ProjectedToWindows1250(std::move(decoded.bytes)), decoded.summary);
    } catch (...) {
        return nullptr; // an undecodable payload is an answer without data
    }
}

// The latest decoded answer, kept so that the same answer again (the refresh timer asks for
// the same list every few seconds) is not decoded again: the caller gets a fresh copy of the
// table, cursor on the first row. The regional settings take part, since the decoding reads them.
struct DecodedAnswerMemo {
    std::mutex mutex;
    QByteArray answer;
    QLocale locale;
    std::shared_ptr<const Recordset> table;
};

DecodedAnswerMemo& LatestDecodedAnswer()
{
    static DecodedAnswerMemo memo;
    return memo;
}

// Only answers within these sizes are kept: a shorter one decodes in next to no time, and a
// longer one would hold too much memory for the rest of the run.
constexpr qsizetype kMemoMinimumBytes = 64 * 1024;
constexpr qsizetype kMemoMaximumBytes = 32 * 1024 * 1024;

// Whether a decoded table may be taken from the latest answer: only for the answers of remote
// calls, so that decoding an answer by itself always decodes it.
enum class AnswerReuse { Never, LatestLargeAnswer };

RecordsetPtr DecodeSuccessPayload(QByteArrayView answer, qsizetype successAt, AnswerReuse reuse,
                                  bool emptyMarkerSettled)
{
    const QByteArrayView payload = answer.sliced(successAt + qsizetype(ServerContract::SuccessMarker.size()));
    if (reuse == AnswerReuse::Never || answer.size() < kMemoMinimumBytes || answer.size() > kMemoMaximumBytes)
        return DecodePayloadText(answer, payload, emptyMarkerSettled);
    DecodedAnswerMemo& memo = LatestDecodedAnswer();
    const QLocale locale;
    {
        const std::lock_guard lock(memo.mutex);
        if (memo.table && memo.locale == locale && QByteArrayView(memo.answer) == answer)
            return std::make_shared<Recordset>(*memo.table);
    }
    RecordsetPtr table = DecodePayloadText(answer, payload, emptyMarkerSettled);
    const std::lock_guard lock(memo.mutex);
    memo.table = table ? std::make_shared<const Recordset>(*table) : nullptr;
    memo.answer = table ? answer.toByteArray() : QByteArray();
    memo.locale = locale;
    return table;
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
ClassifiedAnswer Classify(QByteArrayView answer, const QString& statement, AnswerReuse reuse)
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
            return {DecodeSuccessPayload(answer, successAt, reuse, emptyAt == 0), QString()};
        return {};
    }
    const QString description = FailureDescription(answer);
    if (description.isEmpty())
        return {};
    return {nullptr, ProcedureError(ToWindows1250(statement), description)};
}

// Both entry points: everything that can fail locally ends as "Communication Error :".
RecordsetPtr RunRemoteCall(const QString& callerStatement, const std::function<QString()>& baseUrl,
                           const std::function<HttpClient*()>& firstClient, bool ignoreResponse)
{
    LastRemoteError.clear();
    ClassifiedAnswer outcome;
    QString transferFailure;
    try {
        const QString statement = ToWindows1250(callerStatement);
        const QString composed = ComposeStatement(statement, RemoteParams);
        const QString base = baseUrl();
        const QString sent = StatementForUrl(composed);
        RefuseOverlongRequest(RequestUrl(base, sent));
        TransferResult transfer =
            Transfer(firstClient(), RequestUrl(base, TrimBlanksAndControls(sent)), RequestUrl(base, sent));
        transferFailure = std::move(transfer.failure);
        if (!ignoreResponse)
            outcome = Classify(transfer.answer, statement, AnswerReuse::LatestLargeAnswer);
    } catch (const std::exception& e) {
        outcome = {nullptr, u"Communication Error :"_s + ErrorMessage(e)};
    } catch (...) {
        outcome = {nullptr, u"Communication Error :Unknown failure"_s};
    }
    // A call nested in the queued events may have set the texts; the result is this call's.
    LastRemoteError = outcome.error;
    g_transferFailure = transferFailure;
    return outcome.recordset;
}

} // namespace

RecordsetPtr ExecuteRemote(const QString& statement, bool ignoreResponse)
{
    const auto baseUrl = []() -> QString {
        return ReadSetting(u"ordavo"_s, u"weburlroot"_s) + ReadSetting(u"ordavo"_s, u"weburl"_s);
    };
    return RunRemoteCall(statement, baseUrl, &CurrentSender, ignoreResponse);
}

RecordsetPtr ExecuteRemoteAt(const QString& statement, const QString& baseUrl, bool ignoreResponse)
{
    return RunRemoteCall(
        statement, [&baseUrl] { return baseUrl; }, [] { return g_loginClient; }, ignoreResponse);
}

const QString& LastTransferFailure()
{
    return g_transferFailure;
}

void ClearRemoteState()
{
    LastRemoteError.clear();
    RemoteParams.clear();
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

bool IsTransientFailure(QByteArrayView answer)
{
    for (std::string_view transient : ServerContract::TransientTexts) {
        if (ContainsIgnoringAsciiCase(answer, transient)) {
            ResetHttpClient();
            return true;
        }
    }
    return false;
}

void ResetHttpClient()
{
    try {
        if (g_senderSlot) {
            g_senderSlot->reset();
            *g_senderSlot = std::make_unique<HttpClient>();
        }
    } catch (...) {
        // A sender that cannot be replaced stays missing; the next attempt then fails.
    }
    RunQueuedEvents();
}

ClassifiedAnswer ClassifyAnswer(QByteArrayView answer, const QString& statement)
{
    return Classify(answer, statement, AnswerReuse::Never);
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
