// Keeps the main window that dialogs centre on and centres windows on it.
#include "window_owner.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

using namespace Qt::StringLiterals;

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
    if (QWidget* owner = RegisteredOwner().data())
        return owner;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->objectName() == u"frmMain"_s)
            return window;
    }
    return nullptr;
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

QWidget* WindowRaisingABox(const QWidget* box)
{
    for (QWidget* candidate : {QApplication::activeModalWidget(), QApplication::activeWindow()}) {
        if (candidate && candidate != box && candidate->isVisible())
            return candidate->window();
    }
    QWidget* owner = DialogOwnerWindow();
    return owner && owner != box && owner->isVisible() ? owner : nullptr;
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
