#include "MemoryStore.h"

QCoro::Task<CredentialStore::ReadResult> MemoryStore::read(QString service, QString account)
{
    ++m_reads[service];
    if (const int status = m_readStatus.value(service, ok); status != ok)
        co_return ReadResult{status, std::nullopt};
    const auto it = m_items.constFind({service, account});
    if (it == m_items.cend())
        co_return ReadResult{notFound, std::nullopt};
    co_return ReadResult{ok, *it};
}

QCoro::Task<int> MemoryStore::write(QString service, QString account, QByteArray data)
{
    if (m_writeStatus == ok)
        m_items.insert({service, account}, data);
    co_return m_writeStatus;
}

QCoro::Task<int> MemoryStore::remove(QString service, QString account)
{
    co_return m_items.remove({service, account}) ? ok : notFound;
}

void MemoryStore::put(const QString& service, const QString& account, const QByteArray& data)
{
    m_items.insert({service, account}, data);
}

std::optional<QByteArray> MemoryStore::value(const QString& service, const QString& account) const
{
    const auto it = m_items.constFind({service, account});
    if (it == m_items.cend())
        return std::nullopt;
    return *it;
}
