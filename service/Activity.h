#pragma once

#include "Validation.h"

#include <cstdint>
#include <optional>
#include <string>

// A weekly recurring slot. Days count from 0 = Monday to 6 = Sunday, like the policy's per-day overrides.
struct Activity {
    std::string id;
    std::string name;
    int64_t dayOfWeek = 0;
    std::string startTime;
    std::string endTime;
    int64_t bufferBeforeMinutes = 0;
    int64_t bufferAfterMinutes = 0;
    bool enabled = true;
};

Json toJson(const Activity& activity);

struct ActivityPatch {
    std::optional<std::string> name;
    std::optional<int64_t> dayOfWeek;
    std::optional<std::string> startTime;
    std::optional<std::string> endTime;
    std::optional<int64_t> bufferBeforeMinutes;
    std::optional<int64_t> bufferAfterMinutes;
    std::optional<bool> enabled;
};

// POST: all seven fields required. The id is left for the caller to assign.
Activity readNewActivity(const Json& body);
// PUT: the keys present, checked the same way; null is refused.
ActivityPatch readActivityPatch(const Json& body);
void applyPatch(const ActivityPatch& patch, Activity& activity);
