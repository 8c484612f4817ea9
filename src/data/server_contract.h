// What the client fixes about the workshop's server: gateway path, markers, escape tokens, documents.
// The transport, the decoder, the simulator and the tests all take these texts from here.
#pragma once

#include <array>
#include <string_view>

namespace ServerContract {

// Request: base URL + GatewayScript + "?" + QueryPrefix + encoded statement.
inline constexpr std::string_view GatewayFolder = "commobj/commobj/";
inline constexpr std::string_view GatewayScript = "run.php";
inline constexpr std::string_view QueryPrefix = "0.*_.";
// A web server refuses (HTTP 414) a request line longer than this many bytes: method, blank,
// target, blank and protocol ("GET /commobj/commobj/run.php?... HTTP/1.1"), without its line end.
inline constexpr std::size_t RequestLineLimit = 8190;

// Statement encoding: "call usp_" (and the form without the blank) travel as CallUspToken.
inline constexpr std::string_view CallUsp = "call usp_";
inline constexpr std::string_view CallUspNoBlank = "callusp_";
inline constexpr std::string_view CallUspToken = "5*(5*c";

// Answer markers and the texts the transport classifies.
inline constexpr std::string_view SuccessMarker = "[success]";
inline constexpr std::string_view EmptyRecordsetMarker = "[emptyrecordset]";
inline constexpr std::string_view InvalidAnswer = "Invalid";
inline constexpr std::array<std::string_view, 3> TransientTexts = {"connection reset by peer",
                                                                   "invalid authentication]", "token expired]"};

// Payload delimiters and escape tokens (values never carry a raw blank or delimiter).
inline constexpr char SectionDelimiter = '~';
inline constexpr char FieldDelimiter = '{';
inline constexpr char DefinitionDelimiter = ',';
inline constexpr std::string_view PlusToken = "[*edp*]";
inline constexpr std::string_view DotToken = "[*dot*]";
inline constexpr std::string_view CommaToken = "[*com*]";
inline constexpr std::string_view SpaceToken = "[sp**ace]";
inline constexpr std::string_view BraceToken = "[*beginCodeStart*]";
inline constexpr std::string_view TildeToken = "[*beginCodeEndDelimiter*]";
inline constexpr std::string_view NullText = "NULL";

// Column type codes of the payload header.
inline constexpr int TypeInteger = 3;
inline constexpr int TypeDateTime = 7;
inline constexpr int TypeDateTimeAlt = 135;
inline constexpr int TypeDate = 202;
inline constexpr int TypeDecimal = 14;
inline constexpr int TypeBinary = 128;
inline constexpr int TypeBinaryAlt = 205;
inline constexpr int TypeText = 200;

// Line breaks inside an order's comment are stored as this marker (any letter case).
inline constexpr std::string_view NewLineMarker = "*newln*";

// Documents and pages below the workshop's root, and on the directory server.
inline constexpr std::string_view PdfPreviewScript = "requests/getnalogpdf.php";
inline constexpr std::string_view PdfFileScript = "requests/getnalogpdffile.php";
inline constexpr std::string_view PdfFileFolder = "nalogs/lib/";
inline constexpr std::string_view SignatureScript = "requests/getpodpis.php";
inline constexpr std::string_view ImageScript = "requests/getimage.php";
inline constexpr std::string_view PdfFileAnswerMarker = "file:";
// The query parameter that carries the access code to the documents and the web part.
inline constexpr std::string_view AccessCodeParameter = "kodainsupass=";
inline constexpr std::string_view DownloadPage = "distro/download.php";

} // namespace ServerContract
