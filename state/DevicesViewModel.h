#pragma once

#include "APIClient.h"
#include "Device.h"

#include <QObject>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>
#include <qcoro/qcoroqmltask.h>
#include <qcoro/qcorotask.h>
#include <vector>

// The account's devices as last fetched, for the list screen and the
// add-device sheet. Operations never throw; failures end in `error`.
class DevicesViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    // The devices in the service's order, each {id, name, childName, apiToken,
    // sharedSecret, agentVersion, lastSeen, createdAt, bonusUntil}; absent
    // optional fields are left out of the map.
    Q_PROPERTY(QVariantList devices READ devicesValue NOTIFY devicesChanged)
    // A load is under way.
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    // Text of the last failed operation, or undefined.
    Q_PROPERTY(QVariant error READ errorValue NOTIFY errorChanged)
    // The empty-state placeholder shows only once a load has ended with no devices.
    Q_PROPERTY(bool showsEmptyState READ showsEmptyState NOTIFY showsEmptyStateChanged)

public:
    explicit DevicesViewModel(QObject* parent = nullptr);
    ~DevicesViewModel() override;

    const std::vector<Device>& devices() const { return m_devices; }
    bool isLoading() const { return m_isLoading; }
    const std::optional<QString>& error() const { return m_error; }
    bool showsEmptyState() const { return m_hasLoaded && m_devices.empty() && !m_isLoading; }

    QVariantList devicesValue() const;
    QVariant errorValue() const;

    QCoro::Task<void> loadDevices();
    QCoro::Task<std::optional<Device>> createDevice(QString name, QString childName);
    QCoro::Task<void> deleteDevice(QString id);

    Q_INVOKABLE QCoro::QmlTask startLoadDevices();
    // Resolves to the created device's map, or undefined when creation failed.
    Q_INVOKABLE QCoro::QmlTask startCreateDevice(const QString& name, const QString& childName);
    Q_INVOKABLE QCoro::QmlTask startDeleteDevice(const QString& id);

    // Removes the rows at these positions, each by its own delete, reading
    // the device at each position as the list stands now. A position given
    // twice is deleted once.
    Q_INVOKABLE void deleteAt(const QList<int>& positions);

signals:
    void devicesChanged();
    void isLoadingChanged();
    // Every failure, also one with the same text as the last.
    void errorRaised();
    void errorChanged();
    void showsEmptyStateChanged();

private:
    void setDevices(std::vector<Device> devices);
    void setLoading(bool value);
    void setError(std::optional<QString> value);
    // Runs a change of the fields showsEmptyState derives from and tells QML
    // when the placeholder's visibility flipped.
    template <class Change>
    void changeListState(Change change);

    std::vector<Device> m_devices;
    // Built once per assignment; QML reads it for every row it lays out.
    QVariantList m_devicesValue;
    bool m_isLoading = false;
    // A load has ended (either way); until then an empty list means "not yet known".
    bool m_hasLoaded = false;
    std::optional<QString> m_error;
    // Everything this object started; aborted when it goes.
    RequestScope m_scope = RequestScope::create();
};

// The map QML reads for one device.
QVariantMap deviceToVariant(const Device& device);
