// Saves and restores a window's outer position and size under its object name in the settings store.
#include "window_placement.h"

#include "data/settings_keys.h"
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

// The frame the window manager last gave a window of this program: the best guess for a window
// it has not framed yet (all of them carry the same decorations). Empty until one was framed.
QMargins lastFrame;

QWidget* AsWindow(QObject* form)
{
    auto* widget = qobject_cast<QWidget*>(form);
    return widget && widget->isWindow() ? widget : nullptr;
}

std::optional<int> StoredInteger(const QString& key)
{
    bool ok = false;
    const int value = Setting(key).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

bool IsDecorated(const QWidget* window)
{
    return !window->windowFlags().testFlag(Qt::FramelessWindowHint) && QGuiApplication::platformName() == u"xcb"_s;
}

// The frame the window manager drew around the window; zero before it has framed it.
QMargins KnownFrame(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    return handle && window->testAttribute(Qt::WA_WState_Created) ? handle->frameMargins() : QMargins();
}

// The window's frame, or before the window manager framed it the frame it is expected to get.
QMargins ExpectedFrame(const QWidget* window)
{
    const QMargins known = KnownFrame(window);
    if (!known.isNull() || !IsDecorated(window))
        return known;
    return lastFrame;
}

QSize SizeOf(const QMargins& margins)
{
    return QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

// The window with its frame. Asked of the native window once the window manager has framed it:
// the widget's own copy of the frame can stay empty when the frame came after Qt first asked.
// Before that, the window's position is where its frame will stand (a window is placed with
// move() until it is on screen) and the frame is the expected one.
QRect OuterRect(const QWidget* window)
{
    if (!KnownFrame(window).isNull())
        return window->windowHandle()->frameGeometry();
    return QRect(window->pos(), window->size() + SizeOf(ExpectedFrame(window)));
}

bool IsOnScreen(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    return window->isVisible() && handle && handle->isExposed();
}

// Puts the window's frame at outer.topLeft() and sizes it so that the frame is outer.size().
// Once the frame is known the client rectangle is set exactly; before, the window is moved by
// its frame's corner and sized by the expected frame, and corrected once it is framed.
void ApplyOuterRect(QWidget* window, const QRect& outer)
{
    const QMargins known = KnownFrame(window);
    if (known.isNull()) {
        window->move(outer.topLeft());
        window->resize(outer.size() - SizeOf(ExpectedFrame(window)));
        return;
    }
    window->setGeometry(outer - known);
}

QList<QRect> AvailableAreas()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

// The outer rectangle moved, and if need be shrunk (not below the window's minimum), into the
// screens' available areas.
QRect FitOnScreen(const QWidget* window, const QRect& outer)
{
    return FitIntoAvailableArea(outer, window->minimumSize() + SizeOf(ExpectedFrame(window)), AvailableAreas());
}

const QString kTrackerName = u"ordavoPlacementTracker"_s;

// Follows one window from its creation: waits until it is on screen, applies again a restore
// that was made before the window manager's frame was known and keeps the window on the screen,
// then remembers the outer rectangle the window settled on. A window that restores its placement
// is written only after the user changed that rectangle; any other also when it closes.
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

    // The window restores its placement: only the user's changes are written.
    void markRestoring() { restored_ = true; }

    // For a window tracked only once it was already showing: settles it like one tracked before.
    void settleIfShowing()
    {
        if (!settled_ && window_->isVisible() && !poll_.isActive())
            waitUntilOnScreen();
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
        // A window that opens where its design puts it stores where it was when it closes.
        if (closing_ && !restored_)
            return true;
        if (!settled_ || OuterRect(window_) == *settled_)
            return false;
        userPlaced_ = true;
        return true;
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_) {
            if (event->type() == QEvent::Show)
                closing_ = false;
            else if (event->type() == QEvent::Close || (event->type() == QEvent::Hide && !event->spontaneous()))
                closing_ = true;
        }
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
    bool frameKnown() const { return !IsDecorated(window_) || !KnownFrame(window_).isNull(); }

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
        if (!KnownFrame(window_).isNull())
            lastFrame = KnownFrame(window_);
        // With the real frame known, the rectangle asked for is applied again where the guess
        // was wrong, and the window is kept on the screen.
        const QRect wanted = FitOnScreen(window_, pendingRestore_.value_or(OuterRect(window_)));
        if (OuterRect(window_) != wanted) {
            const bool saving = placementSaving;
            placementSaving = false;
            ApplyOuterRect(window_, wanted);
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
    bool restored_ = false;
    bool closing_ = false;
};

} // namespace

void TrackPlacement(QWidget* window)
{
    if (window && !PlacementTracker::of(window))
        new PlacementTracker(window);
}

QRect FitIntoAvailableArea(const QRect& outer, const QSize& minimumOuter, const QList<QRect>& availableAreas)
{
    if (availableAreas.isEmpty())
        return outer;
    const QRect* best = &availableAreas.first();
    qint64 bestOverlap = -1;
    for (const QRect& area : availableAreas) {
        if (area.contains(outer))
            return outer;
        const QRect overlap = outer.intersected(area);
        const qint64 size = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        if (size > bestOverlap) {
            bestOverlap = size;
            best = &area;
        }
    }
    const QRect& area = *best;
    QRect fitted(outer.topLeft(), outer.size().boundedTo(area.size()).expandedTo(minimumOuter));
    // Right and bottom edges first, then left and top: a window larger than the area keeps its
    // title bar on it.
    fitted.moveLeft(qMax(area.left(), qMin(fitted.left(), area.right() + 1 - fitted.width())));
    fitted.moveTop(qMax(area.top(), qMin(fitted.top(), area.bottom() + 1 - fitted.height())));
    return fitted;
}

void KeepOnScreen(QWidget* window)
{
    if (!window || !window->isWindow())
        return;
    TrackPlacement(window);
    PlacementTracker::of(window)->settleIfShowing();
    const QRect outer = OuterRect(window);
    const QRect fitted = FitOnScreen(window, outer);
    if (fitted == outer)
        return;
    const bool saving = placementSaving;
    placementSaving = false;
    ApplyOuterRect(window, fitted);
    placementSaving = saving;
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
    StoreSetting(SettingKey::PlacementLeftPrefix + name, QString::number(outer.x()));
    StoreSetting(SettingKey::PlacementTopPrefix + name, QString::number(outer.y()));
    StoreSetting(SettingKey::PlacementWidthPrefix + name, QString::number(outer.width()));
    StoreSetting(SettingKey::PlacementHeightPrefix + name, QString::number(outer.height()));
}

void restoreFormPlacement(QObject* form)
{
    QWidget* window = AsWindow(form);
    if (!window)
        return;
    const QString name = window->objectName();
    const std::optional<int> left = StoredInteger(SettingKey::PlacementLeftPrefix + name);
    const std::optional<int> top = StoredInteger(SettingKey::PlacementTopPrefix + name);
    const std::optional<int> width = StoredInteger(SettingKey::PlacementWidthPrefix + name);
    const std::optional<int> height = StoredInteger(SettingKey::PlacementHeightPrefix + name);

    placementSaving = false;
    TrackPlacement(window);
    PlacementTracker::of(window)->markRestoring();
    if (!left && !top && !width && !height) {
        // Nothing stored: the window keeps the place and size its design gave it, on the screen.
        KeepOnScreen(window);
    } else {
        const QRect current = OuterRect(window);
        const QRect stored(left.value_or(current.x()), top.value_or(current.y()), width.value_or(current.width()),
                           height.value_or(current.height()));
        PlacementTracker::of(window)->restoreTo(FitOnScreen(window, stored));
    }
    QCoreApplication::processEvents();
    placementSaving = true;
}
