#include "tools/kor-host/HttpServer.h"

#include <httplib.h>

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "tools/hostkit/ApiJson.h"
#include "tools/hostkit/FunctionRoutes.h"
#include "tools/hostkit/JsonCodec.h"
#include "tools/kor-host/EventStream.h"
#include "tools/kor-host/GuardedServer.h"
#include "tools/kor-host/HttpStatus.h"
#include "tools/kor-host/WebPage.h"

namespace kor::korhost {
namespace {

using hostkit::HostValue;
using hostkit::Outcome;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Headers the HTTP layer writes itself.
bool IsFramingHeader(std::string_view name) {
    const std::string lower = Lower(name);
    return lower == "content-type" || lower == "content-length" || lower == "transfer-encoding" ||
           lower == "connection";
}

void Send(httplib::Response& response, const CallAnswer& answer) {
    for (const auto& [name, value] : answer.headers) {
        if (!IsFramingHeader(name)) response.set_header(name, value);
    }
    response.status = answer.status;
    response.set_content(answer.body, answer.contentType);
}

void SendJson(httplib::Response& response, const HostValue& value, int status = kOk) {
    response.status = status;
    response.set_content(hostkit::EncodeJson(value), "application/json");
}

void SendError(httplib::Response& response, int status, std::string_view message) {
    Send(response, ErrorCallAnswer(status, message));
}

CallRequest ToCallRequest(const httplib::Request& request) {
    CallRequest call;
    call.method = request.method;
    call.url = request.target;
    for (const auto& [name, value] : request.headers) {
        // httplib adds these for its own bookkeeping; they are not the client's.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT") {
            continue;
        }
        call.headers.emplace_back(name, value);
    }
    call.contentType = request.get_header_value("Content-Type");
    call.body = request.body;
    return call;
}

// The body of a control endpoint: a JSON object, or nothing when the body
// is empty and `optional`.
std::optional<HostValue> ControlBody(const httplib::Request& request, httplib::Response& response) {
    if (request.body.empty()) return HostValue::Structure();
    Outcome<HostValue> body = hostkit::DecodeJson(request.body);
    if (!body || body.value().AsMembers() == nullptr) {
        SendError(response, kBadRequest, "the body must be a JSON object" + (body ? "" : ": " + body.error()));
        return std::nullopt;
    }
    return std::move(body).value();
}

std::optional<uint64_t> UnsignedMember(const HostValue& body, std::string_view name) {
    const HostValue* member = body.Find(name);
    return member != nullptr ? member->AsUnsigned() : std::nullopt;
}

// The media type of a Content-Type value, without parameters, lower case.
std::string MediaType(std::string_view contentType) {
    contentType = contentType.substr(0, contentType.find(';'));
    while (!contentType.empty() && (contentType.back() == ' ' || contentType.back() == '\t')) contentType.remove_suffix(1);
    while (!contentType.empty() && (contentType.front() == ' ' || contentType.front() == '\t')) contentType.remove_prefix(1);
    return Lower(contentType);
}

// The body types each kind of route parses: the host's own routes read
// JSON, the plug-in reads JSON, MessagePack and YAML.
bool ParsedType(std::string_view path, const std::string& type) {
    if (path.starts_with("/host/")) return type == "application/json";
    return type == "application/json" || type == "application/vnd.api+json" || type == "application/x-msgpack" ||
           type == "application/x-yaml" || type == "text/x-yaml";
}

bool ChangesState(const std::string& method) { return method != "GET" && method != "HEAD" && method != "OPTIONS"; }

// The page's files are the only answers meant for a browser to render, so
// they say what they may load and that no other site may frame them.
void SendPageFile(httplib::Response& response, const PageFile& file) {
    response.set_header("Content-Security-Policy",
                        "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'; form-action 'self'");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Cache-Control", "no-cache");
    response.set_content(std::string(file.bytes), std::string(file.contentType));
}

}  // namespace

bool IsLoopbackHost(const std::string& host) {
    if (host == "localhost") return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) return IN6_IS_ADDR_LOOPBACK(&v6);
    return false;
}

HttpServer::HttpServer(PluginRunner& runner, HostControl& control, HostServices& services, EventHub& events)
    : runner_(runner), control_(control), services_(services), events_(events),
      server_(std::make_unique<GuardedServer>(ConnectionLimits{.maxConnections = kMaxConnections})) {
    server_->set_payload_max_length(kMaxBodyBytes);
    AddRoutes();
}

HttpServer::~HttpServer() { Stop(); }

Outcome<int> HttpServer::Bind(const std::string& host, int port) {
    if (port == 0) {
        port = server_->bind_to_any_port(host);
        if (port <= 0) return hostkit::Failure{"cannot listen on " + host + ": no free port"};
    } else if (!server_->bind_to_port(host, port)) {
        return hostkit::Failure{"cannot listen on " + host + ":" + std::to_string(port)};
    }
    server_->WidenBacklog();
    // Appended rather than concatenated: GCC 12 at -O3 raises a false
    // -Wrestrict on `":" + std::to_string(...)`.
    std::string suffix = ":";
    suffix += std::to_string(port);
    const bool ipv6 = host.find(':') != std::string::npos;
    authorities_ = {Lower(ipv6 ? "[" + host + "]" : host) + suffix};
    if (IsLoopbackHost(host) && host != "localhost") authorities_.push_back("localhost" + suffix);
    return port;
}

