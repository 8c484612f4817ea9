// TfrmShranjevanjeGumVpisiNevpisane: the orders whose tyres the workshop stores, and assigning each one a storage
// place.
#pragma once

#include "storage/location_table.h"

#include "ui/ordavo_window.h"

#include <QVector>

class BusyGuard;
class QAction;
class QComboBox;
class QPlainTextEdit;
class QRadioButton;
class QTableView;
class StoredTyreListModel;
class TXpButton;

class TfrmShranjevanjeGumVpisiNevpisane final : public OrdavoWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmShranjevanjeGumVpisiNevpisane)

public:
    explicit TfrmShranjevanjeGumVpisiNevpisane(QWidget* parent = nullptr);

    // Entry i belongs to item i of cmbProstori; entry 0 is "Nepopisano..." with id -1.
    const QVector<Tlokacije>& locations() const { return lokacije; }
    const StoredTyreListModel& orders() const { return *model_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildTopBandControls();
    QWidget* buildAssignmentPanel();

    void FormShow() override;
    void Osveigume1Click();
    void filterChanged();
    void loadProstori();
    void loadNevpisani();
    void cmbProstoriChange();
    void lviewMainClick();
    void btnPoglejNalogClick();
    void shraniClick();
    void saveLocation();
    int selectedRow() const;
    bool mainSearchInUse() const;

    QAction* Osveigume1 = nullptr;
    QRadioButton* rdbNevneseni = nullptr;
    QRadioButton* rdbVneseni = nullptr;
    TXpButton* btnPoglejNalog = nullptr;
    QTableView* lviewMain = nullptr;
    QWidget* pnlVpisiNevpisanega = nullptr;
    QComboBox* cmbProstori = nullptr;
    QPlainTextEdit* mmoOpisProstora = nullptr;
    TXpButton* shrani = nullptr;
    StoredTyreListModel* model_ = nullptr;
    BusyGuard* busy_ = nullptr;

    QVector<Tlokacije> lokacije;
};
