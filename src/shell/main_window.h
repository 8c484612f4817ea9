// The main window TfrmMain: start-up, closing rules, the order list with its refresh timer, the menus.
// Its member functions live in main_window.cpp (building, handlers, closing), main_window_startup.cpp,
// main_window_list.cpp (the list load and refresh) and main_window_arrangement.cpp.
#pragma once

#include "data/recordset.h"
#include "desktop/window_arranger.h"
#include "shell/order_list.h"

#include <QByteArray>
#include <QDate>
#include <QFont>
#include <QLocale>
#include <QMainWindow>
#include <QSet>
#include <QTime>

#include <array>
#include <optional>

class BackgroundCall;
class ListColumns;
class OrderListModel;
struct OrderListRanks;
struct CallResult;
struct RemoteCall;
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

class TfrmMain final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmMain)

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The start-up preparation: the server-state check, the sign-in decision and the
    // process-wide state. False when the sign-in was refused and the program ends.
    bool FormCreate();

    // Reloads the order list and returns with it shown (the search, the radio buttons and the
    // order actions after an order changed); the window paints while the answer comes.
    void loadNalogi();
    // The refresh tick of tmrcheck: the same load, with its transfer, decode and row reading in
    // the background; the answer is shown when it arrives, unless the user changed the search
    // or the filter, or started a load, meanwhile.
    void tmrcheckTimer();
    // Whether a refresh tick's load is on its way.
    bool refreshInFlight() const;
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

    // The rows of the latest list load in the server's order (the list may show them sorted).
    const QVector<Tnalogi>& orders() const;
    // Rows of the previous list load, -1 before the first.
    int lastOrderCount() const { return lastOrderCount_; }
    // Whether the next refresh tick is the first one.
    bool firstTickPending() const { return firstTick_; }
    // Whether closing the window ends the program (else it only minimises).
    bool closeAllowed() const { return allowClose_; }

    static constexpr int FirstTickMs = 500;
    static constexpr int RefreshMs = 7000;

signals:
    // The order count changed from `previousCount` to `newCount` while the program was in the
    // background: the taskbar entry was flashed and the window brought to the front.
    void newOrdersAlerted(int previousCount, int newCount);

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

    struct ListRowsRead;
    struct ListLoad;
    void beginListLoad(ListLoad& load);
    RemoteCall listCall(const ListLoad& load);
    void applyListLoad(ListLoad& load, CallResult result);
    void reportListFailure(const ListLoad& load, const QString& message);
    enum class ListedAnswer { Unchanged, Replaced, Forgotten };
    void keepAnswerBuffers(QByteArray answer, ListedAnswer listed);
    void startRefreshLoad();
    void refreshDropped(const ListLoad& load);
    void dropRefresh();
    void endTick();
    void holdRows(QVector<Tnalogi> read, int count, OrderListRanks ranks);
    int rowOfOrder(qint32 id) const;
    void alertOnCountChange(int newCount);
    void selectRow(int row);
    // Un-minimises, raises and activates the window.
    void bringToFront();
    // Posts "Novi nalogi: N" on the desktop when the count grew, unless the setting turns it off.
    void notifyNewOrders(int previousCount, int newCount);
    // Fits the auto-sized columns; with the same rows as at the last fit, the widths measured
    // then are set again instead of measured anew.
    void fitColumnWidths(bool rowsUnchanged);
    void setRefreshLabel(bool enabled);
    void showOutage();
    void searchBoxKeyEvent(QEvent* event);
    void endOutage();
    void savePlacementWhileAllowed();
    void connectWindowLinks();
    void stepRefreshTimer();

    OrderListModel* model_ = nullptr;
    ListColumns* columns_ = nullptr;
    bool shownOnce_ = false;
    bool allowClose_ = false;
    bool firstTick_ = true;
    int lastOrderCount_ = -1;
    // The answer the list's rows were all read from, and the regional settings it was read
    // with; the same bytes again leave the rows as they are. The spare buffer takes the next
    // answer, so a tick writes into memory it used before.
    QByteArray listedAnswer_;
    QLocale listedLocale_;
    QByteArray spareAnswer_;
    Recordset::Memory tableMemory_; // the memory of the last table read, for the next one
    BackgroundCall* refreshCall_ = nullptr;
    bool tickHoldsTimer_ = false; // a tick stopped the timer and starts it again when it ends
    quint64 userLoads_ = 0;       // loads the user started, so a tick can tell one ran meanwhile
    // The widths the auto-sized columns were last fitted to, and the font they were measured in;
    // dropped when a header text changes.
    struct ColumnFit {
        QFont font;
        std::array<int, 3> widths{};
    };
    std::optional<ColumnFit> lastFit_;
    ColumnFit measureColumnFit() const;
    bool refreshEnabled_ = true;    // what the refresh label says when the server is reached
    bool outage_ = false;           // the latest load reached no server
    QTime lastLoadTime_;            // when the latest load that reached the server ended
    QSet<int> keysPressedInSearch_; // keys whose press the search box received and whose release is due

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
