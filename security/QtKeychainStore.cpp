#include "QtKeychainStore.h"

#include "Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringDecoder>
#include <memory>
#include <qcoro/qcorosignal.h>
#include <qt6keychain/keychain.h>

namespace {

// Runs one job to its end. Jobs are owned here (auto-delete off) so a job is
// never deleted under us, whatever happens to its signal.
QCoro::Task<void> run(QKeychain::Job& job)
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.start();
    co_await qCoro(&job, &QKeychain::Job::finished);
}

// Whether anyone answers as the Secret Service on the session bus; asking
// starts it when it is activatable, as libsecret itself would.
QCoro::Task<bool> secretServiceAnswers()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return false;
    const auto ping = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"),
                                                     QStringLiteral("/org/freedesktop/secrets"),
                                                     QStringLiteral("org.freedesktop.DBus.Peer"),
                                                     QStringLiteral("Ping"));
    QDBusPendingCallWatcher watcher(bus.asyncCall(ping));
    // The watcher signals from the event loop even when the call failed at once.
    co_await qCoro(&watcher, &QDBusPendingCallWatcher::finished);
    co_return !watcher.isError();
}

QCoro::Task<bool> storeIsMissing(int error)
{
    if (error == QKeychain::NoBackendAvailable)
        co_return true;
    // The libsecret backend reports "no session bus" and "nobody provides
    // org.freedesktop.secrets" as OtherError, the same as a working keyring
    // refusing one request; only asking the bus tells the two apart.
    if (error == QKeychain::OtherError)
        co_return !co_await secretServiceAnswers();
    co_return false;
}

}  // namespace

void QtKeychainStore::noteNoBackend()
{
    if (!m_noBackend) {
        m_noBackend = true;
        Log::write(QStringLiteral("[Lumaro] No credential store is available; the sign-in will not be remembered after this run"));
    }
}

QCoro::Task<CredentialStore::ReadResult> QtKeychainStore::read(QString service, QString account)
{
    if (!m_noBackend) {
        auto job = std::make_unique<QKeychain::ReadPasswordJob>(service);
        job->setKey(account);
        co_await run(*job);
        const int error = job->error();
        if (error == QKeychain::NoError)
            co_return ReadResult{ok, job->binaryData()};
        if (!co_await storeIsMissing(error))
            co_return ReadResult{error, std::nullopt};
        noteNoBackend();
    }
    const auto it = m_volatile.constFind({service, account});
    if (it == m_volatile.cend())
        co_return ReadResult{QKeychain::EntryNotFound, std::nullopt};
    co_return ReadResult{ok, *it};
}

QCoro::Task<int> QtKeychainStore::write(QString service, QString account, QByteArray data)
{
    if (!m_noBackend) {
        auto job = std::make_unique<QKeychain::WritePasswordJob>(service);
        job->setKey(account);
        // Stored as text so the keyring holds the value's UTF-8 bytes as they
        // are; QString::fromUtf8 would drop a leading U+FEFF.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        job->setTextData(decoder.decode(data));
        co_await run(*job);
        const int error = job->error();
        if (error == QKeychain::NoError || !co_await storeIsMissing(error))
            co_return error;
        noteNoBackend();
    }
    m_volatile.insert({service, account}, data);
    co_return ok;
}

QCoro::Task<int> QtKeychainStore::remove(QString service, QString account)
{
    m_volatile.remove({service, account});
    if (m_noBackend)
        co_return ok;
    auto job = std::make_unique<QKeychain::DeletePasswordJob>(service);
    job->setKey(account);
    co_await run(*job);
    const int error = job->error();
    if (error == QKeychain::NoError || !co_await storeIsMissing(error))
        co_return error;
    noteNoBackend();
    co_return ok;
}
