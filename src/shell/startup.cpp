// Program start: the long-lived windows in their fixed order.
#include "shell/startup.h"

#include "orders/item_catalogue.h"
#include "orders/order_details.h"
#include "orders/print_data_module.h"
#include "session/termination.h"
#include "shell/main_window.h"
#include "shell/remote_host.h"
#include "storage/storage_locations.h"
#include "storage/tyre_placement.h"
#include "storage/tyre_search.h"
#include "ui/message_dialog.h"

#include <QLabel>

#include <memory>
#include <vector>

namespace {
// The long-lived objects in creation order; destroyed in reverse order.
std::vector<std::unique_ptr<QObject>>& LongLivedObjects()
{
    static std::vector<std::unique_ptr<QObject>> objects;
    return objects;
}

template <typename T> T* Keep(T* object)
{
    LongLivedObjects().emplace_back(object);
    return object;
}
} // namespace

bool CreateLongLivedWindows()
{
    auto* mainWindow = Keep(new TfrmMain);
    if (!mainWindow->FormCreate())
        return false;
    mainWindow->show();
    Keep(new TfrmGlobal);
    startupServerChecks(mainWindow->lblVersion->text());
    if (ApplicationTerminationRequested())
        return false;
    frmNalogDetails = Keep(new TfrmNalogDetails);
    Keep(new TfrmShranjevanjeGumVpisiNevpisane);
    Keep(new TfrmNalogUrejanjePostavk);
    Keep(new TfrmshranjevanjeGumISkanje);
    Keep(new TfrmShranjevanjeGumUrejanjeProstorov);
    OrdavoDialog();
    EnsurePrintDataModule();
    return !ApplicationTerminationRequested();
}

void DestroyLongLivedWindows()
{
    auto& objects = LongLivedObjects();
    while (!objects.empty())
        objects.pop_back();
}
