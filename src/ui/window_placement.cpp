// Saves and restores a window's outer position and size under its object name in the settings store.
#include "window_placement.h"

#include "data/settings_store.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <optional>

using namespace Qt::StringLiterals;

bool placementSaving = false;

namespace {

const QString kSection = u"ordavo"_s;

// Height of the strip at the top of a window that must stay reachable to move it.
constexpr int kTitleBarStrip = 24;
// How much of the title bar's width must lie on a screen to grab it.
constexpr int kTitleBarGrip = 80;

QWidget* AsWindow(QObject* form)
{
    auto* widget = qobject_cast<QWidget*>(form);
    return widget && widget->isWindow() ? widget : nullptr;
}

int IntegerOr(const QString& text, int current)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : current;
}

int StoredOr(const QString& key, int current)
{
    return IntegerOr(ReadSetting(kSection, key), current);
}

// The window with its frame. Asked of the native window once it exists: the widget's own copy
// of the frame can stay empty when the window manager frames the window after Qt first asked.
QRect OuterRect(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    if (handle && window->testAttribute(Qt::WA_WState_Created))
        return handle->frameGeometry();
    return window->frameGeometry();
}

// The frame around the client area; zero before the window system has framed the window.
QSize FrameExtra(const QWidget* window)
{
    return OuterRect(window).size() - window->size();
}

bool IsOnScreen(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    return window->isVisible() && handle && handle->isExposed();
}

// Puts the window's frame at outer.topLeft() and sizes it so that the frame is outer.size().
// The frame is the native window's: the widget's own copy of it can still be empty.
void ApplyOuterRect(QWidget* window, const QRect& outer)
{
    const QWindow* handle = window->windowHandle();
    if (!handle || !window->testAttribute(Qt::WA_WState_Created)) {
        window->move(outer.topLeft());
        window->resize(outer.size() - FrameExtra(window));
        return;
    }
    window->setGeometry(outer - handle->frameMargins());
}

QList<QRect> AvailableAreas()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

const QString kTrackerName = u"ordavoPlacementTracker"_s;

// Follows one window from its creation: waits until it is on screen, applies again a restore
// that was made before the window manager's frame was known, then remembers the outer rectangle
// the window settled on. Saves are written only after the user changed that rectangle.
class PlacementTracker final : public QObject {
public:
    explicit PlacementTracker(QWidget* window) : QObject(window), window_(window)
    {
        setObjectName(kTrackerName);
        window->installEventFilter(this);
        poll_.setInterval(kPollInterval);
        QObject::connect(&poll_, &QTimer::timeout, this, [this] { settleWhenOnScreen(); });
    }

    static PlacementTracker* of(const QWidget* window)
    {
        return static_cast<PlacementTracker*>(window->findChild<QObject*>(kTrackerName, Qt::FindDirectChildrenOnly));
    }

    void restoreTo(const QRect& outer)
    {
        ApplyOuterRect(window_, outer);
        userPlaced_ = false;
        if (IsOnScreen(window_)) {
            settle();
            return;
        }
        pendingRestore_ = outer;
        settled_.reset();
        if (window_->isVisible())
            waitUntilOnScreen();
    }

    // True when a save should write now.
    bool allowsSave()
    {
        if (!window_->testAttribute(Qt::WA_WState_ExplicitShowHide))
            return true; // never shown: an explicit save of the window as it stands
        if (userPlaced_)
            return true;
        if (!settled_ || OuterRect(window_) == *settled_)
            return false;
        userPlaced_ = true;
        return true;
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::Show && !settled_)
            waitUntilOnScreen();
        else if (watched == handle_ && event->type() == QEvent::Expose && !settled_)
            settleWhenOnScreen();
        return false;
    }

