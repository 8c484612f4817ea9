// The requests windows send each other without knowing each other: an order changed, an order is to be shown.
#pragma once

#include <QObject>

// One object per process. The windows that change or want an order emit; the window that
// owns the order list and opens the order window listens.
class WindowLinks final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowLinks)

public:
    WindowLinks() = default;

signals:
    // The order's status changed on the server: the order list should reload now.
    void orderChanged();
    // The refresh should start over: one tick now, the next a full interval later (a stopped
    // refresh stays stopped).
    void refreshStepRequested();
    // The user asked to see this order in the order window.
    void orderRequested(qint32 nalogId);
};

WindowLinks& Links();
