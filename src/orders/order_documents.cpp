// The order's document addresses, the PDF download that ends in a mail draft, the picture clicks and the pane snapshot.
#include "order_documents.h"

#include "data/errors.h"
#include "data/http_client.h"
#include "data/remote_call.h"
#include "data/server_contract.h"
#include "data/settings_keys.h"
#include "data/settings_store.h"
#include "desktop/mail_composer.h"
#include "desktop/picture_pane.h"
#include "desktop/url_opener.h"
#include "ui/key_preview.h"
#include "ui/message_dialog.h"
#include "ui/wait_cursor.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImageWriter>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSaveFile>
#include <QUrl>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
QString Contract(std::string_view text)
{
    return QString::fromUtf8(text);
}
} // namespace

namespace {

QString QueryValue(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// The root and the script's path are joined with a "/" of their own; the doubled slash
// this gives when the root ends with "/" is collapsed. Only the part after the scheme is
// touched, so a host name that starts with "requests" keeps its "//".
QString CollapseDoubledRequestsSlash(const QString& address)
{
    const qsizetype schemeEnd = address.indexOf(u"://"_s);
    const qsizetype tailStart = schemeEnd < 0 ? 0 : schemeEnd + 3;
    QString tail = address.mid(tailStart);
    tail.replace(u"//requests"_s, u"/requests"_s, Qt::CaseInsensitive);
    return address.left(tailStart) + tail;
}

QString PdfScriptUrl(const QString& webUrlRoot, const QString& script, qint32 nalogId, const QString& extraQuery,
                     const QString& accessCode)
{
    return CollapseDoubledRequestsSlash(
        webUrlRoot + u'/' + script + u"?nlgid="_s + QueryValue(QString::number(nalogId)) + extraQuery + u'&' +
        QString::fromUtf8(ServerContract::AccessCodeParameter) + QueryValue(accessCode));
}

// Only the last part of the server's name is used for the local file, so a name holding
// "/" or ".." cannot write outside the download folder.
QString LocalPdfFileName(const QString& fileName)
{
    QString name = fileName;
    name.replace(u'\\', u'/');
    name = name.section(u'/', -1);
    if (name.isEmpty() || name == u"."_s || name == u".."_s)
        throw DataError(u"Neveljavno ime datoteke: "_s + fileName);
    return name;
}

QByteArray Download(const QString& url)
{
    HttpClient client;
    const HttpClient::Response response = client.get(url.toUtf8());
    if (!response.ok)
        throw DataError(response.error);
    return response.body;
}

void WritePdf(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw DataError(u"Datoteke ni mogoče zapisati: "_s + path);
}

void ShowInformation(const QString& text)
{
    ClearBusyCursor();
    ShowMessageDialog(mdInformation, text, QString(), maCenter);
}

// Steps between the two downloads and the mail draft; failures throw.
void FetchPdfAndComposeMail(const QString& url)
{
    const QString fileName = PdfFileNameFromAnswer(QString::fromUtf8(Download(url)));
    if (fileName.isEmpty()) {
        ShowInformation(u"Žal nisem mogel locirati naloga, poizkusite kasneje"_s);
        return;
    }
    const QByteArray pdf = Download(PdfDownloadUrl(Setting(SettingKey::WebUrlRoot), fileName));
    const QString folder = PdfDownloadFolder();
    if (!QDir().mkpath(folder))
        throw DataError(u"Mape ni mogoče ustvariti: "_s + folder);
    const QString path = folder + LocalPdfFileName(fileName);
    WritePdf(path, pdf);
    if (QFile::exists(path))
        composeMail(path, QString::fromUtf16(MailRecipientPlaceholder));
    else
        ShowInformation(u"Žal nisem mogel prenesti naloga, poizkusite kasneje ali pa kliknite na ikono pdf in to "
                        u"uredite ročno"_s);
}

} // namespace

QString BuildPreviewPdfUrl(const QString& webUrlRoot, qint32 nalogId, const QString& accessCode)
{
    return PdfScriptUrl(webUrlRoot, Contract(ServerContract::PdfPreviewScript), nalogId, u"&preview=1"_s, accessCode);
}

QString BuildPdfFileUrl(const QString& webUrlRoot, qint32 nalogId, const QString& accessCode)
{
    return PdfScriptUrl(webUrlRoot, Contract(ServerContract::PdfFileScript), nalogId, QString(), accessCode);
}

QString BuildSignatureUrl(const QString& requestUrl, const QString& podpis)
{
    return requestUrl + u"?pth="_s + QueryValue(podpis);
}

QString BuildPictureUrl(const QString& requestUrl, const QString& slika)
{
    QString address = requestUrl;
    return address.replace(Contract(ServerContract::SignatureScript),
                           Contract(ServerContract::ImageScript) + u"?small=1&pth="_s + QueryValue(slika),
                           Qt::CaseInsensitive);
}

QString SmallSignatureUrl(const QString& signatureUrl)
{
    return signatureUrl + u"&small=1"_s;
}

QString FullSizePictureUrl(const QString& paneAddress)
{
    QString address = paneAddress;
    return address.replace(u"?small=1&"_s, u"?"_s, Qt::CaseInsensitive);
}

QString PdfFileNameFromAnswer(const QString& answer)
{
    const QString markerText = Contract(ServerContract::PdfFileAnswerMarker);
    const qsizetype marker = answer.indexOf(markerText);
    return marker < 0 ? QString() : answer.mid(marker + markerText.size());
}

QString PdfDownloadUrl(const QString& webUrlRoot, const QString& fileName)
{
    return webUrlRoot + Contract(ServerContract::PdfFileFolder) +
           QString::fromLatin1(QUrl::toPercentEncoding(fileName, "/"));
}

QString PdfDownloadFolder()
{
    return TempFolderPath() + u"ordavo/"_s;
}

void downloadpdfandsendit(const QString& url)
{
    BusyCursorUntilDone busy;
    try {
        FetchPdfAndComposeMail(url);
    } catch (const std::exception&) {
        ClearBusyCursor();
        ShowMessageDialog(mdError, u"Žal je prišlo do napake pri lociranju PDF Datoteke"_s, QString(), maCenter);
    }
}

void saveBrowserSnapshot(const PicturePane& pane, const QString& filePath)
{
    if (pane.currentUrl().isEmpty())
        return;
    const QImage image = pane.renderToImage();
    QImageWriter writer(filePath, "jpg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(image))
        throw DataError(u"Slike ni mogoče zapisati v "_s + filePath + u": "_s + writer.errorString());
}

PictureClickHandler::PictureClickHandler(std::array<PicturePane*, 4> panes, QObject* parent)
    : QObject(parent), panes_(panes)
{
}

PicturePane* PictureClickHandler::paneHit(QObject* watched) const
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return nullptr;
    for (PicturePane* pane : panes_) {
        if (pane && (pane == widget || pane->isAncestorOf(widget)))
            return pane;
    }
    return nullptr;
}

bool PictureClickHandler::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            openFullSize(paneHit(watched));
        return false;
    }
    if (event->type() == QEvent::KeyPress && IsPressKey(*static_cast<QKeyEvent*>(event))) {
        PicturePane* pane = paneHit(watched);
        openFullSize(pane);
        return pane != nullptr;
    }
    return false;
}

void PictureClickHandler::openFullSize(const PicturePane* pane)
{
    if (!pane)
        return;
    try {
        OpenAndMinimize(FullSizePictureUrl(pane->currentUrl()));
    } catch (const std::exception&) {
        // Opening is best effort: the click still reaches the pane.
    }
}
