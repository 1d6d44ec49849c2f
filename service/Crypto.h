#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Random text from the operating system's generator: `byteCount` bytes as lower-case hex.
std::string randomHex(size_t byteCount);
// A random identifier in the layout of a version-4 UUID.
std::string randomId();
std::string sha256Hex(std::string_view data);

// Salted PBKDF2-HMAC-SHA256, stored as "pbkdf2_sha256$iterations$salt$hash" so the
// work factor can change without invalidating stored accounts.
std::string hashPassword(std::string_view password);
bool verifyPassword(std::string_view password, std::string_view stored);
