// The length guard of stored boxes and the marker check of typed texts before a save.
#include "ui/stored_text.h"

#include "data/transport_guards.h"
#include "ui/message_boxes.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString Quoted(const QString& text)
{
    return u'"' + text + u'"';
}

// Watches one box: remembers the text it last accepted and says, once the edit has ended, why
// an edit was refused (a box opened inside the box's own handling of a key or a paste would
// run a modal loop in the middle of it).
class StoredTextGuard final : public QObject {
public:
    StoredTextGuard(QObject* box, QString fieldName, int limit, bool lineBreaksTwice)
        : QObject(box), fieldName_(std::move(fieldName)), limit_(limit), lineBreaksTwice_(lineBreaksTwice)
    {
    }

    qsizetype storedLength(const QString& text) const
    {
        return text.size() + (lineBreaksTwice_ ? text.count(u'\n') : 0);
    }
    // An edit is refused when it makes the text longer than the limit and longer than it was.
    bool refuses(const QString& edited) const
    {
        const qsizetype length = storedLength(edited);
        return length > limit_ && length > storedLength(accepted_);
    }
    void accept(const QString& text) { accepted_ = text; }
    const QString& accepted() const { return accepted_; }

    void sayRefused(const QString& edited)
    {
        const qsizetype attempted = storedLength(edited);
        if (pending_)
            return;
        pending_ = true;
        QTimer::singleShot(0, this, [this, attempted] {
            pending_ = false;
            ShowSystemMessage(MessageIcon::Warning, u"Predolgo besedilo"_s,
                              u"Polje %1 sprejme največ %2 znakov. Vnos bi besedilo podaljšal na %3 znakov, zato ni "
                              u"bil sprejet; v polju je ostalo besedilo, ki je bilo v njem."_s.arg(Quoted(fieldName_))
                                  .arg(limit_)
                                  .arg(attempted));
        });
    }

    bool restoring = false;
    int cursor = 0;

private:
    QString fieldName_;
    int limit_;
    bool lineBreaksTwice_;
    QString accepted_;
    bool pending_ = false;
};

// Puts the accepted text back with the smallest change: the part between the common start and
// end is replaced, in the edit block of the refused edit, so that undo does not bring it back.
void RestoreAccepted(QPlainTextEdit& box, const QString& accepted, const QString& edited)
{
    qsizetype head = 0;
    while (head < accepted.size() && head < edited.size() && accepted[head] == edited[head])
        ++head;
    qsizetype tail = 0;
    while (tail < accepted.size() - head && tail < edited.size() - head &&
           accepted[accepted.size() - 1 - tail] == edited[edited.size() - 1 - tail])
        ++tail;
    QTextCursor cursor(box.document());
    cursor.joinPreviousEditBlock();
    cursor.setPosition(int(head));
    cursor.setPosition(int(edited.size() - tail), QTextCursor::KeepAnchor);
    cursor.insertText(accepted.mid(head, accepted.size() - head - tail));
    cursor.endEditBlock();
    QTextCursor caret = box.textCursor();
    caret.setPosition(int(head));
    box.setTextCursor(caret);
}

QString MarkerRefusal(const TypedText& typed, const QStringList& markers)
{
    QStringList quoted;
    for (const QString& marker : markers)
        quoted.append(Quoted(marker));
    const QString them = markers.size() == 1 ? u"ga"_s : u"jih"_s;
    return u"Polje %1 vsebuje %2. To besedilo strežnik uporablja pri prenosu podatkov in bi %3 spremenil. "
           u"Odstranite %3 iz polja in shranite znova."_s.arg(Quoted(typed.fieldName), quoted.join(u", "_s), them);
}

} // namespace

void LimitStoredText(QLineEdit& box, const QString& fieldName, int limit)
{
    auto* guard = new StoredTextGuard(&box, fieldName, limit, false);
    guard->accept(box.text());
    guard->cursor = box.cursorPosition();
    QObject::connect(&box, &QLineEdit::cursorPositionChanged, guard, [guard](int, int now) {
        if (!guard->restoring)
            guard->cursor = now;
    });
    // Every change, the program's too; a refused edit has already been undone when it arrives.
    QObject::connect(&box, &QLineEdit::textChanged, guard, [guard, &box] { guard->accept(box.text()); });
    // Only the user's edits, before textChanged: the guard still holds the text before the edit.
    QObject::connect(&box, &QLineEdit::textEdited, guard, [guard, &box](const QString& edited) {
        if (!guard->refuses(edited))
            return;
        guard->restoring = true;
        const int cursor = guard->cursor;
        box.setText(guard->accepted());
        box.setCursorPosition(cursor);
        guard->restoring = false;
        guard->sayRefused(edited);
    });
}

void LimitStoredText(QPlainTextEdit& box, const QString& fieldName, int limit)
{
    auto* guard = new StoredTextGuard(&box, fieldName, limit, true);
    guard->accept(box.toPlainText());
    QObject::connect(&box, &QPlainTextEdit::textChanged, guard, [guard, &box] {
        if (guard->restoring)
            return;
        const QString edited = box.toPlainText();
        if (!guard->refuses(edited)) {
            guard->accept(edited);
            return;
        }
        guard->restoring = true;
        RestoreAccepted(box, guard->accepted(), edited);
        guard->restoring = false;
        guard->sayRefused(edited);
    });
}

bool TypedTextsSendable(std::initializer_list<TypedText> texts)
{
    for (const TypedText& typed : texts) {
        const QStringList markers = TransportMarkersIn(typed.text);
        if (markers.isEmpty())
            continue;
        ShowSystemMessage(MessageIcon::Warning, u"Nedovoljeno besedilo"_s, MarkerRefusal(typed, markers));
        return false;
    }
    return true;
}
