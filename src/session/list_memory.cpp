// The settings keys under which a window's list remembers its columns.
#include "session/list_memory.h"

#include "data/settings_keys.h"

ListMemory ListMemoryOf(const QString& windowName)
{
    return {SettingKey::Section, SettingKey::ColumnWidthsPrefix + windowName, SettingKey::ListSortPrefix + windowName};
}
