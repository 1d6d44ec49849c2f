// Fifty parents at once for ten seconds, each on its own keep-alive connection: every answer succeeds,
// every parent reads back exactly what it last wrote, and nobody ever sees another parent's data.
#include "LiveService.h"

#include <QtTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <latch>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kParents = 50;
constexpr auto kRunTime = std::chrono::seconds(10);
// A bound besides the clock, so the loop ends even if the service answers in no time at all.
constexpr int kMaxRounds = 20'000;
constexpr size_t kMaxActivities = 6;
// Enough faults kept per parent to tell what went wrong without flooding the output.
constexpr size_t kFaultsKept = 3;

std::string timeOfDay(int minutes)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60 % 24, minutes % 60);
    return text;
}

// What one parent did, and what it saw that it should not have. Written by that parent's thread only.
struct ParentRun {
    std::string token;
    std::string deviceId;
    std::string agentToken;
    std::string deviceName;
    json policy; // the whole policy as it must read now
    std::map<std::string, json> activities; // by id, as last written
    std::set<std::string> deletedActivities;
    std::string bonusUntil;
    int usageMinutesSent = 0;
    int created = 0;
    int deleted = 0;

    std::vector<double> latenciesMs;
    int serverErrors = 0;
    int transportFailures = 0;
    std::vector<std::string> refused; // answers other than 200 below 500
    std::vector<std::string> foreign; // data of another parent
    std::vector<std::string> stale; // a read or an echo that differs from the last write

    void note(std::vector<std::string>& list, std::string fault)
    {
        if (list.size() < kFaultsKept)
            list.push_back(std::move(fault));
    }
};

// One parent's console: registers, enrols a device, then works through a random but reproducible mix.
class Parent {
public:
    Parent(const std::string& baseUrl, int index, ParentRun& run)
        : client_(baseUrl)
        , index_(index)
        , run_(run)
        , random_(static_cast<unsigned>(index))
    {
        client_.set_keep_alive(true);
        // As the console's network stack does; otherwise a body written after its head waits 40 ms.
        client_.set_tcp_nodelay(true);
        client_.set_connection_timeout(5, 0);
        // Generous: sign-ups hash passwords slowly on purpose, far slower still under the sanitizers.
        client_.set_read_timeout(30, 0);
    }

    // Signs up, then waits for every other parent so that all of them work the same ten seconds.
    void work(std::latch& allSignedUp)
    {
        bool ready = false;
        try {
            ready = setUp();
        } catch (...) {
            allSignedUp.count_down();
            throw;
        }
        allSignedUp.arrive_and_wait();
        if (!ready)
            return;
        const auto deadline = Clock::now() + kRunTime;
        // Weights: reads as often as a console polls, writes a little less, the agent's heartbeat now and then.
        std::discrete_distribution<int> pick({ 3, 3, 3, 2, 2, 2, 1, 2, 1, 1, 1 });
        for (int round = 0; round < kMaxRounds && Clock::now() < deadline; ++round) {
            switch (pick(random_)) {
            case 0: listDevices(); break;
            case 1: readPolicy(); break;
            case 2: writePolicy(round); break;
            case 3: listActivities(); break;
            case 4: run_.activities.size() < kMaxActivities ? createActivity(round) : deleteActivity(); break;
            case 5: run_.activities.empty() ? createActivity(round) : toggleActivity(); break;
            case 6: run_.activities.empty() ? createActivity(round) : deleteActivity(); break;
            case 7: renameDevice(round); break;
            case 8: grantBonus(round); break;
            case 9: readUsage(); break;
            case 10: heartbeat(); break;
            }
        }
    }

private:
    Reply call(const std::string& method, const std::string& path, const json& body = nullptr,
        const std::string& token = {}, bool timed = true)
    {
        httplib::Request request;
        request.method = method;
        request.path = path;
        if (const std::string& bearer = token.empty() ? run_.token : token; !bearer.empty())
            request.set_header("Authorization", "Bearer " + bearer);
        if (!body.is_null()) {
            request.set_header("Content-Type", "application/json");
            request.body = body.dump();
        }
        const auto started = Clock::now();
        const httplib::Result result = client_.send(request);
        const double elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        if (timed)
            run_.latenciesMs.push_back(elapsedMs);
        Reply reply;
        if (!result) {
            ++run_.transportFailures;
            run_.note(run_.refused,
                method + " " + path + ": " + httplib::to_string(result.error()) + " after "
                    + std::to_string(static_cast<int>(elapsedMs)) + " ms");
            return reply;
        }
        reply.status = result->status;
        reply.body = result->body;
        reply.value = json::parse(reply.body, nullptr, false);
        if (reply.status >= 500)
            ++run_.serverErrors;
        if (reply.status != 200)
            run_.note(run_.refused, method + " " + path + ": " + std::to_string(reply.status) + " " + reply.body);
        return reply;
    }

