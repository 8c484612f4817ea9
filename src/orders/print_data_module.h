// TDataModule1: the data module of the printed order, holding adoPrintit, the item rows the report prints.
#pragma once

#include "data/recordset.h"
#include "report/report.h"

#include <QObject>
#include <QString>

#include <vector>

// The item rows of the printed order as four text fields of limited length (opis 100,
// dodatno 500, kolicina 250, cena 20 characters), fed from the items' Recordset; it uses no
// database connection.
class TPrintItemTable final : public report::DataSource {
public:
    struct Row {
        QString opis;
        QString dodatno;
        QString kolicina;
        QString cena;
    };
    static constexpr int OpisSize = 100;
    static constexpr int DodatnoSize = 500;
    static constexpr int KolicinaSize = 250;
    static constexpr int CenaSize = 20;

    void clear() { rows_.clear(); }
    // Stores the values cut to the field sizes.
    void appendRow(const QString& opis, const QString& dodatno, const QString& kolicina, const QString& cena);
    // Appends every row of the table from its first (columns opis, Dodatno, kolicina, cena;
    // a null value is stored empty, numbers in their "." form). DataError when a column is
    // missing; the rows read before it stay.
    void loadFrom(Recordset& items);

    const std::vector<Row>& rows() const { return rows_; }
    int rowCount() const override { return int(rows_.size()); }
    // Fields by name, without regard to case; an unknown name reads empty.
    QString fieldText(int row, const QString& field) const override;

private:
    std::vector<Row> rows_;
};

class TDataModule1 final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDataModule1)

public:
    explicit TDataModule1(QObject* parent = nullptr);
    ~TDataModule1() override;

    TPrintItemTable adoPrintit;
};

// The one data module of the process (nullptr before it is created).
extern TDataModule1* DataModule1;
// Creates the data module when it does not exist yet (owned by the application).
void EnsurePrintDataModule();
