#include "Activity.h"

#include "JsonRead.h"

Activity Activity::fromJson(const nlohmann::json& json)
{
    requireObject(json);
    // The service's key order puts "enabled" third; the first bad key in
    // that order is the one reported.
    Activity activity;
    activity.id = requiredString(json, "id");
    activity.name = requiredString(json, "name");
    activity.enabled = requiredBool(json, "enabled");
    activity.dayOfWeek = requiredInt(json, "day_of_week");
    activity.startTime = requiredString(json, "start_time");
    activity.endTime = requiredString(json, "end_time");
    activity.bufferBeforeMinutes = requiredInt(json, "buffer_before_minutes");
    activity.bufferAfterMinutes = requiredInt(json, "buffer_after_minutes");
    return activity;
}

nlohmann::ordered_json ActivityCreate::toJson() const
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["name"] = name.toStdString();
    json["enabled"] = enabled;
    json["day_of_week"] = dayOfWeek;
    json["start_time"] = startTime.toStdString();
    json["end_time"] = endTime.toStdString();
    json["buffer_before_minutes"] = bufferBeforeMinutes;
    json["buffer_after_minutes"] = bufferAfterMinutes;
    return json;
}

nlohmann::ordered_json ActivityUpdate::toJson() const
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    if (name)
        json["name"] = name->toStdString();
    if (enabled)
        json["enabled"] = *enabled;
    if (dayOfWeek)
        json["day_of_week"] = *dayOfWeek;
    if (startTime)
        json["start_time"] = startTime->toStdString();
    if (endTime)
        json["end_time"] = endTime->toStdString();
    if (bufferBeforeMinutes)
        json["buffer_before_minutes"] = *bufferBeforeMinutes;
    if (bufferAfterMinutes)
        json["buffer_after_minutes"] = *bufferAfterMinutes;
    return json;
}

QDebug operator<<(QDebug dbg, const Activity& a)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace() << "Activity(id=" << a.id << ", name=" << a.name << ", enabled=" << a.enabled
                  << ", dayOfWeek=" << a.dayOfWeek << ", " << a.startTime << "-" << a.endTime
                  << ", buffers=" << a.bufferBeforeMinutes << "/" << a.bufferAfterMinutes << ")";
    return dbg;
}

QDebug operator<<(QDebug dbg, const ActivityCreate& activity)
{
    return printJson(dbg, "ActivityCreate", activity.toJson());
}

QDebug operator<<(QDebug dbg, const ActivityUpdate& update)
{
    return printJson(dbg, "ActivityUpdate", update.toJson());
}
