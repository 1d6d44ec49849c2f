#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Moments are kept as milliseconds since the Unix epoch and written as RFC 3339 UTC.
int64_t nowMillis();
std::string formatMoment(int64_t epochMillis, bool withMillis);

// Local calendar days of this machine, "yyyy-MM-dd": the day of the moment, and
// the `count` days ending with it, newest first.
std::string localDay(int64_t epochMillis);
std::vector<std::string> localDaysEndingAt(int64_t epochMillis, int count);
