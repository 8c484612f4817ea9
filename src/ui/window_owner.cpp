// Keeps the main window that dialogs centre on and centres windows on it.
#include "window_owner.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {
QPointer<QWidget>& RegisteredOwner()
{
    static QPointer<QWidget> owner;
    return owner;
}
} // namespace

void SetDialogOwnerWindow(QWidget* window)
{
    RegisteredOwner() = window;
}

QWidget* DialogOwnerWindow()
{
    return RegisteredOwner().data();
}

void CentreOnOwnerWindow(QWidget* window)
{
    if (!window)
        return;
    QWidget* owner = DialogOwnerWindow();
    QPoint centre;
    if (owner && owner != window && owner->isVisible()) {
        centre = owner->frameGeometry().center();
    } else {
        const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        centre = screen->availableGeometry().center();
    }
    const QSize outer = window->frameGeometry().size();
    window->move(centre.x() - outer.width() / 2, centre.y() - outer.height() / 2);
}

namespace {
// True when the modal window lets `window` take input: the modal window itself, or a window
// stacked over it (one of its transients).
bool TakesInputBeside(const QWidget* modal, const QWidget* window)
{
    if (!modal || window == modal)
        return true;
    const QWindow* modalHandle = modal->windowHandle();
    const QWindow* handle = window->windowHandle();
    return modalHandle && handle && modalHandle->isAncestorOf(handle, QWindow::IncludeTransients);
}
} // namespace

QWidget* WindowRaisingABox(const QWidget* box)
{
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* active = QApplication::activeWindow();
    // A window opened from inside a modal window works beside it: its boxes belong to it.
    if (active && active != box && active->isVisible() && TakesInputBeside(modal, active))
        return active->window();
    if (modal && modal != box && modal->isVisible())
        return modal->window();
    QWidget* owner = DialogOwnerWindow();
    return owner && owner != box && owner->isVisible() ? owner : nullptr;
}

void ShowBesideModalWindow(QWidget* window)
{
    if (!window)
        return;
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* over = modal && modal != window && modal->isVisible() ? modal->window() : window->parentWidget();
    window->winId();
    QWindow* handle = window->windowHandle();
    if (!handle)
        return;
    if (over) {
        over->winId();
        handle->setTransientParent(over->window()->windowHandle());
    } else {
        handle->setTransientParent(nullptr);
    }
}

void StackOverRaisingWindow(QWidget* box)
{
    if (!box)
        return;
    QWidget* raiser = WindowRaisingABox(box);
    if (!raiser)
        return;
    box->winId();
    raiser->winId();
    if (QWindow* handle = box->windowHandle())
        handle->setTransientParent(raiser->windowHandle());
}
