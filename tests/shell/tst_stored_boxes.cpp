// The boxes whose text is stored, over every window: limits that refuse instead of cutting, and texts the server would
// change or could not take refused before anything is sent.
#include "orders/item_catalogue.h"
#include "signin/company_details.h"
#include "signin/login_window.h"
#include "storage/storage_locations.h"

#include "support/window_test_kit.h"

#include "data/server_contract.h"
#include "data/settings_store.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Window { StorageLocations, ItemCatalogue, SignIn, CompanyDetails };

struct StoredBox {
    Window window;
    const char* box;
    const char* field;
    int limit;
};

// Every box whose text is stored: on the workshop's server (read back at most 4000 characters)
// or in the settings, with the limits the windows give.
const StoredBox kStoredBoxes[] = {
    {Window::StorageLocations, "txtImeProstora", "Ime prostora", 200},
    {Window::StorageLocations, "mmoOpisProstora", "Opis prostora", 4000},
    {Window::ItemCatalogue, "txtOpis", "Opis postavke", 4000},
    {Window::ItemCatalogue, "txtCena", "Cena", 10},
    {Window::ItemCatalogue, "txtPozicija", "Pozicija", 10},
    {Window::SignIn, "txtkoda", "Ordavo prijavna koda", 40},
    {Window::CompanyDetails, "txtImePodjetja", "Ime podjetja", 40},
    {Window::CompanyDetails, "txtNaslovPodjetja", "Naslov podjetja", 40},
    {Window::CompanyDetails, "txtPostnaStevilkaInPosta", "Poštna številka in pošta", 40},
    {Window::CompanyDetails, "txtTelefon", "Telefon", 40},
    {Window::CompanyDetails, "txtFax", "Fax", 40},
    {Window::CompanyDetails, "txtSpletnaStran", "Spletna stran", 40},
};

// The window, built but not shown, so that nothing is loaded.
std::unique_ptr<QWidget> BuildWindow(Window window)
{
    switch (window) {
    case Window::StorageLocations:
        return std::make_unique<TfrmShranjevanjeGumUrejanjeProstorov>();
    case Window::ItemCatalogue:
        return std::make_unique<TfrmNalogUrejanjePostavk>();
    case Window::SignIn:
        return std::make_unique<TfrmnalogLogin>();
    case Window::CompanyDetails:
        return std::make_unique<TfrmUrejanjePodatkov>();
    }
    return {};
}

QString TextOf(QWidget* box)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return line->text();
    return qobject_cast<QPlainTextEdit*>(box)->toPlainText();
}

// Puts a text in as the program does, caret at its end.
void SetText(QWidget* box, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->setText(text);
        line->end(false);
        return;
    }
    auto* memo = qobject_cast<QPlainTextEdit*>(box);
    memo->setPlainText(text);
    memo->moveCursor(QTextCursor::End);
}

// Pastes at the caret as Ctrl+V does, then lets the box's deferred message come.
void Paste(QWidget* box, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->paste();
    else
        qobject_cast<QPlainTextEdit*>(box)->paste();
    QCoreApplication::processEvents();
}

void Type(QWidget* box, char letter)
{
    QTest::keyClick(box, letter);
    QCoreApplication::processEvents();
}

// Empty when exactly one "Predolgo besedilo" box named the field, the limit and the length tried.
QString LengthRefusalMismatch(const QString& field, int limit, int attempted)
{
    const QList<ShownMessage> shown = DialogTestHook::shown();
    if (shown.size() != 1)
        return u"%1 boxes: %2"_s.arg(shown.size()).arg(ShownBoxes().join(u" / "_s));
    const ShownMessage& box = shown.first();
    if (box.title != u"Predolgo besedilo"_s || !box.text.contains(u'"' + field + u'"') ||
        !box.text.contains(u"največ %1 znakov"_s.arg(limit)) || !box.text.contains(QString::number(attempted)))
        return box.title + u'|' + box.text;
    return {};
}

