#include "DevicesViewModel.h"

#include <QPointer>
#include <algorithm>

QVariantMap deviceToVariant(const Device& device)
{
    QVariantMap map{{QStringLiteral("id"), device.id},
                    {QStringLiteral("name"), device.name},
                    {QStringLiteral("childName"), device.childName}};
    const auto put = [&map](const char* key, const std::optional<QString>& value) {
        if (value)
            map.insert(QString::fromLatin1(key), *value);
    };
    put("apiToken", device.apiToken);
    put("sharedSecret", device.sharedSecret);
    put("agentVersion", device.agentVersion);
    put("lastSeen", device.lastSeen);
    put("createdAt", device.createdAt);
    put("bonusUntil", device.bonusUntil);
    return map;
}

DevicesViewModel::DevicesViewModel(QObject* parent) : QObject(parent) {}

DevicesViewModel::~DevicesViewModel()
{
    m_scope.cancel();
}

QVariantList DevicesViewModel::devicesValue() const
{
    return m_devicesValue;
}

QVariant DevicesViewModel::errorValue() const
{
    return m_error ? QVariant(*m_error) : QVariant();
}

template <class Change>
void DevicesViewModel::changeListState(Change change)
{
    const bool wasEmpty = showsEmptyState();
    change();
    if (wasEmpty != showsEmptyState())
        emit showsEmptyStateChanged();
}

void DevicesViewModel::setDevices(std::vector<Device> devices)
{
    // Published on every assignment, also when nothing changed: a delete
    // that matched nothing still republishes once.
    changeListState([&] {
        m_devices = std::move(devices);
        m_devicesValue.clear();
        m_devicesValue.reserve(qsizetype(m_devices.size()));
        for (const auto& device : m_devices)
            m_devicesValue.append(deviceToVariant(device));
        emit devicesChanged();
    });
}

void DevicesViewModel::setLoading(bool value)
{
    if (m_isLoading == value)
        return;
    changeListState([&] {
        m_isLoading = value;
        if (!value)
            m_hasLoaded = true;
        emit isLoadingChanged();
    });
}

void DevicesViewModel::setError(std::optional<QString> value)
{
    const bool changed = m_error != value;
    m_error = std::move(value);
    if (changed)
        emit errorChanged();
    if (m_error)
        emit errorRaised();
}

QCoro::Task<void> DevicesViewModel::loadDevices()
{
    QPointer<DevicesViewModel> self(this);
    setLoading(true);
    setError(std::nullopt);
    try {
        auto devices = co_await APIClient::shared().listDevices(m_scope);
        if (!self)
            co_return;
        setDevices(std::move(devices));
        setLoading(false);
    } catch (const std::exception& e) {
        if (!self)
            co_return;
        setError(describeError(e));
        setLoading(false);
    }
}

QCoro::Task<std::optional<Device>> DevicesViewModel::createDevice(QString name, QString childName)
{
    QPointer<DevicesViewModel> self(this);
    std::optional<Device> created;
    try {
        created = co_await APIClient::shared().createDevice(name, childName, m_scope);
    } catch (const std::exception& e) {
        if (self)
            setError(describeError(e));
        co_return std::nullopt;
    }
    if (!self)
        co_return created;
    co_await loadDevices();
    co_return created;
}

QCoro::Task<void> DevicesViewModel::deleteDevice(QString id)
{
    QPointer<DevicesViewModel> self(this);
    try {
        co_await APIClient::shared().deleteDevice(id, m_scope);
        if (!self)
            co_return;
        auto remaining = m_devices;
        std::erase_if(remaining, [&id](const Device& device) { return device.id == id; });
        setDevices(std::move(remaining));
    } catch (const std::exception& e) {
        if (self)
            setError(describeError(e));
    }
}

QCoro::QmlTask DevicesViewModel::startLoadDevices()
{
    return loadDevices();
}

QCoro::QmlTask DevicesViewModel::startCreateDevice(const QString& name, const QString& childName)
{
    return [](DevicesViewModel* model, QString name, QString childName) -> QCoro::Task<QVariant> {
        const auto created = co_await model->createDevice(name, childName);
        co_return created ? QVariant(deviceToVariant(*created)) : QVariant();
    }(this, name, childName);
}

QCoro::QmlTask DevicesViewModel::startDeleteDevice(const QString& id)
{
    return deleteDevice(id);
}

void DevicesViewModel::deleteAt(const QList<int>& positions)
{
    auto sorted = positions;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (const int position : sorted) {
        if (position >= 0 && size_t(position) < m_devices.size())
            deleteDevice(m_devices[size_t(position)].id);
    }
}
