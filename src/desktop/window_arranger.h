// Arranging foreign windows on the desktop: the interface, its X11 (xcb + EWMH) form and a recording form for tests.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// A top-level window of any program, as the window system names it.
struct ForeignWindow {
    quint64 id = 0;
    QString title;
};

// What the arrangement of the main window needs from the window system.
class WindowArranger {
public:
    virtual ~WindowArranger() = default;
    // Every top-level window, topmost first.
    virtual QList<ForeignWindow> topLevelWindows() = 0;
    // Shows the window in its normal state (not minimised, not maximised) with its frame (title
    // bar included) covering `geometry`. False when the window system refused.
    virtual bool showNormalAt(quint64 window, const QRect& geometry) = 0;
    // The rectangle of the desktop's panel (taskbar) when there is one.
    virtual std::optional<QRect> taskbarRect() = 0;
};

// Where the other window and the main window go: the other window fills the screen left of
// the main window (above a horizontal taskbar), the main window moves to the right edge.
struct WindowArrangement {
    QRect other;
    int mainLeft = 0;
};
WindowArrangement ArrangeBesideMainWindow(QSize screen, int mainWindowWidth, int taskbarHeight);

// The height of a taskbar along the top or bottom edge: its height when the screen is at
// least that plus 100 pixels high, else 0 (a vertical taskbar); 0 without a taskbar.
int TaskbarHeightFor(const std::optional<QRect>& taskbar, int screenHeight);

// The panel rectangle implied by a work area on a screen: the strip the work area leaves
// free at the top or bottom (full width), else at the left or right (full height).
std::optional<QRect> TaskbarFromWorkArea(const QRect& screen, const QRect& workArea);

// Does nothing: no windows, no taskbar. Used where the platform is not X11.
class NullWindowArranger final : public WindowArranger {
public:
    QList<ForeignWindow> topLevelWindows() override { return {}; }
    bool showNormalAt(quint64, const QRect&) override { return false; }
    std::optional<QRect> taskbarRect() override { return std::nullopt; }
};

// The outer rectangle moved down and right, as far as needed, to start inside the work area,
// then cut to it, so no part lies under a panel or off the screen. An invalid work area
// leaves it as it is.
QRect KeepInsideWorkArea(const QRect& outer, const QRect& workArea);

// X11 through Qt's xcb connection: the client list in stacking order (_NET_CLIENT_LIST_STACKING,
// or the root's children without a window manager), _NET_WM_NAME / WM_NAME, the work area
// (_NET_WORKAREA), and _NET_WM_STATE / _NET_MOVERESIZE_WINDOW / _NET_ACTIVE_WINDOW requests
// (a plain map and configure without a window manager). Under a window manager the requested
// rectangle is the frame's: the client size is what remains inside _NET_FRAME_EXTENTS, and the
// rectangle is kept inside the work area.
class XcbWindowArranger final : public WindowArranger {
public:
    XcbWindowArranger();
    ~XcbWindowArranger() override;
    XcbWindowArranger(const XcbWindowArranger&) = delete;
    XcbWindowArranger& operator=(const XcbWindowArranger&) = delete;

    // False when the program does not run on an X11 connection.
    bool isAvailable() const;

    QList<ForeignWindow> topLevelWindows() override;
    bool showNormalAt(quint64 window, const QRect& geometry) override;
    std::optional<QRect> taskbarRect() override;

    // The _NET_WM_STATE atoms' names currently set on a window (for checks and diagnostics).
    QStringList windowStates(quint64 window);

private:
    struct Impl;
    Impl* impl_;
};

// Answers from a scripted window list and taskbar, and records every move.
class RecordingWindowArranger final : public WindowArranger {
public:
    QList<ForeignWindow> topLevelWindows() override { return windows; }
    bool showNormalAt(quint64 window, const QRect& geometry) override
    {
        moves.append({window, geometry});
        return true;
    }
    std::optional<QRect> taskbarRect() override { return taskbar; }

    QList<ForeignWindow> windows;
    std::optional<QRect> taskbar;
    struct Move {
        quint64 window;
        QRect geometry;
    };
    QList<Move> moves;
};

// The arranger every caller uses: the X11 one on an X11 connection, otherwise one that does
// nothing, unless a test has installed its own (the caller keeps ownership; nullptr restores).
WindowArranger& CurrentWindowArranger();
void SetCurrentWindowArranger(WindowArranger* arranger);
