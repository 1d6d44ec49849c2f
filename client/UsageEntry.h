#pragma once

#include <QDebug>
#include <QString>
#include <nlohmann/json.hpp>

// One day of a device's usage history.
struct UsageEntry
{
    QString date{};  // "yyyy-MM-dd"
    double totalMinutes = 0;

    bool operator==(const UsageEntry&) const = default;
    static UsageEntry fromJson(const nlohmann::json& json);

    // "Fri, 7" in US English; the raw date text when it is no "yyyy-MM-dd" day.
    QString dayLabel() const;
    // The whole minutes (cut toward zero) by formatMinutes. Not-a-number reads
    // as 0 and values beyond qint64 are held at its bounds.
    QString formattedTime() const;
};

// Minutes for display: "2h 15m" from an hour up, "45m" below. A negative
// count carries one minus sign in front of the same form ("-1h 15m").
QString formatMinutes(qint64 minutes);

QDebug operator<<(QDebug dbg, const UsageEntry& entry);
