#include "Database.h"

#include <algorithm>
#include <map>
#include <type_traits>

namespace {

constexpr int kSchemaVersion = 1;

constexpr const char* kDeviceColumns
    = "id, name, child_name, api_token, shared_secret, agent_version, last_seen, created_at, bonus_until";

Device readDevice(const SqliteStatement& row)
{
    Device device;
    device.id = row.text(0);
    device.name = row.text(1);
    device.childName = row.text(2);
    device.apiToken = row.text(3);
    device.sharedSecret = row.text(4);
    device.agentVersion = row.optionalText(5);
    device.lastSeenMillis = row.optionalInteger(6);
    device.createdAtMillis = row.integer(7);
    device.bonusUntilMillis = row.optionalInteger(8);
    return device;
}

constexpr const char* kActivityColumns
    = "id, name, day_of_week, start_time, end_time, buffer_before_minutes, buffer_after_minutes, enabled";

Activity readActivity(const SqliteStatement& row)
{
    Activity activity;
    activity.id = row.text(0);
    activity.name = row.text(1);
    activity.dayOfWeek = row.integer(2);
    activity.startTime = row.text(3);
    activity.endTime = row.text(4);
    activity.bufferBeforeMinutes = row.integer(5);
    activity.bufferAfterMinutes = row.integer(6);
    activity.enabled = row.integer(7) != 0;
    return activity;
}

std::string policyColumnList()
{
    std::string list;
    for (const PolicyField& field : kPolicyFields) {
        if (!list.empty())
            list += ", ";
        list += field.key;
    }
    return list;
}

std::string policyColumnDefinitions()
{
    std::string definitions;
    for (const PolicyField& field : kPolicyFields) {
        definitions += ",\n    ";
        definitions += field.key;
        std::visit(
            [&](auto member) {
                using Value = std::remove_reference_t<decltype(std::declval<Policy&>().*member)>;
                if constexpr (std::is_same_v<Value, bool> || std::is_same_v<Value, int64_t>)
                    definitions += " INTEGER NOT NULL";
                else if constexpr (std::is_same_v<Value, std::string>)
                    definitions += " TEXT NOT NULL";
                else if constexpr (std::is_same_v<Value, std::optional<std::string>>)
                    definitions += " TEXT";
                else
                    definitions += " INTEGER";
            },
            field.member);
    }
    return definitions;
}

} // namespace

Database::Database(const std::string& path)
    : db_(path)
{
    db_.execute("PRAGMA foreign_keys = ON");
    db_.execute("PRAGMA busy_timeout = 5000");
    if (path != ":memory:") {
        db_.execute("PRAGMA journal_mode = WAL");
        db_.execute("PRAGMA synchronous = NORMAL");
    }
    createSchema();
}

