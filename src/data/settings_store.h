// The per-user settings store: text values in named sections of one INI file.
#pragma once

#include "errors.h"

#include <QString>

#include <functional>

// $XDG_CONFIG_HOME/Moravent/ordavo.ini (default ~/.config/Moravent/ordavo.ini).
QString SettingsFilePath();

// The value of key in section; missing section, key or file read as the empty text.
// Names are compared without regard to case. Every read re-reads the file, so another
// running copy's writes are seen at once. A file that cannot be read (a folder in its place,
// no permission) reads as empty, and the notice handler hears of it once in the run. A file
// that is not UTF-8 is read as Windows-1250. A file that is not text (NUL bytes, UTF-16) is set
// aside as ordavo.ini.corrupt-<time> and reads as empty; the notice handler is told where it went.
QString ReadSetting(const QString& section, const QString& key);

// Writes one value under the file's lock and commits the whole file atomically, as UTF-8.
// Every line but the written one stays as it was. A lock left by a writer that no longer runs
// is cleared at once, and what its interrupted write left is removed. SettingsError when the
// write is refused (read-only file or folder, disk full, lock held by a running writer).
void WriteSetting(const QString& section, const QString& key, const QString& value);

// The same in the client's own section (SettingKey::Section), which holds every key it uses.
QString Setting(const QString& key);
void StoreSetting(const QString& key, const QString& value);

// Receives the messages the user must read once: a settings file that could not be read, or
// one that was set aside (and where the old file was kept). Notices that came before a
// handler was set are delivered when it is set.
void SetSettingsNoticeHandler(std::function<void(const QString& text)> handler);

// Configuration values with built-in defaults set at build time; a non-empty setting of
// the same name in the client's section overrides the default.
QString DirectoryUrl(); // ends in "/"
QString SupportEmail();
bool ShowTyreStorage(); // the setting is "1"
