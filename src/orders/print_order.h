// TfrmPrintIzpis: the printed order (letterhead, order data, customer, items with their total or the reception memo,
// signature and comment) and its print and preview.
#pragma once

#include "report/report.h"

#include <QObject>
#include <QString>

#include <optional>

// The modes of printNalog: straight to the printer, or the preview.
inline constexpr int PrintModePreview = 1;
inline constexpr int PrintModePrint = 2;

// The number in a quantity or price text of an item: "." and "," both read as the decimal
// comma, an empty text is 0; nullopt when the text is no number.
std::optional<double> ParsePrintedNumber(const QString& text);

// Where the signature snapshot for printing lives: the user's cache folder +
// "/ordavo/pdps/tmp.jpg"; the folder is created when missing (DataError when it cannot be).
QString SignatureSnapshotPath();

// What the printed order shows besides its items, as the order window shows them: its texts and
// the customer lines of its header load.
struct PrintedOrder {
    qint32 nalogId = 0;
    QString nalogNumber;
    QString vozilo;
    QString registrska;
    QString datum;
    QString imagePath; // the signature picture, empty for none
    QString komentar;
    QString vnesel;
    QString strankaLine;
    QString naslovLine;
    QString podjetjeLine;
    QString idddvLine;
    qint32 nalogType = 0;
};

// Hosts the report of the printed order; never shown itself. Created on first use and kept:
// every printNalog refills all of its labels.
class TfrmPrintIzpis final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmPrintIzpis)

public:
    explicit TfrmPrintIzpis(QObject* parent = nullptr);
    ~TfrmPrintIzpis() override;

    // Fills the report and prints it at once (PrintModePrint) or shows the preview (any other mode).
    // Reports every failure itself.
    void printNalog(int mode, const PrintedOrder& order);

    // The filling steps of printNalog without the output: false when the item call failed
    // (nothing is to be printed). Throws on local failures other than those of the items.
    bool fillNalog(const PrintedOrder& order);

    // The filled report; generate() gives its pages (each generation starts the total anew).
    report::Report& qreport() { return report_; }
    QString documentTitle() const { return documentTitle_; }

    // Totals kept while the report is generated.
    double RunningTotal = 0.0;
    double RowQuantity = 0.0;

private:
    void buildHeader();
    void buildTitle();
    void buildDetail();
    void buildSubDetail();
    void buildSummary();
    void buildFooter();
    void connectEvents();

    void fillLetterhead();
    void applyOrderType(qint32 nalogType, const QString& komentar);
    void fillOrderData(const QString& nalogNumber, const QString& vozilo, const QString& registrska,
                       const QString& datum, const QString& vnesel);
    void fillCustomer(const QStringList& lines);
    void fillFooter(const QString& komentar, qint32 nalogType, const QString& imagePath);
    bool loadItems(qint32 nalogId);

    void qreportBeforePrint();
    void qrheaderAfterPrint();
    report::FieldValue QRDBText1Print(const QString& value);
    QString QRDBText2Print(const QString& value);
    QString QRDBText3Print(const QString& value);
    report::FieldValue qrCenaPrint(const QString& value);
    void showTotal();

    void printAtOnce();
    void showPreview();

    report::Report report_;
    QString documentTitle_;
    QString sheetName_;
    bool rowQuantityIsNumber_ = true;
    bool pricePrinted_ = false;

    report::Band* qrheader = nullptr;
    report::Band* QRBand2 = nullptr;
    report::Band* QRBand1 = nullptr;
    report::Band* qrSubdteail = nullptr;
    report::Band* QRBand3 = nullptr;
    report::Band* qrfooter = nullptr;

    report::Label* QRLabel1 = nullptr;
    report::Label* QRLabel2 = nullptr;
    report::Label* QRLabel3 = nullptr;
    report::Label* QRLabel9 = nullptr;
    report::Label* QRLabel10 = nullptr;
    report::Label* QRLabel11 = nullptr;
    report::Label* lblVnesel = nullptr;
    report::Label* QRMainCaption = nullptr;
    report::Label* qrDelovniNalog = nullptr;
    report::Label* qrdatum = nullptr;
    report::Label* qrdatumizpisa = nullptr;
    report::Label* qrlabelvozilo = nullptr;
    report::Label* qrlabelregstr = nullptr;
    report::Memo* qrStranka = nullptr;
    report::Memo* qrMMOSubdteail = nullptr;
    report::Rule* qrbottomrulecena = nullptr;
    report::Label* qrlabelcenasuma = nullptr;
    report::Label* QRLabel5 = nullptr;
    report::Picture* QRImage1 = nullptr;
    report::Label* qrlblComenntr = nullptr;
    report::Memo* qKomentar = nullptr;
};

// The one print host of the process (nullptr until the first print or preview).
extern TfrmPrintIzpis* frmPrintIzpis;

// Fills the report with the order and prints it at once (PrintModePrint) or previews it,
// creating the print host at the first use. Reports every failure itself.
void PrintOrder(int mode, const PrintedOrder& order);
