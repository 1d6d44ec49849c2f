#pragma once

#include "Errors.h"

#include <QByteArray>
#include <QDebug>
#include <QMap>
#include <QString>
#include <nlohmann/json.hpp>
#include <cstddef>
#include <optional>
#include <vector>

// Strict readers for the service's answers. Every failure is a DecodingError
// whose one-line text names the key, so a parent (or a bug report) can tell
// which field the service got wrong.
//
// Required readers fail on a missing key, null, or a value of another JSON
// type. Optional readers give nothing for a missing key or null, and fail on
// a present value of another type: dropping it silently would hide a
// service bug behind a default.

// "a whole number", "null", "a list", ...: for error texts.
const char* describeJsonType(const nlohmann::json& json);

// A JSON string's UTF-8 (valid, the parser checks it) as a QString, every
// character kept.
QString textFromWire(const std::string& utf8);

// Fails unless `json` is an object; the record decoders call it first.
void requireObject(const nlohmann::json& json);

QString requiredString(const nlohmann::json& object, const char* key);
bool requiredBool(const nlohmann::json& object, const char* key);
// JSON integers only: 90.0 and 90.5 fail, as do integers beyond qint64.
qint64 requiredInt(const nlohmann::json& object, const char* key);
// Integers and fractions alike.
double requiredDouble(const nlohmann::json& object, const char* key);

std::optional<QString> optionalString(const nlohmann::json& object, const char* key);
std::optional<bool> optionalBool(const nlohmann::json& object, const char* key);
std::optional<qint64> optionalInt(const nlohmann::json& object, const char* key);
std::optional<double> optionalDouble(const nlohmann::json& object, const char* key);

// Parses a response body. Empty or malformed bodies, and bodies nested more
// than 256 lists or objects deep, fail with a DecodingError; nothing else
// ever escapes.
nlohmann::json parseBody(const QByteArray& body);

// The acknowledgement of a delete: an object whose values are all booleans.
QMap<QString, bool> decodeBoolMap(const nlohmann::json& json);

// A list answer. One bad element fails the whole list; the error names the
// element's index as well as the key.
template<class R>
std::vector<R> decodeList(const nlohmann::json& json)
{
    if (!json.is_array())
        throw DecodingError(QStringLiteral("Expected a JSON list, found %1")
                                .arg(QString::fromLatin1(describeJsonType(json))));
    std::vector<R> records;
    records.reserve(json.size());
    for (std::size_t index = 0; index < json.size(); ++index) {
        try {
            records.push_back(R::fromJson(json[index]));
        } catch (const DecodingError& error) {
            throw DecodingError(QStringLiteral("%1 (list element %2)").arg(error.text()).arg(index));
        }
    }
    return records;
}

// Test-failure printing of optional record fields: an absent value prints as
// a bare none, a present text in quotes, so absent and "none" stay apart.
template<class T>
struct DebugOptional
{
    const std::optional<T>& value;
};

// Spelled out for compilers without aggregate deduction (clang before 17).
template<class T>
DebugOptional(const std::optional<T>&) -> DebugOptional<T>;

template<class T>
QDebug operator<<(QDebug dbg, const DebugOptional<T>& field)
{
    if (field.value)
        dbg << *field.value;
    else
        dbg << "none";
    return dbg;
}

// Prints an encoded record as its type name and JSON text.
QDebug printJson(QDebug dbg, const char* type, const nlohmann::ordered_json& json);
