#include "Demo.h"

#include "Crypto.h"
#include "Moments.h"

#include <array>

namespace {

constexpr const char* kOnlineDeviceSetting = "demo_online_device";
constexpr int64_t kMinute = 60'000;
constexpr int64_t kHour = 60 * kMinute;
constexpr int64_t kDay = 24 * kHour;

Device addDevice(Database& db, const std::string& accountId, const char* name, const char* childName,
                 int64_t createdAtMillis)
{
    Device device = makeDevice(name, childName, createdAtMillis);
    db.insertDevice(accountId, device, sha256Hex(device.apiToken));
    return device;
}

void addActivity(Database& db, const std::string& accountId, const std::string& deviceId, Json fields)
{
    Activity activity = readNewActivity(fields);
    activity.id = randomId();
    db.insertActivity(accountId, deviceId, activity);
}

} // namespace

std::optional<std::string> seedDemoData(Database& db, int64_t nowMillis)
{
    if (db.findCredential(demoEmail))
        return db.setting(kOnlineDeviceSetting);

    const Account parent { randomId(), demoEmail, "Robin Parker" };
    if (!db.createAccount(parent, hashPassword(demoPassword), nowMillis - 30 * kDay))
        return std::nullopt;

    const Device alex = addDevice(db, parent.id, "Alex's MacBook", "Alex", nowMillis - 21 * kDay);
    db.recordHeartbeat(alex.id, "1.4.2", 0, localDay(nowMillis), nowMillis);
    db.updatePolicy(parent.id, alex.id,
                    readPolicyPatch({
                        { "screen_time_weekend_limit_minutes", 180 },
                        { "screen_time_wed_minutes", 90 },
                        { "downtime_weekend_start", "22:30" },
                        { "downtime_weekend_end", "08:30" },
                    }));
    addActivity(db, parent.id, alex.id,
                { { "name", "Piano" }, { "day_of_week", 0 }, { "start_time", "16:00" }, { "end_time", "17:00" },
                  { "buffer_before_minutes", 5 }, { "buffer_after_minutes", 5 }, { "enabled", true } });
    addActivity(db, parent.id, alex.id,
                { { "name", "Homework" }, { "day_of_week", 2 }, { "start_time", "15:30" }, { "end_time", "16:30" },
                  { "buffer_before_minutes", 10 }, { "buffer_after_minutes", 0 }, { "enabled", true } });
    addActivity(db, parent.id, alex.id,
                { { "name", "Football" }, { "day_of_week", 5 }, { "start_time", "10:00" }, { "end_time", "12:00" },
                  { "buffer_before_minutes", 15 }, { "buffer_after_minutes", 15 }, { "enabled", false } });
    // Today first; one day over the 120-minute limit.
    const std::array<double, 7> alexMinutes = { 63.5, 88, 104, 75, 131, 118, 96 };
    const auto days = localDaysEndingAt(nowMillis, static_cast<int>(alexMinutes.size()));
    for (size_t i = 0; i < days.size(); ++i)
        db.setUsage(alex.id, days[i], alexMinutes[i]);

    const Device sam = addDevice(db, parent.id, "Sam's iMac", "Sam", nowMillis - 9 * kDay);
    db.recordHeartbeat(sam.id, "1.3.0", 0, localDay(nowMillis), nowMillis - 3 * kHour);
    db.setUsage(sam.id, days[0], 12);
    db.setUsage(sam.id, days[1], 25);
    db.setUsage(sam.id, days[3], 8.5);

    db.setSetting(kOnlineDeviceSetting, alex.id);
    return alex.id;
}

DemoHeartbeat::DemoHeartbeat(Database& db, std::string deviceId, std::chrono::milliseconds interval)
    : db_(db)
    , deviceId_(std::move(deviceId))
    , interval_(interval)
    , thread_([this] { run(); })
{
}

DemoHeartbeat::~DemoHeartbeat()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DemoHeartbeat::run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        try {
            db_.touchDevice(deviceId_, nowMillis());
        } catch (const std::exception&) {
            // A busy or failing database misses one refresh; the next one follows.
        }
        wake_.wait_for(lock, interval_, [this] { return stopping_; });
    }
}
