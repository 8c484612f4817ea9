// The main window TfrmMain: start-up, closing rules, the order list with its refresh timer, the menus.
#pragma once

#include <QMainWindow>

class QTimer;

class TfrmMain final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmMain)

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Reloads the order list (called by the refresh tick, the search, the radio buttons
    // and the order actions after an order changed).
    void loadNalogi();
    // The refresh tick of tmrcheck.
    void tmrcheckTimer();

    QTimer* tmrcheck = nullptr;

    // ... further members are added by the shell's own work.
};

// The one main window of the process (nullptr before it is created).
extern TfrmMain* frmMain;
