// Every window against the simulator on a real desktop: texts fit, controls keep apart, outer sizes, what a screen
// reader reads of it, and the Tab order that reaches every control.
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

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <algorithm>
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
    MessageDialogDetails,
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

// One object of a window as a screen reader sees it, in reading order.
struct ReaderNode {
    int depth = 0;
    QString role;
    QString name;
    QString description;
    QStringList states;
    QStringList labelledBy;
};

// The roles of what a user reaches or reads: a screen reader announces them by their name.
// Plain labels are read by their text, panels and fillers not at all, scroll bars belong to what
// they scroll, and a frame inside a window is only a border around other objects (the window
// itself is checked apart).
bool IsReadByName(const QString& role)
{
    static const QSet<QString> roles{
        u"push button"_s,   u"toggle button"_s, u"check box"_s, u"radio button"_s, u"combo box"_s, u"text"_s,
        u"password text"_s, u"spin button"_s,   u"table"_s,     u"tree table"_s,   u"tree"_s,      u"list"_s,
        u"list box"_s,      u"image"_s,         u"menu item"_s, u"page tab"_s,     u"alert"_s,     u"dialog"_s};
    return roles.contains(role);
}

// Starts the screen reader's view of the window that AT-SPI names `windowName`, in a separate
// process that asks this one over the accessibility bus.
void StartReader(QProcess& reader, const QString& windowName)
{
    reader.start(u"/usr/bin/python3"_s, {QString::fromUtf8(ORDAVO_SCREEN_READER_VIEW),
                                         QString::number(QCoreApplication::applicationPid()), windowName});
}

// Waits for the reader, letting this process answer its questions meanwhile, and returns the
// nodes it read; an empty list, with the reason in error, when it read nothing.
QList<ReaderNode> FinishReader(QProcess& reader, QString& error)
{
    if (!QTest::qWaitFor([&reader] { return reader.state() == QProcess::NotRunning; }, 60000)) {
        reader.kill();
        reader.waitForFinished();
    }
    const QByteArray out = reader.readAllStandardOutput();
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
        error = QString::fromUtf8(reader.readAllStandardError()) + reader.errorString();
        return {};
    }
    QList<ReaderNode> nodes;
    for (const QJsonValue& value : QJsonDocument::fromJson(out).object().value(u"nodes"_s).toArray()) {
        const QJsonObject object = value.toObject();
        ReaderNode node;
        node.depth = object.value(u"depth"_s).toInt();
        node.role = object.value(u"role"_s).toString();
        node.name = object.value(u"name"_s).toString();
        node.description = object.value(u"description"_s).toString();
        for (const QJsonValue& state : object.value(u"states"_s).toArray())
            node.states.append(state.toString());
        for (const QJsonValue& label : object.value(u"labelledBy"_s).toArray())
            node.labelledBy.append(label.toString());
        nodes.append(node);
    }
    return nodes;
}

// The window as a screen reader reads it, one object a line, indented by depth.
QString ReaderTranscript(const QList<ReaderNode>& nodes)
{
    QString transcript;
    for (const ReaderNode& node : nodes) {
        transcript += QString(node.depth * 2, u' ') + u'[' + node.role + u"] "_s + node.name;
        if (!node.description.isEmpty())
            transcript += u" — "_s + node.description;
        if (!node.labelledBy.isEmpty())
            transcript += u" (label: "_s + node.labelledBy.join(u", "_s) + u')';
        if (!node.states.isEmpty())
            transcript += u" {"_s + node.states.join(u' ') + u'}';
        transcript += u'\n';
    }
    return transcript;
}

// One line per object read by its name that has none, with the objects above it to find it by.
QStringList NamelessObjects(const QList<ReaderNode>& nodes)
{
    QStringList faults;
    QList<const ReaderNode*> ancestors;
    for (const ReaderNode& node : nodes) {
        while (!ancestors.isEmpty() && ancestors.last()->depth >= node.depth)
            ancestors.removeLast();
        const bool window = ancestors.isEmpty();
        if ((window || IsReadByName(node.role)) && node.name.trimmed().isEmpty()) {
            QStringList path;
            for (const ReaderNode* above : ancestors)
                path.append(above->role + u" '"_s + above->name + u'\'');
            faults.append(u"nameless "_s + node.role + u" (description '"_s + node.description + u"') in "_s +
                          path.join(u" > "_s));
        }
        ancestors.append(&node);
    }
    return faults;
}

