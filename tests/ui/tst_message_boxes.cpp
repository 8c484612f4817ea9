// The standard system message box: real QMessageBox content and results, and the test hook's answers and record.
#include "ui/message_boxes.h"
#include "ui/qt_translation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Runs the action on the system box once it is on screen.
int ShowAndAct(MessageIcon icon, const QString& title, const QString& text, MessageButtons buttons,
               const std::function<void(QMessageBox*)>& action)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->stop();
        action(box);
        if (box->isVisible())
            QTimer::singleShot(3000, box, [box] { box->done(QMessageBox::Ok); });
    });
    poll->start();
    const int result = ShowSystemMessage(icon, title, text, buttons);
    delete poll;
    return result;
}

} // namespace

class TestMessageBoxes : public QObject {
    Q_OBJECT

private slots:
    void init() { DialogTestHook::reset(); }
    void cleanup() { DialogTestHook::reset(); }

    void realBox_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("result");
        QTest::addRow("yes") << int(MessageButtons::YesNo) << int(QMessageBox::Yes) << int(mrYes);
        QTest::addRow("no") << int(MessageButtons::YesNo) << int(QMessageBox::No) << int(mrNo);
        QTest::addRow("ok") << int(MessageButtons::Ok) << int(QMessageBox::Ok) << int(mrOk);
        QTest::addRow("cancel") << int(MessageButtons::OkCancel) << int(QMessageBox::Cancel) << int(mrCancel);
        QTest::addRow("Esc on OK/Cancel") << int(MessageButtons::OkCancel) << -1 << int(mrCancel);
    }
    void realBox()
    {
        QFETCH(int, buttons);
        QFETCH(int, press);
        QFETCH(int, result);
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        Qt::TextFormat format = Qt::AutoText;
        const int got = ShowAndAct(MessageIcon::Warning, u"Zapri program"_s, u"<b>Ali ste prepričani?</b>"_s,
                                   MessageButtons(buttons), [&](QMessageBox* box) {
                                       title = box->windowTitle();
                                       text = box->text();
                                       icon = box->icon();
                                       format = box->textFormat();
                                       if (press < 0)
                                           QTest::keyClick(box, Qt::Key_Escape);
                                       else
                                           box->button(QMessageBox::StandardButton(press))->click();
                                   });
        QCOMPARE(got, result);
        QCOMPARE(title, u"Zapri program"_s);
        QCOMPARE(text, u"<b>Ali ste prepričani?</b>"_s);
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(format, Qt::PlainText);
    }

    void hookAnswersAndRecords()
    {
        DialogTestHook::setNextAnswers({mrYes, mrCancel});
        QCOMPARE(
            ShowSystemMessage(MessageIcon::Warning, u"Vprašanje"_s, u"Ali ste prepričani?"_s, MessageButtons::YesNo),
            int(mrYes));
        QCOMPARE(ShowSystemMessage(MessageIcon::Question, u"Ali ste prepričani?"_s, u"Ali res želite izbrisati A?"_s,
                                   MessageButtons::OkCancel),
                 int(mrCancel));
        QCOMPARE(DialogTestHook::pendingAnswers(), 0);

        const QList<ShownMessage> shown = DialogTestHook::shown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].box, ShownMessage::Box::System);
        QCOMPARE(shown[0].icon, MessageIcon::Warning);
        QCOMPARE(shown[0].title, u"Vprašanje"_s);
        QCOMPARE(shown[0].text, u"Ali ste prepričani?"_s);
        QCOMPARE(shown[0].buttons, MessageButtons::YesNo);
        QCOMPARE(shown[0].result, int(mrYes));
        QCOMPARE(shown[1].icon, MessageIcon::Question);
        QCOMPARE(DialogTestHook::lastShown().text, u"Ali res želite izbrisati A?"_s);
    }

    void hookWithEmptyQueueGivesClosedAnswer_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("result");
        QTest::addRow("ok") << int(MessageButtons::Ok) << int(mrOk);
        QTest::addRow("ok/cancel") << int(MessageButtons::OkCancel) << int(mrCancel);
        QTest::addRow("yes/no") << int(MessageButtons::YesNo) << int(mrNo);
    }
    void hookWithEmptyQueueGivesClosedAnswer()
    {
        QFETCH(int, buttons);
        QFETCH(int, result);
        DialogTestHook::activate();
        QCOMPARE(ShowSystemMessage(MessageIcon::Error, u"Napaka"_s, u"x"_s, MessageButtons(buttons)), result);
        QVERIFY(!DialogTestHook::lastShown().answeredFromQueue);
    }

    void resetStopsRecording()
    {
        DialogTestHook::setNextAnswers({mrOk});
        DialogTestHook::reset();
        QVERIFY(!DialogTestHook::isActive());
        QCOMPARE(DialogTestHook::pendingAnswers(), 0);
        QVERIFY(DialogTestHook::shown().isEmpty());
    }

    // With Qt's catalogue installed the standard buttons are in Slovenian.
    void standardButtonsSpeakSlovenian()
    {
        QVERIFY(InstallQtSlovenianTranslation(*QCoreApplication::instance()));
        QStringList texts;
        const auto collect = [&texts](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons())
                texts << button->text().remove(u'&');
            box->done(QMessageBox::Ok);
        };
        ShowAndAct(MessageIcon::Question, u"Vprašanje"_s, u"Ali želite?"_s, MessageButtons::YesNo, collect);
        ShowAndAct(MessageIcon::Information, u"Obvestilo"_s, u"Shranjeno"_s, MessageButtons::OkCancel, collect);
        texts.sort();
        QCOMPARE(texts, QStringList({u"Da"_s, u"Ne"_s, u"Prekliči"_s, u"V redu"_s}));
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_message_boxes.moc"
