#pragma once

#include "APIClient.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <map>
#include <optional>
#include <qcoro/qcoroqmltask.h>
#include <qcoro/qcorotask.h>
#include <vector>

// Everything the detail screen shows about one device, and the edits it
// sends: one load of device, policy, usage and activities; policy edits sent
// one request at a time, with edits made meanwhile merged into the next one;
// bonus minutes; the unlock code with its countdown; activities; renaming.
//
// Owned by its screen and safe to destroy at any time: everything it has in
// flight is aborted, and late answers find it gone and change nothing.
// The async operations never throw: every failure ends in `error`. QML calls
// the `start…` forms, which return at once; C++ awaits the operations.
// Not final: QML derives from a type it creates.
class DeviceDetailViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    // The device shown; set once, at creation.
    Q_PROPERTY(QString deviceId READ deviceId WRITE setDeviceId NOTIFY deviceIdChanged REQUIRED)
    // The device as last loaded: {id, name, childName, apiToken, sharedSecret,
    // agentVersion, lastSeen, createdAt, bonusUntil} with absent optional keys
    // left out; undefined before the first load succeeds.
    Q_PROPERTY(QVariant device READ deviceValue NOTIFY deviceChanged)
    // The policy as last loaded or answered after an edit, keyed by field name
    // (downtimeEnabled … screenTimeSunMinutes), absent overrides left out;
    // undefined until loaded. Edits show here only once the service answers.
    Q_PROPERTY(QVariant policy READ policyValue NOTIFY policyChanged)
    // The last seven days, today first: [{date, totalMinutes, dayLabel, formattedTime}].
    Q_PROPERTY(QVariantList usage READ usageValue NOTIFY usageChanged)
    // [{id, name, dayOfWeek, startTime, endTime, bufferBeforeMinutes,
    // bufferAfterMinutes, enabled, detailsText}], sorted after every create.
    Q_PROPERTY(QVariantList activities READ activitiesValue NOTIFY activitiesChanged)
    // A load is under way.
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    // A policy edit or a rename is under way.
    Q_PROPERTY(bool isSaving READ isSaving NOTIFY isSavingChanged)
    // Text of the last failure, or undefined; cleared only when a load starts.
    Q_PROPERTY(QVariant error READ errorValue NOTIFY errorChanged)
    // The six-digit unlock code, or undefined when the device has no usable secret.
    Q_PROPERTY(QVariant currentTOTPCode READ currentTOTPCodeValue NOTIFY currentTOTPCodeChanged)
    // Seconds (1…300) until the unlock code changes; 0 until first computed.
    Q_PROPERTY(qint64 totpSecondsRemaining READ totpSecondsRemaining NOTIFY totpSecondsRemainingChanged)
    // End of the running bonus as a Date, or undefined.
    Q_PROPERTY(QVariant bonusUntil READ bonusUntilValue NOTIFY bonusUntilChanged)
    // A bonus request is under way.
    Q_PROPERTY(bool isGrantingBonus READ isGrantingBonus NOTIFY isGrantingBonusChanged)
    // The daily limit in minutes; 120 while no policy is loaded.
    Q_PROPERTY(qint64 limitMinutes READ limitMinutes NOTIFY limitMinutesChanged)
    // Minutes used today (the first usage entry); 0 without usage.
    Q_PROPERTY(double usedToday READ usedToday NOTIFY usedTodayChanged)
    // Fraction of today's limit used, 0 to 1.
    Q_PROPERTY(double usagePercent READ usagePercent NOTIFY usagePercentChanged)
    // Whole seconds of bonus left, or undefined when none is running. Notified
    // on every tick of the unlock code timer as well, so it counts down.
    Q_PROPERTY(QVariant bonusRemainingSeconds READ bonusRemainingSecondsValue NOTIFY bonusRemainingSecondsChanged)

