// Key preview: a window sees the key presses of its controls before the controls do.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QKeyEvent;
class QWidget;

// Return and keypad Enter on `list` (while it has the focus) run open: the order lists open the
// selected order so, as a double click does.
void OpenOnEnter(QWidget* list, QObject* context, std::function<void()> open);

// Esc, or the W key with Ctrl held (other modifiers allowed): the keys that close a window.
bool IsCloseKey(const QKeyEvent* event);

// Space, Return or keypad Enter: the keys that press a focused picture as a click does.
bool IsPressKey(const QKeyEvent& event);

// Hands every key press aimed at the window or any of its controls to handler first; a handler
// that returns true consumes the key, otherwise it goes on to the focused control as usual.
// Each press is previewed once, even when it travels up from a control to its parents.
class KeyPreview final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyPreview)

public:
    using Handler = std::function<bool(QKeyEvent*)>;

    // Owned by window; stays in force until the window is destroyed.
    KeyPreview(QWidget* window, Handler handler);
    ~KeyPreview() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isSamePressTravellingUp(const QKeyEvent* event, const QWidget* receiver) const;

    QWidget* window_;
    Handler handler_;
    // The press last previewed and the widget it was last delivered to: a press that a control
    // ignores is delivered again, as the same event object, to each parent in turn.
    const QEvent* previewed_ = nullptr;
    int previewedKey_ = 0;
    Qt::KeyboardModifiers previewedModifiers_;
    QPointer<QWidget> lastReceiver_;
};
