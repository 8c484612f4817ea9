// Draws the order PDF (QPdfWriter), the signature (PNG) and the photos (JPEG) with QPainter.
#include "documents.h"

#include "data/server_contract.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QString>

#include <mutex>

namespace sim {
namespace {

// Painting shares Qt's font caches; one document at a time keeps the worker threads of the
// HTTP server from racing on them.
std::mutex& PaintMutex()
{
    static std::mutex mutex;
    return mutex;
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

QString DisplayDate(const std::string& stored)
{
    const QDateTime value = QDateTime::fromString(Q(stored), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value.isValid() ? value.toString(QStringLiteral("dd.MM.yyyy")) : Q(stored);
}

QString CommentText(const std::string& stored)
{
    QString text = Q(stored);
    text.replace(QString::fromUtf8(ServerContract::NewLineMarker), QStringLiteral("\n"), Qt::CaseInsensitive);
    return text;
}

QString OrderTitle(const OrderDocumentData& order)
{
    return (order.type == 1 ? QStringLiteral("Sprejemni nalog ") : QStringLiteral("Delovni nalog ")) + Q(order.number);
}

double Amount(const std::string& text)
{
    return QString::fromStdString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
}

QByteArray Encode(const QImage& image, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// Draws the PDF's lines from the top down; y is in points of the A4 page.
class PdfLayout {
public:
    PdfLayout(QPainter& painter, double width) : painter_(painter), width_(width) {}

    void text(const QString& line, int pointSize, bool bold = false)
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(pointSize);
        font.setBold(bold);
        painter_.setFont(font);
        const QRectF box(0, y_, width_, 1000);
        const QRectF used = painter_.boundingRect(box, Qt::TextWordWrap, line);
        painter_.drawText(box, Qt::TextWordWrap, line);
        y_ += used.height() + 4;
    }

    void row(const std::array<QString, 4>& cells, bool bold)
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(9);
        font.setBold(bold);
        painter_.setFont(font);
        const std::array<double, 4> left = {0, width_ * 0.45, width_ * 0.72, width_ * 0.86};
        const std::array<double, 4> right = {width_ * 0.44, width_ * 0.71, width_ * 0.85, width_};
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const QRectF box(left[i], y_, right[i] - left[i], 14);
            painter_.drawText(box, (i >= 2 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, cells[i]);
        }
        y_ += 16;
    }

    void rule()
    {
        painter_.drawLine(QPointF(0, y_), QPointF(width_, y_));
        y_ += 6;
    }

    void gap(double points) { y_ += points; }

private:
    QPainter& painter_;
    double width_;
    double y_ = 0;
};

void DrawOrderItems(PdfLayout& layout, const OrderDocumentData& order)
{
    layout.row(
        {QStringLiteral("Postavka"), QStringLiteral("Dodatno"), QStringLiteral("Količina"), QStringLiteral("Cena")},
        true);
    layout.rule();
    double total = 0;
    for (const auto& item : order.items) {
        const double quantity = Amount(item.quantity);
        const double price = Amount(item.price);
        total += quantity * price;
        layout.row({Q(item.description), Q(item.extra), QString::number(quantity, 'f', 2),
                    QString::number(price, 'f', 2) + QStringLiteral(" €")},
                   false);
    }
    layout.rule();
    layout.text(QStringLiteral("Skupaj: ") + QString::number(total, 'f', 2) + QStringLiteral(" €"), 11, true);
}

} // namespace

QByteArray RenderOrderPdf(const OrderDocumentData& order, const CompanyDetails& company)
{
    std::lock_guard lock(PaintMutex());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(72); // one device unit is one point
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(OrderTitle(order));
        writer.setCreator(QStringLiteral("ordavo-workshop-sim"));
        QPainter painter(&writer);
        PdfLayout layout(painter, writer.width());
        layout.text(Q(company.name), 14, true);
        layout.text(Q(company.address) + QStringLiteral(", ") + Q(company.post) + QStringLiteral(", tel. ") +
                        Q(company.phone),
                    9);
        layout.gap(12);
        layout.text(OrderTitle(order), 18, true);
        layout.text(QStringLiteral("Datum: ") + DisplayDate(order.date) + QStringLiteral("    Vnesel: ") +
                        Q(order.enteredBy),
                    10);
        layout.text(QStringLiteral("Stranka: ") +
                        (order.customer.empty() ? QStringLiteral("Ni podano") : Q(order.customer)),
                    10);
        if (!order.customerAddress.empty())
            layout.text(QStringLiteral("Naslov: ") + Q(order.customerAddress), 10);
        layout.text(
            QStringLiteral("Vozilo: ") + Q(order.vehicle) + QStringLiteral("    Registrska št: ") + Q(order.plate), 10);
        layout.gap(10);
        if (order.type != 1)
            DrawOrderItems(layout, order);
        layout.gap(10);
        layout.text(QStringLiteral("Komentar:"), 10, true);
        layout.text(CommentText(order.comment), 10);
    }
    return bytes;
}

QByteArray RenderSignaturePng(const OrderDocumentData& order, bool small)
{
    std::lock_guard lock(PaintMutex());
    const QSize size = small ? QSize(300, 100) : QSize(600, 200);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size.width() / 600.0, size.height() / 200.0);
    // A scribble whose shape follows the customer's name, so each order has its own.
    const QByteArray seed = QByteArray::fromStdString(order.customer.empty() ? order.number : order.customer);
    QPainterPath path(QPointF(40, 120));
    for (int i = 0; i < seed.size() && i < 14; ++i) {
        const double x = 60 + i * 30;
        const double y = 60 + (static_cast<unsigned char>(seed[i]) % 80);
        path.quadTo(QPointF(x - 15, 200 - y), QPointF(x, y));
    }
    painter.setPen(QPen(QColor(0x10, 0x30, 0x90), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(Qt::black);
    painter.drawLine(30, 160, 570, 160);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(18);
    painter.setFont(font);
    painter.drawText(QRectF(30, 165, 540, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Podpis: ") + Q(order.customer) + QStringLiteral(" — ") + Q(order.number));
    painter.end();
    return Encode(image, "PNG", -1);
}

QByteArray RenderPictureJpeg(const OrderDocumentData& order, int pictureNumber, bool small)
{
    std::lock_guard lock(PaintMutex());
    const QSize size = small ? QSize(160, 120) : QSize(1024, 768);
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size.width() / 1024.0, size.height() / 768.0);
    static const QColor tints[] = {QColor(0x2a, 0x6f, 0xb0), QColor(0x3c, 0x8d, 0x4f), QColor(0xb0, 0x6a, 0x2a),
                                   QColor(0x7a, 0x3c, 0x9d)};
    QLinearGradient sky(0, 0, 0, 768);
    sky.setColorAt(0, tints[(pictureNumber - 1) & 3].lighter(160));
    sky.setColorAt(1, tints[(pictureNumber - 1) & 3].darker(140));
    painter.fillRect(QRectF(0, 0, 1024, 768), sky);
    // A simple car: body, cabin and two wheels.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xdd, 0xdd, 0xdd));
    painter.drawRoundedRect(QRectF(200, 380, 620, 150), 40, 40);
    painter.drawRoundedRect(QRectF(330, 280, 360, 130), 50, 50);
    painter.setBrush(QColor(0x22, 0x22, 0x22));
    painter.drawEllipse(QPointF(340, 530), 70, 70);
    painter.drawEllipse(QPointF(690, 530), 70, 70);
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(56);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(0, 30, 1024, 80), Qt::AlignCenter, Q(order.number));
    font.setPixelSize(40);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRectF(0, 110, 1024, 60), Qt::AlignCenter, Q(order.customer));
    painter.drawText(QRectF(0, 640, 1024, 80), Qt::AlignCenter,
                     QStringLiteral("Slika %1 — ").arg(pictureNumber) + Q(order.plate));
    painter.end();
    return Encode(image, "JPEG", 90);
}

std::string PdfFileName(int orderId)
{
    std::string name = "N";
    name += std::to_string(orderId);
    name += ".pdf";
    return name;
}

std::optional<int> OrderIdFromPdfFileName(std::string_view fileName)
{
    if (fileName.size() < 6 || fileName.front() != 'N' || fileName.substr(fileName.size() - 4) != ".pdf")
        return std::nullopt;
    const std::string_view digits = fileName.substr(1, fileName.size() - 5);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return std::stoi(std::string(digits));
}

} // namespace sim
