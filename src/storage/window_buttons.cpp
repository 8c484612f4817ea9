// The gradient-button looks of the catalogue and tyre-storage windows.
#include "window_buttons.h"

#include "ui/ordavo_fonts.h"
#include "ui/xp_button.h"

namespace {

void StyleButton(TXpButton& button, const QColor& start, const QColor& end, const QColor& pressed)
{
    button.setClrStartColor(start);
    button.setClrEndColor(end);
    button.setClrDownColor(pressed);
    button.setClrBorderColor(Qt::black);
    button.setFontColor(Qt::white);
    button.setFont(PointFont(kTahoma, 8, true));
    button.setCursor(Qt::PointingHandCursor);
}

} // namespace

void StyleBlueButton(TXpButton& button)
{
    StyleButton(button, QColor(0x11, 0x5B, 0xAE), QColor(0x07, 0x33, 0x62), QColor(0x11, 0x5B, 0xAE));
}

void StyleRedButton(TXpButton& button)
{
    StyleButton(button, QColor(0xFF, 0x00, 0x00), QColor(0x00, 0x00, 0x00), QColor(0x4E, 0x48, 0x47));
}

void StyleSearchButton(TXpButton& button)
{
    StyleButton(button, QColor(0x32, 0x7E, 0xD3), QColor(0x07, 0x33, 0x62), QColor(0x11, 0x5B, 0xAE));
}
