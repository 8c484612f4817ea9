// The standard box of a local failure.
#include "ui/failure_box.h"

#include "ui/message_boxes.h"

using namespace Qt::StringLiterals;

void ShowFailureBox(const QString& text)
{
    ShowSystemMessage(MessageIcon::Error, u"Napaka"_s, text, MessageButtons::Ok);
}
