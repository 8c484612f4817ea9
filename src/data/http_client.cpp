// The HTTP/1.1 GET client over one libcurl easy handle with its own cookies, fixed headers and time-outs.
#include "http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

std::atomic<long long> g_defaultConnectMs{HttpClient::DefaultConnectTimeout.count()};
std::atomic<long long> g_defaultTotalMs{HttpClient::DefaultTotalTimeout.count()};

void EnsureCurlInitialized()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Collects the body and stops the transfer once it grows past the limit.
struct BodySink {
    CURL* handle = nullptr;
    QByteArray body;
    bool tooLarge = false;
};

// The most room made ahead on a server's word alone; a longer body grows as it arrives.
constexpr curl_off_t MaxReservedBytes = 32LL * 1024 * 1024;

// Makes room for the whole body once its announced length is known, so a large answer is
// not copied again each time the buffer grows.
void ReserveAnnouncedLength(BodySink& sink)
{
    curl_off_t announced = -1;
    if (curl_easy_getinfo(sink.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK && announced > 0)
        sink.body.reserve(qsizetype(std::min(announced, MaxReservedBytes)));
}

size_t WriteBody(char* data, size_t size, size_t count, void* userData)
{
    auto* sink = static_cast<BodySink*>(userData);
    const size_t bytes = size * count;
    if (sink->body.size() + qint64(bytes) > HttpClient::MaxBodyBytes) {
        sink->tooLarge = true;
        return 0; // curl ends the transfer with a write error
    }
    if (sink->body.isEmpty() && sink->body.capacity() == 0)
        ReserveAnnouncedLength(*sink);
    sink->body.append(data, qsizetype(bytes));
    return bytes;
}

} // namespace

struct HttpClient::Impl {
    CURL* handle = nullptr;
    curl_slist* headers = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};

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
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(MaxBodyBytes));
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteBody);
    }
};

HttpClient::HttpClient() : impl_(std::make_unique<Impl>())
{
    EnsureCurlInitialized();
    impl_->handle = curl_easy_init();
    if (impl_->handle) {
        impl_->configure();
        setTimeouts(std::chrono::milliseconds(g_defaultConnectMs.load()),
                    std::chrono::milliseconds(g_defaultTotalMs.load()));
    }
}

HttpClient::~HttpClient()
{
    if (impl_->handle)
        curl_easy_cleanup(impl_->handle);
    curl_slist_free_all(impl_->headers);
}

HttpClient::Response HttpClient::get(const QByteArray& url)
{
    Response response;
    if (!impl_->handle) {
        response.error = u"The HTTP client could not be created"_s;
        return response;
    }
    BodySink sink;
    sink.handle = impl_->handle;
    impl_->errorBuffer[0] = '\0';
    curl_easy_setopt(impl_->handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(impl_->handle, CURLOPT_WRITEDATA, &sink);
    const CURLcode code = curl_easy_perform(impl_->handle);
    curl_easy_setopt(impl_->handle, CURLOPT_WRITEDATA, nullptr);
    curl_easy_getinfo(impl_->handle, CURLINFO_RESPONSE_CODE, &response.status);

    if (sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        response.error = u"The answer is larger than %1 bytes"_s.arg(MaxBodyBytes);
    } else if (code != CURLE_OK) {
        response.error = QString::fromUtf8(impl_->errorBuffer[0] ? impl_->errorBuffer : curl_easy_strerror(code));
    } else if (response.status < 200 || response.status > 299) {
        response.error = u"HTTP/1.1 %1"_s.arg(response.status);
    } else {
        response.ok = true;
        response.body = std::move(sink.body);
    }
    return response;
}

void HttpClient::setTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total)
{
    if (!impl_->handle)
        return;
    curl_easy_setopt(impl_->handle, CURLOPT_CONNECTTIMEOUT_MS, long(connect.count()));
    curl_easy_setopt(impl_->handle, CURLOPT_TIMEOUT_MS, long(total.count()));
}

void HttpClient::setDefaultTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total)
{
    g_defaultConnectMs = connect.count();
    g_defaultTotalMs = total.count();
}
