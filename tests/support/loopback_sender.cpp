// The transport's sender for tests that talk to a loopback server in the same process.
#include "loopback_sender.h"

#include "data/remote_call.h"

void InstallLoopbackSender(std::unique_ptr<HttpClient>& sender)
{
    HttpClient::setDefaultTimeouts(std::chrono::milliseconds(2000), std::chrono::milliseconds(5000));
    sender = std::make_unique<HttpClient>();
    SetSenderSlot(&sender);
    SetRemoteWaitHook([](int) {});
}
