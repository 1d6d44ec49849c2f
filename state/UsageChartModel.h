#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <vector>

// The arithmetic of the week's usage chart: every bar and the limit line are
// scaled against the larger of the busiest day and the daily limit, so the
// limit line never leaves the plot. Not final: QML derives from the types
// it creates.
class UsageChartModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    // Usage as the detail state publishes it, today first:
    // [{date, totalMinutes, dayLabel, formattedTime}].
    Q_PROPERTY(QVariantList usage READ usage WRITE setUsage NOTIFY usageChanged)
    Q_PROPERTY(qint64 limitMinutes READ limitMinutes WRITE setLimitMinutes NOTIFY limitMinutesChanged)
    // Height of the plot every other height is a share of.
    Q_PROPERTY(double plotHeight READ plotHeight CONSTANT)
    // "Limit: 2h 0m".
    Q_PROPERTY(QString limitCaption READ limitCaption NOTIFY limitMinutesChanged)
    // The limit line's distance above the plot's bottom.
    Q_PROPERTY(double limitLineHeight READ limitLineHeight NOTIFY chartChanged)
    // One column per day, oldest on the left (the reverse of `usage`):
    // [{date, dayLabel, formattedTime, barHeight, tone}], tone being
    // "blue", "orange" or "red".
    Q_PROPERTY(QVariantList columns READ columns NOTIFY chartChanged)

public:
    enum class Tone { blue, orange, red };

    static constexpr double plotHeightPoints = 120;

    explicit UsageChartModel(QObject* parent = nullptr);

    QVariantList usage() const { return m_usage; }
    void setUsage(const QVariantList& usage);
    qint64 limitMinutes() const { return m_limitMinutes; }
    void setLimitMinutes(qint64 minutes);

    double plotHeight() const { return plotHeightPoints; }
    QString limitCaption() const;
    double limitLineHeight() const;
    QVariantList columns() const;

    // The largest day, or the limit when that is larger; 0 without days.
    static double maxMinutes(const std::vector<double>& days, qint64 limitMinutes);
    // Share of the plot for `minutes` against `max`; 0 when nothing is to scale.
    static double heightFor(double minutes, double max);
    // Over the limit red, above 80 % of it orange, else blue. A zero limit
    // makes any use red; no use at all stays blue.
    static Tone tone(double minutes, qint64 limitMinutes);
    static QString toneName(Tone tone);

signals:
    void usageChanged();
    void limitMinutesChanged();
    void chartChanged();

private:
    std::vector<double> dayMinutes() const;

    QVariantList m_usage;
    qint64 m_limitMinutes = 120;
};
