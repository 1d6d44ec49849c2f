#include "User.h"

#include "JsonRead.h"

nlohmann::ordered_json LoginRequest::toJson() const
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["email"] = email.toStdString();
    json["password"] = password.toStdString();
    return json;
}

nlohmann::ordered_json RegisterRequest::toJson() const
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["email"] = email.toStdString();
    json["password"] = password.toStdString();
    json["name"] = name.toStdString();
    return json;
}

TokenResponse TokenResponse::fromJson(const nlohmann::json& json)
{
    requireObject(json);
    return {
        .accessToken = requiredString(json, "access_token"),
        .tokenType = requiredString(json, "token_type"),
    };
}

User User::fromJson(const nlohmann::json& json)
{
    requireObject(json);
    return {
        .id = requiredString(json, "id"),
        .email = requiredString(json, "email"),
        .name = requiredString(json, "name"),
    };
}

QDebug operator<<(QDebug dbg, const LoginRequest& request)
{
    // The password stays out of logs and test output.
    const QDebugStateSaver saver(dbg);
    dbg.nospace() << "LoginRequest(email=" << request.email << ", password=<"
                  << request.password.size() << " characters>)";
    return dbg;
}

QDebug operator<<(QDebug dbg, const RegisterRequest& request)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace() << "RegisterRequest(email=" << request.email << ", password=<"
                  << request.password.size() << " characters>, name=" << request.name << ")";
    return dbg;
}

QDebug operator<<(QDebug dbg, const TokenResponse& response)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace() << "TokenResponse(accessToken=<" << response.accessToken.size()
                  << " characters>, tokenType=" << response.tokenType << ")";
    return dbg;
}

QDebug operator<<(QDebug dbg, const User& user)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace() << "User(id=" << user.id << ", email=" << user.email << ", name=" << user.name
                  << ")";
    return dbg;
}
