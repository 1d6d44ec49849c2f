#include "UsageChartModel.h"

#include "UsageEntry.h"

#include <QVariantMap>
#include <algorithm>
#include <cmath>

UsageChartModel::UsageChartModel(QObject* parent) : QObject(parent) {}

void UsageChartModel::setUsage(const QVariantList& usage)
{
    if (usage == m_usage)
        return;
    m_usage = usage;
    emit usageChanged();
    emit chartChanged();
}

void UsageChartModel::setLimitMinutes(qint64 minutes)
{
    if (minutes == m_limitMinutes)
        return;
    m_limitMinutes = minutes;
    emit limitMinutesChanged();
    emit chartChanged();
}

QString UsageChartModel::limitCaption() const
{
    return QStringLiteral("Limit: ") + formatMinutes(m_limitMinutes);
}

double UsageChartModel::limitLineHeight() const
{
    return heightFor(double(m_limitMinutes), maxMinutes(dayMinutes(), m_limitMinutes));
}

QVariantList UsageChartModel::columns() const
{
    const std::vector<double> days = dayMinutes();
    const double max = maxMinutes(days, m_limitMinutes);
    QVariantList result;
    result.reserve(m_usage.size());
    for (qsizetype i = m_usage.size() - 1; i >= 0; --i) {
        const QVariantMap entry = m_usage.at(i).toMap();
        const double minutes = days[size_t(i)];
        result.append(QVariantMap{{QStringLiteral("date"), entry.value(QStringLiteral("date"))},
                                  {QStringLiteral("dayLabel"), entry.value(QStringLiteral("dayLabel"))},
                                  {QStringLiteral("formattedTime"), entry.value(QStringLiteral("formattedTime"))},
                                  {QStringLiteral("barHeight"), heightFor(minutes, max)},
                                  {QStringLiteral("tone"), toneName(tone(minutes, m_limitMinutes))}});
    }
    return result;
}

double UsageChartModel::maxMinutes(const std::vector<double>& days, qint64 limitMinutes)
{
    double max = 0;
    for (double minutes : days)
        max = std::max(max, minutes);
    return std::max(max, double(limitMinutes));
}

double UsageChartModel::heightFor(double minutes, double max)
{
    if (!(max > 0) || !std::isfinite(max))
        return 0;
    // A negative day or limit cannot draw below the plot's bottom.
    return std::clamp(minutes / max, 0.0, 1.0) * plotHeightPoints;
}

UsageChartModel::Tone UsageChartModel::tone(double minutes, qint64 limitMinutes)
{
    // 0 / 0 is not a number and compares false both ways, which keeps an
    // unused day blue under a zero limit.
    const double ratio = minutes / double(limitMinutes);
    if (ratio > 1.0)
        return Tone::red;
    if (ratio > 0.8)
        return Tone::orange;
    return Tone::blue;
}

QString UsageChartModel::toneName(Tone tone)
{
    switch (tone) {
    case Tone::red: return QStringLiteral("red");
    case Tone::orange: return QStringLiteral("orange");
    case Tone::blue: break;
    }
    return QStringLiteral("blue");
}

std::vector<double> UsageChartModel::dayMinutes() const
{
    std::vector<double> days;
    days.reserve(size_t(m_usage.size()));
    for (const QVariant& entry : m_usage) {
        const double minutes = entry.toMap().value(QStringLiteral("totalMinutes")).toDouble();
        days.push_back(std::isnan(minutes) ? 0.0 : minutes);
    }
    return days;
}
