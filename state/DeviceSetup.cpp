#include "DeviceSetup.h"

#include "APIClient.h"
#include "KeychainHelper.h"
#include "Presentation.h"

#include <QDebug>
#include <exception>

DeviceSetup::DeviceSetup(QObject* parent) : QObject(parent) {}

QCoro::Task<QString> DeviceSetup::setupString(QString apiToken)
{
    const std::optional<QString> stored = co_await KeychainHelper::get(QStringLiteral("server_url"));
    co_return stored.value_or(APIClient::defaultServerURL()) + QLatin1Char('|') + apiToken;
}

QCoro::Task<QString> DeviceSetup::copySetupString(QString apiToken)
{
    // A string without its token would enrol nothing; leave the clipboard be.
    if (apiToken.isEmpty())
        co_return QString();
    const QString text = co_await setupString(apiToken);
    Presentation().copyText(text);
    co_return text;
}

QCoro::QmlTask DeviceSetup::startCopySetupString(const QString& apiToken)
{
    // The QML edge: nothing may escape a task that no one awaits.
    return [](QString token) -> QCoro::Task<QString> {
        try {
            co_return co_await copySetupString(token);
        } catch (const std::exception& e) {
            qWarning() << "Copying the setup string failed:" << e.what();
        }
        co_return QString();
    }(apiToken);
}
