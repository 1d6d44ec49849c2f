#pragma once

#include <QDebug>
#include <QString>
#include <nlohmann/json.hpp>

// Body of sign-in.
struct LoginRequest
{
    QString email{};
    QString password{};

    bool operator==(const LoginRequest&) const = default;
    nlohmann::ordered_json toJson() const;
};

// Body of sign-up. The name goes last on the wire although the operation
// takes it first.
struct RegisterRequest
{
    QString email{};
    QString password{};
    QString name{};

    bool operator==(const RegisterRequest&) const = default;
    nlohmann::ordered_json toJson() const;
};

// Answer of sign-in and sign-up.
struct TokenResponse
{
    QString accessToken{};
    QString tokenType{};  // required on the wire, never used

    bool operator==(const TokenResponse&) const = default;
    static TokenResponse fromJson(const nlohmann::json& json);
};

// The signed-in parent's account.
struct User
{
    QString id{};
    QString email{};
    QString name{};

    bool operator==(const User&) const = default;
    static User fromJson(const nlohmann::json& json);
};

QDebug operator<<(QDebug dbg, const LoginRequest& request);
QDebug operator<<(QDebug dbg, const RegisterRequest& request);
QDebug operator<<(QDebug dbg, const TokenResponse& response);
QDebug operator<<(QDebug dbg, const User& user);
