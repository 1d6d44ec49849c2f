#include "Countdown.h"

#include <algorithm>

Countdown::Countdown(QObject* parent) : QObject(parent) {}

QString Countdown::clockText(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString Countdown::validForText(qint64 seconds)
{
    return QStringLiteral("Valid for ") + clockText(seconds);
}

double Countdown::codeFraction(qint64 seconds)
{
    return std::clamp(double(seconds) / double(codeStepSeconds), 0.0, 1.0);
}

QString Countdown::bonusActiveText(qint64 seconds)
{
    return QStringLiteral("Bonus active \u2014 ") + clockText(seconds) + QStringLiteral(" remaining");
}