bool HttpServer::Refuse(const httplib::Request& request, httplib::Response& response) const {
    auto refuse = [&](int status, const std::string& message) {
        SendError(response, status, message);
        response.set_header("Connection", "close");
        GuardedServer::CloseAfterAnswer();
        return true;
    };
    const std::string host = Lower(request.get_header_value("Host"));
    if (std::find(authorities_.begin(), authorities_.end(), host) == authorities_.end()) {
        return refuse(kMisdirected, "this server answers to http://" + authorities_.front() + " only");
    }
    if (!ChangesState(request.method)) return false;
    if (request.has_header("Origin") && request.get_header_value("Origin") != "http://" + host) {
        return refuse(kForbidden, "a change may come from kor-host's own page only, not from " +
                                      request.get_header_value("Origin"));
    }
    const std::string encoding = Lower(request.get_header_value("Content-Encoding"));
    if (!encoding.empty() && encoding != "identity") {
        return refuse(kUnsupportedType, "bodies are read as sent; Content-Encoding " + encoding + " is not");
    }
    const bool chunked = request.has_header("Transfer-Encoding");
    uint64_t length = 0;
    if (request.has_header("Content-Length")) {
        const std::string text = request.get_header_value("Content-Length");
        if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) {
            return refuse(kBadRequest, "Content-Length is not a number: " + text);
        }
        length = std::stoull(text);
    }
    if (length > kMaxBodyBytes) {
        return refuse(kTooLarge, "a body may hold " + std::to_string(kMaxBodyBytes) + " bytes at most, not " +
                                     std::to_string(length));
    }
    const std::string path(hostkit::PathOfUrl(request.target));
    if (!request.has_header("Content-Type")) {
        if (length == 0 && !chunked) return false;
        return refuse(kUnsupportedType, "a body needs a Content-Type that " + path + " reads");
    }
    const std::string type = MediaType(request.get_header_value("Content-Type"));
    if (!ParsedType(path, type)) {
        return refuse(kUnsupportedType, request.method + " " + path + " does not read " + type +
                                            (path.starts_with("/host/") ? "; send application/json" : ""));
    }
    return false;
}

bool HttpServer::Run() { return server_->listen_after_bind(); }

bool HttpServer::running() const { return server_->is_running(); }

void HttpServer::Stop() {
    stopping_ = true;
    server_->stop();
}

void HttpServer::AddRoutes() {
    AnswerFailuresAsJson();
    // A member function per route; the plug-in's routes are not listed:
    // whatever is not one of these is a call into the plug-in (Dispatch).
    struct HostRoute {
        const char* method;
        const char* path;
        void (HttpServer::*handler)(const httplib::Request&, httplib::Response&);
    };
    static constexpr HostRoute kHostRoutes[] = {
        {"GET", "/events", &HttpServer::ServeEvents},
        {"GET", "/host/api", &HttpServer::ServeApi},
        {"GET", "/host/state", &HttpServer::ServeState},
        {"POST", "/host/login", &HttpServer::Login},
        {"POST", "/host/logout", &HttpServer::Logout},
        {"POST", "/host/player-preferences-ready", &HttpServer::SetPlayerPreferencesReady},
        {"POST", "/host/game-ended", &HttpServer::EndGame},
    };
    for (const HostRoute& route : kHostRoutes) {
        AddRoute(route.method, route.path, [this, handler = route.handler](const httplib::Request& request,
                                                                          httplib::Response& response) {
            (this->*handler)(request, response);
        });
    }
    for (const PageFile& file : PageFiles()) {
        AddRoute("GET", std::string(file.path),
                 [&file](const httplib::Request&, httplib::Response& response) { SendPageFile(response, file); });
    }
    RouteEveryRequestThroughDispatch();
}

void HttpServer::AnswerFailuresAsJson() {
    server_->set_exception_handler([](const httplib::Request&, httplib::Response& response,
                                      std::exception_ptr error) {
        SendError(response, kServerError, "kor-host failed: " + hostkit::ExceptionMessage(error));
    });
    // Errors httplib answers itself (a malformed request, an unknown method)
    // get the same JSON form as every other answer.
    server_->set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (const uint32_t cutOff = GuardedServer::CutOffStatus(); cutOff != 0) {
            SendError(response, cutOff,
                      cutOff == kRequestTimeout ? "the request came too slowly" : "the request is too large");
            response.set_header("Connection", "close");
            return;
        }
        if (!response.body.empty()) return;
        SendError(response, response.status, "HTTP status " + std::to_string(response.status));
    });
    server_->set_logger([](const httplib::Request& request, const httplib::Response& response) {
        std::fprintf(stderr, "kor-host: %s %s -> %d\n", request.method.c_str(), request.target.c_str(),
                     response.status);
    });
}

