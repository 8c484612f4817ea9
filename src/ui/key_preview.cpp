// Key preview for windows, and the keys that close a window.
#include "key_preview.h"

#include "message_boxes.h"

#include "data/errors.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

void OpenOnEnter(QWidget* list, QObject* context, std::function<void()> open)
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        new QShortcut(QKeySequence(key), list, context, open, Qt::WidgetShortcut);
}

bool IsCloseKey(const QKeyEvent* event)
{
    if (!event)
        return false;
    if (event->key() == Qt::Key_Escape)
        return true;
    return event->key() == Qt::Key_W && event->modifiers().testFlag(Qt::ControlModifier);
}

bool IsPressKey(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Space || event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

KeyPreview::KeyPreview(QWidget* window, Handler handler)
    : QObject(window), window_(window), handler_(std::move(handler))
{
    // Application-wide, because a key press goes to the focused control first and only
    // reaches the window when the control leaves it.
    QCoreApplication::instance()->installEventFilter(this);
}

KeyPreview::~KeyPreview()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool KeyPreview::isSamePressTravellingUp(const QKeyEvent* event, const QWidget* receiver) const
{
    // Event objects live on the stack, so a new press may reuse the address of the previous one;
    // it counts as the same press only with the same key and on its way to an ancestor.
    return event == previewed_ && event->key() == previewedKey_ && event->modifiers() == previewedModifiers_ &&
           lastReceiver_ && receiver->isAncestorOf(lastReceiver_);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        previewed_ = nullptr;
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != window_)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool travellingUp = isSamePressTravellingUp(key, widget);
    lastReceiver_ = widget;
    if (travellingUp)
        return false;
    previewed_ = event;
    previewedKey_ = key->key();
    previewedModifiers_ = key->modifiers();
    try {
        return handler_ && handler_(key);
    } catch (const std::exception& e) {
        ShowSystemMessage(MessageIcon::Error, QStringLiteral("Napaka"), ErrorMessage(e), MessageButtons::Ok);
        return true;
    }
}
