// Window sizes given frame included: the client size follows once the window manager's frame is known.
#include "ui/outer_size.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {
// After showing, the frame is looked for this often and this many times; the window manager
// sets its extents shortly after mapping, and a move or resize event usually reports it sooner.
constexpr int FrameCheckMs = 50;
constexpr int FrameChecks = 40;
} // namespace

OuterSizeKeeper* OuterSizeKeeper::withOuterSize(QWidget* window, const QSize& outerSize, const QSize& outerMinimum)
{
    return new OuterSizeKeeper(window, outerSize, QSize(), outerMinimum);
}

OuterSizeKeeper* OuterSizeKeeper::withClientSize(QWidget* window, const QSize& clientSize, const QSize& outerMinimum)
{
    return new OuterSizeKeeper(window, QSize(), clientSize, outerMinimum);
}

OuterSizeKeeper::OuterSizeKeeper(QWidget* window, const QSize& outerSize, const QSize& clientSize,
                                 const QSize& outerMinimum)
    : QObject(window), window_(window), outerSize_(outerSize), clientSize_(clientSize), outerMinimum_(outerMinimum),
      frameWatch_(new QTimer(this))
{
    window_->setMinimumSize(minimumFor(frame_));
    window_->resize(wantedSize(frame_));
    frameWatch_->setInterval(FrameCheckMs);
    connect(frameWatch_, &QTimer::timeout, this, [this] {
        followFrame();
        if (--frameChecksLeft_ <= 0)
            frameWatch_->stop();
    });
    window_->installEventFilter(this);
}

bool OuterSizeKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Show:
            frameChecksLeft_ = FrameChecks;
            frameWatch_->start();
            followFrame();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            followFrame();
            break;
        default:
            break;
        }
    }
    return false;
}

QSize OuterSizeKeeper::wantedSize(const QSize& frame) const
{
    return outerSize_.isValid() ? outerSize_ - frame : clientSize_;
}

QSize OuterSizeKeeper::minimumFor(const QSize& frame) const
{
    return (outerMinimum_ - frame).boundedTo(wantedSize(frame));
}

QSize OuterSizeKeeper::currentFrame() const
{
    const QWindow* handle = window_->windowHandle();
    if (!handle || !window_->isVisible())
        return frame_;
    const QMargins margins = handle->frameMargins();
    return QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

void OuterSizeKeeper::followFrame()
{
    const QSize frame = currentFrame();
    if (frame == frame_)
        return;
    // Only a window still at the size given here follows the frame; a user's size stays.
    const bool followsFrame = window_->size() == wantedSize(frame_);
    frame_ = frame;
    window_->setMinimumSize(minimumFor(frame_));
    if (followsFrame)
        window_->resize(wantedSize(frame_));
}
