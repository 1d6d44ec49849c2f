#include "Log.h"

#include <syslog.h>

namespace {
std::function<void(const QString&)>& sink()
{
    static std::function<void(const QString&)> s;
    return s;
}
}  // namespace

namespace Log {

void write(const QString& line)
{
    if (const auto& s = sink()) {
        s(line);
        return;
    }
    syslog(LOG_NOTICE, "%s", line.toUtf8().constData());
}

void setSink(std::function<void(const QString&)> s)
{
    sink() = std::move(s);
}

}  // namespace Log
