// BusyGuard: swallows user input aimed at a window while one of its remote calls runs.
#include "busy_guard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

BusyGuard::BusyGuard(QWidget* window) : QObject(window), window_(window) {}

BusyGuard::~BusyGuard()
{
    if (depth_ > 0)
        qApp->removeEventFilter(this);
}

void BusyGuard::allowTyping(QWidget* widget)
{
    typingWidgets_.insert(widget);
}

BusyGuard::Scope::Scope(BusyGuard& guard) : guard_(guard)
{
    guard_.enter();
}

BusyGuard::Scope::~Scope()
{
    guard_.leave();
}

void BusyGuard::enter()
{
    // The filter sits on the application only while a call runs, so an idle window costs nothing.
    if (depth_++ == 0)
        qApp->installEventFilter(this);
}

void BusyGuard::leave()
{
    if (--depth_ == 0)
        qApp->removeEventFilter(this);
}

bool BusyGuard::isUserInput(const QObject* watched, const QEvent* event) const
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        if (typingWidgets_.contains(watched))
            return false;
        break;
    default:
        return false;
    }
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget || !window_)
        return false;
    // isAncestorOf stays inside one window, so the boxes shown during the call pass.
    return widget == window_ || window_->isAncestorOf(widget);
}

bool BusyGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (depth_ > 0 && isUserInput(watched, event)) {
        // An accepted override keeps shortcuts (Esc, Ctrl+W) from firing; the key press that
        // follows is swallowed like every other.
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
