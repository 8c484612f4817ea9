// The names of the client's settings in the settings store: its section and every key the client reads or writes.
#pragma once

#include <QString>

namespace SettingKey {
using namespace Qt::StringLiterals;

inline const QString Section = u"ordavo"_s;

// Where the workshop lives and how the client signs in.
inline const QString WebUrlRoot = u"weburlroot"_s;
inline const QString WebUrl = u"weburl"_s;
inline const QString PathToRequest = u"pathToRequest"_s;
inline const QString AccessCode = u"kodadostop"_s;
inline const QString UpdateCounter = u"needeedupdatenum"_s;
inline const QString ConnectionString = u"constr"_s;

// Configuration with a built-in default (see DirectoryUrl, SupportEmail and ShowTyreStorage).
inline const QString DirectoryUrl = u"directoryurl"_s;
inline const QString SupportEmail = u"supportemail"_s;
inline const QString ShowTyreStorage = u"showtyrestorage"_s;

// The workshop's details as the directory server gave them.
inline const QString CompanyName = u"companyname"_s;
inline const QString CompanyAddress = u"companyaddress"_s;
inline const QString CompanyPost = u"companyposta"_s;
inline const QString CompanyPhone = u"companyphone"_s;
inline const QString CompanyFax = u"companyfax"_s;
inline const QString CompanyTax = u"companytax"_s;
inline const QString CompanyWeb = u"companywww"_s;

// Captions of the vehicle and plate columns, and the main window's options.
inline const QString VehicleTitle = u"avtotitle"_s;
inline const QString PlateTitle = u"registrkatitle"_s;
inline const QString ShowMemo = u"showmemo1"_s;
inline const QString OtherAppName = u"othrappname"_s;
// "0" keeps news of new orders off the desktop's notices; anything else shows them.
inline const QString NotifyNewOrders = u"notifyneworders"_s;

// A list's column widths the user set, and its chosen sort, stored under these words followed
// by the name of the list's window.
inline const QString ColumnWidthsPrefix = u"columns"_s;
inline const QString ListSortPrefix = u"sort"_s;

// A window's remembered place, its outer frame in pixels, stored under these words followed by
// the window's object name.
inline const QString PlacementLeftPrefix = u"left"_s;
inline const QString PlacementTopPrefix = u"top"_s;
inline const QString PlacementWidthPrefix = u"width"_s;
inline const QString PlacementHeightPrefix = u"height"_s;

} // namespace SettingKey
