// The request-line limit, the transport markers in user text and the hiding of access codes in shown addresses.
#include "transport_guards.h"

#include "server_contract.h"

#include <algorithm>
#include <array>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

constexpr std::string_view kMethod = "GET ";
constexpr std::string_view kProtocol = " HTTP/1.1";

// The transport reports every local failure of a call with this prefix.
const QString kLocalFailurePrefix = u"Communication Error :"_s;
const QString kTooLongLead = u"Besedilo je predolgo za pošiljanje"_s;

constexpr std::array<std::string_view, 9> kMarkers = {
    ServerContract::PlusToken,     ServerContract::DotToken,
    ServerContract::CommaToken,    ServerContract::SpaceToken,
    ServerContract::BraceToken,    ServerContract::TildeToken,
    ServerContract::SuccessMarker, ServerContract::EmptyRecordsetMarker,
    ServerContract::CallUspToken,
};

constexpr QLatin1StringView kAccessCodeKey(ServerContract::AccessCodeParameter.data(),
                                           qsizetype(ServerContract::AccessCodeParameter.size()));

// The request target of a URL: from the path's "/" (or "/" itself when the URL has no path)
// up to a "#", which starts the fragment that is never sent.
qsizetype TargetLength(QByteArrayView url)
{
    const qsizetype fragment = url.indexOf('#');
    if (fragment >= 0)
        url = url.first(fragment);
    const qsizetype scheme = url.indexOf("://");
    const qsizetype authority = scheme < 0 ? 0 : scheme + 3;
    qsizetype pathStart = url.size();
    for (qsizetype i = authority; i < url.size(); ++i) {
        if (url[i] == '/' || url[i] == '?') {
            pathStart = i;
            break;
        }
    }
    const qsizetype rest = url.size() - pathStart;
    // A URL without a path asks for "/"; one whose query follows the host gets the "/" before it.
    return pathStart == url.size() || url[pathStart] == '?' ? rest + 1 : rest;
}

bool EndsAccessCode(QChar c)
{
    return c == u'&' || c == u'#' || c.isSpace() || c == u'"' || c == u'\'' || c == u'<' || c == u'>';
}

} // namespace

QString PercentEncodeControls(const QString& text)
{
    const auto isControl = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; };
    if (std::none_of(text.cbegin(), text.cend(), isControl))
        return text;
    QString encoded;
    encoded.reserve(text.size() + 16);
    for (QChar c : text) {
        if (isControl(c))
            encoded += u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            encoded += c;
    }
    return encoded;
}

qsizetype RequestLineLength(QByteArrayView url)
{
    return qsizetype(kMethod.size()) + TargetLength(url) + qsizetype(kProtocol.size());
}

void RefuseOverlongRequest(QByteArrayView url)
{
    const qsizetype length = RequestLineLength(url);
    const auto limit = qsizetype(ServerContract::RequestLineLimit);
    if (length <= limit)
        return;
    throw RequestTooLong(kTooLongLead + u": zahteva bi bila dolga %1 znakov, spletni strežnik pa jih sprejme največ "
                                        u"%2. Skrajšajte vneseno besedilo in poskusite znova."_s.arg(length)
                                            .arg(limit));
}

std::optional<QString> RequestTooLongRefusal(const QString& lastRemoteError)
{
    if (!lastRemoteError.startsWith(kLocalFailurePrefix + kTooLongLead))
        return std::nullopt;
    return lastRemoteError.mid(kLocalFailurePrefix.size());
}

QStringList TransportMarkersIn(const QString& text)
{
    QStringList found;
    if (!text.contains(u'[') && !text.contains(u'*'))
        return found;
    for (std::string_view marker : kMarkers) {
        const QString name = QString::fromLatin1(marker.data(), qsizetype(marker.size()));
        if (text.contains(name, Qt::CaseInsensitive))
            found.append(name);
    }
    return found;
}

QString HideAccessCodes(const QString& text)
{
    QString hidden = text;
    qsizetype at = 0;
    while ((at = hidden.indexOf(kAccessCodeKey, at, Qt::CaseInsensitive)) >= 0) {
        const qsizetype valueStart = at + kAccessCodeKey.size();
        qsizetype valueEnd = valueStart;
        while (valueEnd < hidden.size() && !EndsAccessCode(hidden[valueEnd]))
            ++valueEnd;
        if (valueEnd > valueStart)
            hidden.replace(valueStart, valueEnd - valueStart, u"****"_s);
        at = valueStart;
    }
    return hidden;
}
