// A small pane that loads a picture from a web address in the background and shows it on its own colour.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <QNetworkReply>

class QNetworkAccessManager;

// Stands where the program shows a document picture (signature, order pictures): it loads
// the address asynchronously, shows the picture scaled to fit and centred on its
// background colour, and can paint itself into an image of its own size. With the keyboard
// focus (for a pane that takes it) the window shows a dotted frame around it; the image has none.
class PicturePane final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PicturePane)

public:
    explicit PicturePane(QWidget* parent = nullptr);
    ~PicturePane() override;

    // Starts loading address (the previous load is abandoned and the pane cleared).
    void navigate(const QString& address);
    // Abandons a running load; the address and any loaded picture stay.
    void stop();
    // The address last navigated to; empty before the first navigation.
    QString currentUrl() const { return address_; }
    bool isLoading() const { return reply_ != nullptr; }
    // The decoded picture of the last finished load (null when none or not a picture).
    QImage picture() const { return picture_; }

    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background_; }

    // The pane as it looks: an image exactly as large as the pane.
    QImage renderToImage() const;

signals:
    // A load ended; ok is false when the transfer failed or the answer was no picture.
    void loaded(bool ok);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void finishLoad(QNetworkReply* reply);
    void paintContent(QPainter& painter, const QSize& size) const;

    QNetworkAccessManager* network_;
    QPointer<QNetworkReply> reply_;
    QString address_;
    QImage picture_;
    QColor background_{Qt::white};
};
