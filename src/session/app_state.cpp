// Storage and reset of the process-wide state shared by the windows.
#include "session/app_state.h"

#include "ui/window_placement.h"

using namespace Qt::StringLiterals;

bool autoSignIn = false;
QString listDateFormat = u"yyyy-mm-dd"_s;
QString requestUrl;
QString constrValue;
QString searchText;
bool searchApplied = false;

void ResetAppState()
{
    autoSignIn = false;
    placementSaving = false;
    listDateFormat = u"yyyy-mm-dd"_s;
    requestUrl.clear();
    constrValue.clear();
    searchText.clear();
    searchApplied = false;
}
