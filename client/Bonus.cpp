#include "Bonus.h"

#include "JsonRead.h"

nlohmann::ordered_json GrantBonusRequest::toJson() const
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["minutes"] = minutes;
    return json;
}

GrantBonusResponse GrantBonusResponse::fromJson(const nlohmann::json& json)
{
    requireObject(json);
    return {.bonusUntil = requiredString(json, "bonus_until")};
}

QDebug operator<<(QDebug dbg, const GrantBonusRequest& request)
{
    return printJson(dbg, "GrantBonusRequest", request.toJson());
}

QDebug operator<<(QDebug dbg, const GrantBonusResponse& response)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace() << "GrantBonusResponse(bonusUntil=" << response.bonusUntil << ")";
    return dbg;
}
