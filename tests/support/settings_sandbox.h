// A test helper that points the settings store at a fresh, empty configuration folder for its lifetime.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// While it exists, XDG_CONFIG_HOME names a new empty folder, so the settings file starts
// missing; the previous value comes back when it is destroyed.
class SettingsSandbox {
public:
    SettingsSandbox();
    ~SettingsSandbox();
    SettingsSandbox(const SettingsSandbox&) = delete;
    SettingsSandbox& operator=(const SettingsSandbox&) = delete;

    QString configHome() const;
    QString settingsFolder() const; // <configHome>/Moravent
    QString settingsFile() const;   // <configHome>/Moravent/ordavo.ini

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

// Writes "weburlroot" (the given root, ending in "/") and "weburl" (the gateway folder), so
// ExecuteRemote reaches the workshop server at that root.
void PointWorkshopAt(const QString& root);