    std::string device(const std::string& suffix = {}) const { return "/api/v1/devices/" + run_.deviceId + suffix; }

    bool setUp()
    {
        const std::string id = std::to_string(index_);
        // Sign-up hashes the password on purpose slowly; it stays out of the figures for the mix.
        const Reply account = call("POST", "/api/v1/auth/register",
            { { "email", "load" + id + "@example.com" }, { "password", "correct horse " + id },
                { "name", "Parent " + id } },
            {}, false);
        if (account.status != 200 || !account.value.contains("access_token"))
            return false;
        run_.token = account.value["access_token"].get<std::string>();
        run_.deviceName = "Laptop " + id;
        const Reply enrolled
            = call("POST", "/api/v1/devices", { { "name", run_.deviceName }, { "child_name", "Child " + id } });
        if (enrolled.status != 200 || !enrolled.value.is_object())
            return false;
        run_.deviceId = enrolled.value.value("id", "");
        run_.agentToken = enrolled.value.value("api_token", "");
        const Reply policy = call("GET", device("/policy"));
        if (policy.status != 200)
            return false;
        run_.policy = policy.value;
        return true;
    }

    void listDevices()
    {
        const Reply reply = call("GET", "/api/v1/devices");
        if (reply.status != 200)
            return;
        for (const json& found : reply.value) {
            if (found.value("id", "") != run_.deviceId)
                run_.note(run_.foreign, "device list holds " + found.dump());
            else if (found.value("name", "") != run_.deviceName)
                run_.note(
                    run_.stale, "device listed as " + found.value("name", "") + ", last named " + run_.deviceName);
        }
        if (reply.value.size() != 1)
            run_.note(run_.stale, "device list of " + std::to_string(reply.value.size()) + " entries");
    }

    void readPolicy()
    {
        const Reply reply = call("GET", device("/policy"));
        if (reply.status == 200 && reply.value != run_.policy)
            run_.note(run_.stale, "policy reads " + reply.body + ", last written " + run_.policy.dump());
    }

    void writePolicy(int round)
    {
        // Together these values name the parent and the round, so a write landing elsewhere would show.
        const json changes = { { "screen_time_weekend_limit_minutes", index_ },
            { "screen_time_limit_minutes", round % 1441 }, { "screen_time_mon_minutes", round / 1441 },
            { "downtime_start", timeOfDay(index_ * 37 + round) }, { "screen_time_enabled", round % 2 == 0 } };
        json expected = run_.policy;
        expected.update(changes);
        const Reply reply = call("PUT", device("/policy"), changes);
        if (reply.status != 200)
            return;
        if (reply.value != expected)
            run_.note(run_.stale, "policy update echoed " + reply.body + ", expected " + expected.dump());
        run_.policy = std::move(expected);
    }

    void listActivities()
    {
        const Reply reply = call("GET", device("/activities"));
        if (reply.status != 200)
            return;
        std::set<std::string> seen;
        for (const json& found : reply.value) {
            const std::string id = found.value("id", "");
            seen.insert(id);
            const auto mine = run_.activities.find(id);
            if (mine != run_.activities.end()) {
                if (found != mine->second)
                    run_.note(run_.stale, "activity reads " + found.dump() + ", last written " + mine->second.dump());
            } else if (run_.deletedActivities.contains(id)) {
                run_.note(run_.stale, "deleted activity listed: " + found.dump());
            } else {
                run_.note(run_.foreign, "activity list holds " + found.dump());
            }
        }
        for (const auto& [id, activity] : run_.activities) {
            if (!seen.contains(id))
                run_.note(run_.stale, "activity missing: " + activity.dump());
        }
    }

