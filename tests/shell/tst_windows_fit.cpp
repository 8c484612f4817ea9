// Every window against the simulator on a real desktop: texts fit, controls keep apart, outer sizes.
#include "desktop_session.h"
#include "window_fit_checks.h"
#include "window_test_state.h"

#include "support/simulator_process.h"
#include "support/window_test_kit.h"

#include "data/settings_store.h"
#include "orders/item_catalogue.h"
#include "orders/order_details.h"
#include "session/app_state.h"
#include "shell/main_window.h"
#include "signin/company_details.h"
#include "signin/login_window.h"
#include "storage/storage_locations.h"
#include "storage/tyre_placement.h"
#include "storage/tyre_search.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/ordavo_fonts.h"
#include "ui/window_placement.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum class Window {
    Main,
    MainSearching,
    SignIn,
    CompanyDetails,
    WorkOrder,
    OrderWithoutCustomer,
    ReceptionOrder,
    ItemCatalogue,
    CatalogueItemChosen,
    StorageLocations,
    TyrePlacement,
    TyrePlacementRowChosen,
    TyreSearch,
    MessageDialog,
};

// Waits until the window is on screen, its frame is known (under a window manager) and
// queued loads have run.
void SettleOnScreen(QWidget& window, bool framed)
{
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (framed)
        QTRY_VERIFY_WITH_TIMEOUT(window.windowHandle()->frameMargins().top() > 0, 3000);
    QTest::qWait(300);
    QCoreApplication::processEvents();
}

bool IsInk(QRgb pixel)
{
    return qGray(pixel) < 110;
}

// The leftmost column of an image that holds text ink, or -1.
int FirstInkColumn(const QImage& image)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (IsInk(image.pixel(x, y)))
                return x;
    return -1;
}

bool ColumnHasInk(const QImage& image, int column)
{
    for (int y = 0; y < image.height(); ++y)
        if (IsInk(image.pixel(column, y)))
            return true;
    return false;
}

// The height of the glyph that starts at that column: the rows with ink up to the next
// column without any.
int GlyphHeight(const QImage& image, int firstColumn)
{
    int top = image.height();
    int bottom = -1;
    for (int x = firstColumn; x < image.width() && ColumnHasInk(image, x); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (IsInk(image.pixel(x, y))) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return bottom - top + 1;
}

} // namespace

class WindowsFitTest final : public QObject {
    Q_OBJECT

public:
    explicit WindowsFitTest(bool windowManager) : windowManager_(windowManager) {}

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyTextFits_data();
    void everyTextFits();
    void outerSizesIncludeTheFrame();
    void tyrePlacementClientAreaLiesBelowItsMenu();
    void orderWindowPlacesCustomerAndComment();
    void locationColumnIsAtLeast200Wide();
    void negativePriceReadsLeftToRight();

private:
    QWidget* open(Window which);
    void openOrder(int id);
    void requireWindowManager();

    bool windowManager_;
    std::unique_ptr<SimulatorProcess> sim_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmMain> main_;
    std::unique_ptr<TfrmNalogDetails> order_;
    std::unique_ptr<QWidget> window_;
};

void WindowsFitTest::initTestCase()
{
    QVERIFY2(StartSimulatorSession(sim_, remote_), qPrintable(sim_->errorText()));
    const QList<QPair<QString, QString>> settings = {
        {u"kodadostop"_s, QString::fromLatin1(SimulatorProcess::DemoCode)},
        {u"showtyrestorage"_s, u"1"_s},
        {u"avtotitle"_s, u"Vozilo"_s},
        {u"registrkatitle"_s, u"Registrska št:"_s},
        {u"companyname"_s, u"Avtoservis Žagar d.o.o."_s},
        {u"companyaddress"_s, u"Šmartinska cesta 152"_s},
        {u"companyposta"_s, u"1000 Ljubljana"_s},
        {u"companyphone"_s, u"01 234 56 78"_s},
        {u"companyfax"_s, u"01 234 56 79"_s},
        {u"companywww"_s, u"www.avtoservis-zagar.si"_s},
    };
    for (const auto& [key, value] : settings)
        WriteSetting(u"ordavo"_s, key, value);
}

void WindowsFitTest::init()
{
    ResetDesktopWindowState();
    // The main window owns the dialogs' placement and is the window the others centre on.
    main_ = std::make_unique<TfrmMain>();
}

void WindowsFitTest::cleanup()
{
    window_.reset();
    order_.reset();
    main_.reset();
    DialogTestHook::reset();
}

void WindowsFitTest::requireWindowManager()
{
    if (!windowManager_)
        QSKIP("no window manager: windows have no frames here");
}

