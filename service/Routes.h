#pragma once

#include "Database.h"

#include <httplib.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

// The service's HTTP interface under /api/v1/. Every answer is JSON: a record, or
// {"detail": text} with the error status, or for 422 a list of problems.
class Routes {
public:
    struct Timing {
        std::chrono::milliseconds answerDelay { 0 };
        std::chrono::milliseconds policyUpdateDelay { 0 }; // on top of answerDelay
    };

    Routes(Database& db, Timing timing, bool logRequests);
    void install(httplib::Server& server);

private:
    struct Call {
        const httplib::Request& request;
        std::vector<std::string> params; // the {} segments of the route, in order
    };
    using Handler = Json (Routes::*)(const Call&);
    struct Route {
        std::string_view method;
        std::vector<std::string_view> segments; // "{}" matches any one segment
        Handler handler;
    };

    void dispatch(const httplib::Request& request, httplib::Response& response);
    Json issueToken(const Account& account);
    Account requireAccount(const httplib::Request& request);
    Device requireDevice(const Account& account, const std::string& deviceId);

    Json registerAccount(const Call& call);
    Json login(const Call& call);
    Json me(const Call& call);
    Json listDevices(const Call& call);
    Json createDevice(const Call& call);
    Json getDevice(const Call& call);
    Json updateDevice(const Call& call);
    Json deleteDevice(const Call& call);
    Json getPolicy(const Call& call);
    Json updatePolicy(const Call& call);
    Json listActivities(const Call& call);
    Json createActivity(const Call& call);
    Json updateActivity(const Call& call);
    Json deleteActivity(const Call& call);
    Json getUsage(const Call& call);
    Json grantBonus(const Call& call);
    Json heartbeat(const Call& call);

    Database& db_;
    const Timing timing_;
    const bool logRequests_;
    std::vector<Route> routes_;
};
