// The window chrome on a real X server with a window manager that draws frames: placement across restarts, keys from
// the keyboard, minimising, boxes kept over their window.
#include "data/settings_store.h"
#include "desktop/url_opener.h"
#include "desktop/window_arranger.h"
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/ordavo_window.h"
#include "ui/window_owner.h"
#include "ui/window_placement.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kSection = u"ordavo"_s;

void StorePlacement(const QString& name, const QRect& outer)
{
    WriteSetting(kSection, u"left"_s + name, QString::number(outer.x()));
    WriteSetting(kSection, u"top"_s + name, QString::number(outer.y()));
    WriteSetting(kSection, u"width"_s + name, QString::number(outer.width()));
    WriteSetting(kSection, u"height"_s + name, QString::number(outer.height()));
}

QRect StoredPlacement(const QString& name)
{
    return QRect(Setting(u"left"_s + name).toInt(), Setting(u"top"_s + name).toInt(),
                 Setting(u"width"_s + name).toInt(), Setting(u"height"_s + name).toInt());
}

// A secondary window that restores its placement when it is first shown, as the order window does.
class TfrmRestoring final : public OrdavoWindow {
public:
    TfrmRestoring() : OrdavoWindow(u"frmRestoring"_s, u"Obnovljeno okno"_s, 81)
    {
        setCentredOnMainWindow(false);
        edit = new QLineEdit(bodyPanel());
        edit->setGeometry(10, 10, 150, 22);
        resize(489, 261);
    }
    QLineEdit* edit;

protected:
    void showEvent(QShowEvent* event) override
    {
        OrdavoWindow::showEvent(event);
        if (!event->spontaneous())
            restoreFormPlacement(this);
    }
};

bool ShowAndWaitActive(QWidget* window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// Sends keys through the X server's keyboard (XTest), as a person typing would.
bool TypeKeys(const QString& keys)
{
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, {u"key"_s, u"--clearmodifiers"_s, keys});
    return xdotool.waitForFinished(5000) && xdotool.exitCode() == 0;
}

// Position of a window in the window manager's stacking list, topmost first; -1 when absent.
int StackingIndex(XcbWindowArranger& arranger, const QWidget* window)
{
    const QList<ForeignWindow> windows = arranger.topLevelWindows();
    for (int i = 0; i < windows.size(); ++i) {
        if (windows[i].id == window->winId())
            return i;
    }
    return -1;
}

// The window with its frame, as the window manager placed it.
QRect Outer(const QWidget* window)
{
    return window->windowHandle() ? window->windowHandle()->frameGeometry() : window->frameGeometry();
}

} // namespace

