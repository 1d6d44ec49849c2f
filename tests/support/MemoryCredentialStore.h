#pragma once

#include "CredentialStore.h"

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>
#include <optional>

// A credential store in memory, for tests that need a store in a state a real
// keyring cannot be put into on demand: failing writes, raw bytes that are
// not UTF-8, and a count of how often each service was read.
class MemoryCredentialStore final : public CredentialStore
{
public:
    // The status of a read that finds nothing (the keychain's item-not-found).
    static constexpr int notFound = -25300;

    QCoro::Task<ReadResult> read(QString service, QString account) override;
    QCoro::Task<int> write(QString service, QString account, QByteArray data) override;
    QCoro::Task<int> remove(QString service, QString account) override;

    // Direct access, bypassing counts and failures.
    void put(const QString& service, const QString& account, const QByteArray& data);
    std::optional<QByteArray> value(const QString& service, const QString& account) const;
    bool contains(const QString& service, const QString& account) const;
    void clear();

    // Every write fails with this status (and stores nothing) until failWrites(ok).
    void failWrites(int status);
    // Every operation first waits this long on the event loop, like a real
    // store's round trip, so callers really suspend; 0 answers at once.
    void setLatency(int ms);

    int readCount(const QString& service) const;
    int writeCount() const;
    int removeCount() const;
    void resetCounts();

private:
    QCoro::Task<void> wait() const;

    using Key = QPair<QString, QString>;
    QHash<Key, QByteArray> m_items;
    QHash<QString, int> m_reads;
    int m_writes = 0;
    int m_removes = 0;
    int m_writeFailure = ok;
    int m_latencyMs = 0;
};
