#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

// A per-user secret store addressed by (service, account). Statuses are the
// backend's own numbers: 0 is success, anything else is the backend's error.
class CredentialStore
{
public:
    static constexpr int ok = 0;

    struct ReadResult
    {
        int status = ok;
        std::optional<QByteArray> data;  // present only when status is ok
    };

    virtual ~CredentialStore() = default;

    virtual QCoro::Task<ReadResult> read(QString service, QString account) = 0;
    // Creates the item or replaces its data; the store never holds two items for one key.
    virtual QCoro::Task<int> write(QString service, QString account, QByteArray data) = 0;
    virtual QCoro::Task<int> remove(QString service, QString account) = 0;
};
