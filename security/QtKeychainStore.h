#pragma once

#include "CredentialStore.h"

#include <QHash>
#include <QPair>

// The platform's credential store through QtKeychain (libsecret on Linux).
//
// Where no store is reachable at all (no session bus, or no Secret Service
// on it), entries are kept in this process's memory for the rest of the run
// (never on disk), so a sign-in still works until the console quits; that is
// logged once. A reachable store that refuses one request reports its error.
class QtKeychainStore final : public CredentialStore
{
public:
    QCoro::Task<ReadResult> read(QString service, QString account) override;
    QCoro::Task<int> write(QString service, QString account, QByteArray data) override;
    QCoro::Task<int> remove(QString service, QString account) override;

private:
    void noteNoBackend();

    using Key = QPair<QString, QString>;
    QHash<Key, QByteArray> m_volatile;
    bool m_noBackend = false;
};
