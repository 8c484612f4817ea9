// Billing and deleting the shown order and the edit-lock check, against a scripted workshop with the main window's list
// refresh.
#include "orders/order_actions.h"
#include "orders/order_details.h"

#include "support/settings_sandbox.h"
#include "support/window_test_kit.h"

#include "session/app_state.h"
#include "shell/main_window.h"
#include "ui/message_boxes.h"
#include "ui/xp_button.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray SavedAnswer(const std::optional<QString>& saved)
{
    return TableAnswer({{u"nalogid"_s, 3}, {u"saved"_s, 3}}, {Row{u"1532"_s, saved}});
}

const QString kBeingEdited = u"Ni možno|Nalog je trenutno v urejanju zato trenutno ne more biti obračunan."_s;
const QString kNotSaved = u"Ni možno|Nalog ni shranjen dokončno ali pa je bil izbrisan zato ne more biti obračunan."_s;
const QString kListCall = u"call usp_listneobracunaninalogi (0,"_s;

} // namespace

class OrderActionsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void billing_data();
    void billing();
    void deleting_data();
    void deleting();
    void deleteAnsweredNoChangesNothing();
    void unexpectedAnswerIsReportedWithoutRefresh();
    void unreachableServerIsSaidOnceWithoutRefresh_data();
    void unreachableServerIsSaidOnceWithoutRefresh();
    void editLockBeforePreview_data();
    void editLockBeforePreview();

private:
    int listRefreshes() const;
    QStringList statusCalls() const;

    std::unique_ptr<ScriptedWorkshop> workshop_;
    std::unique_ptr<RemoteTestSetup> remote_;
    std::unique_ptr<TfrmMain> main_;
    std::unique_ptr<TfrmNalogDetails> window_;
};

void OrderActionsTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
}

void OrderActionsTest::init()
{
    ResetAppState();
    DialogTestHook::reset();
    DialogTestHook::activate();
    workshop_ = std::make_unique<ScriptedWorkshop>();
    remote_ = std::make_unique<RemoteTestSetup>(workshop_->baseUrl());
    main_ = std::make_unique<TfrmMain>();
    window_ = std::make_unique<TfrmNalogDetails>();
    currentNalogId = 1532;
    window_->lblNalog->setText(u"DN-1532"_s);
    window_->show();
    workshop_->clearStatements();
}

void OrderActionsTest::cleanup()
{
    window_.reset();
    main_.reset();
    remote_.reset();
    workshop_.reset();
    DialogTestHook::reset();
}

int OrderActionsTest::listRefreshes() const
{
    return int(workshop_->statements().filter(kListCall).size());
}

QStringList OrderActionsTest::statusCalls() const
{
    QStringList calls;
    for (const QString& statement : workshop_->statements())
        if (statement.startsWith(u"call usp_updatenalog"_s))
            calls.append(statement.trimmed());
    return calls;
}

void OrderActionsTest::billing_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("timerOn");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("refreshes");
    QTest::addRow("saved 1, timer on") << SavedAnswer(u"1"_s) << true << QStringList() << 2;
    QTest::addRow("saved 1, timer off") << SavedAnswer(u"1"_s) << false << QStringList() << 1;
    QTest::addRow("saved 2") << SavedAnswer(u"2"_s) << false << QStringList{kBeingEdited} << 1;
    QTest::addRow("saved 0") << SavedAnswer(u"0"_s) << true << QStringList{kNotSaved} << 2;
    QTest::addRow("saved null") << SavedAnswer(std::nullopt) << false << QStringList() << 1;
    QTest::addRow("no row") << EmptyAnswer() << false << QStringList() << 1;
    QTest::addRow("communication failure, timer on")
        << FailureAnswer("DB error") << true << QStringList{u"Napaka|Napaka pri komunikaciji"_s} << 1;
    QTest::addRow("communication failure, timer off")
        << FailureAnswer("DB error") << false << QStringList{u"Napaka|Napaka pri komunikaciji"_s} << 0;
}

void OrderActionsTest::billing()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, timerOn);
    QFETCH(QStringList, boxes);
    QFETCH(int, refreshes);
    workshop_->answer(u"call usp_updatenalog"_s, answer);
    main_->tmrcheck->stop();
    if (timerOn)
        main_->tmrcheck->start(60000);

    QTest::mouseClick(window_->shrani, Qt::LeftButton);
    // The timer's step loads the list in the background; its answer is applied when it comes.
    QTRY_VERIFY(!main_->refreshInFlight());

    QCOMPARE(statusCalls(), QStringList{u"call usp_updatenalog (1532,1)"_s});
    QCOMPARE(ShownBoxes(), boxes);
    QCOMPARE(listRefreshes(), refreshes);
    QCOMPARE(main_->tmrcheck->isActive(), timerOn);
    QVERIFY(!window_->isVisible());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void OrderActionsTest::deleting_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("refreshes");
    QTest::addRow("saved 1") << SavedAnswer(u"1"_s) << QStringList() << 1;
    QTest::addRow("saved 2") << SavedAnswer(u"2"_s) << QStringList{kBeingEdited} << 1;
    QTest::addRow("saved 0") << SavedAnswer(u"0"_s) << QStringList{kNotSaved} << 1;
}

