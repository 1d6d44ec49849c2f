#include "TimeOfDay.h"

#include <QList>
#include <optional>

namespace {

constexpr qint64 minutesPerDay = 24 * 60;

std::optional<qint64> wholeNumber(QStringView piece)
{
    QStringView digits = piece;
    if (digits.startsWith(u'+') || digits.startsWith(u'-'))
        digits = digits.mid(1);
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar ch : digits) {
        // toLongLong alone would also take surrounding spaces.
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = piece.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// Non-negative remainder.
qint64 wrap(qint64 value, qint64 modulus)
{
    const qint64 rest = value % modulus;
    return rest < 0 ? rest + modulus : rest;
}

}  // namespace

TimeOfDay::TimeOfDay(QObject* parent) : QObject(parent) {}

TimeOfDay::HourMinute TimeOfDay::parse(QStringView text)
{
    QList<qint64> numbers;
    for (const QStringView piece : text.split(u':', Qt::SkipEmptyParts)) {
        if (const auto number = wholeNumber(piece))
            numbers.append(*number);
    }
    const qint64 hour = numbers.size() > 0 ? numbers[0] : 0;
    const qint64 minute = numbers.size() > 1 ? numbers[1] : 0;
    // Reduced piecewise so that huge figures cannot overflow.
    const qint64 total = wrap(wrap(hour, 24) * 60 + wrap(minute, minutesPerDay), minutesPerDay);
    return {int(total / 60), int(total % 60)};
}

QString TimeOfDay::format(int hour, int minute)
{
    return QString::asprintf("%02d:%02d", hour, minute);
}
