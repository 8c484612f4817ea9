// PictureButton: clicks, the keys that press it and its focus frame.
#include "picture_button.h"

#include "accessibility.h"
#include "key_preview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

PictureButton::PictureButton(const QPixmap& picture, const QString& hint, QWidget* parent) : QLabel(parent)
{
    setPixmap(picture);
    setToolTip(hint);
    setScaledContents(true);
    setCursor(Qt::PointingHandCursor);
    // Tab reaches it, a click leaves the focus where it was. Screen readers press it as a button.
    setFocusPolicy(Qt::TabFocus);
    ReadAsButton(this);
}

void PictureButton::click()
{
    emit clicked();
}

void PictureButton::mousePressEvent(QMouseEvent* event)
{
    // Taken here, so its release comes back to this picture.
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QLabel::mousePressEvent(event);
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        click();
}

void PictureButton::keyPressEvent(QKeyEvent* event)
{
    if (IsPressKey(*event))
        click();
    else
        QLabel::keyPressEvent(event);
}

void PictureButton::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The pictures stand on the dark band: a white dotted frame shows where the focus is.
    QPainter painter(this);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
