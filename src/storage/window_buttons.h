// The gradient-button looks of the catalogue and tyre-storage windows: blue save and view buttons, red delete, search.
#pragma once

class TXpButton;

// #115BAE to #073362, pressed #115BAE: "Shrani", "Poglej nalog".
void StyleBlueButton(TXpButton& button);
// #FF0000 to black, pressed #4E4847: "Izbriši".
void StyleRedButton(TXpButton& button);
// #327ED3 to #073362, pressed #115BAE: "IŠČI".
void StyleSearchButton(TXpButton& button);
