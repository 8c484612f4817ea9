// The call seam on a real X desktop: keys typed while a call waits for its answer are held back and arrive after it,
// none lost.
#include "support/window_test_kit.h"

#include "session/remote_calls.h"
#include "ui/message_boxes.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

class CallSeamX11Test final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScriptedSession> session_;
    ScriptedWorkshop* workshop_ = nullptr;

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs an X server with a window manager");
        if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            QSKIP("xdotool is not installed");
    }

    void init()
    {
        session_ = std::make_unique<ScriptedSession>();
        workshop_ = &session_->workshop();
    }

    void cleanup() { session_.reset(); }

    // Keys typed on the keyboard while a load waits do not reach the window during the call (its
    // handler is not re-entered), and all of them arrive, in order, once the call has ended.
    void keysTypedDuringACallArriveAfterIt()
    {
        QLineEdit edit;
        edit.setWindowTitle(u"Iskanje med klicem"_s);
        edit.resize(300, 30);
        edit.show();
        edit.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();
        workshop_->holdAnswersContaining(u"usp_listLokacije"_s);

        QProcess typist;
        QString textDuringCall = u"(not sampled)"_s;
        bool typed = false;
        connect(&typist, &QProcess::finished, this, [&](int exitCode, QProcess::ExitStatus status) {
            typed = status == QProcess::NormalExit && exitCode == 0;
            // Time for the X server to hand the keys over before the call ends.
            QTimer::singleShot(300, this, [&] {
                textDuringCall = edit.text();
                workshop_->releaseAnswers();
            });
        });
        QTimer::singleShot(100, this, [&] {
            typist.start(u"xdotool"_s, {u"type"_s, u"--delay"_s, u"30"_s, u"abc"_s});
        });
        QVERIFY(CallRemote(u"call usp_listLokacije ()"_s));
        QVERIFY2(typed, "xdotool did not type");
        QCOMPARE(textDuringCall, QString());
        QTRY_COMPARE(edit.text(), u"abc"_s);
    }
};

QTEST_MAIN(CallSeamX11Test)
#include "tst_call_seam_x11.moc"