// The name AT-SPI gives a window: its title, or what its own accessible interface says.
QString AccessibleNameOf(QWidget& window)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&window);
    return accessible ? accessible->text(QAccessible::Name) : window.windowTitle();
}

// Writes the transcript as NAME.txt into $ORDAVO_SCREEN_READER_DIR when it is set.
void SaveTranscript(const QString& transcript, const QString& name)
{
    const QString folder = qEnvironmentVariable("ORDAVO_SCREEN_READER_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(name + u".txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(transcript.toUtf8());
}

// The controls of the window that Tab stops at: shown, enabled, taking the focus from Tab. Of
// a group of radio buttons only the checked one is a stop; the arrow keys reach the others.
QSet<QString> TabStops(const QWidget& window)
{
    QSet<QString> stops;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        if (!control->isVisible() || !control->isEnabled() || !(control->focusPolicy() & Qt::TabFocus) ||
            control->focusProxy())
            continue;
        if (const auto* radio = qobject_cast<const QRadioButton*>(control); radio && !radio->isChecked())
            continue;
        stops.insert(control->objectName());
    }
    return stops;
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
    void screenReaderReadsEveryControl_data();
    void screenReaderReadsEveryControl();
    void messagesAreReadAsAlerts_data();
    void messagesAreReadAsAlerts();
    void tabReachesEveryControl_data();
    void tabReachesEveryControl();

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
    case Window::MessageDialogDetails: {
        QWidget* dialog = open(Window::MessageDialog);
        RequireChild<QPushButton>(*dialog, "sb2")->click();
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

void WindowsFitTest::screenReaderReadsEveryControl_data()
{
    QTest::addColumn<Window>("which");
    // Objects the reader must find, as "role|name".
    QTest::addColumn<QStringList>("reads");
    QTest::addRow("main") << Window::Main
                          << QStringList{u"table|Nalogi"_s,
                                         u"text|Iskanje:"_s,
                                         u"radio button|Glej vse naloge"_s,
                                         u"push button|Poglej nalog"_s,
                                         u"push button|Poravnaj okna"_s,
                                         u"push button|Odpri ordavo spletni del v brskalniku"_s,
                                         u"image|Logotip Ordavo"_s,
                                         u"menu item|Nalogi"_s};
    QTest::addRow("sign-in") << Window::SignIn
                             << QStringList{u"text|Ordavo prijavna koda:"_s, u"push button|Vstopi"_s,
                                            u"push button|ZAPRI PROGRAM"_s};
    QTest::addRow("company-details") << Window::CompanyDetails
                                     << QStringList{u"text|Ime podjetja:"_s, u"text|Poštna številka in pošta:"_s,
                                                    u"text|Fax"_s, u"push button|Shrani"_s};
    QTest::addRow("work-order") << Window::WorkOrder
                                << QStringList{u"text|Stranka"_s,
                                               u"text|Komentar"_s,
                                               u"tree|Postavke"_s,
                                               u"check box|Pravna oseba?"_s,
                                               u"push button|Izbriši nalog"_s,
                                               u"push button|Tisk"_s,
                                               u"push button|Predogled izpisa"_s,
                                               u"push button|Pripravi osnutek pošte in poglej"_s,
                                               u"push button|Poglej si PDF naloga na spletu"_s,
                                               u"push button|Poglej Podpis stranke"_s,
                                               u"push button|Obračunano"_s,
                                               u"image|Podpis stranke"_s,
                                               u"image|Slika 1"_s};
    QTest::addRow("catalogue-item-chosen") << Window::CatalogueItemChosen
                                           << QStringList{u"table|Postavke"_s,
                                                          u"text|Opis postavke:"_s,
                                                          u"text|Cena:"_s,
                                                          u"text|Pozicija:"_s,
                                                          u"push button|Zmanjšaj pozicijo"_s,
                                                          u"push button|Povečaj pozicijo"_s,
                                                          u"push button|Izbriši"_s,
                                                          u"push button|Shrani"_s};
    QTest::addRow("storage-locations") << Window::StorageLocations
                                       << QStringList{u"text|Ime prostora:"_s, u"text|Opis prostora:"_s,
                                                      u"push button|Izbriši"_s, u"push button|Shrani"_s};
    QTest::addRow("tyre-placement-row-chosen")
        << Window::TyrePlacementRowChosen
        << QStringList{u"table|Nalogi"_s, u"radio button|Glej vse"_s, u"push button|Poglej nalog"_s,
                       u"text|Opis lokacije"_s, u"push button|Shrani lokacijo"_s};
    QTest::addRow("tyre-search") << Window::TyreSearch
                                 << QStringList{u"text|Iskanje popisanih gum:"_s, u"push button|IŠČI"_s,
                                                u"table|Shranjene gume"_s, u"push button|Poglej nalog"_s};
    QTest::addRow("message-dialog-details")
        << Window::MessageDialogDetails
        << QStringList{u"alert|Napaka"_s, u"label|Napaka pri komunikaciji"_s, u"push button|V redu"_s,
                       u"push button|Detajli"_s, u"text|Detajli"_s};
}

// Every object a user reaches or reads has a name, checked through the accessibility bus as a
// screen reader asks for it.
void WindowsFitTest::screenReaderReadsEveryControl()
{
    QFETCH(Window, which);
    QFETCH(QStringList, reads);
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        QSKIP("no session bus for the accessibility bus: CTest runs this test in one of its own");
    QWidget* window = open(which);
    SettleOnScreen(*window, windowManager_);

    QProcess reader;
    StartReader(reader, AccessibleNameOf(*window));
    QString error;
    const QList<ReaderNode> nodes = FinishReader(reader, error);
    QVERIFY2(!nodes.isEmpty(), qPrintable(error));
    const QString transcript = ReaderTranscript(nodes);
    SaveTranscript(transcript, QString::fromLatin1(QTest::currentDataTag()));

    const QStringList nameless = NamelessObjects(nodes);
    QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(u'\n') + u"\n\n"_s + transcript));
    for (const QString& read : reads) {
        const QString role = read.section(u'|', 0, 0);
        const QString name = read.section(u'|', 1);
        const bool found = std::any_of(nodes.cbegin(), nodes.cend(), [&role, &name](const ReaderNode& node) {
            return node.role == role && node.name == name;
        });
        QVERIFY2(found, qPrintable(u"not read: "_s + read + u"\n\n"_s + transcript));
    }
}

