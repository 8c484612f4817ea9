// The gradient-button looks the windows share: blue save and view buttons, red delete, search, green enter.
#pragma once

#include <QColor>

class TXpButton;

// Any look: the two gradient colours, the pressed colour, black border, white bold Tahoma
// of the given size, hand cursor.
void StyleGradientButton(TXpButton& button, const QColor& start, const QColor& end, const QColor& pressed,
                         int pointSize = 8);
// #115BAE to #073362, pressed #115BAE: "Shrani", "Poglej nalog".
void StyleBlueButton(TXpButton& button, int pointSize = 8);
// #FF0000 to black, pressed #4E4847: "Izbriši".
void StyleRedButton(TXpButton& button);
// #327ED3 to #073362, pressed #115BAE: "IŠČI".
void StyleSearchButton(TXpButton& button);
