// Boxes whose text is stored: a length limit that refuses instead of cutting, and the check of a save's typed texts.
#pragma once

#include <QString>

#include <initializer_list>

class QLineEdit;
class QPlainTextEdit;

// Keeps the box within `limit` characters. Typing, a paste or a drop that would make the text
// longer is refused as a whole: the box keeps the text it had and a standard box names the
// field and the limit. Nothing is ever cut. A longer text that the program puts in (a stored
// value) stays as it is and may be shortened, not lengthened.
void LimitStoredText(QLineEdit& box, const QString& fieldName, int limit);
// The same for a multi-line box whose line breaks are stored as carriage return and line
// feed, so that each line break counts two characters.
void LimitStoredText(QPlainTextEdit& box, const QString& fieldName, int limit);

// One typed text of a save and the name of its field as the user sees it.
struct TypedText {
    QString fieldName;
    QString text;
};
// True when the texts may be sent to the server. A text holding one of the transport's own
// markers would be changed by the server on the way; then a standard box names the field and
// the markers, the box keeps the text, and nothing may be sent.
bool TypedTextsSendable(std::initializer_list<TypedText> texts);
