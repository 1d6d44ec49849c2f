#include "Routes.h"

#include "Crypto.h"
#include "Moments.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <thread>

namespace {

constexpr size_t kMaxBodyBytes = 1024 * 1024;
constexpr int kUsageDaysDefault = 7;
constexpr int kUsageDaysMax = 90;

// An answer other than 200 with {"detail": text}.
class HttpError : public std::exception {
public:
    HttpError(int status, std::string detail)
        : status(status)
        , detail(std::move(detail))
    {
    }
    const char* what() const noexcept override { return detail.c_str(); }

    int status;
    std::string detail;
};

HttpError notAuthenticated()
{
    return { 401, "Not authenticated" };
}

HttpError deviceNotFound()
{
    return { 404, "Device not found" };
}

HttpError activityNotFound()
{
    return { 404, "Activity not found" };
}

std::string statusText(int status)
{
    switch (status) {
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 413:
        return "Request body too large";
    case 414:
        return "URI Too Long";
    case 416:
        return "Range Not Satisfiable";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

void answer(httplib::Response& response, int status, const Json& body)
{
    response.status = status;
    // Replace, not throw, should text ever hold invalid UTF-8: an answer must always go out.
    response.set_content(body.dump(-1, ' ', false, Json::error_handler_t::replace), "application/json");
}

std::vector<std::string_view> splitPath(std::string_view path)
{
    std::vector<std::string_view> segments;
    if (path.starts_with('/'))
        path.remove_prefix(1);
    while (true) {
        const size_t slash = path.find('/');
        segments.push_back(path.substr(0, slash));
        if (slash == std::string_view::npos)
            break;
        path.remove_prefix(slash + 1);
    }
    return segments;
}

// The token of "Authorization: Bearer <token>"; the scheme is case-insensitive.
std::string bearerToken(const httplib::Request& request)
{
    const std::string header = request.get_header_value("Authorization");
    const size_t space = header.find(' ');
    if (space == std::string::npos)
        return {};
    std::string scheme = header.substr(0, space);
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme != "bearer")
        return {};
    const size_t start = header.find_first_not_of(' ', space);
    if (start == std::string::npos)
        return {};
    const size_t end = header.find_last_not_of(' ');
    return header.substr(start, end - start + 1);
}

Json ok()
{
    return { { "ok", true } };
}

// Whole minutes go out as JSON integers, fractions as they are.
Json minutesValue(double minutes)
{
    if (std::floor(minutes) == minutes && std::fabs(minutes) < 1e15)
        return static_cast<int64_t>(minutes);
    return minutes;
}

// Verifying a made-up hash when the e-mail is unknown keeps a failed sign-in
// equally slow either way, so timing does not reveal who has an account.
const std::string& decoyPasswordHash()
{
    static const std::string hash = hashPassword(randomHex(16));
    return hash;
}

} // namespace

Routes::Routes(Database& db, Timing timing, bool logRequests)
    : db_(db)
    , timing_(timing)
    , logRequests_(logRequests)
{
    routes_ = {
        { "POST", { "api", "v1", "auth", "register" }, &Routes::registerAccount },
        { "POST", { "api", "v1", "auth", "login" }, &Routes::login },
        { "GET", { "api", "v1", "auth", "me" }, &Routes::me },
        { "GET", { "api", "v1", "devices" }, &Routes::listDevices },
        { "POST", { "api", "v1", "devices" }, &Routes::createDevice },
        { "GET", { "api", "v1", "devices", "{}" }, &Routes::getDevice },
        { "PATCH", { "api", "v1", "devices", "{}" }, &Routes::updateDevice },
        { "DELETE", { "api", "v1", "devices", "{}" }, &Routes::deleteDevice },
        { "GET", { "api", "v1", "devices", "{}", "policy" }, &Routes::getPolicy },
        { "PUT", { "api", "v1", "devices", "{}", "policy" }, &Routes::updatePolicy },
        { "GET", { "api", "v1", "devices", "{}", "activities" }, &Routes::listActivities },
        { "POST", { "api", "v1", "devices", "{}", "activities" }, &Routes::createActivity },
        { "PUT", { "api", "v1", "devices", "{}", "activities", "{}" }, &Routes::updateActivity },
        { "DELETE", { "api", "v1", "devices", "{}", "activities", "{}" }, &Routes::deleteActivity },
        { "GET", { "api", "v1", "devices", "{}", "usage" }, &Routes::getUsage },
        { "POST", { "api", "v1", "devices", "{}", "grant-bonus" }, &Routes::grantBonus },
        { "POST", { "api", "v1", "agent", "heartbeat" }, &Routes::heartbeat },
    };
}

void Routes::install(httplib::Server& server)
{
    // Routing is done here rather than by the library, which cannot tell an unknown
    // path (404) from a known path asked with the wrong method (405).
    const std::string any = ".*";
    auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        dispatch(request, response);
    };
    server.Get(any, handler);
    server.Post(any, handler);
    server.Put(any, handler);
    server.Patch(any, handler);
    server.Delete(any, handler);
    server.Options(any, handler);