void Database::createSchema()
{
    SqliteStatement version(db_, "PRAGMA user_version");
    version.step();
    const int64_t found = version.integer(0);
    if (found > kSchemaVersion)
        throw SqliteError("the database was written by a newer lumaro-service");
    if (found == kSchemaVersion)
        return;

    SqliteTransaction transaction(db_);
    db_.execute(R"(
CREATE TABLE accounts (
    id TEXT PRIMARY KEY,
    email TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL,
    password_hash TEXT NOT NULL,
    created_at INTEGER NOT NULL
);
CREATE TABLE sessions (
    token_hash TEXT PRIMARY KEY,
    account_id TEXT NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    created_at INTEGER NOT NULL
);
CREATE TABLE devices (
    id TEXT PRIMARY KEY,
    account_id TEXT NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    child_name TEXT NOT NULL,
    api_token TEXT NOT NULL,
    api_token_hash TEXT NOT NULL UNIQUE,
    shared_secret TEXT NOT NULL,
    agent_version TEXT,
    last_seen INTEGER,
    created_at INTEGER NOT NULL,
    bonus_until INTEGER
);
CREATE INDEX devices_by_account ON devices(account_id);
CREATE TABLE activities (
    id TEXT PRIMARY KEY,
    device_id TEXT NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    day_of_week INTEGER NOT NULL,
    start_time TEXT NOT NULL,
    end_time TEXT NOT NULL,
    buffer_before_minutes INTEGER NOT NULL,
    buffer_after_minutes INTEGER NOT NULL,
    enabled INTEGER NOT NULL
);
CREATE INDEX activities_by_device ON activities(device_id, day_of_week, start_time);
CREATE TABLE usage (
    device_id TEXT NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
    day TEXT NOT NULL,
    minutes REAL NOT NULL,
    PRIMARY KEY (device_id, day)
) WITHOUT ROWID;
CREATE TABLE settings (
    key TEXT PRIMARY KEY,
    value TEXT NOT NULL
);
)");
    db_.execute("CREATE TABLE policies (\n    device_id TEXT PRIMARY KEY REFERENCES devices(id) ON DELETE CASCADE"
                + policyColumnDefinitions() + "\n)");
    db_.execute("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    transaction.commit();
}

bool Database::createAccount(const Account& account, const std::string& passwordHash, int64_t nowMillis)
{
    std::lock_guard lock(mutex_);
    SqliteStatement taken(db_, "SELECT 1 FROM accounts WHERE email = ?");
    taken.bindText(1, account.email);
    if (taken.step())
        return false;
    SqliteStatement insert(db_,
                           "INSERT INTO accounts (id, email, name, password_hash, created_at) VALUES (?, ?, ?, ?, ?)");
    insert.bindText(1, account.id)
        .bindText(2, account.email)
        .bindText(3, account.name)
        .bindText(4, passwordHash)
        .bindInt(5, nowMillis);
    insert.run();
    return true;
}

std::optional<Database::StoredCredential> Database::findCredential(const std::string& email)
{
    std::lock_guard lock(mutex_);
    SqliteStatement select(db_, "SELECT id, email, name, password_hash FROM accounts WHERE email = ?");
    select.bindText(1, email);
    if (!select.step())
        return std::nullopt;
    return StoredCredential { { select.text(0), select.text(1), select.text(2) }, select.text(3) };
}

void Database::addSession(const std::string& tokenHash, const std::string& accountId, int64_t nowMillis)
{
    std::lock_guard lock(mutex_);
    SqliteStatement insert(db_, "INSERT INTO sessions (token_hash, account_id, created_at) VALUES (?, ?, ?)");
    insert.bindText(1, tokenHash).bindText(2, accountId).bindInt(3, nowMillis);
    insert.run();
}

std::optional<Account> Database::accountForSession(const std::string& tokenHash)
{
    std::lock_guard lock(mutex_);
    SqliteStatement select(db_, "SELECT a.id, a.email, a.name FROM sessions s JOIN accounts a ON a.id = s.account_id "
                                "WHERE s.token_hash = ?");
    select.bindText(1, tokenHash);
    if (!select.step())
        return std::nullopt;
    return Account { select.text(0), select.text(1), select.text(2) };
}

std::vector<Device> Database::listDevices(const std::string& accountId)
{
    std::lock_guard lock(mutex_);
    SqliteStatement select(db_, std::string("SELECT ") + kDeviceColumns
                                    + " FROM devices WHERE account_id = ? ORDER BY rowid");
    select.bindText(1, accountId);
    std::vector<Device> devices;
    while (select.step())
        devices.push_back(readDevice(select));
    return devices;
}

void Database::insertDevice(const std::string& accountId, const Device& device, const std::string& apiTokenHash)
{
    std::lock_guard lock(mutex_);
    SqliteTransaction transaction(db_);
    SqliteStatement insert(db_, "INSERT INTO devices (id, account_id, name, child_name, api_token, api_token_hash, "
                                "shared_secret, agent_version, last_seen, created_at, bonus_until) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.bindText(1, device.id)
        .bindText(2, accountId)
        .bindText(3, device.name)
        .bindText(4, device.childName)
        .bindText(5, device.apiToken)
        .bindText(6, apiTokenHash)
        .bindText(7, device.sharedSecret)
        .bindText(8, device.agentVersion)
        .bindInt(9, device.lastSeenMillis)
        .bindInt(10, device.createdAtMillis)
        .bindInt(11, device.bonusUntilMillis);
    insert.run();
    storePolicy(device.id, Policy {}, true);
    transaction.commit();
}

std::optional<Device> Database::findDevice(const std::string& accountId, const std::string& deviceId)
{
    std::lock_guard lock(mutex_);
    return loadDevice(accountId, deviceId);
}

std::optional<Device> Database::updateDevice(const std::string& accountId, const std::string& deviceId,
                                             const DevicePatch& patch)
{
    std::lock_guard lock(mutex_);
    SqliteStatement update(db_, "UPDATE devices SET name = coalesce(?, name), child_name = coalesce(?, child_name) "
                                "WHERE id = ? AND account_id = ?");
    update.bindText(1, patch.name).bindText(2, patch.childName).bindText(3, deviceId).bindText(4, accountId);
    update.run();
    return loadDevice(accountId, deviceId);
}

bool Database::deleteDevice(const std::string& accountId, const std::string& deviceId)
{
    std::lock_guard lock(mutex_);
    // The policy, activities and usage go with it through ON DELETE CASCADE.
    SqliteStatement remove(db_, "DELETE FROM devices WHERE id = ? AND account_id = ?");
    remove.bindText(1, deviceId).bindText(2, accountId);
    remove.run();
    return db_.changes() > 0;
}

std::optional<int64_t> Database::grantBonus(const std::string& accountId, const std::string& deviceId,
                                            int64_t minutes, int64_t nowMillis)
{
    std::lock_guard lock(mutex_);
    auto device = loadDevice(accountId, deviceId);
    if (!device)
        return std::nullopt;
    const int64_t from = std::max(nowMillis, device->bonusUntilMillis.value_or(nowMillis));
    const int64_t until = from + minutes * 60'000;
    SqliteStatement update(db_, "UPDATE devices SET bonus_until = ? WHERE id = ?");
    update.bindInt(1, until).bindText(2, deviceId);
    update.run();
    return until;
}

std::optional<std::string> Database::deviceForAgentToken(const std::string& apiTokenHash)
{
    std::lock_guard lock(mutex_);
    SqliteStatement select(db_, "SELECT id FROM devices WHERE api_token_hash = ?");
    select.bindText(1, apiTokenHash);
    if (!select.step())
        return std::nullopt;
    return select.text(0);
}

bool Database::recordHeartbeat(const std::string& deviceId, const std::string& agentVersion, double minutesUsed,
                               const std::string& day, int64_t nowMillis)
{
    std::lock_guard lock(mutex_);
    SqliteTransaction transaction(db_);
    SqliteStatement update(db_, "UPDATE devices SET last_seen = ?, agent_version = ? WHERE id = ?");
    update.bindInt(1, nowMillis).bindText(2, agentVersion).bindText(3, deviceId);
    update.run();
    if (db_.changes() == 0)
        return false;
    if (minutesUsed > 0) {
        SqliteStatement add(db_, "INSERT INTO usage (device_id, day, minutes) VALUES (?, ?, ?) "
                                 "ON CONFLICT (device_id, day) DO UPDATE SET minutes = minutes + excluded.minutes");
        add.bindText(1, deviceId).bindText(2, day).bindReal(3, minutesUsed);
        add.run();
    }
    transaction.commit();
    return true;
}

bool Database::touchDevice(const std::string& deviceId, int64_t lastSeenMillis)
{
    std::lock_guard lock(mutex_);
    SqliteStatement update(db_, "UPDATE devices SET last_seen = ? WHERE id = ?");
    update.bindInt(1, lastSeenMillis).bindText(2, deviceId);
    update.run();
    return db_.changes() > 0;
}

void Database::setUsage(const std::string& deviceId, const std::string& day, double minutes)
{
    std::lock_guard lock(mutex_);
    SqliteStatement upsert(db_, "INSERT INTO usage (device_id, day, minutes) VALUES (?, ?, ?) "
                                "ON CONFLICT (device_id, day) DO UPDATE SET minutes = excluded.minutes");
    upsert.bindText(1, deviceId).bindText(2, day).bindReal(3, minutes);
    upsert.run();
}

std::optional<Policy> Database::policy(const std::string& accountId, const std::string& deviceId)
{
    std::lock_guard lock(mutex_);
    if (!ownsDevice(accountId, deviceId))
        return std::nullopt;
    return loadPolicy(deviceId);
}

std::optional<Policy> Database::updatePolicy(const std::string& accountId, const std::string& deviceId,
                                             const PolicyPatch& patch)
{
    std::lock_guard lock(mutex_);
    if (!ownsDevice(accountId, deviceId))
        return std::nullopt;
    auto policy = loadPolicy(deviceId);
    if (!policy)
        return std::nullopt;
    applyPatch(patch, *policy);
    storePolicy(deviceId, *policy, false);
    return policy;
}

std::optional<std::vector<Activity>> Database::activities(const std::string& accountId, const std::string& deviceId)
{
    std::lock_guard lock(mutex_);
    if (!ownsDevice(accountId, deviceId))
        return std::nullopt;
    // "HH:MM" sorts as text in time order; rowid keeps creation order among equals.
    SqliteStatement select(db_, std::string("SELECT ") + kActivityColumns
                                    + " FROM activities WHERE device_id = ? ORDER BY day_of_week, start_time, rowid");
    select.bindText(1, deviceId);
    std::vector<Activity> list;
    while (select.step())
        list.push_back(readActivity(select));
    return list;
}

std::optional<Activity> Database::insertActivity(const std::string& accountId, const std::string& deviceId,
                                                 const Activity& activity)
{
    std::lock_guard lock(mutex_);
    if (!ownsDevice(accountId, deviceId))
        return std::nullopt;
    SqliteStatement insert(db_, "INSERT INTO activities (id, device_id, name, day_of_week, start_time, end_time, "
                                "buffer_before_minutes, buffer_after_minutes, enabled) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.bindText(1, activity.id)
        .bindText(2, deviceId)
        .bindText(3, activity.name)
        .bindInt(4, activity.dayOfWeek)
        .bindText(5, activity.startTime)
        .bindText(6, activity.endTime)
        .bindInt(7, activity.bufferBeforeMinutes)
        .bindInt(8, activity.bufferAfterMinutes)
        .bindInt(9, activity.enabled ? 1 : 0);
    insert.run();
    return activity;
}

std::optional<Activity> Database::updateActivity(const std::string& accountId, const std::string& deviceId,
                                                 const std::string& activityId, const ActivityPatch& patch)
{
    std::lock_guard lock(mutex_);
    if (!ownsDevice(accountId, deviceId))
        return std::nullopt;
    auto activity = loadActivity(deviceId, activityId);
    if (!activity)
        return std::nullopt;
    applyPatch(patch, *activity);
    SqliteStatement update(db_, "UPDATE activities SET name = ?, day_of_week = ?, start_time = ?, end_time = ?, "
                                "buffer_before_minutes = ?, buffer_after_minutes = ?, enabled = ? "
                                "WHERE id = ? AND device_id = ?");
    update.bindText(1, activity->name)
        .bindInt(2, activity->dayOfWeek)
        .bindText(3, activity->startTime)
        .bindText(4, activity->endTime)
        .bindInt(5, activity->bufferBeforeMinutes)
        .bindInt(6, activity->bufferAfterMinutes)
        .bindInt(7, activity->enabled ? 1 : 0)
        .bindText(8, activityId)
        .bindText(9, deviceId);
    update.run();
    return activity;
}

bool Database::deleteActivity(const std::string& accountId, const std::string& deviceId,
                              const std::string& activityId)
{
    std::lock_guard lock(mutex_);
    if (!ownsDevice(accountId, deviceId))
        return false;
    SqliteStatement remove(db_, "DELETE FROM activities WHERE id = ? AND device_id = ?");
    remove.bindText(1, activityId).bindText(2, deviceId);
    remove.run();
    return db_.changes() > 0;
}

std::optional<std::vector<UsageDay>> Database::usage(const std::string& accountId, const std::string& deviceId,
                                                     const std::vector<std::string>& days)
{
    std::lock_guard lock(mutex_);
    if (!ownsDevice(accountId, deviceId))
        return std::nullopt;
    std::map<std::string, double> minutesByDay;
    if (!days.empty()) {
        const auto [oldest, newest] = std::minmax_element(days.begin(), days.end());
        SqliteStatement select(db_, "SELECT day, minutes FROM usage WHERE device_id = ? AND day BETWEEN ? AND ?");
        select.bindText(1, deviceId).bindText(2, *oldest).bindText(3, *newest);
        while (select.step())
            minutesByDay[select.text(0)] = select.real(1);
    }
    std::vector<UsageDay> list;
    list.reserve(days.size());
    for (const std::string& day : days) {
        const auto found = minutesByDay.find(day);
        list.push_back({ day, found == minutesByDay.end() ? 0.0 : found->second });
    }
    return list;
}

std::optional<std::string> Database::setting(const std::string& key)
{
    std::lock_guard lock(mutex_);
    SqliteStatement select(db_, "SELECT value FROM settings WHERE key = ?");
    select.bindText(1, key);
    if (!select.step())
        return std::nullopt;
    return select.text(0);
}

void Database::setSetting(const std::string& key, const std::string& value)
{
    std::lock_guard lock(mutex_);
    SqliteStatement upsert(db_, "INSERT INTO settings (key, value) VALUES (?, ?) "
                                "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
    upsert.bindText(1, key).bindText(2, value);
    upsert.run();
}

bool Database::ownsDevice(const std::string& accountId, const std::string& deviceId)
{
    SqliteStatement select(db_, "SELECT 1 FROM devices WHERE id = ? AND account_id = ?");
    select.bindText(1, deviceId).bindText(2, accountId);
    return select.step();
}

std::optional<Device> Database::loadDevice(const std::string& accountId, const std::string& deviceId)
{
    SqliteStatement select(db_, std::string("SELECT ") + kDeviceColumns + " FROM devices WHERE id = ? AND account_id = ?");
    select.bindText(1, deviceId).bindText(2, accountId);
    if (!select.step())
        return std::nullopt;
    return readDevice(select);
}

std::optional<Policy> Database::loadPolicy(const std::string& deviceId)
{
    static const std::string sql = "SELECT " + policyColumnList() + " FROM policies WHERE device_id = ?";
    SqliteStatement select(db_, sql);
    select.bindText(1, deviceId);
    if (!select.step())
        return std::nullopt;
    Policy policy;
    int column = 0;
    for (const PolicyField& field : kPolicyFields) {
        std::visit(
            [&](auto member) {
                auto& value = policy.*member;
                using Value = std::remove_reference_t<decltype(value)>;
                if constexpr (std::is_same_v<Value, bool>)
                    value = select.integer(column) != 0;
                else if constexpr (std::is_same_v<Value, int64_t>)
                    value = select.integer(column);
                else if constexpr (std::is_same_v<Value, std::string>)
                    value = select.text(column);
                else if constexpr (std::is_same_v<Value, std::optional<std::string>>)
                    value = select.optionalText(column);
                else
                    value = select.optionalInteger(column);
            },
            field.member);
        ++column;
    }
    return policy;
}

void Database::storePolicy(const std::string& deviceId, const Policy& policy, bool insert)
{
    static const std::string insertSql = [] {
        std::string places;
        for (size_t i = 0; i < kPolicyFields.size(); ++i)
            places += ", ?";
        return "INSERT INTO policies (" + policyColumnList() + ", device_id) VALUES (" + places.substr(2) + ", ?)";
    }();
    static const std::string updateSql = [] {
        std::string assignments;
        for (const PolicyField& field : kPolicyFields)
            assignments += std::string(assignments.empty() ? "" : ", ") + std::string(field.key) + " = ?";
        return "UPDATE policies SET " + assignments + " WHERE device_id = ?";
    }();
    SqliteStatement statement(db_, insert ? insertSql : updateSql);
    int index = 1;
    for (const PolicyField& field : kPolicyFields) {
        std::visit(
            [&](auto member) {
                const auto& value = policy.*member;
                using Value = std::remove_cvref_t<decltype(value)>;
                if constexpr (std::is_same_v<Value, bool>)
                    statement.bindInt(index, value ? 1 : 0);
                else if constexpr (std::is_same_v<Value, int64_t> || std::is_same_v<Value, std::optional<int64_t>>)
                    statement.bindInt(index, value);
                else
                    statement.bindText(index, value);
            },
            field.member);
        ++index;
    }
    statement.bindText(index, deviceId);
    statement.run();
}

std::optional<Activity> Database::loadActivity(const std::string& deviceId, const std::string& activityId)
{
    SqliteStatement select(db_, std::string("SELECT ") + kActivityColumns
                                    + " FROM activities WHERE id = ? AND device_id = ?");
    select.bindText(1, activityId).bindText(2, deviceId);
    if (!select.step())
        return std::nullopt;
    return readActivity(select);
}
