#include "Clock.h"

namespace {
std::function<qint64()>& source()
{
    static std::function<qint64()> s;
    return s;
}
}  // namespace

namespace Clock {

qint64 nowMSecs()
{
    const auto& s = source();
    return s ? s() : QDateTime::currentMSecsSinceEpoch();
}

QDateTime now()
{
    return QDateTime::fromMSecsSinceEpoch(nowMSecs(), Qt::UTC);
}

void setSource(std::function<qint64()> s)
{
    source() = std::move(s);
}

}  // namespace Clock
