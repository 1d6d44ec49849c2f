#include "MemoryCredentialStore.h"

#include <chrono>
#include <qcoro/qcorotimer.h>

QCoro::Task<void> MemoryCredentialStore::wait() const
{
    if (m_latencyMs > 0)
        co_await QCoro::sleepFor(std::chrono::milliseconds(m_latencyMs));
}

QCoro::Task<CredentialStore::ReadResult> MemoryCredentialStore::read(QString service, QString account)
{
    ++m_reads[service];
    co_await wait();
    const auto it = m_items.constFind({service, account});
    if (it == m_items.cend())
        co_return ReadResult{notFound, std::nullopt};
    co_return ReadResult{ok, *it};
}

QCoro::Task<int> MemoryCredentialStore::write(QString service, QString account, QByteArray data)
{
    ++m_writes;
    co_await wait();
    if (m_writeFailure != ok)
        co_return m_writeFailure;
    m_items.insert({service, account}, data);
    co_return ok;
}

QCoro::Task<int> MemoryCredentialStore::remove(QString service, QString account)
{
    ++m_removes;
    co_await wait();
    m_items.remove({service, account});
    co_return ok;
}

void MemoryCredentialStore::put(const QString& service, const QString& account, const QByteArray& data)
{
    m_items.insert({service, account}, data);
}

std::optional<QByteArray> MemoryCredentialStore::value(const QString& service, const QString& account) const
{
    const auto it = m_items.constFind({service, account});
    if (it == m_items.cend())
        return std::nullopt;
    return *it;
}

bool MemoryCredentialStore::contains(const QString& service, const QString& account) const
{
    return m_items.contains({service, account});
}

void MemoryCredentialStore::clear()
{
    m_items.clear();
    resetCounts();
}

void MemoryCredentialStore::failWrites(int status)
{
    m_writeFailure = status;
}

void MemoryCredentialStore::setLatency(int ms)
{
    m_latencyMs = ms;
}

int MemoryCredentialStore::readCount(const QString& service) const
{
    return m_reads.value(service);
}

int MemoryCredentialStore::writeCount() const
{
    return m_writes;
}

int MemoryCredentialStore::removeCount() const
{
    return m_removes;
}

void MemoryCredentialStore::resetCounts()
{
    m_reads.clear();
    m_writes = 0;
    m_removes = 0;
}
