#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Ordered, so answers list their keys in the order of the record they carry.
using Json = nlohmann::ordered_json;

// One reason a request was refused, in the shape clients of FastAPI services know:
// {"loc": ["body", "email"], "msg": "field required", "type": "value_error.missing"}.
struct Problem {
    Json loc;
    std::string msg;
    std::string type;
    Json ctx; // null when the problem has no limit to report
};

// Thrown for a 422 answer; "detail" is the list of problems.
class ValidationError : public std::exception {
public:
    explicit ValidationError(std::vector<Problem> problems);
    const char* what() const noexcept override { return "request validation failed"; }
    Json detail() const;

private:
    std::vector<Problem> problems_;
};

// Collects every problem of one request, so the client hears of all of them at once.
class Problems {
public:
    void add(Json loc, std::string msg, std::string type, Json ctx = nullptr);
    void addMissing(std::string_view key);
    bool empty() const { return list_.empty(); }
    void throwIfAny() const;

private:
    std::vector<Problem> list_;
};

// The request body as a JSON object; an empty body, malformed JSON or any other
// JSON value raises ValidationError.
Json parseObjectBody(const std::string& body);

// The value under `key` of a body, or null after reporting it missing.
const Json* requireField(const Json& body, std::string_view key, Problems& problems);

// Readers for one value found under `key` of a body: each gives the value, or
// nothing after adding a problem. A null is refused; callers that allow null
// (to remove an optional value) check for it first.
std::optional<std::string> readString(const Json& value, std::string_view key, Problems& problems,
                                      bool nonEmpty);
std::optional<std::string> readTimeOfDay(const Json& value, std::string_view key, Problems& problems);
std::optional<int64_t> readInteger(const Json& value, std::string_view key, int64_t min, int64_t max,
                                   Problems& problems);
std::optional<double> readNumber(const Json& value, std::string_view key, double min, double max,
                                 Problems& problems);
std::optional<bool> readBool(const Json& value, std::string_view key, Problems& problems);

// "HH:MM" on the 24-hour clock, two digits each.
bool isTimeOfDay(std::string_view text);

// A query parameter that must be a whole number within bounds.
int64_t readQueryInteger(const std::string* text, std::string_view name, int64_t fallback, int64_t min,
                         int64_t max);
