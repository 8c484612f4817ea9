// The remote-call transport: composes and encodes the statement, fetches it with the retry policy and classifies the answer.
#include "remote_call.h"

#include "errors.h"
#include "payload.h"
#include "server_contract.h"
#include "settings_store.h"
#include "text_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QThread>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

QString LastRemoteError;
QStringList RemoteParams;

namespace {

std::unique_ptr<HttpClient>* g_senderSlot = nullptr;
HttpClient* g_loginClient = nullptr;
std::function<void(int)> g_waitHook;

constexpr int kWaitAfterTransientMs = 150;
constexpr int kWaitAfterFailureMs = 500;
constexpr int kResetRedirectLimit = 15;
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
// text with blanks as %20 and without line breaks.
QString StatementForUrl(const QString& composed)
{
    QString encoded = EncodeStatement(composed);
    if (encoded.size() <= kEncodedLengthLimit)
        return encoded;
    QString plain = composed;
    plain.replace(u' ', u"%20"_s);
    plain.remove(u'\r');
    plain.remove(u'\n');
    return plain;
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

// One or two hexadecimal digits, either case, and nothing else.
bool IsHexNumber(QByteArrayView digits)
{
    return !digits.isEmpty()
           && std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

QByteArray RequestUrl(const QString& baseUrl, const QString& sentStatement)
{
    return (baseUrl + ContractText(ServerContract::GatewayScript) + u'?' + ContractText(ServerContract::QueryPrefix)
            + sentStatement)
        .toUtf8();
}

// The body of a successful GET, or nothing when the client is missing or the transfer failed.
std::optional<QByteArray> Attempt(HttpClient* client, const QByteArray& url)
{
    if (!client)
        return std::nullopt;
    HttpClient::Response response = client->get(url);
    if (!response.ok)
        return std::nullopt;
    return std::move(response.body);
}

// Up to three GETs: the first through firstClient, a retry after a transient answer, and a
// last one after a failed transfer, both through the current sender. The body of the last
// successful attempt, or empty when none succeeded.
QByteArray Transfer(HttpClient* firstClient, const QByteArray& firstUrl, const QByteArray& retryUrl)
{
    QByteArray answer;
    std::optional<QByteArray> result = Attempt(firstClient, firstUrl);
    if (result) {
        answer = *result;
        if (IsTransientFailure(answer)) {
            RunQueuedEvents();
            Wait(kWaitAfterTransientMs);
            result = Attempt(CurrentSender(), retryUrl);
            if (result)
                answer = std::move(*result);
        }
    }
    if (!result) {
        ResetHttpClient();
        Wait(kWaitAfterFailureMs);
        if (std::optional<QByteArray> last = Attempt(CurrentSender(), retryUrl))
            answer = std::move(*last);
    }
    return answer;
}

RecordsetPtr DecodeSuccessPayload(QByteArrayView answer, qsizetype successAt)
{
    const QByteArrayView payload = answer.sliced(successAt + qsizetype(ServerContract::SuccessMarker.size()));
    try {
        return DecodePayload(PercentDecode(payload));
    } catch (...) {
        return nullptr; // an undecodable payload is an answer without data
    }
}

// Both entry points: everything that can fail locally ends as "Communication Error :".
RecordsetPtr RunRemoteCall(const QString& callerStatement, const std::function<QString()>& baseUrl,
                           const std::function<HttpClient*()>& firstClient, bool ignoreResponse)
{
    LastRemoteError.clear();
    ClassifiedAnswer outcome;
    try {
        const QString statement = ToWindows1250(callerStatement);
        const QString composed = ComposeStatement(statement, RemoteParams);
        const QString base = baseUrl();
        const QString sent = StatementForUrl(composed);
        const QByteArray answer =
            Transfer(firstClient(), RequestUrl(base, TrimBlanksAndControls(sent)), RequestUrl(base, sent));
        if (!ignoreResponse)
            outcome = ClassifyAnswer(answer, statement);
    } catch (const std::exception& e) {
        outcome = {nullptr, u"Communication Error :"_s + ErrorMessage(e)};
    } catch (...) {
        outcome = {nullptr, u"Communication Error :Unknown failure"_s};
    }
    // A call nested in the queued events may have set the text; the result is this call's.
    LastRemoteError = outcome.error;
    return outcome.recordset;
}

} // namespace

RecordsetPtr ExecuteRemote(const QString& statement, bool ignoreResponse)
{
    const auto baseUrl = []() -> QString { return ReadSetting(u"ordavo"_s, u"weburlroot"_s) + ReadSetting(u"ordavo"_s, u"weburl"_s); };
    return RunRemoteCall(statement, baseUrl, &CurrentSender, ignoreResponse);
}

RecordsetPtr ExecuteRemoteAt(const QString& statement, const QString& baseUrl, bool ignoreResponse)
{
    return RunRemoteCall(
        statement, [&baseUrl] { return baseUrl; }, [] { return g_loginClient; }, ignoreResponse);
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

QByteArray PercentEncode(const QString& text)
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    QByteArray encoded;
    encoded.reserve(utf8.size() * 3);
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        const bool keep = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')
                          || byte == '_';
        if (keep) {
            encoded.append(c);
        } else {
            encoded.append('%');
            encoded.append(kHexDigits[byte >> 4]);
            encoded.append(kHexDigits[byte & 0x0F]);
        }
    }
    return encoded;
}

QByteArray PercentDecode(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes.append(text[i]);
            continue;
        }
        const QByteArrayView digits = text.sliced(i + 1, std::min<qsizetype>(2, text.size() - i - 1));
        if (IsHexNumber(digits)) {
            bytes.append(char(digits.toInt(nullptr, 16)));
            i += digits.size();
        } else {
            bytes.append('%');
        }
    }
    if (!IsValidUtf8(bytes))
        return {};
    return As8BitText(bytes).toUtf8();
}

