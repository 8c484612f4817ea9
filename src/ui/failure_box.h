// The standard box of a local failure: error icon, title "Napaka", one OK button.
#pragma once

#include <QString>

void ShowFailureBox(const QString& text);
