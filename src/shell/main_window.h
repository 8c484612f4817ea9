// The main window TfrmMain: start-up, closing rules, the order list with its refresh timer, the menus.
#pragma once

#include "desktop/window_arranger.h"

#include <QDate>
#include <QMainWindow>

#include <optional>

class OrderListModel;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QTableView;
class QTimer;
class Recordset;
class TXpButton;
struct Tnalogi;

// The list statement: filter "2" for all orders, "0" for unbilled ones, the dates one year
// back and ahead of `today` in `dateFormat`, and the search flag and text.
QString OrderListStatement(bool allOrders, const QString& search, const QDate& today, const QString& dateFormat);

// Where the fields of Tnalogi stand in an order-list answer, found once per answer.
struct OrderColumns {
    int id = -1;
    int nalogStevilka = -1;
    int stranka = -1;
    int vnesel = -1;
    int komentar = -1;
    int datum = -1;
    int viewed = -1;
    int vozilo = -1;
    int registrska_st = -1;
    int nalogType = -1;
    int saved = -1;
};

// The columns of an order-list answer, names compared without regard to case; DataError
// for the first missing one, in the order of the Tnalogi fields.
OrderColumns FindOrderColumns(const Recordset& rs);

// The current row of an order-list answer as a Tnalogi; DataError for a value that cannot
// be converted.
Tnalogi ReadOrderRow(const Recordset& rs, const OrderColumns& columns);

// The search box text as it goes into the statement: leading blanks removed, then every
// apostrophe, double quote and backslash.
QString CleanSearchText(const QString& text);

class TfrmMain final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmMain)

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The start-up preparation: the server-state check, the sign-in decision and the
    // process-wide state. False when the sign-in was refused and the program ends.
    bool FormCreate();

    // Reloads the order list (called by the refresh tick, the search, the radio buttons
    // and the order actions after an order changed).
    void loadNalogi();
    // The refresh tick of tmrcheck.
    void tmrcheckTimer();
    // Applies the search box: cleans it, switches the refresh off or on, reloads.
    void applySearch();
    // Either radio button was clicked.
    void rdbNoviNalogiClick();
    // A click on the list.
    void lviewMainClick();
    // Opens the selected order in the order window.
    void poglejNalog();
    // Opens the workshop's web part in the browser.
    void Image1Click();

    // The arrangement: the window named by "othrappname" to the left, this one to the right.
    void alignWindows();
    // The first top-level window (topmost first) whose title contains text; fills Memo1.
    std::optional<ForeignWindow> findWindowByTitle(const QString& text);
    // The height of a horizontal taskbar, else 0.
    int taskbarHeight();

    // Menu commands.
    void Osvezi1Click();
    void UrejanjePostavk1Click();
    void PoisciShranjeneGume1Click();
    void VpisiNevpisaneGume1Click();
    void UrediMesta1Click();
    void UrejanjePodatkov1Click();
    void Ponovenvpis1Click();
    void Izhod1Click();

    QTimer* tmrcheck = nullptr;

    // Index of the selected list row, -1 when none.
    int selectedRow() const;

signals:
    // The order count changed while the program was in the background: the taskbar entry
    // was flashed and the window brought to the front.
    void newOrdersAlerted();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    QWidget* buildTopBand();
    QWidget* buildBottomBand();
    void buildMenus();
    void FormShow();
    bool FormKeyDown(QKeyEvent* event);
    void askToCloseProgram();

    // Start-up steps: the server-state check (false after a communication failure), the
    // sign-in when it is needed (false when refused), the prepared state.
    bool checkServerState();
    bool signInWhenNeeded();
    void prepareState();
    void showVersion();

    bool runSignIn();
    void destroySignInWindow();
    void endProgram();

    void readOrders(Recordset& rs, std::optional<qint32> selectedId, int* reselectRow);
    void alertOnCountChange(int newCount);
    void selectRow(int row);
    void fitColumnWidths();
    void setRefreshLabel(bool enabled);
    void savePlacementWhileAllowed();

    OrderListModel* model_ = nullptr;
    bool shownOnce_ = false;

public:
    // Controls, by the names the tests and the other windows use.
    QTableView* lviewMain = nullptr;
    QLineEdit* txtSearch = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblRefreshing = nullptr;
    QRadioButton* rdbNoviNalogi = nullptr;
    QRadioButton* rdbVsiNalogi = nullptr;
    TXpButton* btnPoglejNalog = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* imgAlign = nullptr;
    QLabel* Image1 = nullptr;
    QMenu* mnuShranjevanjeGum = nullptr;
    QAction* actIzhod = nullptr;
};

// The one main window of the process (nullptr before it is created).
extern TfrmMain* frmMain;