void OrderActionsTest::deleting()
{
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, boxes);
    QFETCH(int, refreshes);
    workshop_->answer(u"call usp_updatenalog"_s, answer);
    main_->tmrcheck->start(60000);
    DialogTestHook::setNextAnswers({mrYes});

    QTest::mouseClick(window_->XpButton1, Qt::LeftButton);

    const ShownMessage question = DialogTestHook::shown().first();
    QCOMPARE(question.title, u"Potrdite ali ovrzite"_s);
    QCOMPARE(question.text, u"Ali ste prepričani da želite izbrisati nalog DN-1532?"_s);
    QCOMPARE(question.icon, MessageIcon::Information);
    QCOMPARE(question.buttons, MessageButtons::YesNo);
    QCOMPARE(ShownBoxes().mid(1), boxes);
    QCOMPARE(statusCalls(), QStringList{u"call usp_updatenalog (1532,199)"_s});
    QCOMPARE(listRefreshes(), refreshes);
    QVERIFY(!window_->isVisible());
}

void OrderActionsTest::deleteAnsweredNoChangesNothing()
{
    DialogTestHook::setNextAnswers({mrNo});
    QTest::mouseClick(window_->XpButton1, Qt::LeftButton);
    QCOMPARE(DialogTestHook::shown().size(), 1);
    QVERIFY(workshop_->statements().isEmpty());
    QVERIFY(window_->isVisible());
}

void OrderActionsTest::unexpectedAnswerIsReportedWithoutRefresh()
{
    workshop_->answer(u"call usp_updatenalog"_s, TableAnswer({{u"other"_s, 3}}, {Row{u"1"_s}}));
    setNalogStatus(1532, 1);
    const QStringList boxes = ShownBoxes();
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().startsWith(u"Napaka|Napaka pri posodabljanju statua :"_s) &&
                 boxes.first().size() > QStringLiteral("Napaka|Napaka pri posodabljanju statua :").size(),
             qPrintable(boxes.first()));
    QCOMPARE(listRefreshes(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void OrderActionsTest::unreachableServerIsSaidOnceWithoutRefresh_data()
{
    AddUnreachableRows();
}

// Billing and the edit-lock check that reached no server are failures: said once, no list
// reload, no preview.
void OrderActionsTest::unreachableServerIsSaidOnceWithoutRefresh()
{
    QFETCH(int, kind);
    const UnreachableWorkshop down{UnreachableWorkshop::Kind(kind)};
    PointWorkshopAt(down.baseUrl());
    workshop_->clearStatements();
    QTest::mouseClick(window_->shrani, Qt::LeftButton);
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
    QCOMPARE(listRefreshes(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());

    DialogTestHook::reset();
    DialogTestHook::activate();
    QVERIFY(!checkNalogEditLock(1532));
    QVERIFY2(UnreachableDialogsMismatch(down.reason()).isEmpty(),
             qPrintable(UnreachableDialogsMismatch(down.reason())));
}

void OrderActionsTest::editLockBeforePreview_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QStringList>("boxes");
    QTest::addRow("free") << SavedAnswer(u"1"_s) << true << QStringList();
    QTest::addRow("no row") << EmptyAnswer() << true << QStringList();
    QTest::addRow("being edited")
        << SavedAnswer(u"2"_s) << false
        << QStringList{u"Ni možno|Nalog je trenutno v urejanju zato trenutno ne more biti natisnjen."_s};
    QTest::addRow("not saved")
        << SavedAnswer(u"0"_s) << false
        << QStringList{u"Ni možno|Nalog ni shranjen dokončno ali pa je bil izbrisan zato ne more biti natisnjen."_s};
    QTest::addRow("communication failure")
        << FailureAnswer("DB error") << false << QStringList{u"Napaka|Napaka pri komunikaciji"_s};
}

void OrderActionsTest::editLockBeforePreview()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, allowed);
    QFETCH(QStringList, boxes);
    workshop_->answer(u"call usp_getnalogedit"_s, answer);
    QCOMPARE(checkNalogEditLock(1532), allowed);
    QCOMPARE(ShownBoxes(), boxes);
    QCOMPARE(workshop_->statements().value(0).trimmed(), u"call usp_getnalogedit (1532)"_s);
}

QTEST_MAIN(OrderActionsTest)
#include "tst_order_actions.moc"
