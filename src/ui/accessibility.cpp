// The accessible interfaces of the kit's self-painted buttons and of its pictures, and the factory that hands them out.
#include "accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeySequence>
#include <QPushButton>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// Which of the kit's interfaces a widget takes; the widget carries it from its construction on.
const char* const kKindProperty = "ordavoAccessibleKind";
enum class Kind { Button = 1, Picture = 2, Alert = 3 };
// The two labels an alert is read by.
const char* const kAlertTitleProperty = "ordavoAlertTitle";
const char* const kAlertMessageProperty = "ordavoAlertMessage";

Kind KindOf(const QObject* object)
{
    return Kind(object->property(kKindProperty).toInt());
}

// A caption without its mnemonic marks: "&&" stands for one "&", a single "&" marks the next letter.
QString WithoutMnemonics(const QString& caption)
{
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&' && i + 1 < caption.size())
            ++i;
        else if (caption.at(i) == u'&')
            continue;
        plain.append(caption.at(i));
    }
    return plain;
}

class AccessibleButton final : public QAccessibleWidget {
public:
    explicit AccessibleButton(QWidget* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            if (!widget()->accessibleName().isEmpty())
                return widget()->accessibleName();
            return ButtonNameForScreenReaders(caption(), widget()->toolTip());
        case QAccessible::Description:
            // The tooltip says more than a caption, but is no news when it already is the name.
            if (WithoutMnemonics(caption()).trimmed().isEmpty())
                return widget()->accessibleDescription();
            return QAccessibleWidget::text(t);
        case QAccessible::Accelerator:
            return QKeySequence::mnemonic(caption()).toString(QKeySequence::NativeText);
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget()))
            s.pressed = button->isDown();
        if (const auto* button = qobject_cast<const QPushButton*>(widget()))
            s.defaultButton = button->isDefault();
        return s;
    }

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }

    void doAction(const QString& actionName) override
    {
        if (actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        if (widget()->isEnabled())
            QMetaObject::invokeMethod(widget(), "click", Qt::QueuedConnection);
    }

    QStringList keyBindingsForAction(const QString& actionName) const override
    {
        if (actionName != pressAction())
            return QAccessibleWidget::keyBindingsForAction(actionName);
        const QKeySequence mnemonic = QKeySequence::mnemonic(caption());
        return mnemonic.isEmpty() ? QStringList() : QStringList{mnemonic.toString(QKeySequence::NativeText)};
    }

private:
    QString caption() const { return widget()->property("text").toString(); }
};

// A described picture is an image read by its description; without one it is a filler, which
// screen readers pass over.
class AccessiblePicture final : public QAccessibleWidget {
public:
    explicit AccessiblePicture(QWidget* picture) : QAccessibleWidget(picture, QAccessible::Graphic) {}

    QAccessible::Role role() const override
    {
        return widget()->accessibleName().isEmpty() ? QAccessible::Whitespace : QAccessible::Graphic;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return widget()->accessibleName();
        return QAccessibleWidget::text(t);
    }
};

// A message window read by its title and message rather than by its window title.
class AccessibleAlert final : public QAccessibleWidget {
public:
    explicit AccessibleAlert(QWidget* window) : QAccessibleWidget(window, QAccessible::AlertMessage) {}

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return labelText(kAlertTitleProperty);
        case QAccessible::Description:
        case QAccessible::Value:
            return labelText(kAlertMessageProperty);
        default:
            return QAccessibleWidget::text(t);
        }
    }

private:
    QString labelText(const char* property) const
    {
        const QObject* label = widget()->property(property).value<QObject*>();
        return label ? label->property("text").toString() : QString();
    }
};

// Announces the alert whenever its window is shown.
class AlertAnnouncer final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            AnnounceAlert(static_cast<QWidget*>(watched));
        return false;
    }
};

QAccessibleInterface* KitInterfaceFactory(const QString& className, QObject* object)
{
    // Asked once for each class from the object's own upwards; the kind decides, so answer the first.
    if (!object || !object->isWidgetType() || className != QLatin1StringView(object->metaObject()->className()))
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    switch (KindOf(object)) {
    case Kind::Button:
        return new AccessibleButton(widget);
    case Kind::Picture:
        return new AccessiblePicture(widget);
    case Kind::Alert:
        return new AccessibleAlert(widget);
    }
    return nullptr;
}

void InstallKitFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(KitInterfaceFactory);
        return true;
    }();
    (void)installed;
}

// Gives the widget the kit's interface of that kind. An interface that a screen reader's query
// or a change notice created before (Qt's own) is dropped, so the next query gets the kit's.
void UseKitInterface(QWidget* widget, Kind kind)
{
    InstallKitFactory();
    widget->setProperty(kKindProperty, int(kind));
    QAccessibleInterface* current = QAccessible::queryAccessibleInterface(widget);
    const bool kits = dynamic_cast<AccessibleButton*>(current) || dynamic_cast<AccessiblePicture*>(current) ||
                      dynamic_cast<AccessibleAlert*>(current);
    if (current && !kits)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(current));
}

} // namespace

QString ButtonNameForScreenReaders(const QString& caption, const QString& toolTip)
{
    const QString name = WithoutMnemonics(caption).trimmed();
    return name.isEmpty() ? toolTip.trimmed() : name;
}

void ReadAsButton(QWidget* button)
{
    UseKitInterface(button, Kind::Button);
}

void DescribePicture(QWidget* picture, const QString& description)
{
    if (KindOf(picture) != Kind::Picture)
        UseKitInterface(picture, Kind::Picture);
    picture->setAccessibleName(description);
}

void ReadAsAlert(QWidget* window, QWidget* title, QWidget* message)
{
    window->setProperty(kAlertTitleProperty, QVariant::fromValue<QObject*>(title));
    window->setProperty(kAlertMessageProperty, QVariant::fromValue<QObject*>(message));
    UseKitInterface(window, Kind::Alert);
    window->installEventFilter(new AlertAnnouncer(window));
}

void AnnounceAlert(QWidget* window)
{
    for (const QAccessible::Event change : {QAccessible::NameChanged, QAccessible::DescriptionChanged}) {
        QAccessibleEvent event(window, change);
        QAccessible::updateAccessibility(&event);
    }
    QAccessibleEvent alert(window, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}
