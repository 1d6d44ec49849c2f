#include "PolicyRows.h"

#include "DeviceDetailViewModel.h"

#include <QVariantMap>
#include <array>

PolicyRows::PolicyRows(QObject* parent) : QObject(parent) {}

void PolicyRows::setVm(DeviceDetailViewModel* vm)
{
    if (vm == m_vm)
        return;
    disconnect(m_connection);
    m_vm = vm;
    if (vm)
        m_connection = connect(vm, &DeviceDetailViewModel::policyChanged, this, &PolicyRows::policyChanged);
    emit vmChanged();
    emit policyChanged();
}

const Policy& PolicyRows::policy() const
{
    static const Policy none;
    return m_vm && m_vm->policy() ? *m_vm->policy() : none;
}

QVariantList PolicyRows::days() const
{
    QVariantList list;
    for (const DayRow& row : dayRows(policy())) {
        list.append(QVariantMap{{QStringLiteral("label"), row.label},
                                {QStringLiteral("index"), row.index},
                                {QStringLiteral("overridden"), row.value.has_value()},
                                {QStringLiteral("minutes"), row.minutes}});
    }
    return list;
}

QString PolicyRows::windowTime(const std::optional<QString>& override, const QString& fallback)
{
    return override.value_or(fallback);
}

qint64 PolicyRows::weekendMinutes(const Policy& policy)
{
    return policy.screenTimeWeekendLimitMinutes.value_or(policy.screenTimeLimitMinutes);
}

std::vector<PolicyRows::DayRow> PolicyRows::dayRows(const Policy& policy)
{
    const std::array<std::pair<const char*, const std::optional<qint64>*>, 7> days{{
        {"Mon", &policy.screenTimeMonMinutes},
        {"Tue", &policy.screenTimeTueMinutes},
        {"Wed", &policy.screenTimeWedMinutes},
        {"Thu", &policy.screenTimeThuMinutes},
        {"Fri", &policy.screenTimeFriMinutes},
        {"Sat", &policy.screenTimeSatMinutes},
        {"Sun", &policy.screenTimeSunMinutes},
    }};
    std::vector<DayRow> rows;
    for (int index = 0; index < int(days.size()); ++index) {
        const bool weekend = index >= 5;
        const qint64 fallback = weekend ? weekendMinutes(policy) : policy.screenTimeLimitMinutes;
        const std::optional<qint64>& value = *days[index].second;
        rows.push_back({QString::fromLatin1(days[index].first), index, value, value.value_or(fallback)});
    }
    return rows;
}
