#pragma once

// Shared by the detail model's tests: a scripted service answering by method
// and path, and bodies for its records.
#include "DeviceDetailViewModel.h"
#include "KeychainHelper.h"
#include "MemoryCredentialStore.h"
#include "ScriptedServer.h"
#include "TaskResult.h"

#include <QMap>
#include <QTest>
#include <memory>
#include <nlohmann/json.hpp>

using Response = ScriptedServer::Response;
using json = nlohmann::json;

inline const QString deviceId = QStringLiteral("d1");
inline const QString devicePath = QStringLiteral("/api/v1/devices/d1");
inline const QString policyPath = devicePath + QStringLiteral("/policy");
inline const QString usagePath = devicePath + QStringLiteral("/usage?days=7");
inline const QString activitiesPath = devicePath + QStringLiteral("/activities");

// Keys sorted, so bodies compare as text and print readably.
inline QString canonical(const json& value)
{
    return QString::fromStdString(value.dump());
}

inline Response answer(const json& body, int status = 200, bool hold = false)
{
    Response r = Response::ofJson(body, status);
    if (hold)
        r.action = Response::Action::Hold;
    return r;
}

inline Response held(const json& body) { return answer(body, 200, true); }

inline Response failure(int status, const char* detail = nullptr, bool hold = false)
{
    return answer(detail ? json{{"detail", detail}} : json::object(), status, hold);
}

inline json deviceJson(const char* name = "Mac", json secret = nullptr, json bonusUntil = nullptr)
{
    return {{"id", "d1"}, {"name", name}, {"child_name", "Alex"}, {"api_token", "tok"}, {"shared_secret", secret},
            {"last_seen", nullptr}, {"bonus_until", bonusUntil}};
}

inline json policyJson(qint64 limit = 120)
{
    return {{"downtime_enabled", true}, {"downtime_start", "21:00"}, {"downtime_end", "07:00"},
            {"screen_time_enabled", true}, {"screen_time_limit_minutes", limit}, {"screen_time_mon_minutes", nullptr}};
}

// Newest first, as the service sends it.
inline json usageJson(std::initializer_list<double> minutes)
{
    json list = json::array();
    int day = 7;
    for (double m : minutes)
        list.push_back({{"date", "2025-03-0" + std::to_string(day--)}, {"total_minutes", m}});
    return list;
}

inline json activityJson(const char* id, int day, const char* start, bool enabled = true)
{
    return {{"id", id}, {"name", "Piano"}, {"enabled", enabled}, {"day_of_week", day}, {"start_time", start},
            {"end_time", "17:00"}, {"buffer_before_minutes", 5}, {"buffer_after_minutes", 0}};
}

// A memory store pointing the client at a scripted server that answers by
// "METHOD path"; anything unscripted gets 404.
struct DetailFixture
{
    std::shared_ptr<MemoryCredentialStore> store;
    std::unique_ptr<ScriptedServer> server;
    QMap<QString, Response> routes;

    void setUp()
    {
        store = std::make_shared<MemoryCredentialStore>();
        KeychainHelper::setStore(store);
        server = std::make_unique<ScriptedServer>();
        const QString service = QString::fromLatin1(KeychainHelper::service);
        store->put(service, QStringLiteral("server_url"), server->baseUrl().toUtf8());
        store->put(service, QStringLiteral("auth_token"), "parent-token");
        routes.clear();
        server->setHandler([this](const ScriptedServer::Request& request) {
            return routes.value(QString::fromLatin1(request.method + ' ' + request.target), failure(404, "Not Found"));
        });
    }

    void tearDown()
    {
        server.reset();
        KeychainHelper::setStore(nullptr);
    }

    void route(const char* method, const QString& path, Response response)
    {
        routes.insert(QString::fromLatin1(method) + u' ' + path, std::move(response));
    }

    void scriptLoad(const json& device, const json& policy, const json& usage, const json& activities)
    {
        route("GET", devicePath, answer(device));
        route("GET", policyPath, answer(policy));
        route("GET", usagePath, answer(usage));
        route("GET", activitiesPath, answer(activities));
    }

    static bool load(DeviceDetailViewModel& vm) { return runTask(vm.load()).finished; }

    QList<ScriptedServer::Request> requestsTo(const char* method, const QString& path) const
    {
        QList<ScriptedServer::Request> found;
        for (const auto& r : server->requests()) {
            if (r.method == method && r.target == path.toLatin1())
                found.append(r);
        }
        return found;
    }

    static QString body(const ScriptedServer::Request& request)
    {
        return canonical(json::parse(request.body.toStdString(), nullptr, false));
    }
};

template <class Test>
int runTest(int argc, char** argv)
{
    Test test;
    return QTest::qExec(&test, argc, argv);
}

// Runs every test class in turn in one application.
template <class... Tests>
int runTests(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    ((status |= runTest<Tests>(argc, argv)), ...);
    return status;
}
