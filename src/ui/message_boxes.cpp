// The standard system message box over QMessageBox, and the hook that answers and records boxes in tests.
#include "message_boxes.h"

#include "window_owner.h"

#include "data/transport_guards.h"

#include <QApplication>
#include <QMessageBox>
#include <QQueue>

namespace {

struct HookState {
    bool active = false;
    QQueue<int> answers;
    QList<ShownMessage> shown;
};

HookState& Hook()
{
    static HookState state;
    return state;
}

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QStringList ButtonNames(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return {QStringLiteral("OK"), QStringLiteral("Cancel")};
    case MessageButtons::YesNo:
        return {QStringLiteral("Yes"), QStringLiteral("No")};
    case MessageButtons::Ok:
        break;
    }
    return {QStringLiteral("OK")};
}

int ClosedResult(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return mrCancel;
    case MessageButtons::YesNo:
        return mrNo;
    case MessageButtons::Ok:
        break;
    }
    return mrOk;
}

int ToResult(int standardButton, MessageButtons buttons)
{
    switch (standardButton) {
    case QMessageBox::Ok:
        return mrOk;
    case QMessageBox::Cancel:
        return mrCancel;
    case QMessageBox::Yes:
        return mrYes;
    case QMessageBox::No:
        return mrNo;
    default:
        return ClosedResult(buttons);
    }
}

} // namespace

int ShowSystemMessage(MessageIcon icon, const QString& title, const QString& shownText, MessageButtons buttons)
{
    // A box never shows the workshop's access code, not even inside an address it quotes.
    const QString text = HideAccessCodes(shownText);
    ShownMessage message;
    message.box = ShownMessage::Box::System;
    message.icon = icon;
    message.title = title;
    message.text = text;
    message.buttons = buttons;
    message.captions = ButtonNames(buttons);
    if (DialogTestHook::isActive())
        return DialogTestHook::answer(message, ClosedResult(buttons));

    // The box belongs to the window it was raised from, so the window manager keeps it over that
    // window and does not pull the main window over it.
    QWidget* parent = WindowRaisingABox();
    QMessageBox box(ToQtIcon(icon), title, text, ToQtButtons(buttons), parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(buttons == MessageButtons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    return ToResult(box.exec(), buttons);
}

void DialogTestHook::activate()
{
    Hook().active = true;
}

void DialogTestHook::setNextAnswers(std::initializer_list<int> answers)
{
    setNextAnswers(QList<int>(answers));
}

void DialogTestHook::setNextAnswers(const QList<int>& answers)
{
    Hook().active = true;
    for (int answer : answers)
        Hook().answers.enqueue(answer);
}

void DialogTestHook::reset()
{
    Hook() = HookState{};
}

bool DialogTestHook::isActive()
{
    return Hook().active;
}

QList<ShownMessage> DialogTestHook::shown()
{
    return Hook().shown;
}

ShownMessage DialogTestHook::lastShown()
{
    return Hook().shown.isEmpty() ? ShownMessage{} : Hook().shown.constLast();
}

int DialogTestHook::pendingAnswers()
{
    return static_cast<int>(Hook().answers.size());
}

int DialogTestHook::answer(ShownMessage message, int fallback)
{
    HookState& hook = Hook();
    message.answeredFromQueue = !hook.answers.isEmpty();
    message.result = message.answeredFromQueue ? hook.answers.dequeue() : fallback;
    hook.shown.append(message);
    return message.result;
}

void DialogTestHook::recordShown(ShownMessage message)
{
    if (Hook().active)
        Hook().shown.append(std::move(message));
}
