// Program start: the long-lived windows in their fixed order, and the request that ends the program.
#include "shell/startup.h"

#include "shell/main_window.h"
#include "shell/remote_host.h"
#include "ui/message_dialog.h"

#if __has_include("orders/order_details.h")
#include "orders/order_details.h"
#define ORDAVO_HAS_ORDER_WINDOW 1
#endif
#if __has_include("orders/print_data_module.h")
#include "orders/print_data_module.h"
#define ORDAVO_HAS_PRINT_DATA_MODULE 1
#endif
#if __has_include("storage/tyre_placement.h")
#include "storage/tyre_placement.h"
#define ORDAVO_HAS_TYRE_PLACEMENT 1
#endif
#if __has_include("orders/item_catalogue.h")
#include "orders/item_catalogue.h"
#define ORDAVO_HAS_ITEM_CATALOGUE 1
#endif
#if __has_include("storage/tyre_search.h")
#include "storage/tyre_search.h"
#define ORDAVO_HAS_TYRE_SEARCH 1
#endif
#if __has_include("storage/storage_locations.h")
#include "storage/storage_locations.h"
#define ORDAVO_HAS_STORAGE_LOCATIONS 1
#endif

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

template <typename T>
T* Keep(T* object)
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
#ifdef ORDAVO_HAS_ORDER_WINDOW
    frmNalogDetails = Keep(new TfrmNalogDetails);
#endif
#ifdef ORDAVO_HAS_TYRE_PLACEMENT
    Keep(new TfrmShranjevanjeGumVpisiNevpisane);
#endif
#ifdef ORDAVO_HAS_ITEM_CATALOGUE
    Keep(new TfrmNalogUrejanjePostavk);
#endif
#ifdef ORDAVO_HAS_TYRE_SEARCH
    Keep(new TfrmshranjevanjeGumISkanje);
#endif
#ifdef ORDAVO_HAS_STORAGE_LOCATIONS
    Keep(new TfrmShranjevanjeGumUrejanjeProstorov);
#endif
    OrdavoDialog();
    EnsurePrintDataModule();
    return !ApplicationTerminationRequested();
}

void EnsurePrintDataModule()
{
#ifdef ORDAVO_HAS_PRINT_DATA_MODULE
    if (!DataModule1)
        new TDataModule1(QCoreApplication::instance());
#endif
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
