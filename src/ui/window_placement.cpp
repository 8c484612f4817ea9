// Saves and restores a window's outer position and size under its object name in the settings store.
#include "window_placement.h"

#include "data/settings_store.h"

#include <QCoreApplication>
#include <QWidget>

using namespace Qt::StringLiterals;

bool placementSaving = false;

namespace {

const QString kSection = u"ordavo"_s;

QWidget* AsWindow(QObject* form)
{
    auto* widget = qobject_cast<QWidget*>(form);
    return widget && widget->isWindow() ? widget : nullptr;
}

int IntegerOr(const QString& text, int current)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : current;
}

QString ReadOrCurrent(const QString& key, int current)
{
    const QString value = ReadSetting(kSection, key);
    return value.isEmpty() ? QString::number(current) : value;
}

// The frame around the client area; zero before the window system has decorated the window.
QSize FrameExtra(const QWidget* window)
{
    return window->frameGeometry().size() - window->size();
}

} // namespace

void saveFormPlacement(QObject* form)
{
    QWidget* window = AsWindow(form);
    if (!window)
        return;
    const QString name = window->objectName();
    const QRect outer = window->frameGeometry();
    WriteSetting(kSection, u"left"_s + name, QString::number(outer.x()));
    WriteSetting(kSection, u"top"_s + name, QString::number(outer.y()));
    WriteSetting(kSection, u"width"_s + name, QString::number(outer.width()));
    WriteSetting(kSection, u"height"_s + name, QString::number(outer.height()));
}

void restoreFormPlacement(QObject* form)
{
    QWidget* window = AsWindow(form);
    if (!window)
        return;
    const QString name = window->objectName();
    const QRect outer = window->frameGeometry();
    const QString left = ReadOrCurrent(u"left"_s + name, outer.x());
    const QString top = ReadOrCurrent(u"top"_s + name, outer.y());
    const QString width = ReadOrCurrent(u"width"_s + name, outer.width());
    const QString height = ReadOrCurrent(u"height"_s + name, outer.height());

    placementSaving = false;
    window->move(IntegerOr(left, window->frameGeometry().x()), window->frameGeometry().y());
    window->move(window->frameGeometry().x(), IntegerOr(top, window->frameGeometry().y()));
    const QSize extra = FrameExtra(window);
    window->resize(IntegerOr(width, window->frameGeometry().width()) - extra.width(), window->height());
    window->resize(window->width(), IntegerOr(height, window->frameGeometry().height()) - extra.height());
    QCoreApplication::processEvents();
    placementSaving = true;
}
