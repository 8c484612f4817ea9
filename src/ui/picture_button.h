// PictureButton: a small clickable picture that the keyboard can reach and press as well.
#pragma once

#include <QLabel>

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QPixmap;

// Shows a picture scaled to its size, with the hint as its tooltip. A left click on it, or Space
// or Enter while it has the keyboard focus (Tab reaches it; a click does not take the focus),
// emits clicked; with the focus it shows a dotted frame. Screen readers read it as a button named
// by the hint. A window with these pictures above its other controls says which control has the
// keyboard when it opens.
class PictureButton final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureButton)

public:
    PictureButton(const QPixmap& picture, const QString& hint, QWidget* parent);

public slots:
    void click();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
