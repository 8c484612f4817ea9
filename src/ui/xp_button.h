// TXpButton: the push button of every window, painted with a vertical gradient, hover and focus frames.
#pragma once

#include "button_colors.h"

#include <QImage>
#include <QPushButton>

class TXpButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TXpButton)
    Q_PROPERTY(QColor clrStartColor READ clrStartColor WRITE setClrStartColor)
    Q_PROPERTY(QColor clrEndColor READ clrEndColor WRITE setClrEndColor)
    Q_PROPERTY(QColor clrDownColor READ clrDownColor WRITE setClrDownColor)
    Q_PROPERTY(QColor clrBorderColor READ clrBorderColor WRITE setClrBorderColor)
    Q_PROPERTY(QImage Picture READ picture WRITE setPicture)
    Q_PROPERTY(int PictureTop READ pictureTop WRITE setPictureTop)
    Q_PROPERTY(int PictureLeft READ pictureLeft WRITE setPictureLeft)
    Q_PROPERTY(QColor BorderColor READ clrBorderColor WRITE setClrBorderColor)
    Q_PROPERTY(QColor DisabledBorderColor READ disabledBorderColor WRITE setDisabledBorderColor)
    Q_PROPERTY(TCaptionAlign Align READ align WRITE setAlign)
    Q_PROPERTY(bool ShowBorder READ showBorder WRITE setShowBorder)

public:
    enum TCaptionAlign { caCenter, caLeft, caRight };
    Q_ENUM(TCaptionAlign)

    explicit TXpButton(QWidget* parent = nullptr);
    TXpButton(const QString& caption, QWidget* parent);

    QColor clrStartColor() const { return startColor_; }
    void setClrStartColor(const QColor& colour);
    QColor clrEndColor() const { return endColor_; }
    void setClrEndColor(const QColor& colour);
    QColor clrDownColor() const { return downColor_; }
    void setClrDownColor(const QColor& colour) { downColor_ = colour; }
    QColor clrBorderColor() const { return borderColor_; }
    void setClrBorderColor(const QColor& colour);
    // A second name for clrBorderColor: the same storage.
    QColor borderColor() const { return clrBorderColor(); }
    void setBorderColor(const QColor& colour) { setClrBorderColor(colour); }
    QColor disabledBorderColor() const { return disabledBorderColor_; }
    void setDisabledBorderColor(const QColor& colour) { disabledBorderColor_ = colour; }
    QImage picture() const { return picture_; }
    void setPicture(const QImage& picture);
    int pictureTop() const { return pictureTop_; }
    void setPictureTop(int top);
    int pictureLeft() const { return pictureLeft_; }
    void setPictureLeft(int left);
    TCaptionAlign align() const { return align_; }
    void setAlign(TCaptionAlign align);
    bool showBorder() const { return showBorder_; }
    void setShowBorder(bool show);

    // The caption colour (the font's colour); white on the dark buttons of the windows.
    QColor fontColor() const;
    void setFontColor(const QColor& colour);

    // The button is, or stops being, its window's active default button (Enter presses it).
    bool isActiveDefault() const { return isDefault(); }
    void setActiveDefault(bool active) { setDefault(active); }
    bool isHot() const { return isHot_; }

    // Paints the button as it looks now into a fresh image of its size.
    QImage renderButton() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Look {
        bool pressed = false;
        bool focused = false;
        bool disabled = false;
    };

    void recomputeGradient();
    void setHot(bool hot);
    void paintPictureAndCaption(QImage& image, const Look& look) const;

    QColor startColor_{255, 255, 255};
    QColor endColor_{214, 208, 197};
    QColor downColor_{227, 227, 218};
    QColor borderColor_{0, 60, 116};
    QColor disabledBorderColor_{201, 199, 186};
    QImage picture_;
    int pictureTop_ = 0;
    int pictureLeft_ = 0;
    TCaptionAlign align_ = caCenter;
    bool showBorder_ = false;
    ButtonColors::Gradient gradient_;
    bool isPressed_ = false;
    bool isHot_ = false;
};
