// The arrangement on an X server without a window manager (its own Xvfb 1920 x 1080): the windows
// are found among the root's children and moved by the program itself.
#include "desktop_session.h"
#include "foreign_x_window.h"

#include "desktop/window_arranger.h"

#include <QApplication>
#include <QTest>

using namespace Qt::StringLiterals;

class WindowArrangerBareX11Test final : public QObject {
    Q_OBJECT

public:
    explicit WindowArrangerBareX11Test(const DesktopSession& desktop) : desktop_(desktop) {}

private:
    const DesktopSession& desktop_;

    static bool titleListed(XcbWindowArranger& arranger, const QString& title)
    {
        for (const ForeignWindow& w : arranger.topLevelWindows())
            if (w.title == title)
                return true;
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(desktop_.hasXServer(), "Xvfb did not start");
        QVERIFY(!desktop_.hasWindowManager());
    }

    // Found by its title, with no taskbar to leave room for; a window hidden by its program is
    // shown again and takes exactly the rectangle asked for, as nothing draws a frame around it.
    void listsAndMovesWithoutWindowManager()
    {
        XcbWindowArranger arranger;
        QVERIFY(arranger.isAvailable());
        ForeignXWindow other("Kontakti - Imenik");
        QTRY_VERIFY(titleListed(arranger, u"Kontakti - Imenik"_s));
        QVERIFY(!arranger.taskbarRect());

        other.unmap();
        QTRY_VERIFY(!other.isViewable());
        QVERIFY(arranger.showNormalAt(other.id(), QRect(0, 0, 1420, 1040)));
        QTRY_VERIFY(other.isViewable());
        QTRY_COMPARE(other.geometry(), QRect(0, 0, 1420, 1040));
    }
};

int main(int argc, char* argv[])
{
    DesktopSession desktop(DesktopSession::WindowManager::None);
    QApplication app(argc, argv);
    WindowArrangerBareX11Test test(desktop);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window_arranger_bare_x11.moc"