    server.set_payload_max_length(kMaxBodyBytes);
    // Statuses the library answers by itself (413, 400 for a malformed request, ...) get the JSON error body too.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& response) {
            if (!response.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            answer(response, response.status, { { "detail", statusText(response.status) } });
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        answer(response, 500, { { "detail", "Internal Server Error" } });
    });
    if (logRequests_) {
        // Method, path and status only: tokens travel in headers and passwords in bodies, neither is logged.
        server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
            std::fprintf(stderr, "%s %s %d\n", request.method.c_str(), request.path.c_str(), response.status);
        });
    }
    // The console keeps several connections open at once; the library's default of
    // eight workers would leave requests waiting behind idle keep-alive connections.
    server.new_task_queue = [] { return new httplib::ThreadPool(64); };
    // An answer goes out as two writes, head and body. With Nagle's algorithm the body
    // waits for the client's delayed acknowledgement of the head: 40 ms on every answer.
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(100);
    // The library compresses every JSON answer a client accepts compressed, with
    // brotli at its slowest setting: a list of 1,000 devices took longer to
    // compress than to build. On loopback that only costs time, so answers go
    // out plain. (The request object is the library's own, not a const one.)
    server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
        const_cast<httplib::Request&>(request).headers.erase("Accept-Encoding");
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

void Routes::dispatch(const httplib::Request& request, httplib::Response& response)
{
    const auto started = std::chrono::steady_clock::now();
    auto delay = timing_.answerDelay;

    const std::vector<std::string_view> segments = splitPath(request.path);
    const std::string_view method = request.method == "HEAD" ? std::string_view("GET") : request.method;
    const Route* matched = nullptr;
    std::string allowed;
    std::vector<std::string> params;
    for (const Route& route : routes_) {
        if (route.segments.size() != segments.size())
            continue;
        std::vector<std::string> captured;
        bool fits = true;
        for (size_t i = 0; i < segments.size() && fits; ++i) {
            if (route.segments[i] == "{}")
                captured.emplace_back(segments[i]);
            fits = route.segments[i] == "{}" ? !segments[i].empty() : route.segments[i] == segments[i];
        }
        if (!fits)
            continue;
        allowed += std::string(allowed.empty() ? "" : ", ") + std::string(route.method);
        if (route.method == method) {
            matched = &route;
            params = std::move(captured);
        }
    }

    try {
        if (!matched && allowed.empty())
            throw HttpError(404, "Not Found");
        if (!matched) {
            response.set_header("Allow", allowed);
            throw HttpError(405, "Method Not Allowed");
        }
        if (matched->handler == &Routes::updatePolicy)
            delay += timing_.policyUpdateDelay;
        answer(response, 200, (this->*matched->handler)(Call { request, std::move(params) }));
    } catch (const HttpError& error) {
        if (error.status == 401)
            response.set_header("WWW-Authenticate", "Bearer");
        answer(response, error.status, { { "detail", error.detail } });
    } catch (const ValidationError& error) {
        answer(response, 422, { { "detail", error.detail() } });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumaro-service: %s %s failed: %s\n", request.method.c_str(), request.path.c_str(),
                     error.what());
        answer(response, 500, { { "detail", "Internal Server Error" } });
    }

    if (delay.count() > 0)
        std::this_thread::sleep_until(started + delay);
}

Json Routes::issueToken(const Account& account)
{
    const std::string token = randomHex(32);
    db_.addSession(sha256Hex(token), account.id, nowMillis());
    return { { "access_token", token }, { "token_type", "bearer" } };
}

Account Routes::requireAccount(const httplib::Request& request)
{
    const std::string token = bearerToken(request);
    if (token.empty())
        throw notAuthenticated();
    auto account = db_.accountForSession(sha256Hex(token));
    if (!account)
        throw HttpError(401, "Could not validate credentials");
    return std::move(*account);
}

Device Routes::requireDevice(const Account& account, const std::string& deviceId)
{
    auto device = db_.findDevice(account.id, deviceId);
    if (!device)
        throw deviceNotFound();
    return std::move(*device);
}

Json Routes::registerAccount(const Call& call)
{
    const Registration registration = readRegistration(parseObjectBody(call.request.body));
    const Account account { randomId(), registration.email, registration.name };
    if (!db_.createAccount(account, hashPassword(registration.password), nowMillis()))
        throw HttpError(400, "Email already registered");
    return issueToken(account);
}

Json Routes::login(const Call& call)
{
    const Credentials credentials = readCredentials(parseObjectBody(call.request.body));
    const auto stored = db_.findCredential(credentials.email);
    const bool valid = verifyPassword(credentials.password, stored ? stored->passwordHash : decoyPasswordHash());
    if (!stored || !valid)
        throw HttpError(401, "Incorrect email or password");
    return issueToken(stored->account);
}

Json Routes::me(const Call& call)
{
    return toJson(requireAccount(call.request));
}

