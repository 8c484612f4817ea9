// Reading and writing the client's section of the settings store.
#include "session/settings_keys.h"

#include "data/settings_store.h"

QString Setting(const QString& key)
{
    return ReadSetting(SettingKey::Section, key);
}

void StoreSetting(const QString& key, const QString& value)
{
    WriteSetting(SettingKey::Section, key, value);
}
