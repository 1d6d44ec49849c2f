#pragma once

#include <QString>
#include <functional>

// The console's only log: lines for the system log (syslog on POSIX).
// Never pass a secret here.
namespace Log {

void write(const QString& line);

// Replaces where lines go (tests capture them); an empty function restores syslog.
void setSink(std::function<void(const QString&)> sink);

}  // namespace Log
