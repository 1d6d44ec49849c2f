#include "Device.h"

#include "Clock.h"
#include "JsonRead.h"
#include "Moment.h"

Device Device::fromJson(const nlohmann::json& json)
{
    requireObject(json);
    return {
        .id = requiredString(json, "id"),
        .name = requiredString(json, "name"),
        .childName = requiredString(json, "child_name"),
        .apiToken = optionalString(json, "api_token"),
        .sharedSecret = optionalString(json, "shared_secret"),
        .agentVersion = optionalString(json, "agent_version"),
        .lastSeen = optionalString(json, "last_seen"),
        .createdAt = optionalString(json, "created_at"),
        .bonusUntil = optionalString(json, "bonus_until"),
    };
}

QString Device::lastSeenText() const
{
    if (!lastSeen)
        return QStringLiteral("never");
    const auto moment = parseMoment(*lastSeen);
    if (!moment)
        return QStringLiteral("never");
    // Whole milliseconds keep the bounds exact; a future moment is negative.
    const qint64 ageMs = Clock::nowMSecs() - moment->toMSecsSinceEpoch();
    constexpr qint64 minute = 60'000, hour = 3'600'000, day = 86'400'000;
    if (ageMs < 2 * minute)
        return QStringLiteral("just now");
    if (ageMs < hour)
        return QString::number(ageMs / minute) + QStringLiteral(" min ago");
    if (ageMs < day)
        return QString::number(ageMs / hour) + QStringLiteral(" hr ago");
    return QString::number(ageMs / day) + QStringLiteral(" days ago");
}

nlohmann::ordered_json CreateDeviceRequest::toJson() const
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["name"] = name.toStdString();
    json["child_name"] = childName.toStdString();
    return json;
}

nlohmann::ordered_json DeviceUpdateRequest::toJson() const
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    if (name)
        json["name"] = name->toStdString();
    if (childName)
        json["child_name"] = childName->toStdString();
    return json;
}

namespace {

struct Secret
{
    const std::optional<QString>& value;
};

QDebug operator<<(QDebug dbg, const Secret& secret)
{
    if (secret.value)
        dbg << "<" << secret.value->size() << " characters>";
    else
        dbg << "none";
    return dbg;
}

}  // namespace

QDebug operator<<(QDebug dbg, const Device& device)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace() << "Device(id=" << device.id << ", name=" << device.name
                  << ", childName=" << device.childName
                  << ", apiToken=" << Secret{device.apiToken}
                  << ", sharedSecret=" << Secret{device.sharedSecret}
                  << ", agentVersion=" << DebugOptional{device.agentVersion}
                  << ", lastSeen=" << DebugOptional{device.lastSeen}
                  << ", createdAt=" << DebugOptional{device.createdAt}
                  << ", bonusUntil=" << DebugOptional{device.bonusUntil} << ")";
    return dbg;
}

QDebug operator<<(QDebug dbg, const CreateDeviceRequest& request)
{
    return printJson(dbg, "CreateDeviceRequest", request.toJson());
}

QDebug operator<<(QDebug dbg, const DeviceUpdateRequest& request)
{
    return printJson(dbg, "DeviceUpdateRequest", request.toJson());
}
