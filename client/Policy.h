#pragma once

#include <QDebug>
#include <QString>
#include <QStringView>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

// The seventeen policy keys, in wire order. The seven day members lie in a
// row from Monday, so day d (0 = Monday … 6 = Sunday) is
// CodingKeys(int(CodingKeys::screenTimeMonMinutes) + d).
enum class CodingKeys {
    downtimeEnabled,
    downtimeStart,
    downtimeEnd,
    downtimeWeekdayStart,
    downtimeWeekdayEnd,
    downtimeWeekendStart,
    downtimeWeekendEnd,
    screenTimeEnabled,
    screenTimeLimitMinutes,
    screenTimeWeekendLimitMinutes,
    screenTimeMonMinutes,
    screenTimeTueMinutes,
    screenTimeWedMinutes,
    screenTimeThuMinutes,
    screenTimeFriMinutes,
    screenTimeSatMinutes,
    screenTimeSunMinutes,
};

// The member's JSON key; empty for a value outside the enumeration.
QString keyText(CodingKeys key);
// The member whose key is `text`; nothing for any other text.
std::optional<CodingKeys> codingKeyFromText(QStringView text);

// One device's policy, as the service returns it. Times of day are "hh:mm"
// texts, carried unchecked; minutes are whole numbers.
struct Policy
{
    bool downtimeEnabled = false;
    QString downtimeStart{};
    QString downtimeEnd{};
    std::optional<QString> downtimeWeekdayStart{};
    std::optional<QString> downtimeWeekdayEnd{};
    std::optional<QString> downtimeWeekendStart{};
    std::optional<QString> downtimeWeekendEnd{};
    bool screenTimeEnabled = false;
    qint64 screenTimeLimitMinutes = 0;
    std::optional<qint64> screenTimeWeekendLimitMinutes{};
    std::optional<qint64> screenTimeMonMinutes{};
    std::optional<qint64> screenTimeTueMinutes{};
    std::optional<qint64> screenTimeWedMinutes{};
    std::optional<qint64> screenTimeThuMinutes{};
    std::optional<qint64> screenTimeFriMinutes{};
    std::optional<qint64> screenTimeSatMinutes{};
    std::optional<qint64> screenTimeSunMinutes{};

    bool operator==(const Policy&) const = default;
    static Policy fromJson(const nlohmann::json& json);
};

// A partial policy change. An absent field leaves the value on the service
// alone; a member of clearFields removes it and goes out as null, replacing
// any value set for the same key.
struct PolicyUpdate
{
    std::optional<bool> downtimeEnabled{};
    std::optional<QString> downtimeStart{};
    std::optional<QString> downtimeEnd{};
    std::optional<QString> downtimeWeekdayStart{};
    std::optional<QString> downtimeWeekdayEnd{};
    std::optional<QString> downtimeWeekendStart{};
    std::optional<QString> downtimeWeekendEnd{};
    std::optional<bool> screenTimeEnabled{};
    std::optional<qint64> screenTimeLimitMinutes{};
    std::optional<qint64> screenTimeWeekendLimitMinutes{};
    std::optional<qint64> screenTimeMonMinutes{};
    std::optional<qint64> screenTimeTueMinutes{};
    std::optional<qint64> screenTimeWedMinutes{};
    std::optional<qint64> screenTimeThuMinutes{};
    std::optional<qint64> screenTimeFriMinutes{};
    std::optional<qint64> screenTimeSatMinutes{};
    std::optional<qint64> screenTimeSunMinutes{};
    std::set<CodingKeys> clearFields{};

    bool operator==(const PolicyUpdate&) const = default;
    // Throws EncodingError for a clearFields member outside the enumeration
    // (a day index out of 0…6): sending the rest would report a change as
    // made that never was.
    nlohmann::ordered_json toJson() const;
};

QDebug operator<<(QDebug dbg, CodingKeys key);
QDebug operator<<(QDebug dbg, const Policy& policy);
QDebug operator<<(QDebug dbg, const PolicyUpdate& update);
