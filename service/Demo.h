#pragma once

#include "Database.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Public demo data: shown in --help and printed on start with --demo.
inline constexpr const char* demoEmail = "parent@example.com";
inline constexpr const char* demoPassword = "lumaro-demo";

// Adds the demo parent with Alex's and Sam's devices unless the account exists.
// Gives the id of the device to keep online, also when the data was there already.
std::optional<std::string> seedDemoData(Database& db, int64_t nowMillis);

// Keeps one device online while the service runs by refreshing its last_seen,
// well within the console's three-minute online window.
class DemoHeartbeat {
public:
    DemoHeartbeat(Database& db, std::string deviceId, std::chrono::milliseconds interval);
    ~DemoHeartbeat();
    DemoHeartbeat(const DemoHeartbeat&) = delete;
    DemoHeartbeat& operator=(const DemoHeartbeat&) = delete;

private:
    void run();

    Database& db_;
    const std::string deviceId_;
    const std::chrono::milliseconds interval_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
