// The shared window chrome and the base class of the secondary windows.
#include "ordavo_window.h"

#include "accessibility.h"
#include "failure_box.h"
#include "glyph_room.h"
#include "key_preview.h"
#include "message_boxes.h"
#include "ordavo_pictures.h"
#include "window_owner.h"
#include "window_placement.h"

#include "data/errors.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TopBand::TopBand(int height, QWidget* parent) : QWidget(parent), banner_(new QLabel(this))
{
    setObjectName(u"pnlTop"_s);
    setFixedHeight(height);
    SetBackgroundColour(this, QColor(kBandColour));
    banner_->setObjectName(u"imgTop"_s);
    DescribePicture(banner_, u"Logotip Ordavo"_s);
    banner_->setPixmap(OrdavoPictures::PicturePixmap(OrdavoPictures::Banner));
    banner_->setFixedSize(banner_->pixmap().size());
    banner_->lower();
}

void TopBand::setBannerRightInset(int inset)
{
    bannerRightInset_ = inset;
    placeBanner();
}

void TopBand::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeBanner();
}

void TopBand::placeBanner()
{
    banner_->move(width() - bannerRightInset_ - banner_->width(), 0);
}

WindowChrome::WindowChrome(QWidget* window, int topBandHeight, KeyHandler keyHandler) : QObject(window), window_(window)
{
    SetBackgroundColour(window, QColor(kWindowBackground));

    QWidget* host = window;
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window)) {
        host = new QWidget(mainWindow);
        mainWindow->setCentralWidget(host);
    }
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (topBandHeight > 0) {
        topBand_ = new TopBand(topBandHeight, host);
        layout->addWidget(topBand_);
    }
    bodyPanel_ = new QWidget(host);
    bodyPanel_->setObjectName(u"pnlHolder"_s);
    SetBackgroundColour(bodyPanel_, QColor(kBandColour));
    layout->addWidget(bodyPanel_, 1);

    new KeyPreview(window, std::move(keyHandler));
    window->installEventFilter(this);
    TrackPlacement(window);
}

bool WindowChrome::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        const bool hiding = event->type() == QEvent::Hide && !event->spontaneous();
        if (event->type() == QEvent::Resize || event->type() == QEvent::Close || hiding)
            savePlacement();
    }
    return false;
}

void WindowChrome::savePlacement()
{
    if (!placementSaving || !placementSaved_ || saveFailed_)
        return;
    try {
        saveFormPlacement(window_);
    } catch (const std::exception& e) {
        // Once per window: a store that refuses writes would otherwise report every resize step.
        saveFailed_ = true;
        ShowFailureBox(ErrorMessage(e));
    }
}

OrdavoWindow::OrdavoWindow(const QString& objectName, const QString& title, int topBandHeight, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(objectName);
    setWindowTitle(title);
    chrome_ = new WindowChrome(this, topBandHeight, [this](QKeyEvent* event) { return FormKeyDown(event); });
}

bool OrdavoWindow::FormKeyDown(QKeyEvent* event)
{
    if (!IsCloseKey(event))
        return false;
    close();
    return true;
}

void OrdavoWindow::showEvent(QShowEvent* event)
{
    if (event->spontaneous()) {
        QDialog::showEvent(event);
        return;
    }
    const bool firstShow = !shownBefore_;
    if (firstShow) {
        shownBefore_ = true;
        KeepGlyphsInsideLabels(*this);
        if (centredOnMainWindow_)
            CentreOnOwnerWindow(this);
        KeepOnScreen(this);
    }
    QDialog::showEvent(event);
    if (firstShow || formShowRuns_ == FormShowRuns::EveryShow)
        FormShow();
}

void OrdavoWindow::keyPressEvent(QKeyEvent* event)
{
    // A dialog would press its default button on Enter anywhere; these windows only let a
    // focused button take Enter (it handles the key itself before it gets here).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}
