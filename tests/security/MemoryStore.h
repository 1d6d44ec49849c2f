#pragma once

#include "CredentialStore.h"

#include <QHash>
#include <QPair>

// A credential store in memory, for what a real keyring will not produce on
// demand: raw bytes that are not UTF-8, a refused write, read counts.
class MemoryStore final : public CredentialStore
{
public:
    QCoro::Task<ReadResult> read(QString service, QString account) override;
    QCoro::Task<int> write(QString service, QString account, QByteArray data) override;
    QCoro::Task<int> remove(QString service, QString account) override;

    void put(const QString& service, const QString& account, const QByteArray& data);
    std::optional<QByteArray> value(const QString& service, const QString& account) const;
    qsizetype itemCount() const { return m_items.size(); }
    int reads(const QString& service) const { return m_reads.value(service); }

    // Every later write answers with this status and stores nothing.
    void failWrites(int status) { m_writeStatus = status; }
    // Every later read of the service answers with this status.
    void failReads(const QString& service, int status) { m_readStatus.insert(service, status); }

    static constexpr int notFound = -25300;

private:
    using Key = QPair<QString, QString>;
    QHash<Key, QByteArray> m_items;
    QHash<QString, int> m_reads;
    QHash<QString, int> m_readStatus;
    int m_writeStatus = ok;
};
