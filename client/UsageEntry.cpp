#include "UsageEntry.h"

#include "JsonRead.h"

#include <QDate>
#include <QLocale>
#include <cmath>
#include <limits>

UsageEntry UsageEntry::fromJson(const nlohmann::json& json)
{
    requireObject(json);
    return {
        .date = requiredString(json, "date"),
        .totalMinutes = requiredDouble(json, "total_minutes"),
    };
}

QString UsageEntry::dayLabel() const
{
    const QDate day = QDate::fromString(date, u"yyyy-MM-dd");
    // The round trip refuses anything the parser might let through beyond the exact form.
    if (!day.isValid() || day.toString(u"yyyy-MM-dd") != date)
        return date;
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(day, u"ddd, d");
}

QString UsageEntry::formattedTime() const
{
    // Converting a double outside qint64 (or NaN) to an integer is undefined.
    const double whole = std::trunc(totalMinutes);
    qint64 minutes = 0;
    if (std::isnan(whole))
        minutes = 0;
    else if (whole >= 0x1p63)
        minutes = std::numeric_limits<qint64>::max();
    else if (whole < -0x1p63)
        minutes = std::numeric_limits<qint64>::min();
    else
        minutes = qint64(whole);
    return formatMinutes(minutes);
}

QString formatMinutes(qint64 minutes)
{
    // Quotient and remainder share the sign of `minutes`; showing their
    // magnitudes after one sign keeps -75 from reading as "-15m".
    const qint64 hours = minutes / 60;
    const qint64 rest = minutes % 60;
    const QString sign = minutes < 0 ? QStringLiteral("-") : QString();
    if (hours != 0)
        return QStringLiteral("%1%2h %3m")
            .arg(sign, QString::number(qAbs(hours)), QString::number(qAbs(rest)));
    return QStringLiteral("%1%2m").arg(sign, QString::number(qAbs(rest)));
}

QDebug operator<<(QDebug dbg, const UsageEntry& entry)
{
    const QDebugStateSaver saver(dbg);
    dbg.nospace() << "UsageEntry(date=" << entry.date << ", totalMinutes=" << entry.totalMinutes
                  << ")";
    return dbg;
}
