#include "MinuteSteps.h"

#include "UsageEntry.h"

#include <algorithm>

MinuteSteps::MinuteSteps(QObject* parent) : QObject(parent) {}

std::optional<qint64> MinuteSteps::stepped(qint64 minutes, int steps)
{
    // A figure outside the range (set elsewhere) steps back into it; held
    // first so that no figure the service sends can overflow the sum.
    const qint64 from = std::clamp(minutes, minimum - stepSize, maximum + stepSize);
    const qint64 next = std::clamp(from + qint64(std::clamp(steps, -100, 100)) * stepSize, minimum, maximum);
    if (next == minutes || (steps > 0 && next < minutes) || (steps < 0 && next > minutes))
        return std::nullopt;
    return next;
}

QVariant MinuteSteps::step(qint64 minutes, int steps)
{
    const auto next = stepped(minutes, steps);
    return next ? QVariant(*next) : QVariant();
}

QString MinuteSteps::text(qint64 minutes)
{
    return formatMinutes(minutes);
}
