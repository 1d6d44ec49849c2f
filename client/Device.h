#pragma once

#include <QDebug>
#include <QString>
#include <nlohmann/json.hpp>
#include <optional>

// One enrolled child computer, as the service returns it.
// (Every record member has an initialiser, even an empty one, so that
// designated initialisation of a few fields stays free of warnings.)
struct Device
{
    QString id{};
    QString name{};
    QString childName{};
    std::optional<QString> apiToken{};      // carried by the create answer
    std::optional<QString> sharedSecret{};  // hexadecimal, for unlock codes
    std::optional<QString> agentVersion{};
    std::optional<QString> lastSeen{};  // moment text
    std::optional<QString> createdAt{};  // moment text
    std::optional<QString> bonusUntil{};  // moment text

    bool operator==(const Device&) const = default;
    static Device fromJson(const nlohmann::json& json);

    // The age of lastSeen against Clock: "never", "just now", "N min ago",
    // "N hr ago" or "N days ago". Computed on every call.
    QString lastSeenText() const;
};

// Body of the create operation; both keys always written.
struct CreateDeviceRequest
{
    QString name{};
    QString childName{};

    bool operator==(const CreateDeviceRequest&) const = default;
    nlohmann::ordered_json toJson() const;
};

// Body of the rename operation; absent fields are left out, never null.
struct DeviceUpdateRequest
{
    std::optional<QString> name{};
    std::optional<QString> childName{};

    bool operator==(const DeviceUpdateRequest&) const = default;
    nlohmann::ordered_json toJson() const;
};

// Tokens and secrets print as their length only.
QDebug operator<<(QDebug dbg, const Device& device);
QDebug operator<<(QDebug dbg, const CreateDeviceRequest& request);
QDebug operator<<(QDebug dbg, const DeviceUpdateRequest& request);
