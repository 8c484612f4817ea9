// Storage and reset of the process-wide state shared by the windows.
#include "shell/app_state.h"

#include "ui/window_placement.h"

using namespace Qt::StringLiterals;

bool allowClose = false;
bool autoSignIn = false;
QString listDateFormat = u"yyyy-mm-dd"_s;
QString requestUrl;
QString constrValue;
int lastOrderCount = -1;
bool firstTick = true;
QString searchText;
bool searchApplied = false;
QVector<Tnalogi> nalogi;
qint32 currentNalogId = 0;
TNalogCustomer NalogCustomer;

void ResetAppState()
{
    allowClose = false;
    autoSignIn = false;
    placementSaving = false;
    listDateFormat = u"yyyy-mm-dd"_s;
    requestUrl.clear();
    constrValue.clear();
    lastOrderCount = -1;
    firstTick = true;
    searchText.clear();
    searchApplied = false;
    nalogi.clear();
    currentNalogId = 0;
    NalogCustomer = {};
}
