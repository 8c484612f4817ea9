// The HTTP/1.1 GET client over one libcurl easy handle with its own cookies, fixed headers and time-outs.
#include "http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<long long> g_defaultConnectMs{HttpClient::DefaultConnectTimeout.count()};
std::atomic<long long> g_defaultStallMs{HttpClient::DefaultStallTimeout.count()};

// The longest single wait for activity; the stall clock and a cancel are looked at after each.
constexpr std::chrono::milliseconds MaxPollWait{1000};

void EnsureCurlInitialized()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Collects the body, notes when the last byte came, and stops the transfer once the body grows
// past the limit.
struct BodySink {
    CURL* handle = nullptr;
    QByteArray body;
    Clock::time_point lastByte;
    bool tooLarge = false;
    bool reserved = false;
};

// Makes room for the whole body once its announced length is known, so a large answer is not
// copied again each time the buffer grows; a buffer kept from an earlier transfer often has the
// room already.
void ReserveAnnouncedLength(BodySink& sink)
{
    curl_off_t announced = -1;
    if (curl_easy_getinfo(sink.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK && announced > 0)
        sink.body.reserve(qsizetype(std::min<curl_off_t>(announced, HttpClient::MaxBodyBytes)));
}

size_t WriteBody(char* data, size_t size, size_t count, void* userData)
{
    auto* sink = static_cast<BodySink*>(userData);
    const size_t bytes = size * count;
    sink->lastByte = Clock::now();
    if (sink->body.size() + qint64(bytes) > HttpClient::MaxBodyBytes) {
        sink->tooLarge = true;
        return 0; // curl ends the transfer with a write error
    }
    if (!sink->reserved) {
        sink->reserved = true;
        ReserveAnnouncedLength(*sink);
    }
    sink->body.append(data, qsizetype(bytes));
    return bytes;
}

// Header bytes count as received bytes for the stall clock.
size_t NoteHeader(char*, size_t size, size_t count, void* userData)
{
    static_cast<BodySink*>(userData)->lastByte = Clock::now();
    return size * count;
}

// How the loop over the multi handle ended, when it did not end with the transfer.
enum class Interruption { None, Stalled, Cancelled, MultiFailure };

} // namespace

void TransferCancel::cancel()
{
    const std::lock_guard lock(mutex_);
    cancelled_.store(true, std::memory_order_release);
    if (multiHandle_)
        curl_multi_wakeup(static_cast<CURLM*>(multiHandle_));
    woken_.notify_all();
}

bool TransferCancel::sleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock lock(mutex_);
    return !woken_.wait_for(lock, duration, [this] { return cancelled(); });
}

void TransferCancel::attach(void* multiHandle)
{
    const std::lock_guard lock(mutex_);
    multiHandle_ = multiHandle;
}

void TransferCancel::detach()
{
    const std::lock_guard lock(mutex_);
    multiHandle_ = nullptr;
}

struct HttpClient::Impl {
    CURL* handle = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::chrono::milliseconds connectTimeout{DefaultConnectTimeout};
    std::chrono::milliseconds stallTimeout{DefaultStallTimeout};

    void configure()
    {
        headers = curl_slist_append(headers, "Accept: text/html, */*");
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(handle, CURLOPT_USERAGENT, "Mozilla/3.0 (compatible; Indy Library)");
        curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
        // An empty cookie file switches the cookie engine on without reading any file, so
        // the cookies live in this handle only.
        curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
        // No proxy, whatever the environment says.
        curl_easy_setopt(handle, CURLOPT_PROXY, "");
        curl_easy_setopt(handle, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        // Large reads: a list answer of tens of megabytes arrives in fewer, larger pieces.
        curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, 512L * 1024);
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(MaxBodyBytes));
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteBody);
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &NoteHeader);
        // No time limit for the whole transfer: a large answer on a slow line is not cut; the
        // stall clock ends a transfer that stopped moving.
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, 0L);
    }

    // Runs the transfer added to `multi` until it ends, stalls or is cancelled.
    Interruption drive(BodySink& sink, TransferCancel* cancel)
    {
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK)
                return Interruption::MultiFailure;
            if (running == 0)
                return Interruption::None;
            if (cancel && cancel->cancelled())
                return Interruption::Cancelled;
            const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sink.lastByte);
            if (idle >= stallTimeout)
                return Interruption::Stalled;
            const auto wait = std::min(stallTimeout - idle, MaxPollWait);
            if (curl_multi_poll(multi, nullptr, 0, int(wait.count()), nullptr) != CURLM_OK)
                return Interruption::MultiFailure;
        }
    }

    // The result code of the finished transfer.
    CURLcode finishedResult() const
    {
        int left = 0;
        CURLcode result = CURLE_OK;
        while (CURLMsg* message = curl_multi_info_read(multi, &left))
            if (message->msg == CURLMSG_DONE && message->easy_handle == handle)
                result = message->data.result;
        return result;
    }
};

