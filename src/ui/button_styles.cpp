// The gradient-button looks the windows share.
#include "ui/button_styles.h"

#include "ui/ordavo_fonts.h"
#include "ui/xp_button.h"

void StyleGradientButton(TXpButton& button, const QColor& start, const QColor& end, const QColor& pressed,
                         int pointSize)
{
    button.setClrStartColor(start);
    button.setClrEndColor(end);
    button.setClrDownColor(pressed);
    button.setClrBorderColor(Qt::black);
    button.setFontColor(Qt::white);
    button.setFont(PointFont(kTahoma, pointSize, true));
    button.setCursor(Qt::PointingHandCursor);
}

void StyleBlueButton(TXpButton& button, int pointSize)
{
    StyleGradientButton(button, QColor(0x11, 0x5B, 0xAE), QColor(0x07, 0x33, 0x62), QColor(0x11, 0x5B, 0xAE),
                        pointSize);
}

void StyleRedButton(TXpButton& button)
{
    StyleGradientButton(button, QColor(0xFF, 0x00, 0x00), QColor(0x00, 0x00, 0x00), QColor(0x4E, 0x48, 0x47));
}

void StyleSearchButton(TXpButton& button)
{
    StyleGradientButton(button, QColor(0x32, 0x7E, 0xD3), QColor(0x07, 0x33, 0x62), QColor(0x11, 0x5B, 0xAE));
}
