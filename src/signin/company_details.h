// TfrmUrejanjePodatkov: the editor of the company details printed on every order.
#pragma once

#include "ui/ordavo_window.h"

#include <QString>

#include <array>

class QLineEdit;
class TXpButton;

class TfrmUrejanjePodatkov final : public OrdavoWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmUrejanjePodatkov)

public:
    explicit TfrmUrejanjePodatkov(QWidget* parent = nullptr);

    // Writes the six settings from the boxes, in the order of the boxes, and closes.
    void shraniClick();

    QLineEdit* txtImePodjetja = nullptr;
    QLineEdit* txtNaslovPodjetja = nullptr;
    QLineEdit* txtPostnaStevilkaInPosta = nullptr;
    QLineEdit* txtTelefon = nullptr;
    QLineEdit* txtFax = nullptr;
    QLineEdit* txtSpletnaStran = nullptr;
    TXpButton* shrani = nullptr;

private:
    struct Row {
        QString label;
        QString boxName;
        QString settingKey;
        QLineEdit** box;
    };
    std::array<Row, 6> rows();
    void buildControls();
    void FormShow() override;
};
