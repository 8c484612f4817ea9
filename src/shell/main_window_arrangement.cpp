// TfrmMain's window arrangement: the named foreign window to the left, the main window to the right.
#include "shell/main_window.h"

#include "data/settings_keys.h"
#include "data/settings_store.h"
#include "desktop/window_arranger.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

using namespace Qt::StringLiterals;

void TfrmMain::alignWindows()
{
    try {
        const QString name = Setting(SettingKey::OtherAppName);
        QCoreApplication::processEvents();
        const std::optional<ForeignWindow> other = findWindowByTitle(name);
        if (!other)
            return;
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QSize screenSize = screen->geometry().size();
        const WindowArrangement arrangement =
            ArrangeBesideMainWindow(screenSize, frameGeometry().width(), taskbarHeight());
        CurrentWindowArranger().showNormalAt(other->id, arrangement.other);
        QCoreApplication::processEvents();
        move(arrangement.mainLeft, frameGeometry().top());
    } catch (const std::exception&) {
        // The arrangement is best effort: window-system failures are ignored.
    }
}

std::optional<ForeignWindow> TfrmMain::findWindowByTitle(const QString& text)
{
    Memo1->clear();
    const bool listTitles = !Memo1->isHidden();
    QString seen;
    for (const ForeignWindow& window : CurrentWindowArranger().topLevelWindows()) {
        if (!window.title.isEmpty() && listTitles)
            seen += window.title + u'\n';
        if (!text.isEmpty() && window.title.contains(text, Qt::CaseSensitive)) {
            Memo1->appendPlainText(seen.chopped(seen.endsWith(u'\n') ? 1 : 0));
            return window;
        }
    }
    Memo1->appendPlainText(seen.chopped(seen.endsWith(u'\n') ? 1 : 0));
    return std::nullopt;
}

int TfrmMain::taskbarHeight()
{
    try {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return 0;
        return TaskbarHeightFor(CurrentWindowArranger().taskbarRect(), screen->geometry().height());
    } catch (const std::exception&) {
        return 0;
    }
}
