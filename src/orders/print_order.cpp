// TfrmPrintIzpis: the printed order (letterhead, order data, customer, items with their total or the reception memo,
// signature and comment) and its print and preview.
#include "print_order.h"

#include "data/errors.h"
#include "data/remote_call.h"
#include "data/settings_keys.h"
#include "data/settings_store.h"
#include "data/text_helpers.h"
#include "desktop/picture_pane.h"
#include "orders/order_actions.h"
#include "orders/print_data_module.h"
#include "report/report_output.h"
#include "report/report_preview.h"
#include "session/remote_calls.h"
#include "ui/failure_box.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_fonts.h"
#include "ui/wait_cursor.h"
#include "ui/window_owner.h"
#include "ui/window_placement.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace Qt::StringLiterals;
using report::HAlign;
using report::Label;
using report::LineStyle;
using report::Memo;
using report::Picture;
using report::Rule;

TfrmPrintIzpis* frmPrintIzpis = nullptr;

namespace {

constexpr double FullWidthMm = 190.0;
constexpr double RightBlockEdgeMm = 188.4;
constexpr int NalogTypeReception = 1;
const QColor Silver(0xC0, 0xC0, 0xC0);

QFont tahoma(int pointSize, bool bold = false)
{
    return PointFont(kTahoma, pointSize, bold);
}
QFont arial(int pointSize = 10, bool bold = false)
{
    return PointFont(kArial, pointSize, bold);
}

// A letterhead line: the prefix and the setting, or nothing when the setting is empty.
QString prefixedSetting(const QString& prefix, const QString& key)
{
    const QString value = Setting(key);
    return value.isEmpty() ? QString() : prefix + value;
}

} // namespace

