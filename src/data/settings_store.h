// The per-user settings store: text values in named sections of one INI file.
#pragma once

#include "errors.h"

#include <QString>

#include <functional>

// $XDG_CONFIG_HOME/Moravent/ordavo.ini (default ~/.config/Moravent/ordavo.ini).
QString SettingsFilePath();

// The value of key in section; missing section, key or file read as the empty text.
// Names are compared without regard to case. Every read re-reads the file, so another
// running copy's writes are seen at once. SettingsError when the file cannot be read, once:
// later reads of the same unreadable file give the empty text until a read succeeds again.
// A file that is not text (not UTF-8, or holding NUL bytes) is set aside as
// ordavo.ini.corrupt-<time> and reads as empty; the notice handler is told where it went.
QString ReadSetting(const QString& section, const QString& key);

// Writes one value under the file's lock and commits the whole file atomically.
// Every line but the written one stays as it was. SettingsError when the write is refused
// (read-only file or folder, disk full, lock not obtained).
void WriteSetting(const QString& section, const QString& key, const QString& value);

// Receives, once for each settings file that was set aside, the message that tells the user
// the settings could not be read and where the old file was kept. Notices that came before a
// handler was set are delivered when it is set.
void SetSettingsNoticeHandler(std::function<void(const QString& text)> handler);

// Configuration values with built-in defaults set at build time; a non-empty setting of
// the same name in section "ordavo" overrides the default.
QString DirectoryUrl(); // "directoryurl", ends in "/"
QString SupportEmail(); // "supportemail"
bool ShowTyreStorage(); // "showtyrestorage" == "1"
