// Window sizes given frame included: the client size follows once the window manager's frame is known.
#pragma once

#include <QObject>
#include <QSize>

class QWidget;
class QTimer;

// Gives a window an outer (frame-inclusive) minimum size and either an outer size or a client
// size. The frame's extents are known only after the window manager has decorated the mapped
// window, so until then the frame counts as empty; when the frame appears or changes, the
// minimum becomes the outer minimum less the frame and, while the user has not resized the
// window, its size the outer size less the frame (or the client size). The minimum never
// exceeds that size: where the window manager's frame is thinner than the one the design was
// drawn for, the window opens at its design size rather than grown to the minimum.
// Without a window manager the frame stays empty. Owned by the window.
class OuterSizeKeeper final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OuterSizeKeeper)

public:
    static OuterSizeKeeper* withOuterSize(QWidget* window, const QSize& outerSize, const QSize& outerMinimum);
    static OuterSizeKeeper* withClientSize(QWidget* window, const QSize& clientSize, const QSize& outerMinimum);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OuterSizeKeeper(QWidget* window, const QSize& outerSize, const QSize& clientSize, const QSize& outerMinimum);
    QSize wantedSize(const QSize& frame) const;
    QSize minimumFor(const QSize& frame) const;
    QSize currentFrame() const;
    void followFrame();

    QWidget* window_;
    QSize outerSize_;
    QSize clientSize_;
    QSize outerMinimum_;
    QSize frame_{0, 0};
    QTimer* frameWatch_;
    int frameChecksLeft_ = 0;
};
