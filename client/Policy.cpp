#include "Policy.h"

#include "JsonRead.h"

#include <QLatin1String>
#include <array>

namespace {

using K = CodingKeys;

constexpr std::array<const char*, 17> keyNames = {
    "downtime_enabled",
    "downtime_start",
    "downtime_end",
    "downtime_weekday_start",
    "downtime_weekday_end",
    "downtime_weekend_start",
    "downtime_weekend_end",
    "screen_time_enabled",
    "screen_time_limit_minutes",
    "screen_time_weekend_limit_minutes",
    "screen_time_mon_minutes",
    "screen_time_tue_minutes",
    "screen_time_wed_minutes",
    "screen_time_thu_minutes",
    "screen_time_fri_minutes",
    "screen_time_sat_minutes",
    "screen_time_sun_minutes",
};

// nullptr for a value outside the enumeration, which a cast from a bad day
// index can produce.
const char* keyName(CodingKeys key)
{
    const auto index = std::size_t(key);
    return index < keyNames.size() ? keyNames[index] : nullptr;
}

nlohmann::ordered_json toJsonValue(bool value) { return value; }
nlohmann::ordered_json toJsonValue(qint64 value) { return value; }
nlohmann::ordered_json toJsonValue(const QString& value) { return value.toStdString(); }

template<class T>
void put(nlohmann::ordered_json& json, CodingKeys key, const std::optional<T>& value)
{
    if (value)
        json[keyName(key)] = toJsonValue(*value);
}

// The seventeen value fields, present ones only, in key order.
nlohmann::ordered_json values(const PolicyUpdate& u)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    put(json, K::downtimeEnabled, u.downtimeEnabled);
    put(json, K::downtimeStart, u.downtimeStart);
    put(json, K::downtimeEnd, u.downtimeEnd);
    put(json, K::downtimeWeekdayStart, u.downtimeWeekdayStart);
    put(json, K::downtimeWeekdayEnd, u.downtimeWeekdayEnd);
    put(json, K::downtimeWeekendStart, u.downtimeWeekendStart);
    put(json, K::downtimeWeekendEnd, u.downtimeWeekendEnd);
    put(json, K::screenTimeEnabled, u.screenTimeEnabled);
    put(json, K::screenTimeLimitMinutes, u.screenTimeLimitMinutes);
    put(json, K::screenTimeWeekendLimitMinutes, u.screenTimeWeekendLimitMinutes);
    put(json, K::screenTimeMonMinutes, u.screenTimeMonMinutes);
    put(json, K::screenTimeTueMinutes, u.screenTimeTueMinutes);
    put(json, K::screenTimeWedMinutes, u.screenTimeWedMinutes);
    put(json, K::screenTimeThuMinutes, u.screenTimeThuMinutes);
    put(json, K::screenTimeFriMinutes, u.screenTimeFriMinutes);
    put(json, K::screenTimeSatMinutes, u.screenTimeSatMinutes);
    put(json, K::screenTimeSunMinutes, u.screenTimeSunMinutes);
    return json;
}

}  // namespace

QString keyText(CodingKeys key)
{
    const char* name = keyName(key);
    return name ? QString::fromLatin1(name) : QString();
}

std::optional<CodingKeys> codingKeyFromText(QStringView text)
{
    for (std::size_t i = 0; i < keyNames.size(); ++i) {
        if (text == QLatin1String(keyNames[i]))
            return CodingKeys(i);
    }
    return std::nullopt;
}

