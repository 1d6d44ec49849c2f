#pragma once

#include <QDateTime>
#include <functional>

// The one place the console reads the wall clock, so time-dependent rules
// (unlock codes, online state, relative ages, bonus countdown) can be tested
// at exact moments.
namespace Clock {

// Milliseconds since the Unix epoch.
qint64 nowMSecs();
QDateTime now();  // UTC

// Replaces the clock; an empty function restores the system clock.
void setSource(std::function<qint64()> source);

}  // namespace Clock