    void createActivity(int round)
    {
        const json activity = { { "name", "Lesson " + std::to_string(index_) + "-" + std::to_string(round) },
            { "day_of_week", round % 7 }, { "start_time", timeOfDay(round % 1380) },
            { "end_time", timeOfDay(round % 1380 + 45) }, { "buffer_before_minutes", index_ % 30 },
            { "buffer_after_minutes", round % 30 }, { "enabled", true } };
        const Reply reply = call("POST", device("/activities"), activity);
        if (reply.status != 200)
            return;
        ++run_.created;
        json withoutId = reply.value;
        withoutId.erase("id");
        if (withoutId != activity)
            run_.note(run_.stale, "new activity echoed " + reply.body + ", sent " + activity.dump());
        run_.activities[reply.value.value("id", "")] = reply.value;
    }

    std::map<std::string, json>::iterator anyActivity()
    {
        auto it = run_.activities.begin();
        std::advance(it, std::uniform_int_distribution<size_t>(0, run_.activities.size() - 1)(random_));
        return it;
    }

    void toggleActivity()
    {
        const auto it = anyActivity();
        json expected = it->second;
        expected["enabled"] = !expected["enabled"].get<bool>();
        const Reply reply = call("PUT", device("/activities/" + it->first), { { "enabled", expected["enabled"] } });
        if (reply.status != 200)
            return;
        if (reply.value != expected)
            run_.note(run_.stale, "activity update echoed " + reply.body + ", expected " + expected.dump());
        it->second = std::move(expected);
    }

    void deleteActivity()
    {
        const auto it = anyActivity();
        const Reply reply = call("DELETE", device("/activities/" + it->first));
        if (reply.status != 200)
            return;
        ++run_.deleted;
        run_.deletedActivities.insert(it->first);
        run_.activities.erase(it);
    }

    void renameDevice(int round)
    {
        const std::string name = "Laptop " + std::to_string(index_) + "-" + std::to_string(round);
        const Reply reply = call("PATCH", device(), { { "name", name } });
        if (reply.status != 200)
            return;
        if (reply.value.value("id", "") != run_.deviceId || reply.value.value("name", "") != name)
            run_.note(run_.stale, "rename echoed " + reply.body + ", sent " + name);
        run_.deviceName = name;
    }

    void grantBonus(int round)
    {
        const Reply reply = call("POST", device("/grant-bonus"), { { "minutes", 1 + round % 240 } });
        if (reply.status != 200)
            return;
        // Every grant extends the last one, so the end can only move on; ISO moments in UTC sort as text.
        const std::string until = reply.value.value("bonus_until", "");
        if (until <= run_.bonusUntil)
            run_.note(run_.stale, "bonus now ends " + until + ", before " + run_.bonusUntil);
        run_.bonusUntil = until;
    }

    void readUsage()
    {
        const Reply reply = call("GET", device("/usage?days=7"));
        if (reply.status != 200)
            return;
        // Summed over the week, the total stays right even when midnight passes during the run.
        double total = 0;
        for (const json& day : reply.value)
            total += day.value("total_minutes", 0.0);
        if (reply.value.size() != 7 || total != run_.usageMinutesSent)
            run_.note(run_.stale,
                "usage reads " + reply.body + ", " + std::to_string(run_.usageMinutesSent) + " minutes reported");
    }

    void heartbeat()
    {
        const Reply reply = call(
            "POST", "/api/v1/agent/heartbeat", { { "agent_version", "1.0" }, { "minutes_used", 1 } }, run_.agentToken);
        if (reply.status == 200)
            ++run_.usageMinutesSent;
    }

    httplib::Client client_;
    const int index_;
    ParentRun& run_;
    std::mt19937 random_;
};

double percentile(const std::vector<double>& sorted, double fraction)
{
    if (sorted.empty())
        return 0;
    return sorted[std::min(sorted.size() - 1, static_cast<size_t>(fraction * static_cast<double>(sorted.size())))];
}

