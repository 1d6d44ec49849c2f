#include "Moments.h"

#include <chrono>
#include <cstdio>
#include <ctime>

int64_t nowMillis()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string formatMoment(int64_t epochMillis, bool withMillis)
{
    // Floor division keeps moments before 1970 correct as well.
    int64_t seconds = epochMillis / 1000;
    int64_t millis = epochMillis % 1000;
    if (millis < 0) {
        millis += 1000;
        seconds -= 1;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc {};
    gmtime_r(&t, &utc);
    char text[64];
    if (withMillis) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                      utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                      utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    }
    return text;
}

namespace {

std::string dayText(const std::tm& day)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.tm_year + 1900, day.tm_mon + 1, day.tm_mday);
    return text;
}

} // namespace

std::string localDay(int64_t epochMillis)
{
    const std::time_t t = static_cast<std::time_t>(epochMillis / 1000);
    std::tm local {};
    localtime_r(&t, &local);
    return dayText(local);
}

std::vector<std::string> localDaysEndingAt(int64_t epochMillis, int count)
{
    const std::time_t t = static_cast<std::time_t>(epochMillis / 1000);
    std::tm today {};
    localtime_r(&t, &today);
    std::vector<std::string> days;
    days.reserve(static_cast<size_t>(count));
    for (int back = 0; back < count; ++back) {
        // Counting back on the calendar at noon, not in steps of 24 hours, so a
        // daylight-saving change never skips or repeats a day.
        std::tm day = today;
        day.tm_mday -= back;
        day.tm_hour = 12;
        day.tm_min = 0;
        day.tm_sec = 0;
        day.tm_isdst = -1;
        std::mktime(&day);
        days.push_back(dayText(day));
    }
    return days;
}
