#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The texts and bar fraction of the two countdowns on the detail screen: the
// unlock code's time left in its step and the running bonus.
class Countdown final : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    // Length of one unlock code step; the bar is full at the start of a step.
    static constexpr qint64 codeStepSeconds = 300;

    explicit Countdown(QObject* parent = nullptr);

    // "m:ss": whole minutes unpadded, seconds as two digits; below 0 reads 0:00.
    static QString clockText(qint64 seconds);

    // "Valid for 2:05".
    Q_INVOKABLE static QString validForText(qint64 seconds);
    // Share of the code step left, 0 to 1.
    Q_INVOKABLE static double codeFraction(qint64 seconds);
    // "Bonus active — 15:05 remaining".
    Q_INVOKABLE static QString bonusActiveText(qint64 seconds);
};