QStringList AllMarkers()
{
    using namespace ServerContract;
    QStringList markers;
    for (std::string_view marker : {PlusToken, DotToken, CommaToken, SpaceToken, BraceToken, TildeToken, SuccessMarker,
                                    EmptyRecordsetMarker, CallUspToken})
        markers.append(QString::fromLatin1(marker.data(), qsizetype(marker.size())));
    return markers;
}

} // namespace

class StoredBoxesTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        DialogTestHook::reset();
        DialogTestHook::activate();
    }

    void cleanup() { DialogTestHook::reset(); }

    // Typed text "ab" and a paste that brings the box to the length: up to the limit it is
    // taken whole, past it refused whole with a box that names the field, the box keeping "ab".
    // A full box takes no further typed letter either.
    void storedBoxesTakeNoMoreThanTheirLimit_data()
    {
        QTest::addColumn<int>("boxIndex");
        QTest::addColumn<int>("length");
        for (int i = 0; i < int(std::size(kStoredBoxes)); ++i) {
            const StoredBox& box = kStoredBoxes[i];
            for (const int length : {box.limit - 1, box.limit, box.limit + 1, 10000})
                QTest::addRow("%s %d", box.box, length) << i << length;
        }
    }

    void storedBoxesTakeNoMoreThanTheirLimit()
    {
        QFETCH(int, boxIndex);
        QFETCH(int, length);
        const StoredBox& stored = kStoredBoxes[boxIndex];
        const std::unique_ptr<QWidget> window = BuildWindow(stored.window);
        QWidget* box = RequireChild<QWidget>(*window, stored.box);
        const QString field = QString::fromUtf8(stored.field);
        SetText(box, u"ab"_s);
        Paste(box, QString(length - 2, u'7'));
        if (length > stored.limit) {
            QCOMPARE(TextOf(box), u"ab"_s);
            QVERIFY2(LengthRefusalMismatch(field, stored.limit, length).isEmpty(),
                     qPrintable(LengthRefusalMismatch(field, stored.limit, length)));
            return;
        }
        QCOMPARE(TextOf(box).size(), length);
        QCOMPARE(ShownBoxes(), QStringList());
        Type(box, '8');
        if (length < stored.limit) {
            QCOMPARE(TextOf(box).size(), length + 1);
            QCOMPARE(ShownBoxes(), QStringList());
            return;
        }
        QCOMPARE(TextOf(box), u"ab"_s + QString(length - 2, u'7'));
        QVERIFY2(LengthRefusalMismatch(field, stored.limit, length + 1).isEmpty(),
                 qPrintable(LengthRefusalMismatch(field, stored.limit, length + 1)));
    }

    // The description's line breaks are stored as carriage return and line feed.
    void lineBreaksCountTwoCharacters()
    {
        TfrmShranjevanjeGumUrejanjeProstorov window;
        auto* memo = RequireChild<QPlainTextEdit>(window, "mmoOpisProstora");
        Paste(memo, u"vrsta\n"_s.repeated(571) + u"konec"_s); // 571 * 7 + 5 = 4002 when stored
        QCOMPARE(memo->toPlainText(), QString());
        QVERIFY(LengthRefusalMismatch(u"Opis prostora"_s, 4000, 4002).isEmpty());
        DialogTestHook::reset();
        DialogTestHook::activate();
        Paste(memo, u"vrsta\n"_s.repeated(571) + u"kon"_s); // 4000
        QCOMPARE(memo->toPlainText().size(), 571 * 6 + 3);
        QCOMPARE(ShownBoxes(), QStringList());
    }

    // A longer value the sign-in stored is shown and saved in full; the user may shorten it,
    // not lengthen it.
    void longerStoredValueStaysAndOnlyShortens()
    {
        const QString stored(50, u'x');
        WriteSetting(u"ordavo"_s, u"companyname"_s, stored);
        TfrmUrejanjePodatkov window;
        window.show();
        auto* box = RequireChild<QLineEdit>(window, "txtImePodjetja");
        QCOMPARE(box->text(), stored);
        box->end(false);
        Type(box, 'y');
        QCOMPARE(box->text(), stored);
        QCOMPARE(DialogTestHook::shown().size(), 1);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QString(49, u'x'));
        RequireChild<QPushButton>(window, "shrani")->click();
        QCOMPARE(ReadSetting(u"ordavo"_s, u"companyname"_s), QString(49, u'x'));
    }

    // Each transport marker in each field whose text goes to the server: refused before the
    // save with a box naming the field and the marker; only the window's load was sent.
    void textsTheServerWouldChangeAreRefused_data()
    {
        QTest::addColumn<int>("boxIndex");
        QTest::addColumn<QString>("marker");
        for (int i = 0; i < int(std::size(kStoredBoxes)); ++i) {
            const QByteArray box = kStoredBoxes[i].box;
            if (box != "txtImeProstora" && box != "mmoOpisProstora" && box != "txtOpis" && box != "txtkoda")
                continue; // numbers, and settings that never reach the server
            for (const QString& marker : AllMarkers()) {
                // A code is at most 15 characters; a longer one is refused for its length first.
                if (box == "txtkoda" && marker.size() + 2 > 15)
                    continue;
                QTest::addRow("%s %s", box.constData(), qPrintable(marker)) << i << marker;
            }
        }
    }

    void textsTheServerWouldChangeAreRefused()
    {
        QFETCH(int, boxIndex);
        QFETCH(QString, marker);
        const StoredBox& stored = kStoredBoxes[boxIndex];
        ScriptedWorkshop server;
        RemoteTestSetup remote(server.baseUrl());
        WriteSetting(u"ordavo"_s, u"directoryurl"_s, server.baseUrl());
        const std::unique_ptr<QWidget> window = BuildWindow(stored.window);
        window->show();
        const QStringList loads = server.statements();
        QWidget* box = RequireChild<QWidget>(*window, stored.box);
        if (stored.window == Window::StorageLocations)
            SetText(RequireChild<QWidget>(*window, "txtImeProstora"), u"Regal"_s);
        const QString typed = u"a"_s + marker.toUpper() + u"b"_s;
        SetText(box, typed);
        RequireChild<QPushButton>(*window, "shrani")->click();
        QCOMPARE(server.statements(), loads);
        QCOMPARE(TextOf(box), typed);
        const ShownMessage refusal = DialogTestHook::lastShown();
        QCOMPARE(refusal.title, u"Nedovoljeno besedilo"_s);
        QVERIFY2(refusal.text.contains(u'"' + QString::fromUtf8(stored.field) + u'"'), qPrintable(refusal.text));
        QVERIFY2(refusal.text.contains(u'"' + marker + u'"'), qPrintable(refusal.text));
    }

    // A description too long for the web server's request line is refused before sending, in a
    // box that says so, not as a failed connection.
    void textTooLongForTheRequestIsRefusedBeforeSending()
    {
        ScriptedWorkshop server;
        RemoteTestSetup remote(server.baseUrl());
        TfrmShranjevanjeGumUrejanjeProstorov window;
        window.show();
        const QStringList loads = server.statements();
        SetText(RequireChild<QWidget>(window, "txtImeProstora"), u"Regal"_s);
        // Every blank goes out as "%20": 4000 characters take 12000 bytes of the request.
        SetText(RequireChild<QWidget>(window, "mmoOpisProstora"), QString(4000, u' '));
        RequireChild<QPushButton>(window, "shrani")->click();
        QCOMPARE(server.statements(), loads);
        const QList<ShownMessage> shown = DialogTestHook::shown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().box, ShownMessage::Box::System);
        QCOMPARE(shown.first().title, u"Predolgo besedilo"_s);
        QVERIFY2(shown.first().text.startsWith(u"Besedilo je predolgo za pošiljanje"_s),
                 qPrintable(shown.first().text));
        QCOMPARE(RequireChild<QPlainTextEdit>(window, "mmoOpisProstora")->toPlainText(), QString(4000, u' '));
    }
};

QTEST_MAIN(StoredBoxesTest)
#include "tst_stored_boxes.moc"
