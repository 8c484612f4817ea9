// The settings sandbox: a temporary XDG_CONFIG_HOME for one test.
#include "settings_sandbox.h"

#include "data/server_contract.h"
#include "data/settings_store.h"

using namespace Qt::StringLiterals;

SettingsSandbox::SettingsSandbox()
    : previous_(qgetenv("XDG_CONFIG_HOME")), hadPrevious_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
}

SettingsSandbox::~SettingsSandbox()
{
    if (hadPrevious_)
        qputenv("XDG_CONFIG_HOME", previous_);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

QString SettingsSandbox::configHome() const
{
    return dir_.path();
}

QString SettingsSandbox::settingsFolder() const
{
    return dir_.path() + u"/Moravent"_s;
}

QString SettingsSandbox::settingsFile() const
{
    return settingsFolder() + u"/ordavo.ini"_s;
}

void PointWorkshopAt(const QString& root)
{
    const std::string_view folder = ServerContract::GatewayFolder;
    WriteSetting(u"ordavo"_s, u"weburlroot"_s, root);
    WriteSetting(u"ordavo"_s, u"weburl"_s, QString::fromLatin1(folder.data(), qsizetype(folder.size())));
}
