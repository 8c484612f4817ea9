// Generated documents of an order: its PDF, the customer's signature picture and its photos.
#pragma once

#include "database.h"

#include <QByteArray>

namespace sim {

// An A4 PDF of the order: letterhead, number, date, customer, vehicle, items, total, comment.
QByteArray RenderOrderPdf(const OrderDocumentData& order, const CompanyDetails& company);
// A PNG signature that names the order and its customer; small gives the reduced size.
QByteArray RenderSignaturePng(const OrderDocumentData& order, bool small);
// A JPEG photo labelled with the order number, the customer and "Slika N".
QByteArray RenderPictureJpeg(const OrderDocumentData& order, int pictureNumber, bool small);
// The file name under which getnalogpdffile.php offers the order's PDF ("N1532.pdf").
std::string PdfFileName(int orderId);
// The order id of such a file name; nothing for any other name.
std::optional<int> OrderIdFromPdfFileName(std::string_view fileName);

} // namespace sim