bool IsTransientFailure(QByteArrayView answer)
{
    const QLatin1StringView text(answer.data(), answer.size());
    for (std::string_view transient : ServerContract::TransientTexts) {
        if (text.contains(QLatin1StringView(transient.data(), qsizetype(transient.size())), Qt::CaseInsensitive)) {
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
            auto fresh = std::make_unique<HttpClient>();
            fresh->setRedirectLimit(kResetRedirectLimit);
            *g_senderSlot = std::move(fresh);
        }
    } catch (...) {
        // A sender that cannot be replaced stays missing; the next attempt then fails.
    }
    RunQueuedEvents();
}

ClassifiedAnswer ClassifyAnswer(QByteArrayView answer, const QString& statement)
{
    const QString callerText = ToWindows1250(statement);
    if (answer == ContractBytes(ServerContract::InvalidAnswer))
        return {nullptr, ProcedureError(callerText, ContractText(ServerContract::InvalidAnswer))};
    const QByteArray text = AnswerAsUtf8(answer);
    const qsizetype successAt = text.indexOf(ContractBytes(ServerContract::SuccessMarker));
    if (successAt >= 0) {
        const qsizetype emptyAt = text.indexOf(ContractBytes(ServerContract::EmptyRecordsetMarker));
        if (emptyAt <= 0)
            return {DecodeSuccessPayload(text, successAt), QString()};
        return {};
    }
    QByteArray description = text;
    description.replace(ContractBytes(ServerContract::EmptyRecordsetMarker), QByteArrayView());
    if (description.isEmpty())
        return {};
    return {nullptr, ProcedureError(callerText, As8BitText(description))};
}

double ParseDecimal(const QString& text)
{
    if (text.isEmpty())
        return 0;
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    QString candidate = text;
    bool ok = false;
    double value = locale.toDouble(candidate.replace(u'.', u','), &ok);
    if (!ok || !std::isfinite(value))
        value = locale.toDouble(candidate.replace(u',', u'.'), &ok);
    if (!ok || !std::isfinite(value))
        throw DataError(u"'%1' is not a valid floating point value"_s.arg(text));
    return value;
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
