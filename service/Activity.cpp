#include "Activity.h"

namespace {

// A buffer of up to four hours either side is plenty for any activity.
constexpr int64_t kMaxBufferMinutes = 240;

// Reads the keys present; with `requireAll`, a missing key is a problem too.
ActivityPatch readFields(const Json& body, bool requireAll)
{
    Problems problems;
    ActivityPatch patch;
    auto field = [&](std::string_view key) -> const Json* {
        const auto found = body.find(key);
        if (found != body.end())
            return &*found;
        if (requireAll)
            problems.addMissing(key);
        return nullptr;
    };
    if (const Json* value = field("name"))
        patch.name = readString(*value, "name", problems, true);
    if (const Json* value = field("day_of_week"))
        patch.dayOfWeek = readInteger(*value, "day_of_week", 0, 6, problems);
    if (const Json* value = field("start_time"))
        patch.startTime = readTimeOfDay(*value, "start_time", problems);
    if (const Json* value = field("end_time"))
        patch.endTime = readTimeOfDay(*value, "end_time", problems);
    if (const Json* value = field("buffer_before_minutes"))
        patch.bufferBeforeMinutes = readInteger(*value, "buffer_before_minutes", 0, kMaxBufferMinutes, problems);
    if (const Json* value = field("buffer_after_minutes"))
        patch.bufferAfterMinutes = readInteger(*value, "buffer_after_minutes", 0, kMaxBufferMinutes, problems);
    if (const Json* value = field("enabled"))
        patch.enabled = readBool(*value, "enabled", problems);
    problems.throwIfAny();
    return patch;
}

} // namespace

Json toJson(const Activity& activity)
{
    return {
        { "id", activity.id },
        { "name", activity.name },
        { "day_of_week", activity.dayOfWeek },
        { "start_time", activity.startTime },
        { "end_time", activity.endTime },
        { "buffer_before_minutes", activity.bufferBeforeMinutes },
        { "buffer_after_minutes", activity.bufferAfterMinutes },
        { "enabled", activity.enabled },
    };
}

Activity readNewActivity(const Json& body)
{
    Activity activity;
    applyPatch(readFields(body, true), activity);
    return activity;
}

ActivityPatch readActivityPatch(const Json& body)
{
    return readFields(body, false);
}

void applyPatch(const ActivityPatch& patch, Activity& activity)
{
    if (patch.name)
        activity.name = *patch.name;
    if (patch.dayOfWeek)
        activity.dayOfWeek = *patch.dayOfWeek;
    if (patch.startTime)
        activity.startTime = *patch.startTime;
    if (patch.endTime)
        activity.endTime = *patch.endTime;
    if (patch.bufferBeforeMinutes)
        activity.bufferBeforeMinutes = *patch.bufferBeforeMinutes;
    if (patch.bufferAfterMinutes)
        activity.bufferAfterMinutes = *patch.bufferAfterMinutes;
    if (patch.enabled)
        activity.enabled = *patch.enabled;
}
