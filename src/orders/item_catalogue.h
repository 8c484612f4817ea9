// TfrmNalogUrejanjePostavk: the catalogue of standard order items, with its edit panel for adding, changing, moving and
// deleting items.
#pragma once

#include "data/recordset.h"

#include "ui/ordavo_window.h"

#include <QString>
#include <QVector>

class BusyGuard;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QWidget;
class TXpButton;

// One catalogue item; element i of the item table describes list row i (row 0 is the fixed
// row "..Dodaj novo postavko.." and carries no item).
struct Tpostavke {
    qint32 id = -1;
    QString opis;
    QString cena; // the price as the server sends it
    qint16 enabled = 0;
    qint32 orderby = 0;
};

class TfrmNalogUrejanjePostavk final : public OrdavoWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmNalogUrejanjePostavk)

public:
    explicit TfrmNalogUrejanjePostavk(QWidget* parent = nullptr);
    ~TfrmNalogUrejanjePostavk() override;

    qint32 selectedPostavkaId() const { return SelectedPostavkaId; }
    qint32 selectedPostavkaIndex() const { return SelectedPostavkaIndex; }

private:
    void buildControls();
    QWidget* buildEditPanel();

    void FormShow() override;
    void loadPostavkeList();
    int fillList(Recordset* answer);
    void lviewPostavkeChange();
    void showPanel();
    void hidePanel();
    // The position's label, box and its "-" and "+" buttons, shown only for an existing item.
    QList<QWidget*> positionControls() const;
    void savePostavka();
    void shraniClick();
    void btnDeletePostavkaClick();
    void btnplusClick();
    void btnminusClick();
    void stepPosition(int step);
    void deleteSelectedItem();
    // The save statement with the price as checked by the caller.
    QString saveStatement(const QString& price) const;

    QTableWidget* lviewPostavke = nullptr;
    QWidget* pnlAddDelete = nullptr;
    QLabel* lblTop = nullptr;
    QLineEdit* txtOpis = nullptr;
    QLineEdit* txtCena = nullptr;
    QLabel* lblpozicija = nullptr;
    QLineEdit* txtPozicija = nullptr;
    QPushButton* btnminus = nullptr;
    QPushButton* btnplus = nullptr;
    TXpButton* btnDeletePostavka = nullptr;
    TXpButton* shrani = nullptr;
    BusyGuard* busy_ = nullptr;

    QVector<Tpostavke> postavke;
    qint32 SelectedPostavkaId = -1;
    qint32 SelectedPostavkaIndex = 0;
    bool Loading = false;
};