public:
    explicit DeviceDetailViewModel(QObject* parent = nullptr);
    explicit DeviceDetailViewModel(QString deviceId, QObject* parent = nullptr);
    ~DeviceDetailViewModel() override;

    QString deviceId() const { return m_deviceId; }
    // Only the first non-empty id is taken; the object never changes device.
    void setDeviceId(const QString& id);

    const std::optional<Device>& device() const { return m_device; }
    const std::optional<Policy>& policy() const { return m_policy; }
    const std::vector<UsageEntry>& usage() const { return m_usage; }
    const std::vector<Activity>& activities() const { return m_activities; }
    bool isLoading() const { return m_loadCount > 0; }
    bool isSaving() const { return m_saveCount > 0; }
    const std::optional<QString>& error() const { return m_error; }
    const std::optional<QString>& currentTOTPCode() const { return m_currentTOTPCode; }
    qint64 totpSecondsRemaining() const { return m_totpSecondsRemaining; }
    const std::optional<QDateTime>& bonusUntil() const { return m_bonusUntil; }
    bool isGrantingBonus() const { return m_grantCount > 0; }
    // True while the timer of the unlock code runs.
    bool isGeneratingTOTP() const { return !m_totpTimer.isNull(); }

    qint64 limitMinutes() const;
    double usedToday() const;
    double usagePercent() const;
    // Read against Clock on every call.
    std::optional<qint64> bonusRemainingSeconds() const;

    QVariant deviceValue() const;
    QVariant policyValue() const;
    QVariantList usageValue() const;
    QVariantList activitiesValue() const;
    QVariant errorValue() const;
    QVariant currentTOTPCodeValue() const;
    QVariant bonusUntilValue() const;
    QVariant bonusRemainingSecondsValue() const;

    // The list row's second line, e.g. "Wed 16:00–17:00  ±5m" (day held to 0…6).
    static QString activityDetails(const Activity& activity);

    // The loaded device's online state and last-contact text, read against
    // Clock on each call; offline and "never" while no device is loaded.
    Q_INVOKABLE bool deviceIsOnline() const;
    Q_INVOKABLE QString deviceLastSeenText() const;

    // Loading and policy editing.
    QCoro::Task<void> load();
    // Returns once the send loop it started has finished, or at once when the
    // update merged into a loop already running.
    QCoro::Task<void> updatePolicy(PolicyUpdate update);
    QCoro::Task<void> setDayLimit(qint64 day, qint64 minutes);
    QCoro::Task<void> clearDayLimit(qint64 day);
    QCoro::Task<void> clearWeekendLimit();
    QCoro::Task<void> clearDowntimeWeekdayOverride();
    QCoro::Task<void> clearDowntimeWeekendOverride();
    QCoro::Task<void> setDowntimeEnabled(bool enabled);
    QCoro::Task<void> setDowntimeStart(QString time);
    QCoro::Task<void> setDowntimeEnd(QString time);
    QCoro::Task<void> setScreenTimeEnabled(bool enabled);
    QCoro::Task<void> setScreenTimeLimit(qint64 minutes);
    // No minutes removes the weekend limit, as clearWeekendLimit() does.
    QCoro::Task<void> setWeekendLimit(std::optional<qint64> minutes);

    // Bonus, unlock code, activities, rename.
    QCoro::Task<void> grantBonus(qint64 minutes);
    // Refreshes the code now and then every second until stopped; starting
    // again replaces the running timer.
    Q_INVOKABLE void startTOTPGeneration();
    // Keeps the last code and seconds on show.
    Q_INVOKABLE void stopTOTPGeneration();
    QCoro::Task<void> createActivity(ActivityCreate activity);
    QCoro::Task<void> toggleActivity(Activity activity);
    QCoro::Task<void> deleteActivity(Activity activity);
    QCoro::Task<void> updateDeviceName(QString name, QString childName);

    // QML forms. They return at once; the task finishes with the operation.
    Q_INVOKABLE QCoro::QmlTask startLoad() { return load(); }
    // `changes` holds policy field names (as in `policy`) with their new
    // values; null or undefined removes an optional value. A map with an
    // unknown name or a value of the wrong kind sends nothing and warns.
    Q_INVOKABLE QCoro::QmlTask startUpdatePolicy(const QVariantMap& changes);
    Q_INVOKABLE QCoro::QmlTask startSetDayLimit(qint64 day, qint64 minutes) { return setDayLimit(day, minutes); }
    Q_INVOKABLE QCoro::QmlTask startClearDayLimit(qint64 day) { return clearDayLimit(day); }
    Q_INVOKABLE QCoro::QmlTask startClearWeekendLimit() { return clearWeekendLimit(); }
    Q_INVOKABLE QCoro::QmlTask startClearDowntimeWeekdayOverride() { return clearDowntimeWeekdayOverride(); }
    Q_INVOKABLE QCoro::QmlTask startClearDowntimeWeekendOverride() { return clearDowntimeWeekendOverride(); }
    Q_INVOKABLE QCoro::QmlTask startSetDowntimeEnabled(bool enabled) { return setDowntimeEnabled(enabled); }
    Q_INVOKABLE QCoro::QmlTask startSetDowntimeStart(const QString& time) { return setDowntimeStart(time); }
    Q_INVOKABLE QCoro::QmlTask startSetDowntimeEnd(const QString& time) { return setDowntimeEnd(time); }
    Q_INVOKABLE QCoro::QmlTask startSetScreenTimeEnabled(bool enabled) { return setScreenTimeEnabled(enabled); }
    Q_INVOKABLE QCoro::QmlTask startSetScreenTimeLimit(qint64 minutes) { return setScreenTimeLimit(minutes); }
    // A number sets the weekend limit; null or undefined removes it.
    Q_INVOKABLE QCoro::QmlTask startSetWeekendLimit(const QVariant& minutes);
    Q_INVOKABLE QCoro::QmlTask startGrantBonus(qint64 minutes) { return grantBonus(minutes); }
    // `activity` holds name, dayOfWeek, startTime, endTime,
    // bufferBeforeMinutes, bufferAfterMinutes and enabled; a map missing one
    // or holding the wrong kind sends nothing and warns.
    Q_INVOKABLE QCoro::QmlTask startCreateActivity(const QVariantMap& activity);
    // The activity is named by id and taken from the current list as shown;
    // an id not in the list does nothing.
    Q_INVOKABLE QCoro::QmlTask startToggleActivity(const QString& activityId);
    Q_INVOKABLE QCoro::QmlTask startDeleteActivity(const QString& activityId);
    Q_INVOKABLE QCoro::QmlTask startUpdateDeviceName(const QString& name, const QString& childName)
    {
        return updateDeviceName(name, childName);
    }

    // Conversions used by the QML forms; nothing when the map does not fit.
    static std::optional<PolicyUpdate> policyUpdateFromMap(const QVariantMap& changes);
    static std::optional<ActivityCreate> activityCreateFromMap(const QVariantMap& activity);

