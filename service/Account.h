#pragma once

#include "Validation.h"

#include <string>

struct Account {
    std::string id;
    std::string email;
    std::string name;
};

Json toJson(const Account& account);

// POST /api/v1/auth/register: {"email", "password", "name"}; the name may be empty.
struct Registration {
    std::string email;
    std::string password;
    std::string name;
};
Registration readRegistration(const Json& body);

// POST /api/v1/auth/login: {"email", "password"}.
struct Credentials {
    std::string email;
    std::string password;
};
Credentials readCredentials(const Json& body);
