#pragma once

#include "Validation.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// A device's rules. A new device starts with these values and every optional one absent.
struct Policy {
    bool downtimeEnabled = true;
    std::string downtimeStart = "21:00";
    std::string downtimeEnd = "07:00";
    std::optional<std::string> downtimeWeekdayStart;
    std::optional<std::string> downtimeWeekdayEnd;
    std::optional<std::string> downtimeWeekendStart;
    std::optional<std::string> downtimeWeekendEnd;
    bool screenTimeEnabled = true;
    int64_t screenTimeLimitMinutes = 120;
    std::optional<int64_t> screenTimeWeekendLimitMinutes;
    std::optional<int64_t> screenTimeMonMinutes;
    std::optional<int64_t> screenTimeTueMinutes;
    std::optional<int64_t> screenTimeWedMinutes;
    std::optional<int64_t> screenTimeThuMinutes;
    std::optional<int64_t> screenTimeFriMinutes;
    std::optional<int64_t> screenTimeSatMinutes;
    std::optional<int64_t> screenTimeSunMinutes;

    bool operator==(const Policy&) const = default;
};

// The policy's keys with the member each one holds. The member's type says what
// the key takes: strings are times of day, integers minutes, optionals may be
// removed with null. The database columns carry the same names.
struct PolicyField {
    std::string_view key;
    std::variant<bool Policy::*, std::string Policy::*, std::optional<std::string> Policy::*, int64_t Policy::*,
                 std::optional<int64_t> Policy::*>
        member;
};

inline constexpr std::array<PolicyField, 17> kPolicyFields = { {
    { "downtime_enabled", &Policy::downtimeEnabled },
    { "downtime_start", &Policy::downtimeStart },
    { "downtime_end", &Policy::downtimeEnd },
    { "downtime_weekday_start", &Policy::downtimeWeekdayStart },
    { "downtime_weekday_end", &Policy::downtimeWeekdayEnd },
    { "downtime_weekend_start", &Policy::downtimeWeekendStart },
    { "downtime_weekend_end", &Policy::downtimeWeekendEnd },
    { "screen_time_enabled", &Policy::screenTimeEnabled },
    { "screen_time_limit_minutes", &Policy::screenTimeLimitMinutes },
    { "screen_time_weekend_limit_minutes", &Policy::screenTimeWeekendLimitMinutes },
    { "screen_time_mon_minutes", &Policy::screenTimeMonMinutes },
    { "screen_time_tue_minutes", &Policy::screenTimeTueMinutes },
    { "screen_time_wed_minutes", &Policy::screenTimeWedMinutes },
    { "screen_time_thu_minutes", &Policy::screenTimeThuMinutes },
    { "screen_time_fri_minutes", &Policy::screenTimeFriMinutes },
    { "screen_time_sat_minutes", &Policy::screenTimeSatMinutes },
    { "screen_time_sun_minutes", &Policy::screenTimeSunMinutes },
} };

// Minutes of a limit or override: no more than the day has.
inline constexpr int64_t kMaxPolicyMinutes = 1440;

Json toJson(const Policy& policy);

// A checked partial update: the keys present in the body, each with its new
// value, or std::monostate where null removes an optional value.
using PolicyValue = std::variant<std::monostate, bool, std::string, int64_t>;
struct PolicyPatch {
    std::vector<std::pair<const PolicyField*, PolicyValue>> changes;
};

// Checks every key first, so a refused update changes nothing. Unknown keys are ignored.
PolicyPatch readPolicyPatch(const Json& body);
void applyPatch(const PolicyPatch& patch, Policy& policy);
