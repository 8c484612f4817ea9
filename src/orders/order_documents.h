// The order's documents on the web server: their addresses, the PDF download for the mail draft, the picture clicks and
// the pane snapshot.
#pragma once

#include <QObject>
#include <QString>

#include <array>

class PicturePane;

// The recipient of the mail draft: plainly no real address, so the user replaces it.
inline constexpr char16_t MailRecipientPlaceholder[] = u"vpisite.naslov@primer.invalid";

// The addresses of one order. Every value that goes into a query (the order id, the
// access code, the server paths of the signature and pictures) is percent-encoded, so a
// path holding a blank, "&" or "#" still names its file; the server decodes query values.
QString BuildPreviewPdfUrl(const QString& webUrlRoot, qint32 nalogId, const QString& accessCode);
QString BuildPdfFileUrl(const QString& webUrlRoot, qint32 nalogId, const QString& accessCode);
QString BuildSignatureUrl(const QString& requestUrl, const QString& podpis);
QString BuildPictureUrl(const QString& requestUrl, const QString& slika);
// The signature pane shows the reduced size.
QString SmallSignatureUrl(const QString& signatureUrl);
// The full-size picture of a pane's address: every "?small=1&" (any letter case) becomes "?".
QString FullSizePictureUrl(const QString& paneAddress);

// The PDF file name in the answer of the file script: everything after the first "file:",
// unchanged; empty when the answer has no "file:".
QString PdfFileNameFromAnswer(const QString& answer);
// The file script's PDF below the server root; the name is percent-encoded as a path.
QString PdfDownloadUrl(const QString& webUrlRoot, const QString& fileName);
// The folder the downloaded PDFs go to: the temporary folder + "ordavo/".
QString PdfDownloadFolder();

// Asks the server for the order's PDF file, stores it under PdfDownloadFolder() and opens
// a mail draft with it attached; every outcome is reported to the user.
void downloadpdfandsendit(const QString& url);

// Renders the pane into a colour, baseline JPEG of quality 90 exactly as large as the
// pane, replacing filePath. A pane that never loaded an address gives no file. Throws
// DataError when the file cannot be written.
void saveBrowserSnapshot(const PicturePane& pane, const QString& filePath);

// The application-wide filter that turns a left-button press on one of the picture panes
// (or inside one), or Enter or Space on the pane that has the keyboard, into opening that
// picture at full size and minimising the program. The press itself still reaches the pane;
// the key does not go on.
class PictureClickHandler final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureClickHandler)

public:
    PictureClickHandler(std::array<PicturePane*, 4> panes, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PicturePane* paneHit(QObject* watched) const;
    void openFullSize(const PicturePane* pane);

    std::array<PicturePane*, 4> panes_;
};
