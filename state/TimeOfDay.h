#pragma once

#include <QObject>
#include <QString>
#include <QStringView>
#include <QtQml/qqmlregistration.h>

// Times of day as the policy carries them ("07:05") and as the compact time
// picker edits them: an hour 0…23 and a minute 0…59.
class TimeOfDay final : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    struct HourMinute
    {
        int hour = 0;
        int minute = 0;

        bool operator==(const HourMinute&) const = default;
    };

    explicit TimeOfDay(QObject* parent = nullptr);

    // The pieces between colons, empty ones dropped; only whole decimal
    // numbers (an optional sign, then digits) count, so "x:30" reads 30 as
    // the hour. Hour is the first number kept, minute the second, each 0 when
    // missing. Out-of-range figures roll over as a lenient calendar does:
    // "30:00" is 06:00, "07:75" is 08:15, "-1" is 23:00.
    static HourMinute parse(QStringView text);
    // "%02d:%02d".
    static QString format(int hour, int minute);

    Q_INVOKABLE static int hourOf(const QString& text) { return parse(text).hour; }
    Q_INVOKABLE static int minuteOf(const QString& text) { return parse(text).minute; }
    Q_INVOKABLE static QString text(int hour, int minute) { return format(hour, minute); }
};
