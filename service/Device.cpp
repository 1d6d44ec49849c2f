#include "Device.h"

#include "Crypto.h"
#include "Moments.h"

namespace {

Json optionalMoment(const std::optional<int64_t>& millis)
{
    return millis ? Json(formatMoment(*millis, true)) : Json(nullptr);
}

} // namespace

Json toJson(const Device& device)
{
    return {
        { "id", device.id },
        { "name", device.name },
        { "child_name", device.childName },
        { "api_token", device.apiToken },
        { "shared_secret", device.sharedSecret },
        { "agent_version", device.agentVersion ? Json(*device.agentVersion) : Json(nullptr) },
        { "last_seen", optionalMoment(device.lastSeenMillis) },
        { "created_at", formatMoment(device.createdAtMillis, false) },
        { "bonus_until", optionalMoment(device.bonusUntilMillis) },
    };
}

Device makeDevice(std::string name, std::string childName, int64_t createdAtMillis)
{
    Device device;
    device.id = randomId();
    device.name = std::move(name);
    device.childName = std::move(childName);
    device.apiToken = randomHex(32);
    device.sharedSecret = randomHex(20);
    device.createdAtMillis = createdAtMillis;
    return device;
}

NewDevice readNewDevice(const Json& body)
{
    Problems problems;
    std::optional<std::string> name, childName;
    if (const Json* value = requireField(body, "name", problems))
        name = readString(*value, "name", problems, true);
    if (const Json* value = requireField(body, "child_name", problems))
        childName = readString(*value, "child_name", problems, true);
    problems.throwIfAny();
    return { std::move(*name), std::move(*childName) };
}

DevicePatch readDevicePatch(const Json& body)
{
    Problems problems;
    DevicePatch patch;
    if (const auto found = body.find("name"); found != body.end())
        patch.name = readString(*found, "name", problems, true);
    if (const auto found = body.find("child_name"); found != body.end())
        patch.childName = readString(*found, "child_name", problems, true);
    problems.throwIfAny();
    return patch;
}

Heartbeat readHeartbeat(const Json& body)
{
    Problems problems;
    Heartbeat heartbeat;
    if (const Json* value = requireField(body, "agent_version", problems)) {
        if (auto version = readString(*value, "agent_version", problems, false))
            heartbeat.agentVersion = std::move(*version);
    }
    // At most a day per report: a runaway agent cannot push a day's total to nonsense in one call.
    if (const auto found = body.find("minutes_used"); found != body.end() && !found->is_null()) {
        if (auto minutes = readNumber(*found, "minutes_used", 0, 1440, problems))
            heartbeat.minutesUsed = *minutes;
    }
    problems.throwIfAny();
    return heartbeat;
}

int64_t readBonusMinutes(const Json& body)
{
    Problems problems;
    std::optional<int64_t> minutes;
    if (const Json* value = requireField(body, "minutes", problems))
        minutes = readInteger(*value, "minutes", 1, 240, problems);
    problems.throwIfAny();
    return *minutes;
}