QByteArray joined(const std::vector<ParentRun>& runs, std::vector<std::string> ParentRun::*list)
{
    QByteArray text;
    for (size_t i = 0; i < runs.size(); ++i) {
        for (const std::string& fault : runs[i].*list)
            text += "\n  parent " + QByteArray::number(qsizetype(i)) + ": " + QByteArray::fromStdString(fault);
    }
    return text;
}

} // namespace

class LoadTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(service.start(), qPrintable(service.error()));
        runs.resize(kParents);
        const auto started = Clock::now();
        std::latch allSignedUp(kParents + 1);
        std::vector<std::thread> threads;
        for (int i = 0; i < kParents; ++i)
            threads.emplace_back([&, i] {
                try {
                    Parent(service.baseUrl(), i, runs[i]).work(allSignedUp);
                } catch (const std::exception& error) {
                    runs[i].note(runs[i].stale, std::string("stopped on an unreadable answer: ") + error.what());
                }
            });
        allSignedUp.arrive_and_wait();
        const auto mixStarted = Clock::now();
        for (std::thread& thread : threads)
            thread.join();
        const double signUpSeconds = std::chrono::duration<double>(mixStarted - started).count();
        const double seconds = std::chrono::duration<double>(Clock::now() - mixStarted).count();

        std::vector<double> latencies;
        for (const ParentRun& run : runs)
            latencies.insert(latencies.end(), run.latenciesMs.begin(), run.latenciesMs.end());
        std::sort(latencies.begin(), latencies.end());
        qInfo("%d parents signed up in %.2f s, then %zu requests in %.1f s (%.0f/s); "
              "latency ms p50 %.2f, p95 %.2f, p99 %.2f, max %.2f",
            kParents, signUpSeconds, latencies.size(), seconds, double(latencies.size()) / seconds,
            percentile(latencies, 0.50), percentile(latencies, 0.95), percentile(latencies, 0.99),
            latencies.empty() ? 0.0 : latencies.back());
    }

    void everyAnswerSucceeds()
    {
        int serverErrors = 0;
        int transportFailures = 0;
        for (const ParentRun& run : runs) {
            serverErrors += run.serverErrors;
            transportFailures += run.transportFailures;
            QVERIFY2(!run.deviceId.empty(),
                ("a parent could not sign up and enrol a device" + joined(runs, &ParentRun::refused)).constData());
        }
        QVERIFY2(joined(runs, &ParentRun::refused).isEmpty(), joined(runs, &ParentRun::refused).constData());
        QCOMPARE(serverErrors, 0);
        QCOMPARE(transportFailures, 0);
    }

    void nobodySeesAnotherParentsData()
    {
        QVERIFY2(joined(runs, &ParentRun::foreign).isEmpty(), joined(runs, &ParentRun::foreign).constData());
    }

    void everyReadMatchesTheLastWrite()
    {
        QVERIFY2(joined(runs, &ParentRun::stale).isEmpty(), joined(runs, &ParentRun::stale).constData());
    }

    // Read once more when all is quiet, on fresh connections, against what each parent did.
    void everyParentsLastWritesAreKept()
    {
        for (const ParentRun& run : runs) {
            if (run.deviceId.empty())
                continue;
            const std::string path = "/api/v1/devices/" + run.deviceId;
            QCOMPARE(service.get(path, run.token).value.value("name", ""), run.deviceName);
            QCOMPARE(service.get(path + "/policy", run.token).value, run.policy);
            const Reply activities = service.get(path + "/activities", run.token);
            QCOMPARE(activities.value.size(), size_t(run.created - run.deleted));
            for (const json& activity : activities.value) {
                const auto mine = run.activities.find(activity.value("id", ""));
                QVERIFY2(mine != run.activities.end(), activity.dump().c_str());
                QCOMPARE(activity, mine->second);
            }
        }
    }

    // After the load, the service still stops cleanly on SIGTERM.
    void cleanupTestCase() { QCOMPARE(service.stop(), 0); }

private:
    LiveService service;
    std::vector<ParentRun> runs;
};

QTEST_GUILESS_MAIN(LoadTest)
#include "tst_service_load.moc"
