// TfrmshranjevanjeGumISkanje: the search that answers where a customer's stored tyres are.
#pragma once

#include "ui/ordavo_window.h"

#include <QString>

class BusyGuard;
class QLineEdit;
class QTableView;
class StoredTyreListModel;
class TXpButton;

class TfrmshranjevanjeGumISkanje final : public OrdavoWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmshranjevanjeGumISkanje)

public:
    explicit TfrmshranjevanjeGumISkanje(QWidget* parent = nullptr);

    const StoredTyreListModel& results() const { return *model_; }
    // The statement of the last search, quoted by the message of a failed read.
    const QString& lastSearchStatement() const { return lastStatement_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();

    void txtSearchKeyUp();
    void btnNajdiClick();
    void btnPoglejNalogClick();
    void searchVpisani();
    void runOneSearch();
    QString takeSearchText();

    QLineEdit* txtSearch = nullptr;
    TXpButton* btnNajdi = nullptr;
    TXpButton* btnPoglejNalog = nullptr;
    QTableView* lviewMain = nullptr;
    StoredTyreListModel* model_ = nullptr;
    BusyGuard* busy_ = nullptr;

    QString lastStatement_;
    bool searchPending_ = false;
};