std::optional<double> ParsePrintedNumber(const QString& text)
{
    QString number = text.trimmed();
    number.replace(u'.', u',');
    if (number.isEmpty())
        number = u"0"_s;
    static const QRegularExpression commaDecimal(u"^[+-]?(\\d+(,\\d*)?|,\\d+)$"_s);
    if (!commaDecimal.match(number).hasMatch())
        return std::nullopt;
    number.replace(u',', u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString SignatureSnapshotPath()
{
    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        cache = QDir::tempPath();
    const QString folder = cache + u"/ordavo/pdps/"_s;
    if (!QDir().mkpath(folder))
        throw DataError(u"Mape "_s + folder + u" ni mogoče ustvariti."_s);
    return folder + u"tmp.jpg"_s;
}

TfrmPrintIzpis::TfrmPrintIzpis(QObject* parent) : QObject(parent)
{
    setObjectName(u"frmPrintIzpis"_s);
    frmPrintIzpis = this;
    InstallOrdavoFonts();
    buildHeader();
    buildTitle();
    buildDetail();
    buildSubDetail();
    buildSummary();
    buildFooter();
    connectEvents();
}

TfrmPrintIzpis::~TfrmPrintIzpis()
{
    if (frmPrintIzpis == this)
        frmPrintIzpis = nullptr;
}

void TfrmPrintIzpis::buildHeader()
{
    qrheader = &report_.addBand(u"qrheader"_s, report::BandKind::PageHeader, 47.1);
    QRLabel1 = qrheader->add<Label>(u"QRLabel1"_s, QPointF(2.1, 2.6), tahoma(10, true));
    QRLabel2 = qrheader->add<Label>(u"QRLabel2"_s, QPointF(2.1, 7.7), tahoma(10, true));
    QRLabel3 = qrheader->add<Label>(u"QRLabel3"_s, QPointF(2.1, 12.4), tahoma(10, true));
    QRLabel9 = qrheader->add<Label>(u"QRLabel9"_s, QPointF(2.1, 16.9), tahoma(10));
    QRLabel10 = qrheader->add<Label>(u"QRLabel10"_s, QPointF(2.1, 21.2), tahoma(10));
    QRLabel11 = qrheader->add<Label>(u"QRLabel11"_s, QPointF(2.1, 25.4), tahoma(10));
    qrheader->add<Label>(u"QRLabel12"_s, QPointF(2.1, 36.0), arial())->setText(u"Vnesel:"_s);
    lblVnesel = qrheader->add<Label>(u"lblVnesel"_s, QPointF(14.8, 36.0), arial(10, true));
    QRMainCaption = qrheader->add<Label>(u"QRMainCaption"_s, QPointF(71.4, 11.9), tahoma(14, true), HAlign::Center);
    qrDelovniNalog = qrheader->add<Label>(u"qrDelovniNalog"_s, QPointF(RightBlockEdgeMm, 1.3), arial(), HAlign::Right);
    qrdatum = qrheader->add<Label>(u"qrdatum"_s, QPointF(RightBlockEdgeMm, 6.6), arial(), HAlign::Right);
    qrdatumizpisa = qrheader->add<Label>(u"qrdatumizpisa"_s, QPointF(RightBlockEdgeMm, 10.8), arial(), HAlign::Right);
    qrlabelvozilo =
        qrheader->add<Label>(u"qrlabelvozilo"_s, QPointF(RightBlockEdgeMm, 15.6), tahoma(12, true), HAlign::Right);
    qrlabelregstr =
        qrheader->add<Label>(u"qrlabelregstr"_s, QPointF(RightBlockEdgeMm, 20.9), tahoma(12, true), HAlign::Right);
    qrStranka = qrheader->add<Memo>(u"qrStranka"_s, QRectF(RightBlockEdgeMm - 110.0, 26.5, 110.0, 16.0),
                                    arial(10, true), HAlign::Right);
}

void TfrmPrintIzpis::buildTitle()
{
    QRBand2 = &report_.addBand(u"QRBand2"_s, report::BandKind::Title, 8.7);
    const std::pair<double, QString> headings[] = {
        {1.6, u"Postavka"_s}, {77.0, u"Dodatni parametri"_s}, {149.5, u"Cena"_s}, {170.9, u"Količina"_s}};
    for (const auto& [x, text] : headings)
        QRBand2->add<Label>(u"heading"_s + text, QPointF(x, 3.2), arial(10, true))->setText(text);
    QRBand2->add<Rule>(u"QRShape1"_s, QPointF(0, 8.2), FullWidthMm);
}

void TfrmPrintIzpis::buildDetail()
{
    QRBand1 = &report_.addBand(u"QRBand1"_s, report::BandKind::Detail, 6.6);
    const auto bound = [this](const QString& name, const QString& field, double x, HAlign align, double wrapWidth) {
        Label* label = QRBand1->add<Label>(name, QPointF(x, 1.0), arial(), align);
        label->setField(field);
        label->setWrapWidth(wrapWidth);
    };
    // Long descriptions wrap inside their column, and the row grows, instead of running
    // into the next column.
    bound(u"QRDBText2"_s, u"opis"_s, 1.9, HAlign::Left, 74.0);
    bound(u"QRDBText3"_s, u"dodatno"_s, 77.3, HAlign::Left, 58.0);
    bound(u"qrCena"_s, u"cena"_s, 158.2, HAlign::Right, 0.0);
    bound(u"QRDBText1"_s, u"kolicina"_s, 183.6, HAlign::Right, 0.0);
    QRBand1->add<Rule>(u"QRShape2"_s, QPointF(0, 5.8), FullWidthMm, Silver);
}

void TfrmPrintIzpis::buildSubDetail()
{
    qrSubdteail = &report_.addBand(u"qrSubdteail"_s, report::BandKind::SubDetail, 161.4);
    qrSubdteail->setEnabled(false);
    qrMMOSubdteail = qrSubdteail->add<Memo>(u"qrMMOSubdteail"_s, QRectF(2.1, 3.4, 182.0, 70.1), tahoma(12, true));
    qrMMOSubdteail->setFrame(true, LineStyle::Dotted);
    const double writingLines[] = {84.9, 95.0, 105.0, 115.1, 124.9, 134.9, 145.0, 155.0};
    int index = 0;
    for (double y : writingLines)
        qrSubdteail->add<Rule>(u"writingLine%1"_s.arg(++index), QPointF(2.1, y), 182.3, Qt::black, 0.2,
                               LineStyle::Dotted);
}

void TfrmPrintIzpis::buildSummary()
{
    QRBand3 = &report_.addBand(u"QRBand3"_s, report::BandKind::Summary, 8.5);
    qrbottomrulecena = QRBand3->add<Rule>(u"qrbottomrulecena"_s, QPointF(0, 1.1), FullWidthMm, Qt::black,
                                          report::PixelsToMm(2), LineStyle::Dotted);
    qrlabelcenasuma = QRBand3->add<Label>(u"qrlabelcenasuma"_s, QPointF(184.4, 3.0), tahoma(10, true), HAlign::Right);
}

void TfrmPrintIzpis::buildFooter()
{
    qrfooter = &report_.addBand(u"qrfooter"_s, report::BandKind::PageFooter, 84.7);
    // A footer with only the signature leaves the comment's space to the page, so that a
    // reception order's memo and writing lines stay on one page with it.
    qrfooter->setShrinkToContent(true);
    QRLabel5 = qrfooter->add<Label>(u"QRLabel5"_s, QPointF(1.9, 2.9), arial());
    QRLabel5->setText(u"Podpis:"_s);
    QRImage1 = qrfooter->add<Picture>(u"QRImage1"_s, QPointF(-13.0, 6.9), QSizeF(80.2, 30.2));
    qrlblComenntr = qrfooter->add<Label>(u"qrlblComenntr"_s, QPointF(1.1, 30.2), arial());
    qrlblComenntr->setText(u"Komentar:"_s);
    qKomentar = qrfooter->add<Memo>(u"qKomentar"_s, QRectF(1.3, 35.7, 187.3, 45.0), tahoma(10));
    qKomentar->setFrame(true, LineStyle::Dotted);
}

void TfrmPrintIzpis::connectEvents()
{
    report_.setBeforeGenerate([this] { qreportBeforePrint(); });
    qrheader->setAfterPrint([this] { qrheaderAfterPrint(); });
    report_.setFieldOrder({u"kolicina"_s, u"opis"_s, u"dodatno"_s, u"cena"_s});
    report_.setFieldHook(u"kolicina"_s, [this](const QString& value) { return QRDBText1Print(value); });
    report_.setFieldHook(u"opis"_s, [this](const QString& value) { return QRDBText2Print(value); });
    report_.setFieldHook(u"dodatno"_s, [this](const QString& value) { return QRDBText3Print(value); });
    report_.setFieldHook(u"cena"_s, [this](const QString& value) { return qrCenaPrint(value); });
}

void TfrmPrintIzpis::printNalog(int mode, const PrintedOrder& order)
{
    try {
        if (!fillNalog(order))
            return;
        if (mode == PrintModePrint)
            printAtOnce();
        else
            showPreview();
    } catch (const std::exception& e) {
        ClearBusyCursor();
        ShowFailureBox(ErrorMessage(e));
    }
}

bool TfrmPrintIzpis::fillNalog(const PrintedOrder& order)
{
    documentTitle_ = u"Nalog "_s + order.nalogNumber;
    sheetName_ = order.nalogNumber;
    fillLetterhead();
    applyOrderType(order.nalogType, order.komentar);
    fillOrderData(order.nalogNumber, order.vozilo, order.registrska, order.datum, order.vnesel);
    fillCustomer({order.podjetjeLine, order.strankaLine, order.naslovLine, order.idddvLine});
    fillFooter(order.komentar, order.nalogType, order.imagePath);
    if (!loadItems(order.nalogId))
        return false;
    report_.setDataSource(DataModule1 ? &DataModule1->adoPrintit : nullptr);
    RunningTotal = 0.0;
    return true;
}

void TfrmPrintIzpis::fillLetterhead()
{
    QRLabel1->setText(Setting(SettingKey::CompanyName));
    QRLabel2->setText(Setting(SettingKey::CompanyAddress));
    QRLabel3->setText(Setting(SettingKey::CompanyPost));
    QRLabel9->setText(prefixedSetting(u"Tel: "_s, SettingKey::CompanyPhone));
    QRLabel10->setText(prefixedSetting(u"Fax: "_s, SettingKey::CompanyFax));
    QRLabel11->setText(prefixedSetting(u"www: "_s, SettingKey::CompanyWeb));
}

void TfrmPrintIzpis::applyOrderType(qint32 nalogType, const QString& komentar)
{
    qrMMOSubdteail->clear();
    const bool reception = nalogType == NalogTypeReception;
    QRBand1->setEnabled(!reception);
    QRBand2->setEnabled(!reception);
    qrSubdteail->setEnabled(reception);
    if (reception)
        qrMMOSubdteail->addText(komentar);
    QRMainCaption->setText(reception ? u"Sprejemni nalog"_s : u"Delovni nalog"_s);
}

void TfrmPrintIzpis::fillOrderData(const QString& nalogNumber, const QString& vozilo, const QString& registrska,
                                   const QString& datum, const QString& vnesel)
{
    lblVnesel->setText(vnesel);
    qrDelovniNalog->setText(u"Nalog št:"_s + nalogNumber);
    qrdatum->setText(u"Datum izdaje:"_s + datum);
    qrdatumizpisa->setText(u"Datum izpisa:"_s + QDate::currentDate().toString(u"dd.MM.yyyy"_s));
    qrlabelvozilo->setText(Setting(SettingKey::VehicleTitle) + vozilo);
    qrlabelregstr->setText(Setting(SettingKey::PlateTitle) + registrska);
}

void TfrmPrintIzpis::fillCustomer(const QStringList& lines)
{
    qrStranka->clear();
    for (const QString& line : lines)
        if (!line.isEmpty())
            qrStranka->addLine(line);
}

void TfrmPrintIzpis::fillFooter(const QString& komentar, qint32 nalogType, const QString& imagePath)
{
    qrfooter->setEnabled(false);
    qKomentar->setEnabled(false);
    QRImage1->setEnabled(false);
    QRLabel5->setEnabled(false);
    qrlblComenntr->setEnabled(false);
    qKomentar->clear();
    QRImage1->clear();

    if (!komentar.isEmpty() && nalogType < NalogTypeReception) {
        qrfooter->setEnabled(true);
        qKomentar->addText(komentar);
        qKomentar->setEnabled(true);
        qrlblComenntr->setEnabled(true);
    }
    if (!imagePath.isEmpty()) {
        QRLabel5->setEnabled(true);
        qrfooter->setEnabled(true);
        // A signature file that cannot be read leaves the picture out; the rest still prints.
        QRImage1->setEnabled(QRImage1->load(imagePath));
        QCoreApplication::processEvents();
    }
}

bool TfrmPrintIzpis::loadItems(qint32 nalogId)
{
    RemoteCall call;
    call.statement = NalogItemsStatement(nalogId);
    call.cursor = CallCursor::ClearOnFailure;
    // A failure text stops the print without a word; a server that could not be reached is said.
    call.showFailureText = false;
    call.unreachableIsFailure = true;
    const CallResult result = CallRemote(call);
    if (!result)
        return false;
    const RecordsetPtr& items = result.answer;
    EnsurePrintDataModule();
    try {
        DataModule1->adoPrintit.clear();
        if (items)
            DataModule1->adoPrintit.loadFrom(*items);
    } catch (const std::exception& e) {
        // The report still goes ahead with the rows read so far.
        ShowFailureBox(ErrorMessage(e));
    }
    return true;
}

void TfrmPrintIzpis::qreportBeforePrint()
{
    RunningTotal = 0.0;
    RowQuantity = 0.0;
    rowQuantityIsNumber_ = true;
    pricePrinted_ = false;
    showTotal();
}

void TfrmPrintIzpis::qrheaderAfterPrint()
{
    showTotal();
}

report::FieldValue TfrmPrintIzpis::QRDBText1Print(const QString& value)
{
    const std::optional<double> quantity = ParsePrintedNumber(value);
    rowQuantityIsNumber_ = quantity.has_value();
    RowQuantity = quantity.value_or(0.0);
    if (!quantity)
        return value;
    return {FormatFixed2(*quantity), report::ShownNumber{*quantity, 2, {}, {}}};
}

QString TfrmPrintIzpis::QRDBText2Print(const QString& value)
{
    return value.isEmpty() ? u"/"_s : value;
}

QString TfrmPrintIzpis::QRDBText3Print(const QString& value)
{
    return value.isEmpty() ? u"/"_s : value;
}

report::FieldValue TfrmPrintIzpis::qrCenaPrint(const QString& value)
{
    const std::optional<double> price = ParsePrintedNumber(value);
    report::FieldValue printed;
    if (!price) {
        printed = value; // not a number: shown as it came, left out of the total
    } else if (*price == 0.0) {
        printed = QString(u"/"_s);
    } else {
        // Discounts (negative prices) print and count, so paper and screen show one total.
        if (rowQuantityIsNumber_)
            RunningTotal += *price * RowQuantity;
        pricePrinted_ = true;
        printed = {FormatFixed2(*price) + u" €"_s, report::ShownNumber{*price, 2, {}, u"€"_s}};
    }
    showTotal();
    return printed;
}

void TfrmPrintIzpis::showTotal()
{
    qrlabelcenasuma->setText(u"Skupaj cena: "_s + FormatFixed2(RunningTotal) + u" €"_s);
    qrlabelcenasuma->setNumber(report::ShownNumber{RunningTotal, 2, u"Skupaj cena:"_s, u"€"_s});
    qrlabelcenasuma->setEnabled(pricePrinted_);
    qrbottomrulecena->setEnabled(pricePrinted_);
}

void TfrmPrintIzpis::printAtOnce()
{
    const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    if (printerInfo.isNull()) {
        ShowSystemMessage(MessageIcon::Warning, u"Tisk"_s,
                          u"Na tem računalniku ni nameščenega privzetega tiskalnika, zato naloga ni mogoče "
                          u"natisniti. Namestite tiskalnik ali nalog v predogledu izpisa shranite kot PDF."_s);
        return;
    }
    QPrinter printer(printerInfo, QPrinter::HighResolution);
    printer.setDocName(documentTitle_);
    if (!report::PrintDocument(printer, report_.generate()))
        ShowFailureBox(u"Tiskalnik "_s + printerInfo.printerName() + u" ni dosegljiv, nalog ni bil natisnjen."_s);
}

void TfrmPrintIzpis::showPreview()
{
    report::ReportPreviewDialog preview([this] { return report_.generate(); }, documentTitle_,
                                        QApplication::activeWindow());
    preview.setObjectName(u"qrPreview"_s);
    preview.setFailureReporter(ShowFailureBox);
    preview.setSheetName(sheetName_);
    // Centred like the other windows, and shrunk to the work area of a small screen.
    CentreOnOwnerWindow(&preview);
    KeepOnScreen(&preview);
    preview.exec();
}

void PrintOrder(int mode, const PrintedOrder& order)
{
    if (!frmPrintIzpis)
        new TfrmPrintIzpis(QCoreApplication::instance());
    frmPrintIzpis->printNalog(mode, order);
}