HttpClient::HttpClient() : impl_(std::make_unique<Impl>())
{
    EnsureCurlInitialized();
    impl_->handle = curl_easy_init();
    impl_->multi = curl_multi_init();
    if (impl_->handle) {
        impl_->configure();
        setTimeouts(std::chrono::milliseconds(g_defaultConnectMs.load()),
                    std::chrono::milliseconds(g_defaultStallMs.load()));
    }
}

HttpClient::~HttpClient()
{
    if (impl_->multi)
        curl_multi_cleanup(impl_->multi);
    if (impl_->handle)
        curl_easy_cleanup(impl_->handle);
    curl_slist_free_all(impl_->headers);
}

HttpClient::Response HttpClient::get(const QByteArray& url)
{
    return get(url, QByteArray(), nullptr);
}

HttpClient::Response HttpClient::get(const QByteArray& url, QByteArray buffer, TransferCancel* cancel)
{
    Response response;
    if (!impl_->handle || !impl_->multi) {
        response.error = u"The HTTP client could not be created"_s;
        return response;
    }
    BodySink sink;
    sink.handle = impl_->handle;
    sink.body = std::move(buffer);
    sink.body.resize(0); // keeps the buffer's memory
    sink.lastByte = Clock::now();
    impl_->errorBuffer[0] = '\0';
    curl_easy_setopt(impl_->handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(impl_->handle, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(impl_->handle, CURLOPT_HEADERDATA, &sink);

    Interruption interruption = Interruption::MultiFailure;
    CURLcode code = CURLE_OK;
    if (curl_multi_add_handle(impl_->multi, impl_->handle) == CURLM_OK) {
        if (cancel)
            cancel->attach(impl_->multi);
        interruption = impl_->drive(sink, cancel);
        if (cancel)
            cancel->detach();
        if (interruption == Interruption::None)
            code = impl_->finishedResult();
        curl_multi_remove_handle(impl_->multi, impl_->handle);
    }
    curl_easy_setopt(impl_->handle, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(impl_->handle, CURLOPT_HEADERDATA, nullptr);
    curl_easy_getinfo(impl_->handle, CURLINFO_RESPONSE_CODE, &response.status);

    if (interruption == Interruption::Cancelled) {
        response.cancelled = true;
        response.error = u"The transfer was cancelled"_s;
    } else if (interruption == Interruption::Stalled) {
        response.error = u"Operation timed out: no data received for %1 ms"_s.arg(impl_->stallTimeout.count());
    } else if (interruption == Interruption::MultiFailure) {
        response.error = u"The transfer could not be run"_s;
    } else if (sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        response.error = u"The answer is larger than %1 bytes"_s.arg(MaxBodyBytes);
    } else if (code != CURLE_OK) {
        response.error = QString::fromUtf8(impl_->errorBuffer[0] ? impl_->errorBuffer : curl_easy_strerror(code));
    } else if (response.status < 200 || response.status > 299) {
        response.error = u"HTTP/1.1 %1"_s.arg(response.status);
    } else {
        response.ok = true;
    }
    // The buffer goes back either way, so its memory serves the next transfer.
    response.body = std::move(sink.body);
    if (!response.ok)
        response.body.resize(0);
    return response;
}

void HttpClient::setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds stall)
{
    impl_->connectTimeout = connect;
    impl_->stallTimeout = stall;
    if (impl_->handle)
        curl_easy_setopt(impl_->handle, CURLOPT_CONNECTTIMEOUT_MS, long(connect.count()));
}

std::chrono::milliseconds HttpClient::connectTimeout() const
{
    return impl_->connectTimeout;
}

std::chrono::milliseconds HttpClient::stallTimeout() const
{
    return impl_->stallTimeout;
}

void HttpClient::setDefaultTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds stall)
{
    g_defaultConnectMs = connect.count();
    g_defaultStallMs = stall.count();
}
