// Tests of the guards around the transport: request-line length, transport markers in typed text, hidden access codes.
#include "data/server_contract.h"
#include "data/transport_guards.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TransportGuardsTest : public QObject {
    Q_OBJECT

private slots:
    // What a web server counts: "GET ", the target as curl sends it, " HTTP/1.1".
    void requestLineLength_data()
    {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QByteArray>("target");
        QTest::addRow("gateway") << QByteArray("http://127.0.0.1:8080/commobj/commobj/run.php?0.*_.abc")
                                 << QByteArray("/commobj/commobj/run.php?0.*_.abc");
        QTest::addRow("no path") << QByteArray("http://example.com") << QByteArray("/");
        QTest::addRow("query after the host") << QByteArray("https://example.com?a=1") << QByteArray("/?a=1");
        QTest::addRow("fragment is not sent") << QByteArray("http://h/x?y#z?w") << QByteArray("/x?y");
        QTest::addRow("a second ? stays in the query") << QByteArray("http://h/x?a?b") << QByteArray("/x?a?b");
    }

    void requestLineLength()
    {
        QFETCH(QByteArray, url);
        QFETCH(QByteArray, target);
        QCOMPARE(RequestLineLength(url), qsizetype(("GET " + target + " HTTP/1.1").size()));
    }

    // At the limit the request goes; one byte more is refused with the numbers, and the refusal
    // is recognised in the transport's failure text and in no other text.
    void overlongRequestIsRefused()
    {
        const QByteArray head = "http://h/run.php?";
        const qsizetype fixed = RequestLineLength(head);
        const auto limit = qsizetype(ServerContract::RequestLineLimit);
        RefuseOverlongRequest(QByteArray(head + QByteArray(limit - fixed, 'x')));
        QString message;
        try {
            RefuseOverlongRequest(QByteArray(head + QByteArray(limit - fixed + 1, 'x')));
        } catch (const RequestTooLong& refused) {
            message = refused.message();
        }
        QVERIFY2(message.contains(u"8191"_s) && message.contains(u"8190"_s), qPrintable(message));
        QCOMPARE(RequestTooLongRefusal(u"Communication Error :"_s + message), std::optional(message));
        QCOMPARE(RequestTooLongRefusal(message), std::nullopt);
        QCOMPARE(RequestTooLongRefusal(u"Napaka pri izvajanju postopka :x z opisom: -> "_s + message), std::nullopt);
        QCOMPARE(RequestTooLongRefusal(u"Communication Error :Strežnik ni dosegljiv"_s), std::nullopt);
    }

    void controlCharactersArePercentEncoded()
    {
        QCOMPARE(PercentEncodeControls(u"a\tb\x01\x1f\x7f č%20 "_s), u"a%09b%01%1F%7F č%20 "_s);
        QCOMPARE(PercentEncodeControls(u"brez"_s), u"brez"_s);
    }

    void transportMarkersInText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("markers");
        QTest::addRow("plain text") << u"Regal A, zgoraj [levo] * 2 + 5%"_s << QStringList();
        QTest::addRow("comma token") << u"a[*com*]b"_s << QStringList{u"[*com*]"_s};
        QTest::addRow("any letter case") << u"[*BeginCodeStart*]"_s << QStringList{u"[*beginCodeStart*]"_s};
        QTest::addRow("every kind, in list order")
            << u"5*(5*c [emptyrecordset][success][*beginCodeEndDelimiter*][*beginCodeStart*][sp**ace][*com*]"
               u"[*dot*][*edp*]"_s
            << QStringList{u"[*edp*]"_s,
                           u"[*dot*]"_s,
                           u"[*com*]"_s,
                           u"[sp**ace]"_s,
                           u"[*beginCodeStart*]"_s,
                           u"[*beginCodeEndDelimiter*]"_s,
                           u"[success]"_s,
                           u"[emptyrecordset]"_s,
                           u"5*(5*c"_s};
    }

    void transportMarkersInText()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, markers);
        QCOMPARE(TransportMarkersIn(text), markers);
    }

    void accessCodesAreHidden_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hidden");
        QTest::addRow("last parameter")
            << u"Naslova ni bilo mogoče odpreti:\nhttp://h/requests/getnalogpdf.php?nlgid=1&preview=1&kodainsupass=demo%201"_s
            << u"Naslova ni bilo mogoče odpreti:\nhttp://h/requests/getnalogpdf.php?nlgid=1&preview=1&kodainsupass=****"_s;
        QTest::addRow("followed by others, any case")
            << u"http://h/?KodaInSuPass=abc&x=1 in http://g/?kodainsupass=d#f"_s
            << u"http://h/?KodaInSuPass=****&x=1 in http://g/?kodainsupass=****#f"_s;
        QTest::addRow("empty value") << u"?kodainsupass=&a=b"_s << u"?kodainsupass=&a=b"_s;
        QTest::addRow("no code") << u"http://h/requests/getpodpis.php?pth=a"_s
                                 << u"http://h/requests/getpodpis.php?pth=a"_s;
    }

    void accessCodesAreHidden()
    {
        QFETCH(QString, text);
        QFETCH(QString, hidden);
        QCOMPARE(HideAccessCodes(text), hidden);
    }
};

QTEST_GUILESS_MAIN(TransportGuardsTest)
#include "tst_transport_guards.moc"