void WindowsFitTest::messagesAreReadAsAlerts_data()
{
    QTest::addColumn<bool>("systemBox");
    QTest::addRow("message dialog") << false;
    QTest::addRow("system message box") << true;
}

// A box on screen is announced as an alert named by its title, with its text inside.
void WindowsFitTest::messagesAreReadAsAlerts()
{
    QFETCH(bool, systemBox);
    const QString title = systemBox ? u"Zapri program"_s : u"Opozorilo"_s;
    const QString text = u"Ali ste prepričani da želite da program preneha z delovanjem?"_s;
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        QSKIP("no session bus for the accessibility bus: CTest runs this test in one of its own");
    main_->show();
    main_->tmrcheck->stop();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    // Shown by an earlier test, the dialog would only be refilled.
    OrdavoDialog()->hide();
    DialogTestHook::reset();

    // The box is modal: read it from inside its own event loop, then close it.
    QProcess reader;
    StartReader(reader, title);
    QList<ReaderNode> nodes;
    QString error;
    QObject whileThisTestRuns;
    QTimer::singleShot(0, &whileThisTestRuns, [&reader, &nodes, &error] {
        nodes = FinishReader(reader, error);
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    if (systemBox)
        ShowSystemMessage(MessageIcon::Warning, title, text, MessageButtons::YesNo);
    else
        ShowMessageDialog(mdWarning, text);

    QVERIFY2(!nodes.isEmpty(), qPrintable(error));
    QCOMPARE(nodes.first().role, u"alert"_s);
    QCOMPARE(nodes.first().name, title);
    const bool textRead = std::any_of(nodes.cbegin(), nodes.cend(), [&text](const ReaderNode& node) {
        return node.role == u"label"_s && node.name == text;
    });
    QVERIFY2(textRead, qPrintable(ReaderTranscript(nodes)));
}

void WindowsFitTest::tabReachesEveryControl_data()
{
    QTest::addColumn<Window>("which");
    // The controls in the order Tab reaches them, from the first.
    QTest::addColumn<QStringList>("order");
    QTest::addRow("main") << Window::Main
                          << QStringList{u"imgAlign"_s, u"Image1"_s, u"lviewMain"_s, u"txtSearch"_s,
                                         u"rdbNoviNalogi"_s};
    QTest::addRow("sign-in") << Window::SignIn << QStringList{u"txtkoda"_s, u"shrani"_s, u"XpButton1"_s};
    QTest::addRow("company-details") << Window::CompanyDetails
                                     << QStringList{u"txtImePodjetja"_s,
                                                    u"txtNaslovPodjetja"_s,
                                                    u"txtPostnaStevilkaInPosta"_s,
                                                    u"txtTelefon"_s,
                                                    u"txtFax"_s,
                                                    u"txtSpletnaStran"_s,
                                                    u"shrani"_s};
    QTest::addRow("work-order") << Window::WorkOrder << QStringList{u"mmoStranka"_s,      u"mmoKomentar"_s,
                                                                    u"lviewPostavke"_s,   u"WebBrowser1"_s,
                                                                    u"WebBrowser2"_s,     u"XpButton1"_s,
                                                                    u"XpButton2"_s,       u"XpButton3"_s,
                                                                    u"XpButton4"_s,       u"btnposljinalogkotpdf"_s,
                                                                    u"btnPoglejPodpis"_s, u"shrani"_s};
    QTest::addRow("catalogue-item-chosen")
        << Window::CatalogueItemChosen
        << QStringList{u"lviewPostavke"_s, u"txtOpis"_s, u"txtCena"_s,           u"txtPozicija"_s,
                       u"btnminus"_s,      u"btnplus"_s, u"btnDeletePostavka"_s, u"shrani"_s};
    QTest::addRow("storage-locations") << Window::StorageLocations
                                       << QStringList{u"cmbProstori"_s, u"txtImeProstora"_s, u"mmoOpisProstora"_s,
                                                      u"shrani"_s};
    QTest::addRow("tyre-placement-row-chosen")
        << Window::TyrePlacementRowChosen << QStringList{u"rdbNevneseni"_s, u"btnPoglejNalog"_s,  u"lviewMain"_s,
                                                         u"cmbProstori"_s,  u"mmoOpisProstora"_s, u"shrani"_s};
    QTest::addRow("tyre-search") << Window::TyreSearch
                                 << QStringList{u"txtSearch"_s, u"btnNajdi"_s, u"btnPoglejNalog"_s, u"lviewMain"_s};
    QTest::addRow("message-dialog-details")
        << Window::MessageDialogDetails << QStringList{u"sb1"_s, u"sb2"_s, u"MemoBox"_s};
}

// Tab, pressed as a keyboard does, goes round every enabled control in reading order.
void WindowsFitTest::tabReachesEveryControl()
{
    QFETCH(Window, which);
    QFETCH(QStringList, order);
    QWidget* window = open(which);
    SettleOnScreen(*window, windowManager_);
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
    QCOMPARE(TabStops(*window), QSet<QString>(order.cbegin(), order.cend()));

    auto* first = RequireChild<QWidget>(*window, qPrintable(order.first()));
    first->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), first);
    QStringList reached{order.first()};
    for (qsizetype step = 0; step < order.size(); ++step) {
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
        const QWidget* focused = QApplication::focusWidget();
        reached.append(focused ? focused->objectName() : u"(nothing)"_s);
    }
    QCOMPARE(reached, order + QStringList{order.first()});
}

int main(int argc, char* argv[])
{
    DesktopSession desktop;
    // Answer screen readers even where no desktop setting asks for it (the test's own bus has none).
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QApplication app(argc, argv);
    InstallOrdavoFonts();
    WindowsFitTest test(desktop.hasWindowManager());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windows_fit.moc"
