#pragma once

#include "DeviceDetailViewModel.h"
#include "Policy.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <optional>
#include <vector>

// What the downtime and screen-time editors show for the policy of one
// detail state: the weekday and weekend windows with their fall-back to the
// default window, the weekend figure and the seven per-day rows. Follows the
// state's policy as the service answers. Not final: QML derives from a type it creates.
class PolicyRows : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(DeviceDetailViewModel* vm READ vm WRITE setVm NOTIFY vmChanged REQUIRED)
    // The window times the weekday and weekend rows show: the override, else the default.
    Q_PROPERTY(QString weekdayStart READ weekdayStart NOTIFY policyChanged)
    Q_PROPERTY(QString weekdayEnd READ weekdayEnd NOTIFY policyChanged)
    Q_PROPERTY(QString weekendStart READ weekendStart NOTIFY policyChanged)
    Q_PROPERTY(QString weekendEnd READ weekendEnd NOTIFY policyChanged)
    // Either end of that window is overridden, so "Reset" is offered.
    Q_PROPERTY(bool weekdayOverridden READ weekdayOverridden NOTIFY policyChanged)
    Q_PROPERTY(bool weekendOverridden READ weekendOverridden NOTIFY policyChanged)
    // The weekend limit, else the daily limit.
    Q_PROPERTY(qint64 weekendMinutes READ weekendMinutes NOTIFY policyChanged)
    Q_PROPERTY(bool hasWeekendLimit READ hasWeekendLimit NOTIFY policyChanged)
    // Monday first: [{label, index, overridden, minutes}], minutes being the
    // override or, without one, the limit that applies to that day.
    Q_PROPERTY(QVariantList days READ days NOTIFY policyChanged)

public:
    struct DayRow
    {
        QString label;
        int index = 0;
        std::optional<qint64> value;  // the day's override
        qint64 minutes = 0;           // what the row shows

        bool operator==(const DayRow&) const = default;
    };

    explicit PolicyRows(QObject* parent = nullptr);

    DeviceDetailViewModel* vm() const { return m_vm; }
    void setVm(DeviceDetailViewModel* vm);

    QString weekdayStart() const { return windowTime(policy().downtimeWeekdayStart, policy().downtimeStart); }
    QString weekdayEnd() const { return windowTime(policy().downtimeWeekdayEnd, policy().downtimeEnd); }
    QString weekendStart() const { return windowTime(policy().downtimeWeekendStart, policy().downtimeStart); }
    QString weekendEnd() const { return windowTime(policy().downtimeWeekendEnd, policy().downtimeEnd); }
    bool weekdayOverridden() const { return policy().downtimeWeekdayStart || policy().downtimeWeekdayEnd; }
    bool weekendOverridden() const { return policy().downtimeWeekendStart || policy().downtimeWeekendEnd; }
    qint64 weekendMinutes() const { return weekendMinutes(policy()); }
    bool hasWeekendLimit() const { return policy().screenTimeWeekendLimitMinutes.has_value(); }
    QVariantList days() const;

    static QString windowTime(const std::optional<QString>& override, const QString& fallback);
    static qint64 weekendMinutes(const Policy& policy);
    // Saturday and Sunday default to the weekend limit when there is one;
    // every other day, and every day without one, to the daily limit.
    static std::vector<DayRow> dayRows(const Policy& policy);

signals:
    void vmChanged();
    void policyChanged();

private:
    // The state's policy; an empty one before the first load.
    const Policy& policy() const;

    QPointer<DeviceDetailViewModel> m_vm;
    QMetaObject::Connection m_connection;
};