signals:
    void deviceIdChanged();
    void deviceChanged();
    void policyChanged();
    void usageChanged();
    void activitiesChanged();
    void isLoadingChanged();
    void isSavingChanged();
    // Every failure, also one with the same text as the last.
    void errorRaised();
    void errorChanged();
    void currentTOTPCodeChanged();
    void totpSecondsRemainingChanged();
    void bonusUntilChanged();
    void isGrantingBonusChanged();
    void limitMinutesChanged();
    void usedTodayChanged();
    void usagePercentChanged();
    void bonusRemainingSecondsChanged();

private:
    enum class Busy { loading, saving, grantingBonus };

    void setDevice(std::optional<Device> value);
    void setPolicy(std::optional<Policy> value);
    void setUsage(std::vector<UsageEntry> value);
    void setActivities(std::vector<Activity> value);
    void setError(std::optional<QString> value);
    void setCurrentTOTPCode(std::optional<QString> value);
    void setTotpSecondsRemaining(qint64 value);
    void setBonusUntil(std::optional<QDateTime> value);
    // Busy flags count the operations under way, so one of two overlapping
    // loads (or a rename next to a policy send) cannot clear the other's flag.
    void beginBusy(Busy which);
    void endBusy(Busy which);
    int& busyCount(Busy which);

    void updateTOTPCode();
    void tick();

    static PolicyUpdate mergeUpdates(const std::optional<PolicyUpdate>& existing, const PolicyUpdate& update);
    // The activity with this id as shown now, if any.
    std::optional<Activity> findActivity(const QString& id) const;

    QString m_deviceId;
    std::optional<Device> m_device;
    std::optional<Policy> m_policy;
    std::vector<UsageEntry> m_usage;
    std::vector<Activity> m_activities;
    // Built once per assignment: QML reads the list for every row it lays out,
    // and building it on each read made long lists quadratic.
    QVariantList m_activitiesValue;
    int m_loadCount = 0;
    int m_saveCount = 0;
    std::optional<QString> m_error;
    std::optional<QString> m_currentTOTPCode;
    qint64 m_totpSecondsRemaining = 0;
    std::optional<QDateTime> m_bonusUntil;
    int m_grantCount = 0;
    // A child of this object, so it can never tick into a destroyed one.
    QPointer<QTimer> m_totpTimer;
    std::optional<PolicyUpdate> m_pendingUpdate;
    bool m_isUpdating = false;

    // Everything this object sends goes through m_scope or a load's own scope,
    // so the destructor can abort it all.
    RequestScope m_scope = RequestScope::create();
    std::map<quint64, RequestScope> m_loadScopes;
    quint64 m_nextLoad = 0;
};
