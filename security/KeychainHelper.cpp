#include "KeychainHelper.h"

#include "Log.h"
#include "QtKeychainStore.h"

#include <QStringDecoder>

namespace {

std::shared_ptr<CredentialStore>& storeSlot()
{
    static std::shared_ptr<CredentialStore> s = std::make_shared<QtKeychainStore>();
    return s;
}

std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    // A leading U+FEFF is part of the value; by default the decoder drops it.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

}  // namespace

namespace KeychainHelper {

CredentialStore& store()
{
    return *storeSlot();
}

void setStore(std::shared_ptr<CredentialStore> s)
{
    storeSlot() = s ? std::move(s) : std::make_shared<QtKeychainStore>();
}

QCoro::Task<void> save(QString key, QString value)
{
    // Keep the store alive across the wait even if it is replaced meanwhile.
    auto s = storeSlot();
    const int status = co_await s->write(QString::fromLatin1(service), key, value.toUtf8());
    if (status != CredentialStore::ok)
        Log::write(QStringLiteral("[Lumaro] Keychain save failed: %1").arg(status));
}

QCoro::Task<std::optional<QString>> get(QString key)
{
    auto s = storeSlot();
    const auto result = co_await s->read(QString::fromLatin1(service), key);
    if (result.status == CredentialStore::ok && result.data)
        co_return decodeUtf8(*result.data);  // unreadable bytes give nothing, without the legacy look-up
    co_return co_await migrateFromLegacy(key);
}

QCoro::Task<void> deleteKey(QString key)
{
    auto s = storeSlot();
    co_await s->remove(QString::fromLatin1(service), key);
    co_await s->remove(QString::fromLatin1(legacyService), key);
}

QCoro::Task<std::optional<QString>> migrateFromLegacy(QString key)
{
    auto s = storeSlot();
    const auto result = co_await s->read(QString::fromLatin1(legacyService), key);
    if (result.status != CredentialStore::ok || !result.data)
        co_return std::nullopt;
    auto text = decodeUtf8(*result.data);
    if (!text)
        co_return std::nullopt;
    co_await save(key, *text);
    co_return text;
}

}  // namespace KeychainHelper
