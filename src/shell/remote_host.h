// TfrmGlobal: the invisible host of the remote-call transport's client, and the start-up server checks.
#pragma once

#include "data/http_client.h"

#include <QObject>
#include <QString>

#include <memory>

// The server checks of the start, run once the remote-call host exists: the version check against
// runningVersionText (the main window's version label; empty for the build's version), where a
// newer version ends the program, then the probe that settles listDateFormat: "yyyy-mm-dd", "yyyy/mm/dd" and
// "dd.mm.yyyy" are tried in turn with "call usp_checkDate"; when all three fail and "constr" is
// empty, the user is told that the server cannot be found and the program ends.
void startupServerChecks(const QString& runningVersionText);

// The date-format probe alone (the second half of startupServerChecks).
void probeListDateFormat();

class TfrmGlobal final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmGlobal)

public:
    // Owns and registers the transport's client.
    explicit TfrmGlobal(QObject* parent = nullptr);
    ~TfrmGlobal() override;

    // The transport's HTTP client; the transport replaces the object when it resets it.
    std::unique_ptr<HttpClient> sender;
};

extern TfrmGlobal* frmGlobal;
