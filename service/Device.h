#pragma once

#include "Validation.h"

#include <cstdint>
#include <optional>
#include <string>

struct Device {
    std::string id;
    std::string name;
    std::string childName;
    std::string apiToken;
    std::string sharedSecret;
    std::optional<std::string> agentVersion;
    std::optional<int64_t> lastSeenMillis;
    int64_t createdAtMillis = 0;
    std::optional<int64_t> bonusUntilMillis;
};

Json toJson(const Device& device);

// A new device with a fresh id, agent token (256 bits) and unlock-code secret (40 hex digits).
Device makeDevice(std::string name, std::string childName, int64_t createdAtMillis);

// POST /api/v1/devices: both names required and non-empty.
struct NewDevice {
    std::string name;
    std::string childName;
};
NewDevice readNewDevice(const Json& body);

// PATCH /api/v1/devices/{id}: only the keys present change; a present key must be a non-empty string.
struct DevicePatch {
    std::optional<std::string> name;
    std::optional<std::string> childName;
};
DevicePatch readDevicePatch(const Json& body);

// POST /api/v1/agent/heartbeat, sent by the agent with the device's own token.
struct Heartbeat {
    std::string agentVersion;
    double minutesUsed = 0;
};
Heartbeat readHeartbeat(const Json& body);

// POST /api/v1/devices/{id}/grant-bonus: {"minutes": 1..240}.
int64_t readBonusMinutes(const Json& body);
