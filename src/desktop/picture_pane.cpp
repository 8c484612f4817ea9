// The picture pane: asynchronous load through Qt Network, fitted and centred painting, rendering to an image.
#include "picture_pane.h"

#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>

PicturePane::PicturePane(QWidget* parent) : QWidget(parent), network_(new QNetworkAccessManager(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PicturePane::~PicturePane()
{
    stop();
}

void PicturePane::navigate(const QString& address)
{
    stop();
    address_ = address;
    picture_ = QImage();
    update();
    QNetworkRequest request{QUrl(address, QUrl::TolerantMode)};
    QNetworkReply* reply = network_->get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishLoad(reply); });
}

void PicturePane::stop()
{
    if (!reply_)
        return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void PicturePane::finishLoad(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != reply_)
        return;
    reply_ = nullptr;
    const bool transferred = reply->error() == QNetworkReply::NoError;
    picture_ = transferred ? QImage::fromData(reply->readAll()) : QImage();
    update();
    emit loaded(transferred && !picture_.isNull());
}

void PicturePane::setBackgroundColor(const QColor& color)
{
    background_ = color;
    update();
}

QImage PicturePane::renderToImage() const
{
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    paintContent(painter, size());
    return image;
}

void PicturePane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintContent(painter, size());
    if (!hasFocus())
        return;
    // A pane the keyboard reached shows a dotted frame in the opposite of its background.
    QColor frame = background_;
    frame.setRgb(255 - frame.red(), 255 - frame.green(), 255 - frame.blue());
    painter.setPen(QPen(frame, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PicturePane::mousePressEvent(QMouseEvent* event)
{
    // Taken here so that the press does not travel on to the panel behind the pane.
    event->accept();
}

void PicturePane::paintContent(QPainter& painter, const QSize& size) const
{
    painter.fillRect(QRect(QPoint(0, 0), size), background_);
    if (picture_.isNull() || size.isEmpty())
        return;
    const QSize fitted = picture_.size().scaled(size, Qt::KeepAspectRatio);
    const QRect target(QPoint((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture_);
}
