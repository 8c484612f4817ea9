// What screen readers learn of the kit's controls: button names and presses, described and silent pictures, alerts.
#include "ui/accessibility.h"
#include "ui/message_dialog.h"
#include "ui/picture_button.h"
#include "ui/xp_button.h"

#include <QAccessible>
#include <QLabel>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QAccessibleInterface* Accessible(QObject* object)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    if (!accessible)
        qFatal("no accessible interface");
    return accessible;
}

QPixmap SomePicture()
{
    QPixmap picture(24, 24);
    picture.fill(Qt::darkBlue);
    return picture;
}

} // namespace

class AccessibilityTest final : public QObject {
    Q_OBJECT

private slots:
    void buttonNames_data();
    void buttonNames();
    void gradientButtonIsReadAndPressedAsAButton();
    void pictureButtonIsReadAndPressedAsAButton();
    void picturesAreDescribedOrSilent();
    void messageDialogIsAnAlert();
};

void AccessibilityTest::buttonNames_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("name");
    QTest::addRow("blanks place the caption beside the picture") << u"       Tisk"_s << u"Natisni nalog"_s << u"Tisk"_s;
    QTest::addRow("trailing blanks") << u"Izbriši   "_s << QString() << u"Izbriši"_s;
    QTest::addRow("picture only: the tooltip") << QString() << u"Izbriši nalog"_s << u"Izbriši nalog"_s;
    QTest::addRow("blanks only: the tooltip") << u"   "_s << u"Predogled izpisa"_s << u"Predogled izpisa"_s;
    QTest::addRow("mnemonic") << u"&V redu"_s << QString() << u"V redu"_s;
    QTest::addRow("doubled ampersand") << u"Ime && priimek"_s << QString() << u"Ime & priimek"_s;
}

void AccessibilityTest::buttonNames()
{
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    QFETCH(QString, name);
    QCOMPARE(ButtonNameForScreenReaders(caption, toolTip), name);
}

void AccessibilityTest::gradientButtonIsReadAndPressedAsAButton()
{
    TXpButton button(u"       Tisk"_s, nullptr);
    button.setToolTip(u"Natisni nalog"_s);
    QAccessibleInterface* accessible = Accessible(&button);
    QCOMPARE(accessible->role(), QAccessible::Button);
    QCOMPARE(accessible->text(QAccessible::Name), u"Tisk"_s);
    QCOMPARE(accessible->text(QAccessible::Description), u"Natisni nalog"_s);

    // The caption a window sets later is what is read then.
    button.setText(u"Arhiviraj"_s);
    QCOMPARE(accessible->text(QAccessible::Name), u"Arhiviraj"_s);
    button.setText(QString());
    QCOMPARE(accessible->text(QAccessible::Name), u"Natisni nalog"_s);
    QCOMPARE(accessible->text(QAccessible::Description), QString());

    // A screen reader's press clicks it, once the reader's call has returned.
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QAccessibleActionInterface* actions = accessible->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(clicks.count(), 1);
    button.setEnabled(false);
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTest::qWait(20);
    QCOMPARE(clicks.count(), 1);
}

void AccessibilityTest::pictureButtonIsReadAndPressedAsAButton()
{
    QWidget window;
    auto* picture = new PictureButton(SomePicture(), u"Poravnaj okna"_s, &window);
    picture->setGeometry(0, 0, 24, 24);
    QAccessibleInterface* accessible = Accessible(picture);
    QCOMPARE(accessible->role(), QAccessible::Button);
    QCOMPARE(accessible->text(QAccessible::Name), u"Poravnaj okna"_s);
    // Tab reaches it; a click leaves the keyboard where it was.
    QCOMPARE(picture->focusPolicy(), Qt::TabFocus);

    QSignalSpy clicks(picture, &PictureButton::clicked);
    QTest::keyClick(picture, Qt::Key_Space);
    QTest::keyClick(picture, Qt::Key_Return);
    QTest::keyClick(picture, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(picture, Qt::Key_A);
    QCOMPARE(clicks.count(), 3);
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(12, 12));
    QCOMPARE(clicks.count(), 4);
    QTest::mouseClick(picture, Qt::RightButton, {}, QPoint(12, 12));
    QCOMPARE(clicks.count(), 4);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(clicks.count(), 5);
}

void AccessibilityTest::picturesAreDescribedOrSilent()
{
    QLabel banner;
    banner.setPixmap(SomePicture());
    // Qt's own reading of the label, as a screen reader may have asked for it before.
    QCOMPARE(Accessible(&banner)->role(), QAccessible::Graphic);

    DescribePicture(&banner, u"Logotip Ordavo"_s);
    QCOMPARE(Accessible(&banner)->role(), QAccessible::Graphic);
    QCOMPARE(Accessible(&banner)->text(QAccessible::Name), u"Logotip Ordavo"_s);

    // A window that puts a motif in its place says it only decorates.
    DescribePicture(&banner, QString());
    QCOMPARE(Accessible(&banner)->role(), QAccessible::Whitespace);
    QCOMPARE(Accessible(&banner)->text(QAccessible::Name), QString());

    // A pane of its own drawing is read as an image too.
    QWidget pane;
    DescribePicture(&pane, u"Podpis stranke"_s);
    QCOMPARE(Accessible(&pane)->role(), QAccessible::Graphic);
    QCOMPARE(Accessible(&pane)->text(QAccessible::Name), u"Podpis stranke"_s);
}

void AccessibilityTest::messageDialogIsAnAlert()
{
    TfrmOrdavoDIalog dialog;
    dialog.fill(mdError, u"Napaka pri komunikaciji"_s, u"HTTP 500"_s, maCenter);
    QAccessibleInterface* accessible = Accessible(&dialog);
    QCOMPARE(accessible->role(), QAccessible::AlertMessage);
    QCOMPARE(accessible->text(QAccessible::Name), u"Napaka"_s);
    QCOMPARE(accessible->text(QAccessible::Value), u"Napaka pri komunikaciji"_s);

    dialog.fill(mdConfirmation, u"Ali želite namestiti novo različico?"_s, QString(), maCenter);
    QCOMPARE(accessible->text(QAccessible::Name), u"Potrditev"_s);
    QCOMPARE(accessible->text(QAccessible::Value), u"Ali želite namestiti novo različico?"_s);
    // Its background only sets the mood.
    QCOMPARE(Accessible(dialog.findChild<QLabel*>(u"BackImage"_s))->role(), QAccessible::Whitespace);
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
