// The per-user settings store: text values in named sections of one INI file.
#pragma once

#include "errors.h"

#include <QString>

// $XDG_CONFIG_HOME/Moravent/ordavo.ini (default ~/.config/Moravent/ordavo.ini).
QString SettingsFilePath();

// The value of key in section; missing section, key or file read as the empty text.
// Names are compared without regard to case. Every read re-reads the file, so another
// running copy's writes are seen at once. SettingsError when the file cannot be read.
QString ReadSetting(const QString& section, const QString& key);

// Writes one value under the file's lock and commits the whole file atomically.
// SettingsError when the write is refused (no right, disk full, lock not obtained).
void WriteSetting(const QString& section, const QString& key, const QString& value);

// Configuration values with built-in defaults set at build time; a non-empty setting of
// the same name in section "ordavo" overrides the default.
QString DirectoryUrl();        // "directoryurl", ends in "/"
QString SupportEmail();        // "supportemail"
bool ShowTyreStorage();        // "showtyrestorage" == "1"
