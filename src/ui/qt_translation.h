// Qt's own texts (standard buttons, file dialog) in Slovenian.
#pragma once

class QCoreApplication;

// Loads Qt's Slovenian catalogue from Qt's translations folder and installs it, so standard
// boxes say "Da", "Ne", "V redu" and "Prekliči". False when the catalogue is not installed
// (Qt then speaks English). Needs the application object; call once.
bool InstallQtSlovenianTranslation(QCoreApplication& application);
