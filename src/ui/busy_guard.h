// BusyGuard: while a window's remote call runs, the user's clicks and keys aimed at that window are ignored.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>

class QWidget;

// The windows let queued events run in the middle of their loads (and the transport does
// before its retries), so a click could start a second load or save inside the first one
// and leave a list with rows of two loads. While a BusyGuard::Scope lives, mouse presses,
// releases, double clicks, wheel turns and key presses aimed at the guarded window are
// swallowed; boxes the window shows meanwhile are windows of their own and stay usable.
// Widgets marked with allowTyping() still receive key events, so text typed during a call
// is not lost; their handlers ask busy() and decide themselves.
class BusyGuard final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BusyGuard)

public:
    explicit BusyGuard(QWidget* window);
    ~BusyGuard() override;

    bool busy() const { return depth_ > 0; }
    void allowTyping(QWidget* widget);

    // Marks the window busy for its lifetime; scopes nest.
    class Scope {
    public:
        explicit Scope(BusyGuard& guard);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        BusyGuard& guard_;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void enter();
    void leave();
    bool isUserInput(const QObject* watched, const QEvent* event) const;

    QPointer<QWidget> window_;
    QSet<const QObject*> typingWidgets_;
    int depth_ = 0;
};
