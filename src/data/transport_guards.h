// Guards between what the user types or sees and the transport: the web server's request-line limit, the
// transport's own markers in typed text, and the access code in addresses shown to the user.
#pragma once

#include "errors.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// The request line a GET of this URL gives, as a web server counts it: "GET " + the target
// (path and query, everything after the host) + " HTTP/1.1", without its line end.
qsizetype RequestLineLength(QByteArrayView url);

// The text with every control character (below the blank, and DEL) written as "%" and two
// upper-case hexadecimal digits; an address may carry none of them raw.
QString PercentEncodeControls(const QString& text);

// A request that a web server would refuse as too long; thrown before anything is sent.
class RequestTooLong : public DataError {
public:
    using DataError::DataError;
};
// Throws RequestTooLong when the GET of this URL would pass the web servers' request-line limit.
void RefuseOverlongRequest(QByteArrayView url);
// The transport reports a refused request as a local failure ("Communication Error :" and the
// refusal). For such a LastRemoteError text, the refusal as the user should read it; nothing
// for any other text.
std::optional<QString> RequestTooLongRefusal(const QString& lastRemoteError);

// The transport's own markers that occur in the text (any letter case), in the order of the
// list: the payload's escape tokens, the answer markers and the token of "call usp_". The
// server turns them into other characters, so a stored text holding one is not read back as
// it was typed, and can break the answer of every list that shows it.
QStringList TransportMarkersIn(const QString& text);

// The text with the value of every "kodainsupass=" parameter (any letter case) replaced by
// asterisks, so an address can be shown or logged without the workshop's access code.
QString HideAccessCodes(const QString& text);