class TestWindowChromeX11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs the X server with a window manager of the test lane");
        XcbWindowArranger arranger;
        QVERIFY(arranger.isAvailable());
    }

    void init()
    {
        QFile::remove(SettingsFilePath());
        placementSaving = true;
        DialogTestHook::reset();
    }

    void cleanup()
    {
        placementSaving = false;
        SetDialogOwnerWindow(nullptr);
        DialogTestHook::reset();
    }

    // Five starts and closes without the user touching the window keep the stored outer
    // rectangle, and the window's frame stands exactly there each time.
    void placementSurvivesRestarts()
    {
        const QRect stored(100, 50, 502, 419);
        StorePlacement(u"frmRestoring"_s, stored);
        for (int start = 0; start < 5; ++start) {
            auto window = std::make_unique<TfrmRestoring>();
            QVERIFY(ShowAndWaitActive(window.get()));
            QTRY_VERIFY(Outer(window.get()).height() > window->height()); // framed by the window manager
            QTRY_COMPARE(Outer(window.get()), stored);
            window->close();
            QCOMPARE(StoredPlacement(u"frmRestoring"_s), stored);
        }
    }

    // A window shown and closed untouched writes nothing; once the user has moved or resized
    // it, its outer rectangle, frame included.
    void onlyTheUsersChangeIsSaved()
    {
        auto untouched = std::make_unique<TfrmRestoring>();
        untouched->setObjectName(u"frmPlain"_s);
        QVERIFY(ShowAndWaitActive(untouched.get()));
        QTRY_VERIFY(Outer(untouched.get()).height() > untouched->height());
        untouched->close();
        QVERIFY(Setting(u"leftfrmPlain"_s).isEmpty());

        TfrmRestoring window;
        window.setObjectName(u"frmPlain"_s);
        QVERIFY(ShowAndWaitActive(&window));
        QTRY_VERIFY(Outer(&window).height() > window.height());
        // A move, and once the window manager has carried it out a resize: sent together, the
        // second request can overtake the first.
        window.windowHandle()->setFramePosition(QPoint(333, 222));
        QTRY_COMPARE(Outer(&window).topLeft(), QPoint(333, 222));
        window.resize(520, 300);
        QTRY_COMPARE(window.size(), QSize(520, 300));
        QTRY_COMPARE(Outer(&window).topLeft(), QPoint(333, 222));
        const QRect outer = Outer(&window);
        window.close();
        QCOMPARE(StoredPlacement(u"frmPlain"_s), outer);
        QVERIFY(Setting(u"heightfrmPlain"_s).toInt() > window.height());
    }

    // A window that does not restore its placement (it opens centred) stores it when it closes,
    // moved by the user or not.
    void windowThatDoesNotRestoreStoresItsPlacementOnClose()
    {
        OrdavoWindow window(u"frmCentred"_s, u"Sredinsko okno"_s, 81);
        window.setCentredOnMainWindow(false);
        window.resize(400, 300);
        window.move(150, 120);
        QVERIFY(ShowAndWaitActive(&window));
        QTRY_VERIFY(Outer(&window).height() > window.height());
        const QRect outer = Outer(&window);
        QVERIFY(Setting(u"leftfrmCentred"_s).isEmpty());
        window.close();
        QCOMPARE(StoredPlacement(u"frmCentred"_s), outer);
    }

    void titleBarStaysReachable_data()
    {
        QTest::addColumn<QRect>("stored");
        QTest::addRow("right of the screen") << QRect(2500, 100, 500, 400);
        QTest::addRow("a sliver of the title bar on screen") << QRect(1900, 100, 800, 600);
        QTest::addRow("above the screen") << QRect(200, -900, 500, 400);
        QTest::addRow("larger than the screen") << QRect(50, 40, 2600, 1500);
    }
    void titleBarStaysReachable()
    {
        QFETCH(QRect, stored);
        StorePlacement(u"frmRestoring"_s, stored);
        TfrmRestoring window;
        QVERIFY(ShowAndWaitActive(&window));
        const QRect area = window.screen()->availableGeometry();
        QTRY_VERIFY2(area.contains(Outer(&window)), qPrintable(u"%1,%2 %3x%4"_s.arg(Outer(&window).x())
                                                                   .arg(Outer(&window).y())
                                                                   .arg(Outer(&window).width())
                                                                   .arg(Outer(&window).height())));
    }

    // Keys typed on the keyboard reach the window's key preview through the window manager.
    void closeKeysFromTheKeyboard_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("closes");
        QTest::addRow("Esc") << u"Escape"_s << true;
        QTest::addRow("Ctrl+W") << u"ctrl+w"_s << true;
        QTest::addRow("Ctrl+Q") << u"ctrl+q"_s << false;
    }
    void closeKeysFromTheKeyboard()
    {
        if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            QSKIP("xdotool is not installed");
        QFETCH(QString, keys);
        QFETCH(bool, closes);
        TfrmRestoring window;
        QVERIFY(ShowAndWaitActive(&window));
        window.edit->setFocus();
        QVERIFY(TypeKeys(keys));
        if (closes) {
            QTRY_VERIFY(!window.isVisible());
        } else {
            QTest::qWait(300);
            QVERIFY(window.isVisible());
        }
    }

    void minimisingTheApplicationMinimisesEveryWindow()
    {
        QMainWindow main;
        main.setObjectName(u"frmMain"_s);
        main.resize(400, 300);
        TfrmRestoring secondary;
        QVERIFY(ShowAndWaitActive(&main));
        QVERIFY(ShowAndWaitActive(&secondary));
        MinimiseApplication();
        QTRY_VERIFY(main.isMinimized());
        QTRY_VERIFY(secondary.isMinimized());
        XcbWindowArranger arranger;
        QTRY_VERIFY(arranger.windowStates(secondary.winId()).contains(u"_NET_WM_STATE_HIDDEN"_s));
    }

    // A box raised while a secondary window is active stays over it, and the main window stays
    // under that window.
    void boxesStayOverTheWindowTheyCameFrom_data()
    {
        QTest::addColumn<bool>("messageDialog");
        QTest::addRow("system box") << false;
        QTest::addRow("message dialog") << true;
    }
    void boxesStayOverTheWindowTheyCameFrom()
    {
        QFETCH(bool, messageDialog);
        QMainWindow main;
        main.setObjectName(u"frmMain"_s);
        main.setGeometry(100, 100, 900, 700);
        SetDialogOwnerWindow(&main);
        TfrmRestoring secondary;
        QVERIFY(ShowAndWaitActive(&main));
        QVERIFY(ShowAndWaitActive(&secondary));

        XcbWindowArranger arranger;
        bool inspected = false;
        int boxIndex = -1;
        int secondaryIndex = -1;
        int mainIndex = -1;
        QWidget* transientOf = nullptr;
        QTimer::singleShot(0, this, [&] {
            QWidget* box = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((box = QApplication::activeModalWidget()) && QTest::qWaitForWindowExposed(box),
                                     5000);
            QTest::qWait(300);
            boxIndex = StackingIndex(arranger, box);
            secondaryIndex = StackingIndex(arranger, &secondary);
            mainIndex = StackingIndex(arranger, &main);
            const QWindow* parent = box->windowHandle() ? box->windowHandle()->transientParent() : nullptr;
            if (parent == secondary.windowHandle())
                transientOf = &secondary;
            else if (parent == main.windowHandle())
                transientOf = &main;
            inspected = true;
            if (auto* dialog = qobject_cast<QDialog*>(box))
                dialog->reject();
        });
        if (messageDialog)
            ShowMessageDialog(mdConfirmation, u"Ali želite izbrisati vrstico?"_s);
        else
            ShowSystemMessage(MessageIcon::Error, u"Napaka"_s, u"Ni možno"_s);

        QVERIFY(inspected);
        QCOMPARE(transientOf, static_cast<QWidget*>(&secondary));
        QVERIFY(boxIndex >= 0 && secondaryIndex >= 0 && mainIndex >= 0);
        QVERIFY(boxIndex < secondaryIndex);
        QVERIFY(secondaryIndex < mainIndex);
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TestWindowChromeX11 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window_chrome_x11.moc"
