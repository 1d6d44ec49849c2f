#include "Crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <charconv>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

// Modest on purpose: enough to make a stolen database costly to search, small
// enough that the test suites can sign up many parents in a few seconds.
constexpr int kIterations = 50'000;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;
constexpr std::string_view kScheme = "pbkdf2_sha256";

std::string toHex(const unsigned char* data, size_t size)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text.push_back(digits[data[i] >> 4]);
        text.push_back(digits[data[i] & 0x0f]);
    }
    return text;
}

std::optional<std::vector<unsigned char>> fromHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<unsigned char> bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto [rest, error] = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, bytes[i], 16);
        if (error != std::errc() || rest != text.data() + 2 * i + 2)
            return std::nullopt;
    }
    return bytes;
}

std::vector<unsigned char> randomBytes(size_t count)
{
    std::vector<unsigned char> bytes(count);
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1)
        throw std::runtime_error("random generator unavailable");
    return bytes;
}

std::string derive(std::string_view password, const std::vector<unsigned char>& salt, int iterations)
{
    unsigned char hash[kHashBytes];
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(), sizeof hash, hash)
        != 1)
        throw std::runtime_error("PBKDF2 failed");
    return toHex(hash, sizeof hash);
}

} // namespace

std::string randomHex(size_t byteCount)
{
    const auto bytes = randomBytes(byteCount);
    return toHex(bytes.data(), bytes.size());
}

std::string randomId()
{
    auto bytes = randomBytes(16);
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0f) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3f) | 0x80);
    const std::string hex = toHex(bytes.data(), bytes.size());
    return hex.substr(0, 8) + '-' + hex.substr(8, 4) + '-' + hex.substr(12, 4) + '-' + hex.substr(16, 4) + '-'
        + hex.substr(20);
}

std::string sha256Hex(std::string_view data)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
    return toHex(digest, sizeof digest);
}

std::string hashPassword(std::string_view password)
{
    const auto salt = randomBytes(kSaltBytes);
    return std::string(kScheme) + '$' + std::to_string(kIterations) + '$' + toHex(salt.data(), salt.size()) + '$'
        + derive(password, salt, kIterations);
}

bool verifyPassword(std::string_view password, std::string_view stored)
{
    // scheme$iterations$salt$hash
    std::string_view parts[4];
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t end = i < 3 ? stored.find('$', start) : stored.size();
        if (end == std::string_view::npos)
            return false;
        parts[i] = stored.substr(start, end - start);
        start = end + 1;
    }
    int iterations = 0;
    const auto [rest, error] = std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), iterations);
    if (parts[0] != kScheme || error != std::errc() || rest != parts[1].data() + parts[1].size() || iterations < 1
        || iterations > 10'000'000)
        return false;
    const auto salt = fromHex(parts[2]);
    if (!salt)
        return false;
    const std::string actual = derive(password, *salt, iterations);
    return actual.size() == parts[3].size() && CRYPTO_memcmp(actual.data(), parts[3].data(), actual.size()) == 0;
}
