// Process-wide state the windows share: the sign-in mode, the server's date format, the document base and the main
// list's search.
#pragma once

#include <QString>

// The initial values hold from program start; ResetAppState() puts them back (tests).
extern bool autoSignIn;        // the sign-in window submits the stored code by itself
extern QString listDateFormat; // "yyyy-mm-dd", "yyyy/mm/dd" or "dd.mm.yyyy"
extern QString requestUrl;     // base of the document requests
extern QString constrValue;    // setting "constr"; only its emptiness matters
extern QString searchText;     // active search text of the order list
extern bool searchApplied;     // set by the search box, cleared by each refresh tick

void ResetAppState();
