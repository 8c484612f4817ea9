// The simulator's HTTP server: gateways, document scripts, web pages, control endpoints and injected faults.
#include "server.h"

#include "data/payload_writer.h"
#include "data/server_contract.h"
#include "documents.h"
#include "statement_parser.h"
#include "web_server_http.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <chrono>
#include <cstdio>
#include <thread>

namespace sim {
namespace {

constexpr std::size_t MaxLoggedStatements = 10000;
constexpr const char* HtmlType = "text/html; charset=utf-8";
constexpr const char* TextType = "text/plain; charset=utf-8";
constexpr const char* JsonType = "application/json";

std::string Path(std::string_view folder, std::string_view file)
{
    // Appended piece by piece: "literal" + temporary string makes the optimiser warn of an overlap
    // that cannot happen.
    std::string path(1, '/');
    path += folder;
    path += file;
    return path;
}

std::string HtmlEscaped(const std::string& text)
{
    return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

std::optional<int> IntParam(const httplib::Request& req, const char* name)
{
    if (!req.has_param(name))
        return std::nullopt;
    bool ok = false;
    const int value = QString::fromStdString(req.get_param_value(name)).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

void SetJson(httplib::Response& res, const QJsonObject& object, int status = 200)
{
    res.status = status;
    res.set_content(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(), JsonType);
}

// Hands the body to the response without copying it (a list answer runs to megabytes).
void SetBody(httplib::Response& res, std::string&& body, const char* contentType)
{
    res.body = std::move(body);
    res.headers.erase("Content-Type");
    res.set_header("Content-Type", contentType);
}

void SetNotFound(httplib::Response& res, const std::string& what)
{
    res.status = 404;
    res.set_content(what, TextType);
}

// A Host header that can stand in a URL as it is.
bool LooksLikeHost(const std::string& host)
{
    return !host.empty() && host.size() < 256 &&
           host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:[]") ==
               std::string::npos;
}

} // namespace

std::string GatewayAnswer(const StatementOutcome& outcome)
{
    if (outcome.failed())
        return outcome.error;
    if (!outcome.table || outcome.table->rows.empty())
        return PayloadWriter::EmptyRecordsetAnswer().toStdString();
    try {
        PayloadWriter writer;
        for (const auto& column : outcome.table->columns)
            writer.addColumn(QString::fromStdString(column.name), column.typeCode);
        for (const auto& row : outcome.table->rows) {
            writer.beginRow();
            for (const auto& value : row)
                writer.addUtf8Value(value ? std::optional<QByteArrayView>(*value) : std::nullopt);
        }
        const QByteArray answer = PayloadWriter::EncodeAnswer(writer.payload());
        return std::string(answer.constData(), std::size_t(answer.size()));
    } catch (const PayloadWriteError& error) {
        return std::string("Internal server error: a stored value cannot be sent: ") + error.what();
    }
}

std::string AnswerStatement(WorkshopBackend& db, Endpoint endpoint, std::string_view statement,
                            const std::string& workshopRoot)
{
    return GatewayAnswer(db.run(endpoint, statement, workshopRoot));
}

WorkshopServer::WorkshopServer(WorkshopBackend& db, ServerOptions options)
    : db_(db), options_(std::move(options)), http_(std::make_unique<WebServerHttp>()), latencyMs_(options_.latencyMs),
      transientEvery_(options_.faults.transientEvery), http500Every_(options_.faults.http500Every),
      hangEvery_(options_.faults.hangEvery), hangMs_(options_.faults.hangMs)
{
    http_->set_keep_alive_timeout(1);
    http_->set_keep_alive_max_count(1000);
    if (options_.logRequests)
        http_->set_logger([this](const httplib::Request& req, const httplib::Response& res) { logRequest(req, res); });
    installRoutes();
}

WorkshopServer::~WorkshopServer()
{
    stop();
}

int WorkshopServer::bind()
{
    if (options_.port == 0)
        port_ = http_->bind_to_any_port(options_.listenAddress);
    else
        port_ = http_->bind_to_port(options_.listenAddress, options_.port) ? options_.port : -1;
    return port_;
}

void WorkshopServer::run()
{
    {
        std::lock_guard lock(stopMutex_);
        if (stopping_)
            return;
        running_ = true;
    }
    http_->listen_after_bind();
    {
        std::lock_guard lock(stopMutex_);
        running_ = false;
    }
    stopSignal_.notify_all();
}

// cpp-httplib ignores a stop that comes before its listening loop has started, and the loop may
// be just about to start (a signal right after start-up): the stop is repeated until run() has
// returned.
void WorkshopServer::stop()
{
    std::unique_lock lock(stopMutex_);
    stopping_ = true;
    stopSignal_.notify_all();
    do {
        lock.unlock();
        http_->stop();
        lock.lock();
    } while (!stopSignal_.wait_for(lock, std::chrono::milliseconds(10), [this] { return !running_; }));
}

std::string WorkshopServer::rootUrl() const
{
    const std::string host = options_.listenAddress == "0.0.0.0" || options_.listenAddress.empty()
                                 ? std::string("127.0.0.1")
                                 : options_.listenAddress;
    return "http://" + host + ":" + std::to_string(port_) + "/";
}

std::vector<std::string> WorkshopServer::statements() const
{
    std::lock_guard lock(statementsMutex_);
    return statements_;
}

void WorkshopServer::installRoutes()
{
    const std::string gateway = std::string(ServerContract::GatewayFolder) + std::string(ServerContract::GatewayScript);
    installGateway("/" + gateway, Endpoint::Workshop);
    installGateway("/directory/" + gateway, Endpoint::Directory);
    installDocuments();
    installWebPages();
    installControl();
}

void WorkshopServer::installGateway(const std::string& path, Endpoint endpoint)
{
    http_->Get(path, [this, endpoint](const httplib::Request& req, httplib::Response& res) {
        handleGateway(endpoint, req, res);
    });
}

// The statement is read from the raw request target and decoded as a web server decodes a
// query string for a script that reads it raw: a query parser would turn the "+" of the
// plain form into a blank. A "#" starts the URL's fragment, which never belongs to the query.
void WorkshopServer::handleGateway(Endpoint endpoint, const httplib::Request& req, httplib::Response& res)
{
    applyLatency();
    switch (nextFault()) {
    case Fault::Transient:
        res.set_content("Token Expired]", HtmlType);
        return;
    case Fault::Http500:
        res.status = 500;
        res.set_content("Internal Server Error", HtmlType);
        return;
    case Fault::Hang:
        holdAndClose(res);
        return;
    case Fault::None:
        break;
    }
    const auto question = req.target.find('?');
    std::string_view rawQuery =
        question == std::string::npos ? std::string_view() : std::string_view(req.target).substr(question + 1);
    rawQuery = rawQuery.substr(0, rawQuery.find('#'));
    const auto statement = DecodeGatewayQuery(rawQuery);
    if (!statement) {
        res.set_content(std::string(ServerContract::InvalidAnswer), HtmlType);
        return;
    }
    {
        std::lock_guard lock(statementsMutex_);
        if (statements_.size() >= MaxLoggedStatements)
            statements_.erase(statements_.begin());
        statements_.push_back(*statement);
    }
    SetBody(res, AnswerStatement(db_, endpoint, *statement, workshopRootFor(req)), HtmlType);
}

WorkshopServer::Fault WorkshopServer::nextFault()
{
    const long call = ++gatewayCalls_;
    auto every = [call](int n) { return n > 0 && call % n == 0; };
    if (every(hangEvery_))
        return Fault::Hang;
    if (every(http500Every_))
        return Fault::Http500;
    if (every(transientEvery_))
        return Fault::Transient;
    return Fault::None;
}

// Holds the request without an answer, then sends the headers and breaks the connection
// before the body, so the client sees a failed transfer.
void WorkshopServer::holdAndClose(httplib::Response& res)
{
    {
        std::unique_lock lock(stopMutex_);
        stopSignal_.wait_for(lock, std::chrono::milliseconds(hangMs_.load()), [this] { return stopping_; });
    }
    res.set_content_provider(
        1, TextType, [](size_t, size_t, httplib::DataSink&) { return false; }, nullptr);
}

void WorkshopServer::applyLatency() const
{
    if (const int ms = latencyMs_.load(); ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// "ordavoroot" names this server as the client reached it, so the answer fits whichever
// loopback address and port the client used.
std::string WorkshopServer::workshopRootFor(const httplib::Request& req) const
{
    const std::string host = req.get_header_value("Host");
    return LooksLikeHost(host) ? "http://" + host + "/" : rootUrl();
}

void WorkshopServer::installDocuments()
{
    using namespace ServerContract;
    auto orderOf = [this](const httplib::Request& req) -> std::optional<OrderDocumentData> {
        const auto id = IntParam(req, "nlgid");
        return id ? db_.orderDocument(*id) : std::nullopt;
    };

    http_->Get(Path(PdfPreviewScript, ""), [this, orderOf](const httplib::Request& req, httplib::Response& res) {
        applyLatency();
        const auto order = orderOf(req);
        if (!order)
            return SetNotFound(res, "Nalog ne obstaja");
        res.set_content(RenderOrderPdf(*order, db_.company()).toStdString(), "application/pdf");
    });
    http_->Get(Path(PdfFileScript, ""), [this, orderOf](const httplib::Request& req, httplib::Response& res) {
        applyLatency();
        const auto order = orderOf(req);
        // The client takes everything after "file:" as the name, so nothing may follow it.
        res.set_content(order ? std::string(PdfFileAnswerMarker) + PdfFileName(order->id) : "Nalog ne obstaja",
                        HtmlType);
    });
    http_->Get(Path(PdfFileFolder, "([^/]+)"), [this](const httplib::Request& req, httplib::Response& res) {
        applyLatency();
        const auto id = OrderIdFromPdfFileName(req.matches[1].str());
        const auto order = id ? db_.orderDocument(*id) : std::nullopt;
        if (!order)
            return SetNotFound(res, "Datoteka ne obstaja");
        res.set_content(RenderOrderPdf(*order, db_.company()).toStdString(), "application/pdf");
    });
    http_->Get(Path(SignatureScript, ""), [this](const httplib::Request& req, httplib::Response& res) {
        applyLatency();
        const auto id = db_.orderIdBySignaturePath(req.get_param_value("pth"));
        const auto order = id ? db_.orderDocument(*id) : std::nullopt;
        if (!order)
            return SetNotFound(res, "Podpis ne obstaja");
        res.set_content(RenderSignaturePng(*order, req.get_param_value("small") == "1").toStdString(), "image/png");
    });
    http_->Get(Path(ImageScript, ""), [this](const httplib::Request& req, httplib::Response& res) {
        applyLatency();
        const auto picture = db_.orderIdByPicturePath(req.get_param_value("pth"));
        const auto order = picture ? db_.orderDocument(picture->first) : std::nullopt;
        if (!order)
            return SetNotFound(res, "Slika ne obstaja");
        const bool small = req.get_param_value("small") == "1";
        res.set_content(RenderPictureJpeg(*order, picture->second, small).toStdString(), "image/jpeg");
    });
}

void WorkshopServer::installWebPages()
{
    // The web part: the workshop's orders for a valid access code.
    http_->Get("/", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string code = req.get_param_value("kodainsupass");
        if (!db_.isKnownAccessCode(code)) {
            res.status = 403;
            res.set_content("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Ordavo</title></head>"
                            "<body><h1>Ordavo</h1><p>Napačna ali manjkajoča koda za dostop.</p></body></html>",
                            HtmlType);
            return;
        }
        std::string html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Ordavo - " +
                           HtmlEscaped(db_.company().name) + "</title></head><body><h1>" +
                           HtmlEscaped(db_.company().name) +
                           "</h1><table border=\"1\" cellpadding=\"4\"><tr><th>Nalog</th><th>Datum</th>"
                           "<th>Stranka</th><th>Vozilo</th><th>Registrska št.</th></tr>";
        for (const auto& order : db_.webPartOrders())
            html += "<tr><td>" + HtmlEscaped(order.number) + "</td><td>" + HtmlEscaped(order.date.substr(0, 10)) +
                    "</td><td>" + HtmlEscaped(order.customer) + "</td><td>" + HtmlEscaped(order.vehicle) + "</td><td>" +
                    HtmlEscaped(order.plate) + "</td></tr>";
        html += "</table></body></html>";
        res.set_content(html, HtmlType);
    });
    http_->Get("/directory/" + std::string(ServerContract::DownloadPage),
               [this](const httplib::Request&, httplib::Response& res) {
                   res.set_content("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Prenos Ordavo</title>"
                                   "</head><body><h1>Prenos Ordavo</h1><p>Zadnja različica: " +
                                       HtmlEscaped(db_.versionServed()) + "</p></body></html>",
                                   HtmlType);
               });
}

void WorkshopServer::installControl()
{
    auto route = [this](const std::string& path, httplib::Server::Handler handler) {
        http_->Get(path, handler);
        http_->Post(path, handler);
    };
    route("/control/state",
          [this](const httplib::Request&, httplib::Response& res) { res.set_content(stateJson(), JsonType); });
    route("/control/statements", [this](const httplib::Request&, httplib::Response& res) {
        QJsonArray list;
        for (const auto& statement : statements())
            list.append(QString::fromStdString(statement));
        res.set_content(QJsonDocument(list).toJson(QJsonDocument::Compact).toStdString(), JsonType);
    });
    route("/control/clear-statements", [this](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(statementsMutex_);
        statements_.clear();
        SetJson(res, {});
    });
    route("/control/bump-update-counter", [this](const httplib::Request&, httplib::Response& res) {
        const auto counter = db_.bumpUpdateCounter();
        if (!counter)
            return SetJson(res, {{QStringLiteral("error"), QStringLiteral("ordavodefaults has no row")}}, 409);
        SetJson(res, {{QStringLiteral("updateCounter"), qint64(*counter)}});
    });
    route("/control/set-update-counter", [this](const httplib::Request& req, httplib::Response& res) {
        const auto value = IntParam(req, "value");
        db_.setUpdateCounter(value ? std::optional<std::int64_t>(*value) : std::nullopt);
        SetJson(res, {{QStringLiteral("updateCounter"), value ? QJsonValue(*value) : QJsonValue()}});
    });
    route("/control/clear-defaults", [this](const httplib::Request&, httplib::Response& res) {
        db_.clearDefaults();
        SetJson(res, {});
    });
    route("/control/add-order", [this](const httplib::Request& req, httplib::Response& res) {
        const int id = db_.addOrder({IntParam(req, "type").value_or(0), IntParam(req, "tyres").value_or(0) == 1});
        SetJson(res, {{QStringLiteral("id"), id}});
    });
    auto setSaved = [this](int saved) {
        return [this, saved](const httplib::Request& req, httplib::Response& res) {
            const auto id = IntParam(req, "id");
            if (!id || !db_.setOrderSaved(*id, saved))
                return SetJson(res, {{QStringLiteral("error"), QStringLiteral("unknown order")}}, 404);
            SetJson(res, {{QStringLiteral("id"), *id}, {QStringLiteral("saved"), saved}});
        };
    };
    route("/control/lock-order", setSaved(2));
    route("/control/unlock-order", setSaved(1));
    route("/control/set-version", [this](const httplib::Request& req, httplib::Response& res) {
        db_.setVersionServed(req.get_param_value("version"));
        SetJson(res, {{QStringLiteral("version"), QString::fromStdString(db_.versionServed())}});
    });
    route("/control/set-date-format", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string format = req.get_param_value("format");
        if (!IsSupportedDateFormat(format))
            return SetJson(res, {{QStringLiteral("error"), QStringLiteral("unsupported date format")}}, 400);
        db_.setDateFormat(format);
        SetJson(res, {{QStringLiteral("dateFormat"), QString::fromStdString(format)}});
    });
    route("/control/faults", [this](const httplib::Request& req, httplib::Response& res) {
        auto apply = [&req](const char* name, std::atomic<int>& target) {
            if (const auto value = IntParam(req, name); value && *value >= 0)
                target = *value;
        };
        apply("transient-every", transientEvery_);
        apply("http500-every", http500Every_);
        apply("hang-every", hangEvery_);
        apply("hang-ms", hangMs_);
        apply("latency-ms", latencyMs_);
        gatewayCalls_ = 0; // the new pattern counts from the next call
        res.set_content(stateJson(), JsonType);
    });
}

std::string WorkshopServer::stateJson() const
{
    QJsonObject state = QJsonDocument::fromJson(QByteArray::fromStdString(db_.stateJson())).object();
    state[QStringLiteral("port")] = port_;
    state[QStringLiteral("gatewayCalls")] = qint64(gatewayCalls_.load());
    state[QStringLiteral("latencyMs")] = latencyMs_.load();
    state[QStringLiteral("transientEvery")] = transientEvery_.load();
    state[QStringLiteral("http500Every")] = http500Every_.load();
    state[QStringLiteral("hangEvery")] = hangEvery_.load();
    state[QStringLiteral("hangMs")] = hangMs_.load();
    return QJsonDocument(state).toJson(QJsonDocument::Compact).toStdString();
}

void WorkshopServer::logRequest(const httplib::Request& req, const httplib::Response& res) const
{
    const std::size_t size = res.body.empty() ? res.content_length_ : res.body.size();
    std::fprintf(stderr, "%s %s %d %zu\n", req.method.c_str(), req.target.c_str(), res.status, size);
    std::fflush(stderr);
}

} // namespace sim