Json Routes::listDevices(const Call& call)
{
    const Account account = requireAccount(call.request);
    Json list = Json::array();
    for (const Device& device : db_.listDevices(account.id))
        list.push_back(toJson(device));
    return list;
}

Json Routes::createDevice(const Call& call)
{
    const Account account = requireAccount(call.request);
    NewDevice fields = readNewDevice(parseObjectBody(call.request.body));
    const Device device = makeDevice(std::move(fields.name), std::move(fields.childName), nowMillis());
    db_.insertDevice(account.id, device, sha256Hex(device.apiToken));
    return toJson(device);
}

Json Routes::getDevice(const Call& call)
{
    const Account account = requireAccount(call.request);
    return toJson(requireDevice(account, call.params[0]));
}

Json Routes::updateDevice(const Call& call)
{
    const Account account = requireAccount(call.request);
    requireDevice(account, call.params[0]);
    const DevicePatch patch = readDevicePatch(parseObjectBody(call.request.body));
    auto device = db_.updateDevice(account.id, call.params[0], patch);
    if (!device)
        throw deviceNotFound();
    return toJson(*device);
}

Json Routes::deleteDevice(const Call& call)
{
    const Account account = requireAccount(call.request);
    if (!db_.deleteDevice(account.id, call.params[0]))
        throw deviceNotFound();
    return ok();
}

Json Routes::getPolicy(const Call& call)
{
    const Account account = requireAccount(call.request);
    auto policy = db_.policy(account.id, call.params[0]);
    if (!policy)
        throw deviceNotFound();
    return toJson(*policy);
}

Json Routes::updatePolicy(const Call& call)
{
    const Account account = requireAccount(call.request);
    requireDevice(account, call.params[0]);
    const PolicyPatch patch = readPolicyPatch(parseObjectBody(call.request.body));
    auto policy = db_.updatePolicy(account.id, call.params[0], patch);
    if (!policy)
        throw deviceNotFound();
    return toJson(*policy);
}

Json Routes::listActivities(const Call& call)
{
    const Account account = requireAccount(call.request);
    auto activities = db_.activities(account.id, call.params[0]);
    if (!activities)
        throw deviceNotFound();
    Json list = Json::array();
    for (const Activity& activity : *activities)
        list.push_back(toJson(activity));
    return list;
}

Json Routes::createActivity(const Call& call)
{
    const Account account = requireAccount(call.request);
    requireDevice(account, call.params[0]);
    Activity activity = readNewActivity(parseObjectBody(call.request.body));
    activity.id = randomId();
    auto created = db_.insertActivity(account.id, call.params[0], activity);
    if (!created)
        throw deviceNotFound();
    return toJson(*created);
}

Json Routes::updateActivity(const Call& call)
{
    const Account account = requireAccount(call.request);
    requireDevice(account, call.params[0]);
    const ActivityPatch patch = readActivityPatch(parseObjectBody(call.request.body));
    auto activity = db_.updateActivity(account.id, call.params[0], call.params[1], patch);
    if (!activity)
        throw activityNotFound();
    return toJson(*activity);
}

Json Routes::deleteActivity(const Call& call)
{
    const Account account = requireAccount(call.request);
    requireDevice(account, call.params[0]);
    if (!db_.deleteActivity(account.id, call.params[0], call.params[1]))
        throw activityNotFound();
    return ok();
}

Json Routes::getUsage(const Call& call)
{
    const Account account = requireAccount(call.request);
    requireDevice(account, call.params[0]);
    const std::string daysText = call.request.get_param_value("days");
    const int64_t days = readQueryInteger(call.request.has_param("days") ? &daysText : nullptr, "days",
                                          kUsageDaysDefault, 1, kUsageDaysMax);
    auto usage = db_.usage(account.id, call.params[0], localDaysEndingAt(nowMillis(), static_cast<int>(days)));
    if (!usage)
        throw deviceNotFound();
    Json list = Json::array();
    for (const UsageDay& day : *usage)
        list.push_back({ { "date", day.date }, { "total_minutes", minutesValue(day.totalMinutes) } });
    return list;
}

Json Routes::grantBonus(const Call& call)
{
    const Account account = requireAccount(call.request);
    requireDevice(account, call.params[0]);
    const int64_t minutes = readBonusMinutes(parseObjectBody(call.request.body));
    auto until = db_.grantBonus(account.id, call.params[0], minutes, nowMillis());
    if (!until)
        throw deviceNotFound();
    return { { "bonus_until", formatMoment(*until, true) } };
}

Json Routes::heartbeat(const Call& call)
{
    const std::string token = bearerToken(call.request);
    if (token.empty())
        throw notAuthenticated();
    const auto deviceId = db_.deviceForAgentToken(sha256Hex(token));
    if (!deviceId)
        throw HttpError(401, "Could not validate credentials");
    const Heartbeat beat = readHeartbeat(parseObjectBody(call.request.body));
    const int64_t now = nowMillis();
    if (!db_.recordHeartbeat(*deviceId, beat.agentVersion, beat.minutesUsed, localDay(now), now))
        throw HttpError(401, "Could not validate credentials");
    return ok();
}
