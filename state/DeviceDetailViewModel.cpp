#include "DeviceDetailViewModel.h"

#include "Clock.h"
#include "Moment.h"
#include "TOTPGenerator.h"

#include <QMetaType>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace {

// Runs its function when the scope ends, however it ends: a busy flag must
// not stay set after a failure.
template <class F>
class ScopeExit
{
public:
    explicit ScopeExit(F f) : m_f(std::move(f)) {}
    ~ScopeExit() { m_f(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F m_f;
};

constexpr qint64 defaultLimitMinutes = 120;
constexpr qint64 usageDays = 7;

QString failureText(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return describeError(e);
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

// Waits for a fetch whose outcome no longer matters.
template <class T>
QCoro::Task<void> settle(QCoro::Task<T>& task)
{
    try {
        co_await task;
    } catch (...) {
    }
}

void putOptional(QVariantMap& map, const QString& key, const std::optional<QString>& value)
{
    if (value)
        map.insert(key, *value);
}

void putOptional(QVariantMap& map, const QString& key, const std::optional<qint64>& value)
{
    if (value)
        map.insert(key, *value);
}

QVariantMap toVariant(const Device& device)
{
    QVariantMap map{{QStringLiteral("id"), device.id},
                    {QStringLiteral("name"), device.name},
                    {QStringLiteral("childName"), device.childName}};
    putOptional(map, QStringLiteral("apiToken"), device.apiToken);
    putOptional(map, QStringLiteral("sharedSecret"), device.sharedSecret);
    putOptional(map, QStringLiteral("agentVersion"), device.agentVersion);
    putOptional(map, QStringLiteral("lastSeen"), device.lastSeen);
    putOptional(map, QStringLiteral("createdAt"), device.createdAt);
    putOptional(map, QStringLiteral("bonusUntil"), device.bonusUntil);
    return map;
}

QVariantMap toVariant(const Policy& policy)
{
    QVariantMap map{{QStringLiteral("downtimeEnabled"), policy.downtimeEnabled},
                    {QStringLiteral("downtimeStart"), policy.downtimeStart},
                    {QStringLiteral("downtimeEnd"), policy.downtimeEnd},
                    {QStringLiteral("screenTimeEnabled"), policy.screenTimeEnabled},
                    {QStringLiteral("screenTimeLimitMinutes"), policy.screenTimeLimitMinutes}};
    putOptional(map, QStringLiteral("downtimeWeekdayStart"), policy.downtimeWeekdayStart);
    putOptional(map, QStringLiteral("downtimeWeekdayEnd"), policy.downtimeWeekdayEnd);
    putOptional(map, QStringLiteral("downtimeWeekendStart"), policy.downtimeWeekendStart);
    putOptional(map, QStringLiteral("downtimeWeekendEnd"), policy.downtimeWeekendEnd);
    putOptional(map, QStringLiteral("screenTimeWeekendLimitMinutes"), policy.screenTimeWeekendLimitMinutes);
    putOptional(map, QStringLiteral("screenTimeMonMinutes"), policy.screenTimeMonMinutes);
    putOptional(map, QStringLiteral("screenTimeTueMinutes"), policy.screenTimeTueMinutes);
    putOptional(map, QStringLiteral("screenTimeWedMinutes"), policy.screenTimeWedMinutes);
    putOptional(map, QStringLiteral("screenTimeThuMinutes"), policy.screenTimeThuMinutes);
    putOptional(map, QStringLiteral("screenTimeFriMinutes"), policy.screenTimeFriMinutes);
    putOptional(map, QStringLiteral("screenTimeSatMinutes"), policy.screenTimeSatMinutes);
    putOptional(map, QStringLiteral("screenTimeSunMinutes"), policy.screenTimeSunMinutes);
    return map;
}

QVariantMap toVariant(const UsageEntry& entry)
{
    return {{QStringLiteral("date"), entry.date},
            {QStringLiteral("totalMinutes"), entry.totalMinutes},
            {QStringLiteral("dayLabel"), entry.dayLabel()},
            {QStringLiteral("formattedTime"), entry.formattedTime()}};
}

QVariantMap toVariant(const Activity& activity)
{
    return {{QStringLiteral("id"), activity.id},
            {QStringLiteral("name"), activity.name},
            {QStringLiteral("dayOfWeek"), activity.dayOfWeek},
            {QStringLiteral("startTime"), activity.startTime},
            {QStringLiteral("endTime"), activity.endTime},
            {QStringLiteral("bufferBeforeMinutes"), activity.bufferBeforeMinutes},
            {QStringLiteral("bufferAfterMinutes"), activity.bufferAfterMinutes},
            {QStringLiteral("enabled"), activity.enabled},
            {QStringLiteral("detailsText"), DeviceDetailViewModel::activityDetails(activity)}};
}

// QML hands over numbers as int or double; only whole numbers within qint64
// count as minutes or days.
std::optional<qint64> wholeNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::ULongLong: {
        const qulonglong n = value.toULongLong();
        if (n > qulonglong(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(n);
    }
    case QMetaType::Double: {
        const double d = value.toDouble();
        // 2^63 itself is out of range; every double below it converts exactly.
        if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            return std::nullopt;
        return qint64(d);
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> text(const QVariant& value)
{
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<bool> flag(const QVariant& value)
{
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}

// JavaScript's undefined arrives as an invalid variant, null as nullptr.
bool isNothing(const QVariant& value)
{
    return !value.isValid() || value.typeId() == QMetaType::Nullptr || value.isNull();
}

std::optional<qint64>* dayField(PolicyUpdate& update, qint64 day)
{
    switch (day) {
    case 0: return &update.screenTimeMonMinutes;
    case 1: return &update.screenTimeTueMinutes;
    case 2: return &update.screenTimeWedMinutes;
    case 3: return &update.screenTimeThuMinutes;
    case 4: return &update.screenTimeFriMinutes;
    case 5: return &update.screenTimeSatMinutes;
    case 6: return &update.screenTimeSunMinutes;
    default: return nullptr;
    }
}

// An update whose only present field is `field`.
template <class T>
PolicyUpdate only(std::optional<T> PolicyUpdate::*field, T value)
{
    PolicyUpdate update;
    update.*field = std::move(value);
    return update;
}

PolicyUpdate clearing(std::set<CodingKeys> keys)
{
    PolicyUpdate update;
    update.clearFields = std::move(keys);
    return update;
}

template <class T>
void takeNewer(std::optional<T>& result, const std::optional<T>& newer)
{
    if (newer)
        result = newer;
}

// One policy field as QML names it: how to set it in an update, and whether
// it may be removed (only the optional ones can).
struct PolicyField
{
    const char* name;
    CodingKeys key;
    bool optional;
    std::function<bool(PolicyUpdate&, const QVariant&)> set;
};

template <class T, class Convert>
std::function<bool(PolicyUpdate&, const QVariant&)> setter(std::optional<T> PolicyUpdate::*member, Convert convert)
{
    return [member, convert](PolicyUpdate& update, const QVariant& value) {
        const std::optional<T> converted = convert(value);
        if (!converted)
            return false;
        update.*member = *converted;
        return true;
    };
}

const std::vector<PolicyField>& policyFields()
{
    static const std::vector<PolicyField> fields{
        {"downtimeEnabled", CodingKeys::downtimeEnabled, false, setter(&PolicyUpdate::downtimeEnabled, flag)},
        {"downtimeStart", CodingKeys::downtimeStart, false, setter(&PolicyUpdate::downtimeStart, text)},
        {"downtimeEnd", CodingKeys::downtimeEnd, false, setter(&PolicyUpdate::downtimeEnd, text)},
        {"downtimeWeekdayStart", CodingKeys::downtimeWeekdayStart, true,
         setter(&PolicyUpdate::downtimeWeekdayStart, text)},
        {"downtimeWeekdayEnd", CodingKeys::downtimeWeekdayEnd, true, setter(&PolicyUpdate::downtimeWeekdayEnd, text)},
        {"downtimeWeekendStart", CodingKeys::downtimeWeekendStart, true,
         setter(&PolicyUpdate::downtimeWeekendStart, text)},
        {"downtimeWeekendEnd", CodingKeys::downtimeWeekendEnd, true, setter(&PolicyUpdate::downtimeWeekendEnd, text)},
        {"screenTimeEnabled", CodingKeys::screenTimeEnabled, false, setter(&PolicyUpdate::screenTimeEnabled, flag)},
        {"screenTimeLimitMinutes", CodingKeys::screenTimeLimitMinutes, false,
         setter(&PolicyUpdate::screenTimeLimitMinutes, wholeNumber)},
        {"screenTimeWeekendLimitMinutes", CodingKeys::screenTimeWeekendLimitMinutes, true,
         setter(&PolicyUpdate::screenTimeWeekendLimitMinutes, wholeNumber)},
        {"screenTimeMonMinutes", CodingKeys::screenTimeMonMinutes, true,
         setter(&PolicyUpdate::screenTimeMonMinutes, wholeNumber)},
        {"screenTimeTueMinutes", CodingKeys::screenTimeTueMinutes, true,
         setter(&PolicyUpdate::screenTimeTueMinutes, wholeNumber)},
        {"screenTimeWedMinutes", CodingKeys::screenTimeWedMinutes, true,
         setter(&PolicyUpdate::screenTimeWedMinutes, wholeNumber)},
        {"screenTimeThuMinutes", CodingKeys::screenTimeThuMinutes, true,
         setter(&PolicyUpdate::screenTimeThuMinutes, wholeNumber)},
        {"screenTimeFriMinutes", CodingKeys::screenTimeFriMinutes, true,
         setter(&PolicyUpdate::screenTimeFriMinutes, wholeNumber)},
        {"screenTimeSatMinutes", CodingKeys::screenTimeSatMinutes, true,
         setter(&PolicyUpdate::screenTimeSatMinutes, wholeNumber)},
        {"screenTimeSunMinutes", CodingKeys::screenTimeSunMinutes, true,
         setter(&PolicyUpdate::screenTimeSunMinutes, wholeNumber)},
    };
    return fields;
}

// A task that has already finished, for QML calls that send nothing.
QCoro::Task<void> nothing()
{
    co_return;
}

}  // namespace

DeviceDetailViewModel::DeviceDetailViewModel(QObject* parent)
    : QObject(parent)
{
}

DeviceDetailViewModel::DeviceDetailViewModel(QString deviceId, QObject* parent)
    : QObject(parent), m_deviceId(std::move(deviceId))
{
}

DeviceDetailViewModel::~DeviceDetailViewModel()
{
    // The aborts are queued, so the awaiting coroutines resume after this
    // object is gone and find their QPointer empty.
    m_scope.cancel();
    for (auto& [serial, scope] : m_loadScopes)
        scope.cancel();
}

void DeviceDetailViewModel::setDeviceId(const QString& id)
{
    if (id == m_deviceId)
        return;
    if (!m_deviceId.isEmpty()) {
        qWarning("DeviceDetailViewModel: the device id is set once; ignoring a change");
        return;
    }
    m_deviceId = id;
    emit deviceIdChanged();
}

// ---- Published fields ------------------------------------------------------

void DeviceDetailViewModel::setDevice(std::optional<Device> value)
{
    if (m_device == value)
        return;
    m_device = std::move(value);
    emit deviceChanged();
}

void DeviceDetailViewModel::setPolicy(std::optional<Policy> value)
{
    if (m_policy == value)
        return;
    const qint64 oldLimit = limitMinutes();
    const double oldPercent = usagePercent();
    m_policy = std::move(value);
    emit policyChanged();
    if (limitMinutes() != oldLimit)
        emit limitMinutesChanged();
    if (usagePercent() != oldPercent)
        emit usagePercentChanged();
}

void DeviceDetailViewModel::setUsage(std::vector<UsageEntry> value)
{
    if (m_usage == value)
        return;
    const double oldUsed = usedToday();
    const double oldPercent = usagePercent();
    m_usage = std::move(value);
    emit usageChanged();
    if (usedToday() != oldUsed)
        emit usedTodayChanged();
    if (usagePercent() != oldPercent)
        emit usagePercentChanged();
}

void DeviceDetailViewModel::setActivities(std::vector<Activity> value)
{
    if (m_activities == value)
        return;
    m_activities = std::move(value);
    m_activitiesValue.clear();
    m_activitiesValue.reserve(qsizetype(m_activities.size()));
    for (const Activity& activity : m_activities)
        m_activitiesValue.append(toVariant(activity));
    emit activitiesChanged();
}

void DeviceDetailViewModel::setError(std::optional<QString> value)
{
    const bool changed = m_error != value;
    m_error = std::move(value);
    if (changed)
        emit errorChanged();
    if (m_error)
        emit errorRaised();
}

void DeviceDetailViewModel::setCurrentTOTPCode(std::optional<QString> value)
{
    if (m_currentTOTPCode == value)
        return;
    m_currentTOTPCode = std::move(value);
    emit currentTOTPCodeChanged();
}

void DeviceDetailViewModel::setTotpSecondsRemaining(qint64 value)
{
    if (m_totpSecondsRemaining == value)
        return;
    m_totpSecondsRemaining = value;
    emit totpSecondsRemainingChanged();
}

void DeviceDetailViewModel::setBonusUntil(std::optional<QDateTime> value)
{
    if (m_bonusUntil == value)
        return;
    m_bonusUntil = std::move(value);
    emit bonusUntilChanged();
    emit bonusRemainingSecondsChanged();
}

int& DeviceDetailViewModel::busyCount(Busy which)
{
    switch (which) {
    case Busy::loading: return m_loadCount;
    case Busy::saving: return m_saveCount;
    case Busy::grantingBonus: return m_grantCount;
    }
    Q_UNREACHABLE();
}

void DeviceDetailViewModel::beginBusy(Busy which)
{
    if (busyCount(which)++ > 0)
        return;
    switch (which) {
    case Busy::loading: emit isLoadingChanged(); break;
    case Busy::saving: emit isSavingChanged(); break;
    case Busy::grantingBonus: emit isGrantingBonusChanged(); break;
    }
}

void DeviceDetailViewModel::endBusy(Busy which)
{
    if (--busyCount(which) > 0)
        return;
    switch (which) {
    case Busy::loading: emit isLoadingChanged(); break;
    case Busy::saving: emit isSavingChanged(); break;
    case Busy::grantingBonus: emit isGrantingBonusChanged(); break;
    }
}

// ---- Derived values ----------------------------------------------------------

qint64 DeviceDetailViewModel::limitMinutes() const
{
    return m_policy ? m_policy->screenTimeLimitMinutes : defaultLimitMinutes;
}

double DeviceDetailViewModel::usedToday() const
{
    return m_usage.empty() ? 0.0 : m_usage.front().totalMinutes;
}

double DeviceDetailViewModel::usagePercent() const
{
    const qint64 limit = limitMinutes();
    if (limit <= 0)
        return 0.0;
    const double fraction = usedToday() / double(limit);
    // A negative total (a broken answer) must not draw a bar of negative width.
    if (!(fraction > 0.0))
        return 0.0;
    return std::min(fraction, 1.0);
}

std::optional<qint64> DeviceDetailViewModel::bonusRemainingSeconds() const
{
    if (!m_bonusUntil)
        return std::nullopt;
    // Integer division cuts toward zero, as the countdown shows whole seconds.
    const qint64 seconds = (m_bonusUntil->toMSecsSinceEpoch() - Clock::nowMSecs()) / 1000;
    if (seconds <= 0)
        return std::nullopt;
    return seconds;
}

QVariant DeviceDetailViewModel::deviceValue() const
{
    return m_device ? QVariant(toVariant(*m_device)) : QVariant();
}

QVariant DeviceDetailViewModel::policyValue() const
{
    return m_policy ? QVariant(toVariant(*m_policy)) : QVariant();
}

QVariantList DeviceDetailViewModel::usageValue() const
{
    QVariantList list;
    list.reserve(qsizetype(m_usage.size()));
    for (const UsageEntry& entry : m_usage)
        list.append(toVariant(entry));
    return list;
}

QVariantList DeviceDetailViewModel::activitiesValue() const
{
    return m_activitiesValue;
}

QVariant DeviceDetailViewModel::errorValue() const
{
    return m_error ? QVariant(*m_error) : QVariant();
}

QVariant DeviceDetailViewModel::currentTOTPCodeValue() const
{
    return m_currentTOTPCode ? QVariant(*m_currentTOTPCode) : QVariant();
}

QVariant DeviceDetailViewModel::bonusUntilValue() const
{
    return m_bonusUntil ? QVariant(*m_bonusUntil) : QVariant();
}

QVariant DeviceDetailViewModel::bonusRemainingSecondsValue() const
{
    const auto seconds = bonusRemainingSeconds();
    return seconds ? QVariant(*seconds) : QVariant();
}

QString DeviceDetailViewModel::activityDetails(const Activity& activity)
{
    static const std::array<QString, 7> days{QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
                                             QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat"),
                                             QStringLiteral("Sun")};
    const qint64 day = std::clamp<qint64>(activity.dayOfWeek, 0, 6);
    return days[std::size_t(day)] + u' ' + activity.startTime + u'\u2013' + activity.endTime + QStringLiteral("  \u00B1")
           + QString::number(activity.bufferBeforeMinutes) + u'm';
}

bool DeviceDetailViewModel::deviceIsOnline() const
{
    return m_device && isOnline(m_device->lastSeen);
}

QString DeviceDetailViewModel::deviceLastSeenText() const
{
    return m_device ? m_device->lastSeenText() : QStringLiteral("never");
}

// ---- Loading ---------------------------------------------------------------------

QCoro::Task<void> DeviceDetailViewModel::load()
{
    QPointer<DeviceDetailViewModel> self(this);
    // A scope of its own: a failing fetch aborts only this load's others.
    RequestScope scope = RequestScope::create();
    const quint64 serial = m_nextLoad++;
    m_loadScopes.emplace(serial, scope);
    beginBusy(Busy::loading);
    const ScopeExit done([self, serial] {
        if (!self)
            return;
        self->m_loadScopes.erase(serial);
        self->endBusy(Busy::loading);
    });
    setError(std::nullopt);

    APIClient& api = APIClient::shared();
    // Tasks start running when called, so the four requests go out together.
    auto deviceTask = api.getDevice(m_deviceId, scope);
    auto policyTask = api.getPolicy(m_deviceId, scope);
    auto usageTask = api.getUsage(m_deviceId, usageDays, scope);
    auto activitiesTask = api.listActivities(m_deviceId, scope);

    std::optional<Device> device;
    std::optional<Policy> policy;
    std::optional<std::vector<UsageEntry>> usage;
    std::optional<std::vector<Activity>> activities;
    std::exception_ptr failure;
    try {
        device = co_await deviceTask;
        if (!self)
            co_return;
        policy = co_await policyTask;
        if (!self)
            co_return;
        usage = co_await usageTask;
        if (!self)
            co_return;
        activities = co_await activitiesTask;
        if (!self)
            co_return;
    } catch (...) {
        failure = std::current_exception();
    }

    if (failure) {
        scope.cancel();
        // The fetches after the failed one are still running; their outcomes
        // no longer matter, but they must not outlive the load.
        if (!device)
            co_await settle(policyTask);
        if (!policy)
            co_await settle(usageTask);
        if (!usage)
            co_await settle(activitiesTask);
        if (!self)
            co_return;
        setError(failureText(failure));
        co_return;
    }

    setDevice(std::move(device));
    setPolicy(std::move(policy));
    setUsage(std::move(*usage));
    setActivities(std::move(*activities));
    const std::optional<QString>& bonusText = m_device->bonusUntil;
    setBonusUntil(bonusText ? parseMoment(*bonusText) : std::nullopt);
}

// ---- Policy editing --------------------------------------------------------------

PolicyUpdate DeviceDetailViewModel::mergeUpdates(const std::optional<PolicyUpdate>& existing,
                                                 const PolicyUpdate& update)
{
    if (!existing)
        return update;
    PolicyUpdate merged = *existing;
    takeNewer(merged.downtimeEnabled, update.downtimeEnabled);
    takeNewer(merged.downtimeStart, update.downtimeStart);
    takeNewer(merged.downtimeEnd, update.downtimeEnd);
    takeNewer(merged.downtimeWeekdayStart, update.downtimeWeekdayStart);
    takeNewer(merged.downtimeWeekdayEnd, update.downtimeWeekdayEnd);
    takeNewer(merged.downtimeWeekendStart, update.downtimeWeekendStart);
    takeNewer(merged.downtimeWeekendEnd, update.downtimeWeekendEnd);
    takeNewer(merged.screenTimeEnabled, update.screenTimeEnabled);
    takeNewer(merged.screenTimeLimitMinutes, update.screenTimeLimitMinutes);
    takeNewer(merged.screenTimeWeekendLimitMinutes, update.screenTimeWeekendLimitMinutes);
    takeNewer(merged.screenTimeMonMinutes, update.screenTimeMonMinutes);
    takeNewer(merged.screenTimeTueMinutes, update.screenTimeTueMinutes);
    takeNewer(merged.screenTimeWedMinutes, update.screenTimeWedMinutes);
    takeNewer(merged.screenTimeThuMinutes, update.screenTimeThuMinutes);
    takeNewer(merged.screenTimeFriMinutes, update.screenTimeFriMinutes);
    takeNewer(merged.screenTimeSatMinutes, update.screenTimeSatMinutes);
    takeNewer(merged.screenTimeSunMinutes, update.screenTimeSunMinutes);
    merged.clearFields.insert(update.clearFields.begin(), update.clearFields.end());
    return merged;
}

QCoro::Task<void> DeviceDetailViewModel::updatePolicy(PolicyUpdate update)
{
    m_pendingUpdate = mergeUpdates(m_pendingUpdate, update);
    // The loop already running picks the merged update up after its send.
    if (m_isUpdating)
        co_return;

    QPointer<DeviceDetailViewModel> self(this);
    m_isUpdating = true;
    beginBusy(Busy::saving);
    const ScopeExit done([self] {
        if (!self)
            return;
        self->m_isUpdating = false;
        self->endBusy(Busy::saving);
    });

    while (m_pendingUpdate) {
        const PolicyUpdate next = std::move(*m_pendingUpdate);
        m_pendingUpdate.reset();
        std::exception_ptr failure;
        try {
            Policy answer = co_await APIClient::shared().updatePolicy(m_deviceId, next, m_scope);
            if (!self)
                co_return;
            setPolicy(std::move(answer));
        } catch (...) {
            failure = std::current_exception();
        }
        if (failure) {
            if (!self)
                co_return;
            // The failed update is dropped; edits merged meanwhile wait for the next one.
            setError(failureText(failure));
            co_return;
        }
    }
}

QCoro::Task<void> DeviceDetailViewModel::setDayLimit(qint64 day, qint64 minutes)
{
    PolicyUpdate update;
    std::optional<qint64>* field = dayField(update, day);
    if (!field)
        return nothing();
    *field = minutes;
    return updatePolicy(std::move(update));
}

QCoro::Task<void> DeviceDetailViewModel::clearDayLimit(qint64 day)
{
    if (day < 0 || day > 6)
        return nothing();
    return updatePolicy(clearing({CodingKeys(int(CodingKeys::screenTimeMonMinutes) + int(day))}));
}

QCoro::Task<void> DeviceDetailViewModel::clearWeekendLimit()
{
    return updatePolicy(clearing({CodingKeys::screenTimeWeekendLimitMinutes}));
}

QCoro::Task<void> DeviceDetailViewModel::clearDowntimeWeekdayOverride()
{
    return updatePolicy(clearing({CodingKeys::downtimeWeekdayStart, CodingKeys::downtimeWeekdayEnd}));
}

QCoro::Task<void> DeviceDetailViewModel::clearDowntimeWeekendOverride()
{
    return updatePolicy(clearing({CodingKeys::downtimeWeekendStart, CodingKeys::downtimeWeekendEnd}));
}

QCoro::Task<void> DeviceDetailViewModel::setDowntimeEnabled(bool enabled)
{
    return updatePolicy(only(&PolicyUpdate::downtimeEnabled, enabled));
}

QCoro::Task<void> DeviceDetailViewModel::setDowntimeStart(QString time)
{
    return updatePolicy(only(&PolicyUpdate::downtimeStart, std::move(time)));
}

QCoro::Task<void> DeviceDetailViewModel::setDowntimeEnd(QString time)
{
    return updatePolicy(only(&PolicyUpdate::downtimeEnd, std::move(time)));
}

QCoro::Task<void> DeviceDetailViewModel::setScreenTimeEnabled(bool enabled)
{
    return updatePolicy(only(&PolicyUpdate::screenTimeEnabled, enabled));
}

QCoro::Task<void> DeviceDetailViewModel::setScreenTimeLimit(qint64 minutes)
{
    return updatePolicy(only(&PolicyUpdate::screenTimeLimitMinutes, minutes));
}

QCoro::Task<void> DeviceDetailViewModel::setWeekendLimit(std::optional<qint64> minutes)
{
    if (!minutes)
        return clearWeekendLimit();
    return updatePolicy(only(&PolicyUpdate::screenTimeWeekendLimitMinutes, *minutes));
}

// ---- Bonus -------------------------------------------------------------------------

QCoro::Task<void> DeviceDetailViewModel::grantBonus(qint64 minutes)
{
    QPointer<DeviceDetailViewModel> self(this);
    beginBusy(Busy::grantingBonus);
    const ScopeExit done([self] {
        if (self)
            self->endBusy(Busy::grantingBonus);
    });
    std::exception_ptr failure;
    try {
        const GrantBonusResponse answer = co_await APIClient::shared().grantBonus(m_deviceId, minutes, m_scope);
        if (!self)
            co_return;
        // An end the parser cannot read shows as no bonus, not as a failure.
        setBonusUntil(parseMoment(answer.bonusUntil));
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && self)
        setError(failureText(failure));
}

// ---- Unlock code -------------------------------------------------------------------

void DeviceDetailViewModel::startTOTPGeneration()
{
    updateTOTPCode();
    stopTOTPGeneration();
    auto* timer = new QTimer(this);
    timer->setInterval(1000);
    connect(timer, &QTimer::timeout, this, &DeviceDetailViewModel::tick);
    timer->start();
    m_totpTimer = timer;
}

void DeviceDetailViewModel::stopTOTPGeneration()
{
    if (!m_totpTimer)
        return;
    m_totpTimer->stop();
    // Later, not now: this may run inside a slot of the timer's own tick.
    m_totpTimer->deleteLater();
    m_totpTimer = nullptr;
}

void DeviceDetailViewModel::tick()
{
    updateTOTPCode();
    emit bonusRemainingSecondsChanged();
}

void DeviceDetailViewModel::updateTOTPCode()
{
    if (!m_device || !m_device->sharedSecret) {
        setCurrentTOTPCode(std::nullopt);
        return;
    }
    setCurrentTOTPCode(TOTPGenerator::currentCode(*m_device->sharedSecret));
    setTotpSecondsRemaining(TOTPGenerator::secondsRemaining());
}

// ---- Activities --------------------------------------------------------------------

std::optional<Activity> DeviceDetailViewModel::findActivity(const QString& id) const
{
    const auto it = std::find_if(m_activities.begin(), m_activities.end(),
                                 [&](const Activity& activity) { return activity.id == id; });
    if (it == m_activities.end())
        return std::nullopt;
    return *it;
}

QCoro::Task<void> DeviceDetailViewModel::createActivity(ActivityCreate activity)
{
    QPointer<DeviceDetailViewModel> self(this);
    std::exception_ptr failure;
    try {
        Activity created = co_await APIClient::shared().createActivity(m_deviceId, std::move(activity), m_scope);
        if (!self)
            co_return;
        std::vector<Activity> list = m_activities;
        list.push_back(std::move(created));
        // Stable, so activities equal in day and start keep their order;
        // "hh:mm" texts compare chronologically by character code.
        std::stable_sort(list.begin(), list.end(), [](const Activity& a, const Activity& b) {
            if (a.dayOfWeek != b.dayOfWeek)
                return a.dayOfWeek < b.dayOfWeek;
            return a.startTime < b.startTime;
        });
        setActivities(std::move(list));
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && self)
        setError(failureText(failure));
}

QCoro::Task<void> DeviceDetailViewModel::toggleActivity(Activity activity)
{
    QPointer<DeviceDetailViewModel> self(this);
    ActivityUpdate update;
    update.enabled = !activity.enabled;
    std::exception_ptr failure;
    try {
        Activity answer = co_await APIClient::shared().updateActivity(m_deviceId, activity.id, update, m_scope);
        if (!self)
            co_return;
        // Looked up after the wait: a load or a delete may have changed the list.
        std::vector<Activity> list = m_activities;
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const Activity& shown) { return shown.id == activity.id; });
        if (it != list.end()) {
            *it = std::move(answer);
            setActivities(std::move(list));
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && self)
        setError(failureText(failure));
}

QCoro::Task<void> DeviceDetailViewModel::deleteActivity(Activity activity)
{
    QPointer<DeviceDetailViewModel> self(this);
    std::exception_ptr failure;
    try {
        co_await APIClient::shared().deleteActivity(m_deviceId, activity.id, m_scope);
        if (!self)
            co_return;
        std::vector<Activity> list = m_activities;
        std::erase_if(list, [&](const Activity& shown) { return shown.id == activity.id; });
        setActivities(std::move(list));
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && self)
        setError(failureText(failure));
}

// ---- Rename ------------------------------------------------------------------------

QCoro::Task<void> DeviceDetailViewModel::updateDeviceName(QString name, QString childName)
{
    QPointer<DeviceDetailViewModel> self(this);
    beginBusy(Busy::saving);
    const ScopeExit done([self] {
        if (self)
            self->endBusy(Busy::saving);
    });
    const DeviceUpdateRequest update{std::move(name), std::move(childName)};
    std::exception_ptr failure;
    try {
        Device answer = co_await APIClient::shared().updateDevice(m_deviceId, update, m_scope);
        if (!self)
            co_return;
        // bonusUntil stays as loaded or granted; only a load re-reads it.
        setDevice(std::move(answer));
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && self)
        setError(failureText(failure));
}

// ---- QML forms -----------------------------------------------------------------------

std::optional<PolicyUpdate> DeviceDetailViewModel::policyUpdateFromMap(const QVariantMap& changes)
{
    PolicyUpdate update;
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        const auto& fields = policyFields();
        const auto field = std::find_if(fields.begin(), fields.end(),
                                        [&](const PolicyField& f) { return it.key() == QLatin1String(f.name); });
        if (field == fields.end())
            return std::nullopt;
        if (isNothing(it.value())) {
            if (!field->optional)
                return std::nullopt;
            update.clearFields.insert(field->key);
        } else if (!field->set(update, it.value())) {
            return std::nullopt;
        }
    }
    return update;
}

std::optional<ActivityCreate> DeviceDetailViewModel::activityCreateFromMap(const QVariantMap& activity)
{
    const auto name = text(activity.value(QStringLiteral("name")));
    const auto day = wholeNumber(activity.value(QStringLiteral("dayOfWeek")));
    const auto start = text(activity.value(QStringLiteral("startTime")));
    const auto end = text(activity.value(QStringLiteral("endTime")));
    const auto before = wholeNumber(activity.value(QStringLiteral("bufferBeforeMinutes")));
    const auto after = wholeNumber(activity.value(QStringLiteral("bufferAfterMinutes")));
    const auto enabled = flag(activity.value(QStringLiteral("enabled")));
    if (!name || !day || !start || !end || !before || !after || !enabled)
        return std::nullopt;
    ActivityCreate create;
    create.name = *name;
    create.dayOfWeek = *day;
    create.startTime = *start;
    create.endTime = *end;
    create.bufferBeforeMinutes = *before;
    create.bufferAfterMinutes = *after;
    create.enabled = *enabled;
    return create;
}

QCoro::QmlTask DeviceDetailViewModel::startUpdatePolicy(const QVariantMap& changes)
{
    auto update = policyUpdateFromMap(changes);
    if (!update) {
        qWarning() << "DeviceDetailViewModel: not a policy change, nothing sent:" << changes;
        return nothing();
    }
    return updatePolicy(std::move(*update));
}

QCoro::QmlTask DeviceDetailViewModel::startSetWeekendLimit(const QVariant& minutes)
{
    if (isNothing(minutes))
        return setWeekendLimit(std::nullopt);
    const auto value = wholeNumber(minutes);
    if (!value) {
        qWarning() << "DeviceDetailViewModel: not a number of minutes, nothing sent:" << minutes;
        return nothing();
    }
    return setWeekendLimit(*value);
}

QCoro::QmlTask DeviceDetailViewModel::startCreateActivity(const QVariantMap& activity)
{
    auto create = activityCreateFromMap(activity);
    if (!create) {
        qWarning() << "DeviceDetailViewModel: not a complete activity, nothing sent:" << activity;
        return nothing();
    }
    return createActivity(std::move(*create));
}

QCoro::QmlTask DeviceDetailViewModel::startToggleActivity(const QString& activityId)
{
    auto activity = findActivity(activityId);
    if (!activity)
        return nothing();
    return toggleActivity(std::move(*activity));
}

QCoro::QmlTask DeviceDetailViewModel::startDeleteActivity(const QString& activityId)
{
    auto activity = findActivity(activityId);
    if (!activity)
        return nothing();
    return deleteActivity(std::move(*activity));
}
