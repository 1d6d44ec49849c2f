#pragma once

#include "Account.h"
#include "Activity.h"
#include "Device.h"
#include "Policy.h"
#include "Sqlite.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct UsageDay {
    std::string date;
    double totalMinutes = 0;
};

// Everything the service keeps. Every device operation names the account it acts
// for and finds nothing outside it, so one parent can never reach another's data.
//
// One connection behind one mutex: SQLite runs one writer at a time anyway and
// every operation here is short. The slow part of a sign-in (the password hash)
// is done by the caller, outside the lock.
class Database {
public:
    // A file path, or ":memory:" for a database that lives as long as the process.
    explicit Database(const std::string& path);

    // False when the e-mail is taken.
    bool createAccount(const Account& account, const std::string& passwordHash, int64_t nowMillis);
    struct StoredCredential {
        Account account;
        std::string passwordHash;
    };
    std::optional<StoredCredential> findCredential(const std::string& email);
    // Sign-in tokens are kept only as their SHA-256.
    void addSession(const std::string& tokenHash, const std::string& accountId, int64_t nowMillis);
    std::optional<Account> accountForSession(const std::string& tokenHash);

    std::vector<Device> listDevices(const std::string& accountId);
    // Stores the device with a default policy; `apiTokenHash` finds it again for the agent.
    void insertDevice(const std::string& accountId, const Device& device, const std::string& apiTokenHash);
    std::optional<Device> findDevice(const std::string& accountId, const std::string& deviceId);
    std::optional<Device> updateDevice(const std::string& accountId, const std::string& deviceId,
                                       const DevicePatch& patch);
    // Removes the device with its policy, activities and usage.
    bool deleteDevice(const std::string& accountId, const std::string& deviceId);
    // Extends the bonus from the later of now and the running bonus end; gives the new end.
    std::optional<int64_t> grantBonus(const std::string& accountId, const std::string& deviceId,
                                      int64_t minutes, int64_t nowMillis);

    // The agent's side, found by the hash of the device's own token.
    std::optional<std::string> deviceForAgentToken(const std::string& apiTokenHash);
    bool recordHeartbeat(const std::string& deviceId, const std::string& agentVersion, double minutesUsed,
                         const std::string& day, int64_t nowMillis);
    bool touchDevice(const std::string& deviceId, int64_t lastSeenMillis);
    void setUsage(const std::string& deviceId, const std::string& day, double minutes);

    std::optional<Policy> policy(const std::string& accountId, const std::string& deviceId);
    std::optional<Policy> updatePolicy(const std::string& accountId, const std::string& deviceId,
                                       const PolicyPatch& patch);

    std::optional<std::vector<Activity>> activities(const std::string& accountId, const std::string& deviceId);
    std::optional<Activity> insertActivity(const std::string& accountId, const std::string& deviceId,
                                           const Activity& activity);
    std::optional<Activity> updateActivity(const std::string& accountId, const std::string& deviceId,
                                           const std::string& activityId, const ActivityPatch& patch);
    bool deleteActivity(const std::string& accountId, const std::string& deviceId, const std::string& activityId);

    // Minutes of each given day, in the order given; a day without usage gives 0.
    std::optional<std::vector<UsageDay>> usage(const std::string& accountId, const std::string& deviceId,
                                               const std::vector<std::string>& days);

    std::optional<std::string> setting(const std::string& key);
    void setSetting(const std::string& key, const std::string& value);

private:
    void createSchema();
    bool ownsDevice(const std::string& accountId, const std::string& deviceId);
    std::optional<Device> loadDevice(const std::string& accountId, const std::string& deviceId);
    std::optional<Policy> loadPolicy(const std::string& deviceId);
    void storePolicy(const std::string& deviceId, const Policy& policy, bool insert);
    std::optional<Activity> loadActivity(const std::string& deviceId, const std::string& activityId);

    std::mutex mutex_;
    SqliteConnection db_;
};
