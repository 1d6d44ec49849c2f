#include "TodaySummary.h"

#include "UsageEntry.h"

TodaySummary::TodaySummary(QObject* parent) : QObject(parent) {}

QString TodaySummary::barColorName(double fraction)
{
    if (fraction > 0.9)
        return QStringLiteral("red");
    if (fraction > 0.7)
        return QStringLiteral("orange");
    return QStringLiteral("green");
}

QString TodaySummary::usedText(double minutes)
{
    // The usage entry's own rule, which also copes with NaN and huge figures.
    return UsageEntry{.totalMinutes = minutes}.formattedTime();
}

QString TodaySummary::limitText(qint64 minutes)
{
    return QStringLiteral("of ") + formatMinutes(minutes);
}
