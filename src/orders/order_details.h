// TfrmNalogDetails: the window that shows one work order (header, customer, comment, items, total, documents) and
// openNalog.
#pragma once

#include "data/recordset.h"
#include "ui/ordavo_window.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>

// The shown order's customer lines and type, as the header load filled them.
struct TNalogCustomer {
    QString strankaLine;
    QString idddvLine;
    QString naslovLine;
    QString podjetjeLine;
    qint32 nalogType = 0;
};
// The order the order window shows, and its customer lines.
extern qint32 currentNalogId;
extern TNalogCustomer NalogCustomer;

struct PrintedOrder;
class PictureClickHandler;
class PicturePane;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class TXpButton;

// The background of item row `index` (0-based): even rows grey #C5C2C2, odd rows white;
// the text is always black.
QColor PostavkeRowColor(int index);
// "Skupaj: " + the total with two decimals + " €".
QString TotalCaption(double total);
// The comment as shown: every "*newln*" (any letter case) a line break.
QString CommentWithLineBreaks(const QString& komentar);
// Statement of the header load (the items' statement is NalogItemsStatement).
QString NalogHeaderStatement(qint32 nalogId, const QDate& today, const QString& dateFormat);
// The four customer lines from the header's values; a line is empty when its value is
// (the "Stranka: " line when the first name is).
void BuildCustomerLines(TNalogCustomer& customer, const QString& ime, const QString& priimek, const QString& idddv,
                        const QString& naslov, const QString& podjetje);
// The non-empty lines in the order the customer block shows them: company, customer,
// address, VAT id.
QStringList CustomerMemoLines(const TNalogCustomer& customer);

class TfrmNalogDetails final : public OrdavoWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmNalogDetails)

public:
    explicit TfrmNalogDetails(QWidget* parent = nullptr);
    ~TfrmNalogDetails() override;

    // Header, items and total of the order (run by FormShow).
    void loadNalog(qint32 nalogId);

    // The document addresses of the shown order.
    QString PreviewPdfUrl;
    QString PdfFileUrl;
    QString SignatureUrl;

    // The controls, readable by the tests (names as the window's definition gives them).
    QLabel* lblCaptionNalog = nullptr;
    QLabel* lblSuma = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblNalog = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblDatum = nullptr;
    QLabel* Label6 = nullptr;
    QPlainTextEdit* mmoStranka = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* lblVnesel = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* lblVozilo = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblregistrska = nullptr;
    QCheckBox* lblPravnaOseba = nullptr;
    QLabel* Label8 = nullptr;
    QPlainTextEdit* mmoKomentar = nullptr;
    QWidget* pnlbrowser = nullptr;
    PicturePane* browserpodpis = nullptr;
    QTreeWidget* lviewPostavke = nullptr;
    QWidget* pnlNalogimgs = nullptr;
    std::array<PicturePane*, 4> WebBrowsers{};
    TXpButton* XpButton1 = nullptr;
    TXpButton* XpButton2 = nullptr;
    TXpButton* XpButton3 = nullptr;
    TXpButton* XpButton4 = nullptr;
    TXpButton* btnposljinalogkotpdf = nullptr;
    TXpButton* btnPoglejPodpis = nullptr;
    TXpButton* shrani = nullptr;

public slots:
    // Billed (or archived): status 1, close, step the main list's refresh timer.
    void shraniClick();
    // Delete after a question: status 199, close.
    void XpButton1Click();
    // Mail draft with the order's PDF.
    void XpButton4Click();
    void btnposljinalogkotpdfClick();
    void btnPoglejPodpisClick();

    // Print at once / print preview of the shown order: the signature snapshot, for the preview
    // the edit-lock check, then the printed order filled from what the window shows.
    void XpButton2Click();
    void XpButton3Click();

private:
    void FormCreate();
    void buildTopBand();
    void buildBody();
    QWidget* buildHeaderFields();
    QWidget* buildCustomerMemo();
    QWidget* buildCommentAndSignature();
    void buildItemList();
    QWidget* buildPictureStrip();
    QWidget* buildButtonRow();
    void connectButtons();

    void FormShow() override;
    // False when the server could not be reached.
    bool loadNalogHeader(qint32 nalogId);
    void fillHeader(Recordset& row);
    void applyOrderType(qint32 nalogType);
    void fillCustomerLines(Recordset& row);
    bool showPictures(Recordset& row);
    void layOutPictureStrip(bool anyPictureShown);
    void showSignature(const QString& podpis);
    void loadItems(qint32 nalogId);
    void appendItemRow(const QString& opis, const QString& dodatno, double kolicina, double cena);
    void fitItemColumns();
    void printShownOrder(int mode);
    void takeSignatureSnapshot(const QString& path, bool atPrintedWidth);
    PrintedOrder shownOrder(const QString& imagePath) const;

    PictureClickHandler* pictureClickHandler = nullptr;
    double runningTotal_ = 0.0;
};

// The one order window of the process (nullptr before it is created).
extern TfrmNalogDetails* frmNalogDetails;

// Shows an order: sets currentNalogId, closes the window when it is open (so its placement
// is stored and restored), brings it to the front and shows it, which loads the order.
void openNalog(qint32 nalogId);
