#include "Validation.h"

#include <charconv>
#include <limits>

namespace {

Json bodyLoc(std::string_view key)
{
    return Json::array({ "body", std::string(key) });
}

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

void addBelowMinimum(Problems& problems, Json loc, Json limit)
{
    problems.add(std::move(loc), "ensure this value is greater than or equal to " + limit.dump(),
                 "value_error.number.not_ge", Json { { "limit_value", limit } });
}

void addAboveMaximum(Problems& problems, Json loc, Json limit)
{
    problems.add(std::move(loc), "ensure this value is less than or equal to " + limit.dump(),
                 "value_error.number.not_le", Json { { "limit_value", limit } });
}

template <class Number>
std::optional<Number> withinBounds(Number number, Number min, Number max, Json loc, Problems& problems)
{
    if (number < min) {
        addBelowMinimum(problems, std::move(loc), min);
        return std::nullopt;
    }
    if (number > max) {
        addAboveMaximum(problems, std::move(loc), max);
        return std::nullopt;
    }
    return number;
}

bool refuseNull(const Json& value, std::string_view key, Problems& problems)
{
    if (!value.is_null())
        return false;
    problems.add(bodyLoc(key), "none is not an allowed value", "type_error.none.not_allowed");
    return true;
}

} // namespace

ValidationError::ValidationError(std::vector<Problem> problems)
    : problems_(std::move(problems))
{
}

Json ValidationError::detail() const
{
    Json list = Json::array();
    for (const Problem& problem : problems_) {
        Json entry = { { "loc", problem.loc }, { "msg", problem.msg }, { "type", problem.type } };
        if (!problem.ctx.is_null())
            entry["ctx"] = problem.ctx;
        list.push_back(std::move(entry));
    }
    return list;
}

void Problems::add(Json loc, std::string msg, std::string type, Json ctx)
{
    list_.push_back({ std::move(loc), std::move(msg), std::move(type), std::move(ctx) });
}

void Problems::addMissing(std::string_view key)
{
    add(bodyLoc(key), "field required", "value_error.missing");
}

void Problems::throwIfAny() const
{
    if (!list_.empty())
        throw ValidationError(list_);
}

Json parseObjectBody(const std::string& body)
{
    Problems problems;
    if (body.empty()) {
        problems.add(Json::array({ "body" }), "field required", "value_error.missing");
        problems.throwIfAny();
    }
    Json value;
    try {
        value = Json::parse(body);
    } catch (const Json::parse_error& error) {
        // The position, not the parser's text: that quotes the body, which may hold a password.
        // The parser counts from 1; the position reported counts from 0 like other JSON services do.
        problems.add(Json::array({ "body", error.byte > 0 ? error.byte - 1 : 0 }), "Invalid JSON",
                     "value_error.jsondecode");
        problems.throwIfAny();
    } catch (const Json::exception&) {
        // Valid syntax the parser still cannot hold, such as a number beyond the range of a double.
        problems.add(Json::array({ "body" }), "Invalid JSON", "value_error.jsondecode");
        problems.throwIfAny();
    }
    if (!value.is_object()) {
        problems.add(Json::array({ "body" }), "value is not a valid dict", "type_error.dict");
        problems.throwIfAny();
    }
    return value;
}

const Json* requireField(const Json& body, std::string_view key, Problems& problems)
{
    const auto found = body.find(key);
    if (found == body.end()) {
        problems.addMissing(key);
        return nullptr;
    }
    return &*found;
}

std::optional<std::string> readString(const Json& value, std::string_view key, Problems& problems, bool nonEmpty)
{
    if (refuseNull(value, key, problems))
        return std::nullopt;
    if (!value.is_string()) {
        problems.add(bodyLoc(key), "str type expected", "type_error.str");
        return std::nullopt;
    }
    const auto& text = value.get_ref<const std::string&>();
    if (nonEmpty && text.empty()) {
        problems.add(bodyLoc(key), "ensure this value has at least 1 characters", "value_error.any_str.min_length",
                     Json { { "limit_value", 1 } });
        return std::nullopt;
    }
    return text;
}

bool isTimeOfDay(std::string_view text)
{
    if (text.size() != 5 || text[2] != ':' || !digit(text[0]) || !digit(text[1]) || !digit(text[3])
        || !digit(text[4]))
        return false;
    const int hour = (text[0] - '0') * 10 + (text[1] - '0');
    const int minute = (text[3] - '0') * 10 + (text[4] - '0');
    return hour < 24 && minute < 60;
}

std::optional<std::string> readTimeOfDay(const Json& value, std::string_view key, Problems& problems)
{
    auto text = readString(value, key, problems, false);
    if (text && !isTimeOfDay(*text)) {
        static const std::string pattern = "^([01][0-9]|2[0-3]):[0-5][0-9]$";
        problems.add(bodyLoc(key), "string does not match regex \"" + pattern + "\"", "value_error.str.regex",
                     Json { { "pattern", pattern } });
        return std::nullopt;
    }
    return text;
}

std::optional<int64_t> readInteger(const Json& value, std::string_view key, int64_t min, int64_t max,
                                   Problems& problems)
{
    if (refuseNull(value, key, problems))
        return std::nullopt;
    // JSON integers only: 90.5, 90.0, "90" and true are all refused.
    if (!value.is_number_integer()) {
        problems.add(bodyLoc(key), "value is not a valid integer", "type_error.integer");
        return std::nullopt;
    }
    if (value.is_number_unsigned()
        && value.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        addAboveMaximum(problems, bodyLoc(key), max);
        return std::nullopt;
    }
    return withinBounds(value.get<int64_t>(), min, max, bodyLoc(key), problems);
}

std::optional<double> readNumber(const Json& value, std::string_view key, double min, double max,
                                 Problems& problems)
{
    if (refuseNull(value, key, problems))
        return std::nullopt;
    if (!value.is_number()) {
        problems.add(bodyLoc(key), "value is not a valid float", "type_error.float");
        return std::nullopt;
    }
    return withinBounds(value.get<double>(), min, max, bodyLoc(key), problems);
}

std::optional<bool> readBool(const Json& value, std::string_view key, Problems& problems)
{
    if (refuseNull(value, key, problems))
        return std::nullopt;
    if (!value.is_boolean()) {
        problems.add(bodyLoc(key), "value could not be parsed to a boolean", "type_error.bool");
        return std::nullopt;
    }
    return value.get<bool>();
}

int64_t readQueryInteger(const std::string* text, std::string_view name, int64_t fallback, int64_t min,
                         int64_t max)
{
    if (!text)
        return fallback;
    Problems problems;
    const Json loc = Json::array({ "query", std::string(name) });
    const char* begin = text->data();
    const char* end = begin + text->size();
    if (begin != end && *begin == '+' && begin + 1 != end && begin[1] != '-')
        ++begin;
    int64_t number = 0;
    const auto [rest, error] = std::from_chars(begin, end, number);
    if (begin == end || rest != end || (error != std::errc() && error != std::errc::result_out_of_range)) {
        problems.add(loc, "value is not a valid integer", "type_error.integer");
    } else if (error == std::errc::result_out_of_range) {
        if (*begin == '-')
            addBelowMinimum(problems, loc, min);
        else
            addAboveMaximum(problems, loc, max);
    } else {
        withinBounds(number, min, max, loc, problems);
    }
    problems.throwIfAny();
    return number;
}
