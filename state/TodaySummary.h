#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The figures and the bar colour of the detail screen's today card.
class TodaySummary final : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit TodaySummary(QObject* parent = nullptr);

    // The Theme colour of the usage bar: "red" above 0.9 of the limit,
    // "orange" above 0.7, else "green" (0.9 itself is orange, 0.7 green).
    Q_INVOKABLE static QString barColorName(double fraction);
    // Today's whole minutes (cut toward zero), e.g. "1h 5m".
    Q_INVOKABLE static QString usedText(double minutes);
    // "of 2h 0m".
    Q_INVOKABLE static QString limitText(qint64 minutes);
};
