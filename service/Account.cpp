#include "Account.h"

Json toJson(const Account& account)
{
    return {
        { "id", account.id },
        { "email", account.email },
        { "name", account.name },
    };
}

Registration readRegistration(const Json& body)
{
    Problems problems;
    std::optional<std::string> email, password, name;
    if (const Json* value = requireField(body, "email", problems))
        email = readString(*value, "email", problems, true);
    if (const Json* value = requireField(body, "password", problems))
        password = readString(*value, "password", problems, true);
    if (const Json* value = requireField(body, "name", problems))
        name = readString(*value, "name", problems, false);
    problems.throwIfAny();
    return { std::move(*email), std::move(*password), std::move(*name) };
}

Credentials readCredentials(const Json& body)
{
    Problems problems;
    std::optional<std::string> email, password;
    if (const Json* value = requireField(body, "email", problems))
        email = readString(*value, "email", problems, true);
    if (const Json* value = requireField(body, "password", problems))
        password = readString(*value, "password", problems, true);
    problems.throwIfAny();
    return { std::move(*email), std::move(*password) };
}
