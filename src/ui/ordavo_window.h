// The shared window chrome: grey background, dark top band with the banner, body panel, close keys and placement
// saving.
#pragma once

#include "widget_colours.h"

#include <QDialog>
#include <QWidget>

#include <functional>

class QKeyEvent;
class QLabel;

// A panel in the band colour with the 1000 x 100 banner ("imgTop") anchored to its right edge;
// on a narrower window the banner's left part is cut off. Controls may be placed on it.
class TopBand final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TopBand)

public:
    TopBand(int height, QWidget* parent);
    QLabel* banner() const { return banner_; }
    // Keeps the banner's right edge this many pixels left of the band's, so controls anchored
    // to the band's right edge leave the picture's logo visible.
    void setBannerRightInset(int inset);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeBanner();

    QLabel* banner_;
    int bannerRightInset_ = 0;
};

// Gives any top-level window the shared look and behaviour:
// - background #DBDBDB; a top band (object name "pnlTop") of the given height, none for 0;
//   a body panel ("pnlHolder") in the band colour filling the rest;
// - every key press of the window and its controls goes to keyHandler first (key preview);
// - while placementSaving is true, saveFormPlacement on every resize, close and hide; a refused
//   write is reported once in the "Napaka" box and the window stops saving.
// For a QMainWindow the band and body are put into a new central widget.
class WindowChrome final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowChrome)

public:
    using KeyHandler = std::function<bool(QKeyEvent*)>;

    // Owned by window.
    WindowChrome(QWidget* window, int topBandHeight, KeyHandler keyHandler);

    TopBand* topBand() const { return topBand_; }
    QWidget* bodyPanel() const { return bodyPanel_; }

    // Whether this window writes its placement at all (on by default).
    void setPlacementSaved(bool saved) { placementSaved_ = saved; }
    bool placementSaved() const { return placementSaved_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void savePlacement();

    QWidget* window_;
    TopBand* topBand_ = nullptr;
    QWidget* bodyPanel_ = nullptr;
    bool placementSaved_ = true;
    bool saveFailed_ = false;
};

// Base class of the secondary windows. A window derives from it, passes its object name (the
// placement keys depend on it), title and band height, puts its controls on bodyPanel() (and
// topBand() for band labels), sets its size, and overrides FormKeyDown for keys of its own.
// Esc or Ctrl+W close it; it is centred on the main window when first shown (unless turned off)
// and kept inside the screen's work area; it has only a close box. Enter in a control does not press a button unless
// the button has focus.
class OrdavoWindow : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OrdavoWindow)

public:
    OrdavoWindow(const QString& objectName, const QString& title, int topBandHeight, QWidget* parent = nullptr);

    TopBand* topBand() const { return chrome_->topBand(); }
    QWidget* bodyPanel() const { return chrome_->bodyPanel(); }
    WindowChrome* chrome() const { return chrome_; }

    void setCentredOnMainWindow(bool centred) { centredOnMainWindow_ = centred; }

protected:
    // When FormShow runs: the first time the window is shown, or each time the program shows it
    // (never when the window system shows it again, for example after minimising).
    enum class FormShowRuns { FirstShow, EveryShow };
    void setFormShowRuns(FormShowRuns runs) { formShowRuns_ = runs; }

    // Runs after the window has been shown, as setFormShowRuns says; the default does nothing.
    virtual void FormShow() {}

    // Sees every key press of the window first; true consumes it. The default closes the window
    // on Esc or Ctrl+W.
    virtual bool FormKeyDown(QKeyEvent* event);

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    WindowChrome* chrome_;
    bool centredOnMainWindow_ = true;
    bool shownBefore_ = false;
    FormShowRuns formShowRuns_ = FormShowRuns::FirstShow;
};