private:
    static constexpr int kPollInterval = 20;
    // How long to wait for the window manager's frame (50 x 20 ms); a window without one settles after that.
    static constexpr int kMaxPolls = 50;

    // On X11 a window manager frames the window a moment after it is mapped; Qt learns the
    // frame's size from it. Other platforms report theirs at once, or have none.
    bool frameKnown() const
    {
        if (window_->windowFlags().testFlag(Qt::FramelessWindowHint) || QGuiApplication::platformName() != u"xcb"_s)
            return true;
        return !FrameExtra(window_).isEmpty();
    }

    void waitUntilOnScreen()
    {
        watchHandle();
        polls_ = 0;
        poll_.start();
    }

    void watchHandle()
    {
        QWindow* handle = window_->windowHandle();
        if (handle && handle != handle_) {
            handle_ = handle;
            handle->installEventFilter(this);
        }
    }

    void settleWhenOnScreen()
    {
        if (settled_ || !window_->isVisible()) {
            poll_.stop(); // a later show starts again
            return;
        }
        if (!IsOnScreen(window_))
            return;
        if (!frameKnown() && ++polls_ < kMaxPolls)
            return;
        poll_.stop();
        if (pendingRestore_ && OuterRect(window_) != *pendingRestore_) {
            const bool saving = placementSaving;
            placementSaving = false;
            ApplyOuterRect(window_, *pendingRestore_);
            placementSaving = saving;
        }
        pendingRestore_.reset();
        settle();
    }

    void settle() { settled_ = OuterRect(window_); }

    QWidget* window_;
    QPointer<QWindow> handle_;
    QTimer poll_;
    int polls_ = 0;
    std::optional<QRect> pendingRestore_;
    std::optional<QRect> settled_;
    bool userPlaced_ = false;
};

} // namespace

void TrackPlacement(QWidget* window)
{
    if (window && !PlacementTracker::of(window))
        new PlacementTracker(window);
}

QRect KeepTitleBarReachable(const QRect& outer, const QList<QRect>& availableAreas)
{
    if (availableAreas.isEmpty())
        return outer;
    const QRect titleBar(outer.left(), outer.top(), outer.width(), qMin(kTitleBarStrip, outer.height()));
    const int grip = qMin(kTitleBarGrip, outer.width());
    const QRect* best = &availableAreas.first();
    int bestOverlap = -1;
    for (const QRect& area : availableAreas) {
        const QRect onArea = titleBar.intersected(area);
        if (onArea.width() >= grip && onArea.height() >= titleBar.height() && outer.height() <= area.height() &&
            outer.width() <= area.width())
            return outer;
        const QRect overlap = outer.intersected(area);
        const int size = overlap.isEmpty() ? 0 : overlap.width() * overlap.height();
        if (size > bestOverlap) {
            bestOverlap = size;
            best = &area;
        }
    }
    const QRect& area = *best;
    QRect fitted(outer.topLeft(), outer.size().boundedTo(area.size()));
    fitted.moveLeft(qBound(area.left(), fitted.left(), area.right() + 1 - fitted.width()));
    fitted.moveTop(qBound(area.top(), fitted.top(), area.bottom() + 1 - fitted.height()));
    return fitted;
}

void saveFormPlacement(QObject* form)
{
    QWidget* window = AsWindow(form);
    if (!window)
        return;
    if (PlacementTracker* tracker = PlacementTracker::of(window); tracker && !tracker->allowsSave())
        return;
    const QString name = window->objectName();
    const QRect outer = OuterRect(window);
    WriteSetting(kSection, u"left"_s + name, QString::number(outer.x()));
    WriteSetting(kSection, u"top"_s + name, QString::number(outer.y()));
    WriteSetting(kSection, u"width"_s + name, QString::number(outer.width()));
    WriteSetting(kSection, u"height"_s + name, QString::number(outer.height()));
}

void restoreFormPlacement(QObject* form)
{
    QWidget* window = AsWindow(form);
    if (!window)
        return;
    const QString name = window->objectName();
    const QRect current = OuterRect(window);
    const QRect stored(StoredOr(u"left"_s + name, current.x()), StoredOr(u"top"_s + name, current.y()),
                       StoredOr(u"width"_s + name, current.width()), StoredOr(u"height"_s + name, current.height()));
    // Without a stored value the window keeps the place its design gave it.
    const QRect outer = stored == current ? current : KeepTitleBarReachable(stored, AvailableAreas());

    placementSaving = false;
    TrackPlacement(window);
    PlacementTracker::of(window)->restoreTo(outer);
    QCoreApplication::processEvents();
    placementSaving = true;
}
