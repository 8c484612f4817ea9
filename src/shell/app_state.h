// Process-wide state of the main window's module and of the order window, shared by every window.
#pragma once

#include <QString>
#include <QVector>

// One row of the main order list; element i of nalogi is list row i.
struct Tnalogi {
    qint32 id = 0;
    QString nalogStevilka;
    QString stranka;
    QString vnesel;
    QString komentar;
    QString datum;
    qint32 viewed = 0;
    QString vozilo;
    QString registrska_st;
    qint32 nalogType = 0;
    qint32 saved = 0;
};

// The initial values hold from program start; ResetAppState() puts them back (tests).
extern bool allowClose;          // false: closing the main window minimises instead
extern bool autoSignIn;          // the sign-in window submits the stored code by itself
extern QString listDateFormat;   // "yyyy-mm-dd", "yyyy/mm/dd" or "dd.mm.yyyy"
extern QString requestUrl;       // base of the document requests
extern QString constrValue;      // setting "constr"; only its emptiness matters
extern int lastOrderCount;       // rows of the previous list load, -1 before the first
extern bool firstTick;           // the next refresh tick is the first one
extern QString searchText;       // active search text of the order list
extern bool searchApplied;       // set by the search box, cleared by each refresh tick
extern QVector<Tnalogi> nalogi;  // the rows of the order list

// The order shown in the order window, and its customer lines and type.
struct TNalogCustomer {
    QString strankaLine;
    QString idddvLine;
    QString naslovLine;
    QString podjetjeLine;
    qint32 nalogType = 0;
};
extern qint32 currentNalogId;
extern TNalogCustomer NalogCustomer;

void ResetAppState();
