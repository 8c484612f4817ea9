// The shared window chrome: placement saving and restoring, close keys and key preview, band and banner, centring.
#include "data/settings_store.h"
#include "ui/message_boxes.h"
#include "ui/ordavo_window.h"
#include "ui/window_owner.h"
#include "ui/window_placement.h"
#include "ui/xp_button.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kSection = u"ordavo"_s;

// A secondary window with a text box, a button and a count of previewed keys.
class TfrmTest final : public OrdavoWindow {
public:
    TfrmTest() : OrdavoWindow(u"frmTest"_s, u"Test"_s, 81)
    {
        edit = new QLineEdit(bodyPanel());
        edit->setObjectName(u"txtName"_s);
        edit->setGeometry(10, 10, 150, 22);
        button = new TXpButton(u"Shrani"_s, bodyPanel());
        button->setObjectName(u"shrani"_s);
        button->setGeometry(10, 40, 100, 28);
        resize(489, 261);
    }

    QLineEdit* edit;
    TXpButton* button;
    QList<int> previewed;

protected:
    bool FormKeyDown(QKeyEvent* event) override
    {
        previewed << event->key();
        return OrdavoWindow::FormKeyDown(event);
    }
};

} // namespace

class TestWindowChrome : public QObject {
    Q_OBJECT

private:
    TfrmTest* window_ = nullptr;

