#include "TestKeyring.h"

#include "KeychainHelper.h"
#include "TaskResult.h"

namespace {
QStringList services()
{
    return {QString::fromLatin1(KeychainHelper::service), QString::fromLatin1(KeychainHelper::legacyService)};
}
}  // namespace

namespace TestKeyring {

QStringList keys()
{
    return {QStringLiteral("auth_token"), QStringLiteral("server_url")};
}

void clear()
{
    for (const QString& service : services()) {
        for (const QString& key : keys()) {
            const auto removed = runTask(KeychainHelper::store().remove(service, key));
            if (!removed.finished)
                qWarning("TestKeyring: removing %s/%s did not finish", qPrintable(service), qPrintable(key));
        }
    }
}

void put(const QString& service, const QString& key, const QString& value)
{
    const auto written = runTask(KeychainHelper::store().write(service, key, value.toUtf8()));
    if (!written.succeeded() || *written.value != CredentialStore::ok)
        qWarning("TestKeyring: writing %s/%s failed", qPrintable(service), qPrintable(key));
}

bool has(const QString& service, const QString& key)
{
    const auto read = runTask(KeychainHelper::store().read(service, key));
    return read.succeeded() && read.value->status == CredentialStore::ok && read.value->data.has_value();
}

}  // namespace TestKeyring
