// The message dialog driven for real: every kind's title, picture, buttons and results, the details switch, Esc and
// re-entry.
#include "ui/message_boxes.h"
#include "ui/message_dialog.h"
#include "ui/ordavo_fonts.h"
#include "ui/ordavo_pictures.h"
#include "ui/xp_button.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

TfrmOrdavoDIalog* Dialog()
{
    return OrdavoDialog();
}

template <typename T> T* Child(const QString& name)
{
    return Dialog()->findChild<T*>(name);
}

QStringList VisibleButtons()
{
    QStringList names;
    for (const QString& name : {u"sb1"_s, u"sb3"_s, u"sb2"_s}) {
        if (!Child<TXpButton>(name)->isHidden())
            names << name;
    }
    return names;
}

QStringList VisibleCaptions()
{
    QStringList captions;
    for (const QString& name : VisibleButtons())
        captions << Child<TXpButton>(name)->text();
    return captions;
}

// Runs the action while the dialog is on screen, then makes sure it does not stay open.
int ShowAndAct(int kind, const QString& text, const QString& details, const std::function<void()>& action,
               int alignment = maCenter)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action]() {
        if (!Dialog()->isVisible())
            return;
        poll->stop();
        action();
        if (Dialog()->isVisible())
            QTimer::singleShot(3000, Dialog(), [] { Dialog()->done(-1); });
    });
    poll->start();
    const int result = ShowMessageDialog(kind, text, details, alignment);
    delete poll;
    return result;
}

void Click(const QString& button)
{
    QTest::mouseClick(Child<TXpButton>(button), Qt::LeftButton);
}

} // namespace

class TestMessageDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallOrdavoFonts(); }
    void init() { DialogTestHook::reset(); }
    void cleanup() { DialogTestHook::reset(); }

    void kinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("details");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("result");
        const QString error = OrdavoPictures::DialogError;
        const QString warning = OrdavoPictures::DialogWarning;
        const QString info = OrdavoPictures::DialogInfo;
        const QString confirm = OrdavoPictures::DialogConfirm;
        QTest::addRow("error without details") << 0 << QString() << u"Napaka"_s << error << QStringList{u"sb3"_s}
                                               << QStringList{u"&V redu"_s} << u"sb3"_s << 7;
        QTest::addRow("error with details, OK")
            << 0 << u"HTTP 500"_s << u"Napaka"_s << error << QStringList{u"sb1"_s, u"sb2"_s}
            << QStringList{u"&V redu"_s, u"&Detajli"_s} << u"sb1"_s << 6;
        QTest::addRow("warning continue")
            << 1 << QString() << u"Opozorilo"_s << warning << QStringList{u"sb1"_s, u"sb2"_s}
            << QStringList{u"&Nadaljuj"_s, u"&Prekini"_s} << u"sb1"_s << 6;
        QTest::addRow("warning abort ignores details")
            << 1 << u"ignored"_s << u"Opozorilo"_s << warning << QStringList{u"sb1"_s, u"sb2"_s}
            << QStringList{u"&Nadaljuj"_s, u"&Prekini"_s} << u"sb2"_s << 7;
        QTest::addRow("information offers no details")
            << 2 << u"ignored"_s << u"Informacija"_s << info << QStringList{u"sb3"_s} << QStringList{u"&V redu"_s}
            << u"sb3"_s << 7;
        QTest::addRow("confirmation yes")
            << 3 << QString() << u"Potrditev"_s << confirm << QStringList{u"sb1"_s, u"sb2"_s}
            << QStringList{u"&DA"_s, u"&NE"_s} << u"sb1"_s << 6;
        QTest::addRow("confirmation no") << 3 << QString() << u"Potrditev"_s << confirm
                                         << QStringList{u"sb1"_s, u"sb2"_s} << QStringList{u"&DA"_s, u"&NE"_s}
                                         << u"sb2"_s << 7;
        QTest::addRow("confirmation Esc")
            << 3 << QString() << u"Potrditev"_s << confirm << QStringList{u"sb1"_s, u"sb2"_s}
            << QStringList{u"&DA"_s, u"&NE"_s} << u"Esc"_s << 2;
        QTest::addRow("confirmation close box")
            << 3 << QString() << u"Potrditev"_s << confirm << QStringList{u"sb1"_s, u"sb2"_s}
            << QStringList{u"&DA"_s, u"&NE"_s} << u"close"_s << 2;
        QTest::addRow("confirmation Alt+N")
            << 3 << QString() << u"Potrditev"_s << confirm << QStringList{u"sb1"_s, u"sb2"_s}
            << QStringList{u"&DA"_s, u"&NE"_s} << u"Alt+N"_s << 7;
        QTest::addRow("kind 5 is information") << 5 << QString() << u"Informacija"_s << info << QStringList{u"sb3"_s}
                                               << QStringList{u"&V redu"_s} << u"sb3"_s << 7;
        QTest::addRow("Enter presses the focused first button")
            << 3 << QString() << u"Potrditev"_s << confirm << QStringList{u"sb1"_s, u"sb2"_s}
            << QStringList{u"&DA"_s, u"&NE"_s} << u"Enter"_s << 6;
    }
    void kinds()
    {
        QFETCH(int, kind);
        QFETCH(QString, details);
        QFETCH(QString, title);
        QFETCH(QString, picture);
        QFETCH(QStringList, buttons);
        QFETCH(QStringList, captions);
        QFETCH(QString, press);
        QFETCH(int, result);

        QString seenTitle;
        QStringList seenButtons;
        QStringList seenCaptions;
        bool pictureMatches = false;
        const int got = ShowAndAct(kind, u"Sporočilo"_s, details, [&] {
            seenTitle = Child<QLabel>(u"BigText"_s)->text();
            seenButtons = VisibleButtons();
            seenCaptions = VisibleCaptions();
            pictureMatches =
                Child<QLabel>(u"BackImage"_s)->pixmap().toImage() == OrdavoPictures::PicturePixmap(picture).toImage();
            if (press == u"Esc"_s)
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : Dialog(), Qt::Key_Escape);
            else if (press == u"close"_s)
                Dialog()->close();
            else if (press == u"Alt+N"_s)
                QTest::keyClick(Dialog(), Qt::Key_N, Qt::AltModifier);
            else if (press == u"Enter"_s)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else
                Click(press);
        });
        QCOMPARE(got, result);
        QCOMPARE(seenTitle, title);
        QCOMPARE(seenButtons, buttons);
        QCOMPARE(seenCaptions, captions);
        QVERIFY(pictureMatches);
        QVERIFY(!Dialog()->isVisible());
    }

    void dialogLook()
    {
        TfrmOrdavoDIalog* dialog = Dialog();
        dialog->fill(0, u"Napaka pri komunikaciji"_s, QString(), maCenter);
        QCOMPARE(dialog->objectName(), u"frmOrdavoDIalog"_s);
        QCOMPARE(dialog->windowTitle(), u"ORDAVO"_s);
        QCOMPARE(dialog->size(), QSize(400, 251));
        QCOMPARE(Child<QLabel>(u"BigText"_s)->geometry(), QRect(139, 48, 246, 30));
        QCOMPARE(Child<QLabel>(u"FrontText"_s)->geometry(), QRect(112, 88, 285, 105));
        QCOMPARE(Child<QLabel>(u"FrontText"_s)->palette().color(QPalette::WindowText), QColor(Qt::white));
        QCOMPARE(Child<TXpButton>(u"sb1"_s)->geometry(), QRect(144, 210, 120, 32));
        QCOMPARE(Child<TXpButton>(u"sb2"_s)->geometry(), QRect(272, 210, 120, 32));
        QCOMPARE(Child<TXpButton>(u"sb3"_s)->geometry(), QRect(272, 210, 120, 32));
        QCOMPARE(Child<TXpButton>(u"sb1"_s)->clrStartColor(), QColor(0x08, 0x74, 0xB5));
        QCOMPARE(Child<TXpButton>(u"sb1"_s)->pictureLeft(), -2);
        QCOMPARE(Child<QGroupBox>(u"gbDetails"_s)->geometry(), QRect(0, 95, 401, 105));
        QCOMPARE(Child<QGroupBox>(u"gbDetails"_s)->title(), u" DETAJLI "_s);
        QVERIFY(Child<QPlainTextEdit>(u"MemoBox"_s) != nullptr);
        QCOMPARE(Child<QLabel>(u"BackImage"_s)->pixmap().size(), QSize(400, 250));
    }

    void alignmentAndLineBreaks_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("expected");
        QTest::addRow("left") << 0 << int(Qt::AlignLeft);
        QTest::addRow("right") << 1 << int(Qt::AlignRight);
        QTest::addRow("centre") << 2 << int(Qt::AlignHCenter);
    }
    void alignmentAndLineBreaks()
    {
        QFETCH(int, alignment);
        QFETCH(int, expected);
        Dialog()->fill(2, u"prva\r\ndruga"_s, QString(), alignment);
        auto* text = Child<QLabel>(u"FrontText"_s);
        QCOMPARE(int(text->alignment() & Qt::AlignHorizontal_Mask), expected);
        QCOMPARE(text->text(), u"prva\ndruga"_s);
    }

    // Failure texts of any size: the box shows the first 10,000 characters and says how many
    // more there were.
    void longDetailsAreCutWithANote_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addRow("1 MB on one line") << qsizetype(1'000'000);
        QTest::addRow("20 MB on one line") << qsizetype(20'000'000);
    }
    void longDetailsAreCutWithANote()
    {
        QFETCH(qsizetype, size);
        QString details(size, u'x');
        details.replace(0, 5, u"HTTP "_s);
        QString memoText;
        ShowAndAct(0, u"Napaka pri komunikaciji"_s, details, [&] {
            Click(u"sb2"_s);
            auto* memo = Child<QPlainTextEdit>(u"MemoBox"_s);
            memo->moveCursor(QTextCursor::End);
            memo->ensureCursorVisible();
            memoText = memo->toPlainText();
            Click(u"sb1"_s);
        });
        QVERIFY(memoText.startsWith(details.left(10000)));
        QCOMPARE(memoText.mid(10000), u"\n\n[… izpuščenih je še "_s + QString::number(size - 10000) + u" znakov]"_s);
        QCOMPARE(Dialog()->detailsText().size(), size); // the record keeps all of it
    }

    void detailsForDisplay_data()
    {
        QTest::addColumn<QString>("details");
        QTest::addColumn<QString>("shown");
        const QString full(10000, u'a');
        QTest::addRow("exactly the limit") << full << full;
        QTest::addRow("one more") << full + u"b"_s << full + u"\n\n[… izpuščenih je še 1 znakov]"_s;
        // A character outside the basic plane is not split at the cut.
        const QString pair = QString(9999, u'a') + u"😀"_s + u"c"_s;
        QTest::addRow("surrogate pair at the cut")
            << pair << QString(9999, u'a') + u"\n\n[… izpuščenih je še 3 znakov]"_s;
    }
    void detailsForDisplay()
    {
        QFETCH(QString, details);
        QFETCH(QString, shown);
        QCOMPARE(DetailsForDisplay(details), shown);
    }

    void detailsSwitchShowsAndHides()
    {
        bool shownAfterFirst = false;
        QString memoText;
        bool hiddenAfterSecond = false;
        bool openAfterSwitching = false;
        const int result = ShowAndAct(0, u"Napaka pri komunikaciji"_s, u"Server said: no"_s, [&] {
            auto* details = Child<QGroupBox>(u"gbDetails"_s);
            Click(u"sb2"_s);
            shownAfterFirst = details->isVisible();
            memoText = Child<QPlainTextEdit>(u"MemoBox"_s)->toPlainText();
            Click(u"sb2"_s);
            hiddenAfterSecond = !details->isVisible();
            openAfterSwitching = Dialog()->isVisible();
            Click(u"sb1"_s);
        });
        QVERIFY(shownAfterFirst);
        QCOMPARE(memoText, u"Server said: no"_s);
        QVERIFY(hiddenAfterSecond);
        QVERIFY(openAfterSwitching);
        QCOMPARE(result, 6);
    }

    void nextCallResetsDetails()
    {
        ShowAndAct(0, u"a"_s, u"details"_s, [] {
            Click(u"sb2"_s);
            Click(u"sb1"_s);
        });
        Dialog()->fill(0, u"b"_s, QString(), maCenter);
        QVERIFY(Child<QGroupBox>(u"gbDetails"_s)->isHidden());
        QVERIFY(Dialog()->detailsText().isEmpty());
        QVERIFY(!Dialog()->detailsShown());
    }

    void callWhileShownRefillsAndReturnsZero()
    {
        int nested = -1;
        QString title;
        QString text;
        QStringList captions;
        const int first = ShowAndAct(3, u"Ali želite nadaljevati?"_s, QString(), [&] {
            nested = ShowMessageDialog(0, u"Napaka pri komunikaciji"_s, u"timeout"_s, maCenter);
            title = Child<QLabel>(u"BigText"_s)->text();
            text = Child<QLabel>(u"FrontText"_s)->text();
            captions = VisibleCaptions();
            Click(u"sb1"_s);
        });
        QCOMPARE(nested, 0);
        QCOMPARE(title, u"Napaka"_s);
        QCOMPARE(text, u"Napaka pri komunikaciji"_s);
        QCOMPARE(captions, (QStringList{u"&V redu"_s, u"&Detajli"_s}));
        QCOMPARE(first, 6);
    }

    void hookAnswersWithoutShowingAndRecords()
    {
        DialogTestHook::setNextAnswers({6});
        QCOMPARE(ShowMessageDialog(3, u"Nova verzija je na voljo"_s, QString(), maCenter), 6);
        QVERIFY(!Dialog()->isVisible());
        QCOMPARE(Child<QLabel>(u"BigText"_s)->text(), u"Potrditev"_s);
        QCOMPARE(ShowMessageDialog(0, u"Napaka pri komunikaciji"_s, u"HTTP 404"_s, maCenter), 2);

        const QList<ShownMessage> shown = DialogTestHook::shown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].box, ShownMessage::Box::Dialog);
        QCOMPARE(shown[0].kind, 3);
        QCOMPARE(shown[0].title, u"Potrditev"_s);
        QCOMPARE(shown[0].text, u"Nova verzija je na voljo"_s);
        QCOMPARE(shown[0].captions, (QStringList{u"&DA"_s, u"&NE"_s}));
        QCOMPARE(shown[0].result, 6);
        QVERIFY(shown[0].answeredFromQueue);
        QCOMPARE(shown[1].icon, MessageIcon::Error);
        QCOMPARE(shown[1].details, u"HTTP 404"_s);
        QCOMPARE(shown[1].captions, (QStringList{u"&V redu"_s, u"&Detajli"_s}));
        QCOMPARE(shown[1].result, 2);
        QVERIFY(!shown[1].answeredFromQueue);
    }
};

QTEST_MAIN(TestMessageDialog)
#include "tst_message_dialog.moc"