    void ShowActive(QWidget* window)
    {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

private slots:
    void init()
    {
        QFile::remove(SettingsFilePath());
        placementSaving = false;
        DialogTestHook::reset();
        window_ = new TfrmTest;
    }

    void cleanup()
    {
        delete window_;
        window_ = nullptr;
        placementSaving = false;
        SetDialogOwnerWindow(nullptr);
        DialogTestHook::reset();
    }

    void saveWritesFourKeys()
    {
        window_->setGeometry(120, 80, 300, 200);
        saveFormPlacement(window_);
        QCOMPARE(Setting(u"leftfrmTest"_s), u"120"_s);
        QCOMPARE(Setting(u"topfrmTest"_s), u"80"_s);
        QCOMPARE(Setting(u"widthfrmTest"_s), u"300"_s);
        QCOMPARE(Setting(u"heightfrmTest"_s), u"200"_s);
    }

    void saveIgnoresWhatIsNotAWindow()
    {
        saveFormPlacement(window_->edit);
        saveFormPlacement(nullptr);
        QObject plain;
        saveFormPlacement(&plain);
        QVERIFY(Setting(u"left"_s + window_->edit->objectName()).isEmpty());
        QVERIFY(!QFile::exists(SettingsFilePath()) || Setting(u"leftfrmTest"_s).isEmpty());
    }

    void restoreAppliesIntegersAndKeepsTheRest()
    {
        window_->setGeometry(10, 20, 400, 300);
        ShowActive(window_);
        const QSize before = window_->size();
        WriteSetting(kSection, u"leftfrmTest"_s, u"50"_s);
        WriteSetting(kSection, u"topfrmTest"_s, u"60"_s);
        WriteSetting(kSection, u"widthfrmTest"_s, u"široko"_s);
        WriteSetting(kSection, u"heightfrmTest"_s, u"250"_s);
        placementSaving = true;
        restoreFormPlacement(window_);
        QCOMPARE(window_->frameGeometry().topLeft(), QPoint(50, 60));
        QCOMPARE(window_->width(), before.width());
        QCOMPARE(window_->frameGeometry().height(), 250);
        QVERIFY(placementSaving);
        // The restore's own resize did not write the placement back.
        QCOMPARE(Setting(u"widthfrmTest"_s), u"široko"_s);
    }

    void restoreWithoutSettingsKeepsPlace()
    {
        window_->setGeometry(30, 40, 400, 300);
        ShowActive(window_);
        const QRect before = window_->frameGeometry();
        restoreFormPlacement(window_);
        QCOMPARE(window_->frameGeometry(), before);
        QVERIFY(placementSaving);
        restoreFormPlacement(nullptr);
    }

    void resizeAndCloseSaveOnlyWhileFlagIsSet()
    {
        ShowActive(window_);
        window_->resize(420, 280);
        QVERIFY(Setting(u"widthfrmTest"_s).isEmpty());

        placementSaving = true;
        window_->resize(430, 290);
        QCOMPARE(Setting(u"widthfrmTest"_s), QString::number(window_->frameGeometry().width()));
        QCOMPARE(Setting(u"heightfrmTest"_s), QString::number(window_->frameGeometry().height()));

        window_->move(77, 88);
        window_->close();
        QCOMPARE(Setting(u"leftfrmTest"_s), u"77"_s);
        QCOMPARE(Setting(u"topfrmTest"_s), u"88"_s);
    }

    void closeKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("closes");
        QTest::addRow("Esc") << int(Qt::Key_Escape) << int(Qt::NoModifier) << true;
        QTest::addRow("Ctrl+W") << int(Qt::Key_W) << int(Qt::ControlModifier) << true;
        QTest::addRow("Ctrl+Shift+W") << int(Qt::Key_W) << int(Qt::ControlModifier | Qt::ShiftModifier) << true;
        QTest::addRow("W alone") << int(Qt::Key_W) << int(Qt::NoModifier) << false;
        QTest::addRow("Ctrl+Q") << int(Qt::Key_Q) << int(Qt::ControlModifier) << false;
    }
    void closeKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, closes);
        ShowActive(window_);
        window_->edit->setFocus();
        QTest::keyClick(window_->edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(!window_->isVisible(), closes);
    }

    void keysArePreviewedOnceBeforeTheControl()
    {
        ShowActive(window_);
        window_->edit->setFocus();
        QTest::keyClick(window_->edit, Qt::Key_A);
        QTest::keyClick(window_->edit, Qt::Key_F5); // the text box ignores it, so it travels up to the window
        QTest::keyClick(window_, Qt::Key_F6);
        QCOMPARE(window_->previewed, (QList<int>{Qt::Key_A, Qt::Key_F5, Qt::Key_F6}));
        QCOMPARE(window_->edit->text(), u"a"_s);
    }

    void enterInTextBoxDoesNotPressButton()
    {
        ShowActive(window_);
        QSignalSpy clicks(window_->button, &QAbstractButton::clicked);
        window_->button->setFocus();
        window_->edit->setFocus();
        QTest::keyClick(window_->edit, Qt::Key_Return);
        QCOMPARE(clicks.count(), 0);
        QVERIFY(window_->isVisible());
        window_->button->setFocus();
        QTest::keyClick(window_->button, Qt::Key_Return);
        QCOMPARE(clicks.count(), 1);
    }

    void chromeLook()
    {
        ShowActive(window_);
        QCOMPARE(window_->palette().color(QPalette::Window), QColor(0xDB, 0xDB, 0xDB));
        TopBand* band = window_->topBand();
        QVERIFY(band);
        QCOMPARE(band->objectName(), u"pnlTop"_s);
        QCOMPARE(band->height(), 81);
        QCOMPARE(band->width(), window_->width());
        QCOMPARE(band->palette().color(QPalette::Window), QColor(0x06, 0x32, 0x63));
        QCOMPARE(window_->bodyPanel()->palette().color(QPalette::Window), QColor(0x06, 0x32, 0x63));
        QCOMPARE(window_->bodyPanel()->geometry().top(), 81);
        QLabel* banner = band->banner();
        QCOMPARE(banner->objectName(), u"imgTop"_s);
        QCOMPARE(banner->pixmap().size(), QSize(1000, 100));
        QCOMPARE(banner->geometry().right(), band->width() - 1);
        window_->resize(700, 300);
        QCOMPARE(banner->geometry().right(), band->width() - 1);
    }

    void centredOnMainWindow()
    {
        QWidget main;
        main.setObjectName(u"frmMain"_s);
        main.setGeometry(100, 100, 800, 600);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        // Only a registered window is the owner, whatever the others are named.
        QCOMPARE(DialogOwnerWindow(), nullptr);
        SetDialogOwnerWindow(&main);
        QCOMPARE(DialogOwnerWindow(), &main);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
        const QPoint offset = window_->frameGeometry().center() - main.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, qPrintable(u"%1,%2"_s.arg(offset.x()).arg(offset.y())));

        {
            QWidget other;
            SetDialogOwnerWindow(&other);
            QCOMPARE(DialogOwnerWindow(), &other);
        }
        QCOMPARE(DialogOwnerWindow(), nullptr);
    }

    void refusedWriteIsReportedOnce()
    {
        ShowActive(window_);
        DialogTestHook::activate();
        const QString folder = QFileInfo(SettingsFilePath()).absolutePath();
        QDir().mkpath(folder);
        // A folder where the file should be makes every write fail.
        QFile::remove(SettingsFilePath());
        QVERIFY(QDir().mkpath(SettingsFilePath()));
        placementSaving = true;
        window_->resize(450, 300);
        window_->resize(460, 310);
        QDir(SettingsFilePath()).removeRecursively();
        QCOMPARE(DialogTestHook::shown().size(), 1);
        QCOMPARE(DialogTestHook::shown()[0].title, u"Napaka"_s);
        QCOMPARE(DialogTestHook::shown()[0].icon, MessageIcon::Error);
    }
};

QTEST_MAIN(TestWindowChrome)
#include "tst_window_chrome.moc"
