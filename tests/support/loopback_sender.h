// The transport's sender for tests that talk to a loopback server in the same process.
#pragma once

#include "data/http_client.h"

#include <memory>

// Makes every remote call go through a new client kept in sender: 2 s to connect, 5 s for the
// whole exchange, and no waits between retries. Clear the slot with SetSenderSlot(nullptr)
// before sender goes away.
void InstallLoopbackSender(std::unique_ptr<HttpClient>& sender);
