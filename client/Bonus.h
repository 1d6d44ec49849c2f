#pragma once

#include <QDebug>
#include <QString>
#include <nlohmann/json.hpp>

// Body of the bonus operation.
struct GrantBonusRequest
{
    qint64 minutes = 0;

    bool operator==(const GrantBonusRequest&) const = default;
    nlohmann::ordered_json toJson() const;
};

// Answer of the bonus operation: the moment text until which the bonus runs.
struct GrantBonusResponse
{
    QString bonusUntil{};

    bool operator==(const GrantBonusResponse&) const = default;
    static GrantBonusResponse fromJson(const nlohmann::json& json);
};

QDebug operator<<(QDebug dbg, const GrantBonusRequest& request);
QDebug operator<<(QDebug dbg, const GrantBonusResponse& response);
