// Program start: the long-lived windows in their fixed order, and the request that ends the program.
#include "shell/startup.h"

#include "orders/item_catalogue.h"
#include "orders/order_details.h"
#include "orders/print_data_module.h"
#include "shell/main_window.h"
#include "shell/remote_host.h"
#include "storage/storage_locations.h"
#include "storage/tyre_placement.h"
#include "storage/tyre_search.h"
#include "ui/message_dialog.h"

#include <QCoreApplication>
#include <QPointer>

#include <memory>
#include <vector>

namespace {
bool terminationRequested = false;
std::function<void()> terminationHook;

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
    Keep(new TfrmGlobal(true));
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

void EnsurePrintDataModule()
{
    if (!DataModule1)
        new TDataModule1(QCoreApplication::instance());
}

void DestroyLongLivedWindows()
{
    auto& objects = LongLivedObjects();
    while (!objects.empty())
        objects.pop_back();
}

void TerminateApplication()
{
    terminationRequested = true;
    if (terminationHook) {
        terminationHook();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

bool ApplicationTerminationRequested()
{
    return terminationRequested;
}

void ResetApplicationTermination()
{
    terminationRequested = false;
}

void SetTerminationHook(std::function<void()> hook)
{
    terminationHook = std::move(hook);
}