void WindowsFitTest::openOrder(int id)
{
    order_ = std::make_unique<TfrmNalogDetails>();
    frmNalogDetails = order_.get();
    openNalog(id);
}

QWidget* WindowsFitTest::open(Window which)
{
    switch (which) {
    case Window::Main:
        main_->show();
        main_->tmrcheck->stop();
        main_->loadNalogi();
        return main_.get();
    case Window::MainSearching:
        // A search stops the refresh: the band's label says so in its longer red text.
        main_->show();
        main_->tmrcheck->stop();
        QTest::keyClicks(RequireChild<QLineEdit>(*main_, "txtSearch"), u"Novak"_s);
        return main_.get();
    case Window::SignIn:
        window_ = std::make_unique<TfrmnalogLogin>(main_.get());
        break;
    case Window::CompanyDetails:
        window_ = std::make_unique<TfrmUrejanjePodatkov>(main_.get());
        break;
    case Window::WorkOrder:
        openOrder(SimulatorProcess::OrderWithDocuments);
        return order_.get();
    case Window::OrderWithoutCustomer:
        openOrder(SimulatorProcess::OrderWithoutCustomer);
        return order_.get();
    case Window::ReceptionOrder:
        openOrder(SimulatorProcess::ReceptionOrder);
        return order_.get();
    case Window::ItemCatalogue:
        window_ = std::make_unique<TfrmNalogUrejanjePostavk>(main_.get());
        break;
    case Window::CatalogueItemChosen: {
        // An existing item shows its position with the "-" and "+" buttons.
        window_ = std::make_unique<TfrmNalogUrejanjePostavk>(main_.get());
        window_->show();
        auto* list = RequireChild<QTableWidget>(*window_, "lviewPostavke");
        (void)QTest::qWaitFor([list] { return list->rowCount() > 1; });
        list->setCurrentCell(1, 0);
        break;
    }
    case Window::StorageLocations:
        window_ = std::make_unique<TfrmShranjevanjeGumUrejanjeProstorov>(main_.get());
        break;
    case Window::TyrePlacement:
        window_ = std::make_unique<TfrmShranjevanjeGumVpisiNevpisane>(main_.get());
        break;
    case Window::TyrePlacementRowChosen: {
        // A click on an order shows the panel that assigns its place.
        window_ = std::make_unique<TfrmShranjevanjeGumVpisiNevpisane>(main_.get());
        window_->show();
        auto* list = RequireChild<QTableView>(*window_, "lviewMain");
        (void)QTest::qWaitFor([list] { return list->model()->rowCount() > 0; });
        const QRect row = list->visualRect(list->model()->index(0, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        break;
    }
    case Window::TyreSearch: {
        window_ = std::make_unique<TfrmshranjevanjeGumISkanje>(main_.get());
        window_->show();
        // Every released key searches; an empty text lists every stored set.
        QTest::keyClick(RequireChild<QLineEdit>(*window_, "txtSearch"), Qt::Key_End);
        break;
    }
    case Window::MessageDialog: {
        auto* dialog = OrdavoDialog();
        dialog->fill(mdError, u"Napaka pri komunikaciji"_s, u"Strežnik ni dosegljiv."_s, maCenter);
        dialog->show();
        return dialog;
    }
    }
    window_->show();
    return window_.get();
}

void WindowsFitTest::everyTextFits_data()
{
    QTest::addColumn<Window>("which");
    // Controls the windows place on top of each other on purpose.
    QTest::addColumn<QStringList>("allowedOverlaps");
    QTest::addRow("main") << Window::Main << QStringList();
    QTest::addRow("main-searching") << Window::MainSearching << QStringList();
    QTest::addRow("sign-in") << Window::SignIn << QStringList();
    QTest::addRow("company-details") << Window::CompanyDetails << QStringList();
    QTest::addRow("work-order") << Window::WorkOrder << QStringList();
    QTest::addRow("order-without-customer") << Window::OrderWithoutCustomer << QStringList();
    QTest::addRow("reception-order") << Window::ReceptionOrder << QStringList();
    QTest::addRow("item-catalogue") << Window::ItemCatalogue << QStringList();
    QTest::addRow("catalogue-item-chosen") << Window::CatalogueItemChosen << QStringList();
    QTest::addRow("storage-locations") << Window::StorageLocations << QStringList();
    QTest::addRow("tyre-placement") << Window::TyrePlacement << QStringList();
    QTest::addRow("tyre-placement-row-chosen") << Window::TyrePlacementRowChosen << QStringList();
    QTest::addRow("tyre-search") << Window::TyreSearch << QStringList();
    // The dialog's texts and buttons stand on its background picture.
    QTest::addRow("message-dialog") << Window::MessageDialog << QStringList{u"BackImage|*"_s};
}

void WindowsFitTest::everyTextFits()
{
    QFETCH(Window, which);
    QFETCH(QStringList, allowedOverlaps);
    QWidget* window = open(which);
    SettleOnScreen(*window, windowManager_);
    QVERIFY(SaveScreenshot(*window, QString::fromLatin1(QTest::currentDataTag())));

    const QStringList faults =
        ClippedTexts(*window) + OverlappingControls(*window, allowedOverlaps) + ControlsOverBannerPictures(*window);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    QVERIFY2(ShownBoxes().isEmpty(), qPrintable(ShownBoxes().join(u'\n')));
}

void WindowsFitTest::outerSizesIncludeTheFrame()
{
    requireWindowManager();
    QWidget* locations = open(Window::StorageLocations);
    SettleOnScreen(*locations, windowManager_);
    QTRY_COMPARE(locations->windowHandle()->frameGeometry().size(), QSize(657, 384));
    window_.reset();

    QWidget* search = open(Window::TyreSearch);
    SettleOnScreen(*search, windowManager_);
    const QSize frame = search->windowHandle()->frameGeometry().size() - search->size();
    QVERIFY(frame.height() > 0);
    // The client area is the design's; the outer minimum holds, though not above that size.
    QCOMPARE(search->size(), QSize(800, 511));
    QCOMPARE(search->minimumSize(), (QSize(800, 550) - frame).boundedTo(QSize(800, 511)));
}

void WindowsFitTest::tyrePlacementClientAreaLiesBelowItsMenu()
{
    QWidget* placement = open(Window::TyrePlacement);
    SettleOnScreen(*placement, windowManager_);
    const QWidget* band = RequireChild<QWidget>(*placement, "pnlTop");
    QCOMPARE(placement->size(), QSize(854, 591 + band->mapTo(placement, QPoint(0, 0)).y()));
}

void WindowsFitTest::orderWindowPlacesCustomerAndComment()
{
    QWidget* order = open(Window::WorkOrder);
    SettleOnScreen(*order, windowManager_);
    const QWidget* body = RequireChild<QWidget>(*order, "pnlHolder");
    const auto* customer = RequireChild<QWidget>(*order, "mmoStranka");
    const auto* comment = RequireChild<QWidget>(*order, "mmoKomentar");
    QCOMPARE(customer->size(), QSize(474, 70));
    QCOMPARE(comment->size(), QSize(334, 52));
    // The comment stands at the right, in the upper half of the body, above the item list.
    const QRect commentOnBody(comment->mapTo(body, QPoint(0, 0)), comment->size());
    QVERIFY2(commentOnBody.right() > body->width() - 20, qPrintable(QString::number(commentOnBody.right())));
    const auto* items = RequireChild<QWidget>(*order, "lviewPostavke");
    QVERIFY(commentOnBody.bottom() < items->mapTo(body, QPoint(0, 0)).y());
}

void WindowsFitTest::locationColumnIsAtLeast200Wide()
{
    QWidget* search = open(Window::TyreSearch);
    SettleOnScreen(*search, windowManager_);
    auto* list = RequireChild<QTableView>(*search, "lviewMain");
    QVERIFY(list->model()->rowCount() > 0);
    QVERIFY2(list->columnWidth(0) >= 200, qPrintable(QString::number(list->columnWidth(0))));
    search->resize(search->minimumSize());
    QTRY_VERIFY(list->columnWidth(0) >= 200);
}

void WindowsFitTest::negativePriceReadsLeftToRight()
{
    QWidget* catalogue = open(Window::ItemCatalogue);
    SettleOnScreen(*catalogue, windowManager_);
    auto* list = RequireChild<QTableWidget>(*catalogue, "lviewPostavke");
    int negative = -1;
    for (int row = 0; row < list->rowCount() && negative < 0; ++row)
        if (list->item(row, 1) && list->item(row, 1)->text().startsWith(u'-'))
            negative = row;
    QVERIFY2(negative > 0, "the simulator's catalogue holds a discount with a negative price");

    // The cell as painted: the first glyph from the left must be the minus sign, a mark only a
    // pixel or two high, not a digit.
    list->clearSelection();
    const QRect cell = list->visualRect(list->model()->index(negative, 1));
    const QImage image = list->viewport()->grab(cell.adjusted(1, 1, -1, -1)).toImage();
    const int firstInk = FirstInkColumn(image);
    QVERIFY(firstInk >= 0);
    QVERIFY2(GlyphHeight(image, firstInk) <= 3, "the price's first glyph is a digit: the minus sign stands at the end");
}

int main(int argc, char* argv[])
{
    DesktopSession desktop;
    QApplication app(argc, argv);
    InstallOrdavoFonts();
    WindowsFitTest test(desktop.hasWindowManager());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windows_fit.moc"
