#include "Moment.h"

#include "Clock.h"

#include <QDate>
#include <QTime>

namespace {

bool isAsciiDigit(QChar c)
{
    // QChar::isDigit also takes other scripts' digits, which are no part of the format.
    return c >= u'0' && c <= u'9';
}

// The value of `count` ASCII digits at `pos`, or -1 when one is not a digit.
int digits(QStringView text, qsizetype pos, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const QChar c = text[pos + i];
        if (!isAsciiDigit(c))
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

bool isLetter(QChar c, char16_t upper)
{
    return c == upper || c == QChar(upper).toLower();
}

}  // namespace

std::optional<QDateTime> parseMoment(QStringView text)
{
    // "YYYY-MM-DDThh:mm:ss" and at least the one-letter zone.
    constexpr qsizetype dateTimeLength = 19;
    if (text.size() < dateTimeLength + 1)
        return std::nullopt;
    if (text[4] != u'-' || text[7] != u'-' || !isLetter(text[10], u'T') || text[13] != u':'
        || text[16] != u':')
        return std::nullopt;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    int second = digits(text, 17, 2);
    // QDate has no year 0, so 0000 is refused along with impossible days.
    if (year < 0 || month < 0 || day < 0 || !QDate::isValid(year, month, day))
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;

    qsizetype pos = dateTimeLength;
    int msec = 0;
    if (text[pos] == u'.') {
        const qsizetype start = ++pos;
        while (pos < text.size() && isAsciiDigit(text[pos]))
            ++pos;
        const qsizetype count = pos - start;
        if (count < 1 || count > 9)
            return std::nullopt;
        // Cut, never rounded, so the second itself never changes.
        const int used = int(qMin<qsizetype>(count, 3));
        msec = digits(text, start, used);
        for (int i = used; i < 3; ++i)
            msec *= 10;
    }

    if (pos >= text.size())
        return std::nullopt;
    int offsetSeconds = 0;
    if (isLetter(text[pos], u'Z')) {
        ++pos;
    } else if (text[pos] == u'+' || text[pos] == u'-') {
        if (text.size() - pos < 6 || text[pos + 3] != u':')
            return std::nullopt;
        const int offsetHours = digits(text, pos + 1, 2);
        const int offsetMinutes = digits(text, pos + 4, 2);
        if (offsetHours < 0 || offsetHours > 23 || offsetMinutes < 0 || offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = (offsetHours * 3600 + offsetMinutes * 60) * (text[pos] == u'-' ? -1 : 1);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    const bool leapSecond = second == 60;
    if (leapSecond)
        second = 59;
    const QDateTime local(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC);
    return local.addSecs((leapSecond ? 1 : 0) - offsetSeconds);
}

bool isOnline(const std::optional<QString>& lastSeen)
{
    if (!lastSeen)
        return false;
    const auto moment = parseMoment(*lastSeen);
    if (!moment)
        return false;
    constexpr qint64 onlineWindowMs = 180'000;
    return Clock::nowMSecs() - moment->toMSecsSinceEpoch() < onlineWindowMs;
}
