// TfrmShranjevanjeGumUrejanjeProstorov: the editor of the storage places where customers' tyres are kept.
#pragma once

#include "storage/location_table.h"

#include "ui/ordavo_window.h"

#include <QVector>

class BusyGuard;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class TXpButton;

class TfrmShranjevanjeGumUrejanjeProstorov final : public OrdavoWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmShranjevanjeGumUrejanjeProstorov)

public:
    explicit TfrmShranjevanjeGumUrejanjeProstorov(QWidget* parent = nullptr);

    // Entry i belongs to item i of cmbProstori; entry 0 is "Dodaj novega..." with id -1.
    const QVector<Tlokacije>& locations() const { return lokacije; }

private:
    void buildControls();

    void FormShow() override;
    void loadLokacije();
    void cmbProstoriChange();
    void shraniClick();
    void btnIzbrisiClick();
    void saveLocation();
    void deleteLocation();
    bool nameIsEmpty() const;
    qint32 selectedLocationId() const;
    // The boxes' texts as the statements carry them: stripped of quotes and backslashes, the
    // description's line breaks as carriage return and line feed.
    QString sentName() const;
    QString sentDescription() const;
    // False, after saying why, when the server would change the texts on the way.
    bool textsSendable() const;
    // "call usp_insertUpdateLokacija (id,'name','description',operation)".
    QString locationStatement(qint32 id, int operation) const;

    QComboBox* cmbProstori = nullptr;
    QLineEdit* txtImeProstora = nullptr;
    QPlainTextEdit* mmoOpisProstora = nullptr;
    TXpButton* btnIzbrisi = nullptr;
    TXpButton* shrani = nullptr;
    BusyGuard* busy_ = nullptr;

    QVector<Tlokacije> lokacije;
};
