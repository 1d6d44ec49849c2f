#pragma once

#include <QDebug>
#include <QString>
#include <nlohmann/json.hpp>
#include <optional>

// A scheduled activity of a device, as the service returns it. Every key is
// required. Days count from 0 = Monday to 6 = Sunday; times are "hh:mm".
struct Activity
{
    QString id{};
    QString name{};
    qint64 dayOfWeek = 0;
    QString startTime{};
    QString endTime{};
    qint64 bufferBeforeMinutes = 0;
    qint64 bufferAfterMinutes = 0;
    bool enabled = false;

    bool operator==(const Activity&) const = default;
    static Activity fromJson(const nlohmann::json& json);
};

// Body of the create operation; every key always written.
struct ActivityCreate
{
    QString name{};
    qint64 dayOfWeek = 0;
    QString startTime{};
    QString endTime{};
    qint64 bufferBeforeMinutes = 0;
    qint64 bufferAfterMinutes = 0;
    bool enabled = false;

    bool operator==(const ActivityCreate&) const = default;
    nlohmann::ordered_json toJson() const;
};

// Body of the update operation: absent fields are left out, never null.
struct ActivityUpdate
{
    std::optional<QString> name{};
    std::optional<qint64> dayOfWeek{};
    std::optional<QString> startTime{};
    std::optional<QString> endTime{};
    std::optional<qint64> bufferBeforeMinutes{};
    std::optional<qint64> bufferAfterMinutes{};
    std::optional<bool> enabled{};

    bool operator==(const ActivityUpdate&) const = default;
    nlohmann::ordered_json toJson() const;
};

QDebug operator<<(QDebug dbg, const Activity& activity);
QDebug operator<<(QDebug dbg, const ActivityCreate& activity);
QDebug operator<<(QDebug dbg, const ActivityUpdate& update);
