#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>

// The minute steppers of the screen-time editor: 15 minutes to 12 hours in
// steps of 15, labelled like every other duration on screen.
class MinuteSteps final : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    static constexpr qint64 minimum = 15;
    static constexpr qint64 maximum = 720;
    static constexpr qint64 stepSize = 15;

    explicit MinuteSteps(QObject* parent = nullptr);

    // The figure `steps` steps on, held within 15…720; nothing when that
    // leaves it where it is (a stepper at its end).
    static std::optional<qint64> stepped(qint64 minutes, int steps);

    // stepped() for QML: the new figure, or undefined.
    Q_INVOKABLE static QVariant step(qint64 minutes, int steps);
    Q_INVOKABLE static bool canStep(qint64 minutes, int steps) { return stepped(minutes, steps).has_value(); }
    // "1h 15m".
    Q_INVOKABLE static QString text(qint64 minutes);
};
