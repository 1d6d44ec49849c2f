#include "JsonRead.h"

#include <QStringDecoder>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

QString quoted(const char* key)
{
    return QStringLiteral("Key \"%1\"").arg(QString::fromUtf8(key));
}

[[noreturn]] void failMissing(const char* key)
{
    throw DecodingError(quoted(key) + QStringLiteral(" is missing"));
}

[[noreturn]] void failType(const char* key, const char* expected, const nlohmann::json& found)
{
    throw DecodingError(QStringLiteral("%1 is not %2 (found %3)")
                            .arg(quoted(key), QString::fromLatin1(expected),
                                 QString::fromLatin1(describeJsonType(found))));
}

// The value under `key`, or nullptr when the key is missing or null: the
// optional readers treat both alike.
const nlohmann::json* present(const nlohmann::json& object, const char* key)
{
    requireObject(object);
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return nullptr;
    return &*it;
}

// The required readers report null as a wrong type, missing as missing.
const nlohmann::json& required(const nlohmann::json& object, const char* key)
{
    requireObject(object);
    const auto it = object.find(key);
    if (it == object.end())
        failMissing(key);
    return *it;
}

QString readString(const nlohmann::json& value, const char* key)
{
    if (!value.is_string())
        failType(key, "a string", value);
    return textFromWire(value.get_ref<const std::string&>());
}

bool readBool(const nlohmann::json& value, const char* key)
{
    if (!value.is_boolean())
        failType(key, "a boolean", value);
    return value.get<bool>();
}

qint64 readInt(const nlohmann::json& value, const char* key)
{
    // The parser stores every non-negative integer as unsigned, so values
    // from 2^63 up arrive here and must not wrap into negatives.
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > std::uint64_t(std::numeric_limits<qint64>::max()))
            throw DecodingError(quoted(key) + QStringLiteral(" is too large"));
        return qint64(number);
    }
    if (!value.is_number_integer())
        failType(key, "a whole number", value);
    return value.get<std::int64_t>();
}

double readDouble(const nlohmann::json& value, const char* key)
{
    if (!value.is_number())
        failType(key, "a number", value);
    const double number = value.get<double>();
    // The parser refuses overflowing literals; this guards values built in code.
    if (!std::isfinite(number))
        throw DecodingError(quoted(key) + QStringLiteral(" is not a finite number"));
    return number;
}

// The parser builds every level it opens before it finds the body broken: a
// 16 MiB answer of "[" costs over a gigabyte and many seconds. No answer
// comes near this depth.
constexpr int maxNesting = 256;

// Whether lists and objects open deeper than `limit`, counted outside
// strings. Within the part of a body that parses, this is the parser's depth.
bool nestsDeeperThan(const QByteArray& body, int limit)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : body) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

}  // namespace

QString textFromWire(const std::string& utf8)
{
    // QString::fromUtf8 drops a leading U+FEFF as a byte order mark; inside a
    // JSON string it is text the service sent, and a token or moment that
    // lost it would no longer be the one sent.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom
                                                     | QStringDecoder::Flag::Stateless);
    return decoder.decode(QByteArrayView(utf8.data(), qsizetype(utf8.size())));
}

const char* describeJsonType(const nlohmann::json& json)
{
    switch (json.type()) {
    case nlohmann::json::value_t::null: return "null";
    case nlohmann::json::value_t::object: return "an object";
    case nlohmann::json::value_t::array: return "a list";
    case nlohmann::json::value_t::string: return "a string";
    case nlohmann::json::value_t::boolean: return "a boolean";
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned: return "a whole number";
    case nlohmann::json::value_t::number_float: return "a decimal number";
    case nlohmann::json::value_t::binary: return "binary data";
    case nlohmann::json::value_t::discarded: return "nothing";
    }
    return "an unknown value";
}

void requireObject(const nlohmann::json& json)
{
    if (!json.is_object())
        throw DecodingError(QStringLiteral("Expected a JSON object, found %1")
                                .arg(QString::fromLatin1(describeJsonType(json))));
}

QString requiredString(const nlohmann::json& object, const char* key)
{
    return readString(required(object, key), key);
}

bool requiredBool(const nlohmann::json& object, const char* key)
{
    return readBool(required(object, key), key);
}

qint64 requiredInt(const nlohmann::json& object, const char* key)
{
    return readInt(required(object, key), key);
}

double requiredDouble(const nlohmann::json& object, const char* key)
{
    return readDouble(required(object, key), key);
}

std::optional<QString> optionalString(const nlohmann::json& object, const char* key)
{
    const auto* value = present(object, key);
    return value ? std::optional(readString(*value, key)) : std::nullopt;
}

std::optional<bool> optionalBool(const nlohmann::json& object, const char* key)
{
    const auto* value = present(object, key);
    return value ? std::optional(readBool(*value, key)) : std::nullopt;
}

std::optional<qint64> optionalInt(const nlohmann::json& object, const char* key)
{
    const auto* value = present(object, key);
    return value ? std::optional(readInt(*value, key)) : std::nullopt;
}

std::optional<double> optionalDouble(const nlohmann::json& object, const char* key)
{
    const auto* value = present(object, key);
    return value ? std::optional(readDouble(*value, key)) : std::nullopt;
}

nlohmann::json parseBody(const QByteArray& body)
{
    if (body.trimmed().isEmpty())
        throw DecodingError(QStringLiteral("The server's answer is empty"));
    if (nestsDeeperThan(body, maxNesting))
        throw DecodingError(QStringLiteral("The server's answer is nested too deeply"));
    try {
        return nlohmann::json::parse(body.cbegin(), body.cend());
    } catch (const nlohmann::json::parse_error& error) {
        throw DecodingError(QStringLiteral("The server's answer is not valid JSON (at byte %1)")
                                .arg(error.byte));
    } catch (const std::exception&) {
        // Number overflow and the like, or memory running out on a huge body.
        throw DecodingError(QStringLiteral("The server's answer is not valid JSON"));
    }
}

QMap<QString, bool> decodeBoolMap(const nlohmann::json& json)
{
    requireObject(json);
    QMap<QString, bool> map;
    for (const auto& [key, value] : json.items())
        map.insert(textFromWire(key), readBool(value, key.c_str()));
    return map;
}

QDebug printJson(QDebug dbg, const char* type, const nlohmann::ordered_json& json)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace().noquote() << type << QString::fromStdString(json.dump());
    return dbg;
}