Policy Policy::fromJson(const nlohmann::json& json)
{
    requireObject(json);
    return {
        .downtimeEnabled = requiredBool(json, keyName(K::downtimeEnabled)),
        .downtimeStart = requiredString(json, keyName(K::downtimeStart)),
        .downtimeEnd = requiredString(json, keyName(K::downtimeEnd)),
        .downtimeWeekdayStart = optionalString(json, keyName(K::downtimeWeekdayStart)),
        .downtimeWeekdayEnd = optionalString(json, keyName(K::downtimeWeekdayEnd)),
        .downtimeWeekendStart = optionalString(json, keyName(K::downtimeWeekendStart)),
        .downtimeWeekendEnd = optionalString(json, keyName(K::downtimeWeekendEnd)),
        .screenTimeEnabled = requiredBool(json, keyName(K::screenTimeEnabled)),
        .screenTimeLimitMinutes = requiredInt(json, keyName(K::screenTimeLimitMinutes)),
        .screenTimeWeekendLimitMinutes =
            optionalInt(json, keyName(K::screenTimeWeekendLimitMinutes)),
        .screenTimeMonMinutes = optionalInt(json, keyName(K::screenTimeMonMinutes)),
        .screenTimeTueMinutes = optionalInt(json, keyName(K::screenTimeTueMinutes)),
        .screenTimeWedMinutes = optionalInt(json, keyName(K::screenTimeWedMinutes)),
        .screenTimeThuMinutes = optionalInt(json, keyName(K::screenTimeThuMinutes)),
        .screenTimeFriMinutes = optionalInt(json, keyName(K::screenTimeFriMinutes)),
        .screenTimeSatMinutes = optionalInt(json, keyName(K::screenTimeSatMinutes)),
        .screenTimeSunMinutes = optionalInt(json, keyName(K::screenTimeSunMinutes)),
    };
}

nlohmann::ordered_json PolicyUpdate::toJson() const
{
    nlohmann::ordered_json json = values(*this);
    // Assigning to a key already written keeps its place and replaces the
    // value, so each key goes out once and a cleared one always as null.
    for (const CodingKeys key : clearFields) {
        const char* name = keyName(key);
        if (!name)
            throw EncodingError(
                QStringLiteral("Unknown policy field %1 in a change").arg(int(key)));
        json[name] = nullptr;
    }
    return json;
}

QDebug operator<<(QDebug dbg, CodingKeys key)
{
    const QDebugStateSaver saver(dbg);
    const char* name = keyName(key);
    if (name)
        dbg.noquote() << name;
    else
        dbg.nospace() << "CodingKeys(" << int(key) << ")";
    return dbg;
}

QDebug operator<<(QDebug dbg, const Policy& p)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace() << "Policy(downtime=" << p.downtimeEnabled << " " << p.downtimeStart << "-"
                  << p.downtimeEnd << ", weekday=" << DebugOptional{p.downtimeWeekdayStart} << "-"
                  << DebugOptional{p.downtimeWeekdayEnd}
                  << ", weekend=" << DebugOptional{p.downtimeWeekendStart} << "-"
                  << DebugOptional{p.downtimeWeekendEnd} << ", screenTime=" << p.screenTimeEnabled
                  << " " << p.screenTimeLimitMinutes
                  << ", weekendLimit=" << DebugOptional{p.screenTimeWeekendLimitMinutes}
                  << ", days=[" << DebugOptional{p.screenTimeMonMinutes} << " "
                  << DebugOptional{p.screenTimeTueMinutes} << " "
                  << DebugOptional{p.screenTimeWedMinutes} << " "
                  << DebugOptional{p.screenTimeThuMinutes} << " "
                  << DebugOptional{p.screenTimeFriMinutes} << " "
                  << DebugOptional{p.screenTimeSatMinutes} << " "
                  << DebugOptional{p.screenTimeSunMinutes} << "])";
    return dbg;
}

QDebug operator<<(QDebug dbg, const PolicyUpdate& update)
{
    // Values and clears apart: the encoded form would hide a value that a clear replaces.
    const QDebugStateSaver saver(dbg);
    dbg.nospace().noquote() << "PolicyUpdate(" << QString::fromStdString(values(update).dump())
                            << ", clear=[";
    bool first = true;
    for (const CodingKeys key : update.clearFields) {
        dbg << (first ? "" : " ") << key;
        first = false;
    }
    dbg << "])";
    return dbg;
}
