#include "Policy.h"

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

} // namespace

Json toJson(const Policy& policy)
{
    Json object = Json::object();
    for (const PolicyField& field : kPolicyFields) {
        std::visit(
            [&](auto member) {
                const auto& value = policy.*member;
                using Value = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<Value, std::optional<std::string>>
                              || std::is_same_v<Value, std::optional<int64_t>>)
                    object[std::string(field.key)] = value ? Json(*value) : Json(nullptr);
                else
                    object[std::string(field.key)] = value;
            },
            field.member);
    }
    return object;
}

PolicyPatch readPolicyPatch(const Json& body)
{
    Problems problems;
    PolicyPatch patch;
    for (const PolicyField& field : kPolicyFields) {
        const auto found = body.find(field.key);
        if (found == body.end())
            continue;
        const Json& value = *found;
        std::optional<PolicyValue> checked;
        std::visit(Overloaded {
                       [&](bool Policy::*) {
                           if (auto flag = readBool(value, field.key, problems))
                               checked = *flag;
                       },
                       [&](std::string Policy::*) {
                           if (auto time = readTimeOfDay(value, field.key, problems))
                               checked = std::move(*time);
                       },
                       [&](std::optional<std::string> Policy::*) {
                           if (value.is_null())
                               checked = std::monostate {};
                           else if (auto time = readTimeOfDay(value, field.key, problems))
                               checked = std::move(*time);
                       },
                       [&](int64_t Policy::*) {
                           if (auto minutes = readInteger(value, field.key, 0, kMaxPolicyMinutes, problems))
                               checked = *minutes;
                       },
                       [&](std::optional<int64_t> Policy::*) {
                           if (value.is_null())
                               checked = std::monostate {};
                           else if (auto minutes = readInteger(value, field.key, 0, kMaxPolicyMinutes, problems))
                               checked = *minutes;
                       },
                   },
                   field.member);
        if (checked)
            patch.changes.emplace_back(&field, std::move(*checked));
    }
    problems.throwIfAny();
    return patch;
}

void applyPatch(const PolicyPatch& patch, Policy& policy)
{
    for (const auto& [field, value] : patch.changes) {
        std::visit(Overloaded {
                       [&](bool Policy::*member) { policy.*member = std::get<bool>(value); },
                       [&](std::string Policy::*member) { policy.*member = std::get<std::string>(value); },
                       [&](std::optional<std::string> Policy::*member) {
                           if (std::holds_alternative<std::monostate>(value))
                               (policy.*member).reset();
                           else
                               policy.*member = std::get<std::string>(value);
                       },
                       [&](int64_t Policy::*member) { policy.*member = std::get<int64_t>(value); },
                       [&](std::optional<int64_t> Policy::*member) {
                           if (std::holds_alternative<std::monostate>(value))
                               (policy.*member).reset();
                           else
                               policy.*member = std::get<int64_t>(value);
                       },
                   },
                   field->member);
    }
}