void HttpServer::RouteEveryRequestThroughDispatch() {
    httplib::Server& server = *server_;
    // httplib routes by regular expression and, for a request without
    // Content-Length, waits for a body until its read timeout and answers
    // 400, although such a request has no body (RFC 9112, 6.3). So kor-host
    // routes itself: a request without a body is answered before httplib
    // reads one, every other request after.
    //
    // Every request is screened first, before its body is read.
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (Refuse(request, response)) return httplib::Server::HandlerResponse::Handled;
        if (request.has_header("Content-Length") || request.has_header("Transfer-Encoding")) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        Dispatch(request, response);
        return httplib::Server::HandlerResponse::Handled;
    });
    // A client that waits for "100 Continue" gets the refusal instead and
    // sends no body.
    server.set_expect_100_continue_handler([this](const httplib::Request& request, httplib::Response& response) {
        return Refuse(request, response) ? response.status : 100;
    });
    auto dispatch = [this](const httplib::Request& request, httplib::Response& response) {
        Dispatch(request, response);
    };
    const std::string anyPath = "/.*";
    server.Get(anyPath, dispatch);
    server.Post(anyPath, dispatch);
    server.Put(anyPath, dispatch);
    server.Patch(anyPath, dispatch);
    server.Delete(anyPath, dispatch);
    server.Options(anyPath, dispatch);
}

void HttpServer::ServeEvents(const httplib::Request&, httplib::Response& response) {
    std::shared_ptr<EventStream> stream = EventStream::Open(events_, stopping_);
    if (stream == nullptr) {
        SendError(response, kUnavailable, "too many open event streams");
        response.set_header("Connection", "close");
        // The client must not keep the connection, and its thread, for a retry.
        GuardedServer::CloseAfterAnswer();
        return;
    }
    response.set_header("Cache-Control", "no-cache");
    response.set_chunked_content_provider(
        "text/event-stream", [stream](size_t, httplib::DataSink& sink) { return stream->Step(sink); });
}

void HttpServer::ServeApi(const httplib::Request&, httplib::Response& response) {
    const PluginApiDescription* api = runner_.api();
    if (api == nullptr) return Send(response, PluginNotRunning());
    HostValue description = HostValue::Structure({{"plugin", HostValue::String(runner_.name())}});
    const HostValue parts = hostkit::DescribeApi(*api);
    for (const hostkit::HostMember& member : *parts.AsMembers()) description.Set(member.name, member.value);
    SendJson(response, description);
}

void HttpServer::ServeState(const httplib::Request&, httplib::Response& response) {
    Outcome<HostValue> report = services_.Describe();
    if (!report) return SendError(response, kServerError, report.error());
    SendJson(response, report.value());
}

void HttpServer::Login(const httplib::Request& request, httplib::Response& response) {
    std::optional<HostValue> body = ControlBody(request, response);
    if (!body) return;
    const std::optional<uint64_t> account = UnsignedMember(*body, "accountId");
    const std::optional<uint64_t> summoner = UnsignedMember(*body, "summonerId");
    if (!account || !summoner) {
        return SendError(response, kBadRequest, "login needs the numbers \"accountId\" and \"summonerId\"");
    }
    Outcome<HostValue> session = control_.Login(*account, *summoner);
    if (!session) return SendError(response, kBadRequest, session.error());
    SendJson(response, session.value());
}

void HttpServer::Logout(const httplib::Request&, httplib::Response& response) {
    Outcome<void> done = control_.Logout();
    if (!done) return SendError(response, kServerError, done.error());
    SendJson(response, HostValue());
}

void HttpServer::SetPlayerPreferencesReady(const httplib::Request& request, httplib::Response& response) {
    std::optional<HostValue> body = ControlBody(request, response);
    if (!body) return;
    const HostValue* ready = body->Find("ready");
    if (ready == nullptr || !ready->AsBool()) return SendError(response, kBadRequest, "the body needs the bool \"ready\"");
    Outcome<void> done = control_.SetPlayerPreferencesReady(*ready->AsBool());
    if (!done) return SendError(response, kServerError, done.error());
    SendJson(response, HostValue::Structure({{"ready", *ready}}));
}

void HttpServer::EndGame(const httplib::Request&, httplib::Response& response) { Send(response, control_.GameEnded()); }

void HttpServer::AddRoute(std::string method, std::string path, Handler handler) {
    hostRoutes_[{std::move(method), std::move(path)}] = std::move(handler);
}

void HttpServer::Dispatch(const httplib::Request& request, httplib::Response& response) {
    // The host's own routes are literal paths; anything else is a call into
    // the plug-in.
    const std::string path(hostkit::PathOfUrl(request.target));
    auto route = hostRoutes_.find({request.method, path});
    if (route != hostRoutes_.end()) {
        route->second(request, response);
        return;
    }
    Send(response, runner_.Call(ToCallRequest(request)));
}

}  // namespace kor::korhost
