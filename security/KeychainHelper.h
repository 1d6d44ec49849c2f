#pragma once

#include "CredentialStore.h"

#include <QString>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

// The console's only local data: text entries in the platform's credential
// store under the service "com.lumaro.control". An entry missing there is
// copied across from the earlier product's service "com.wendle.control".
// Nothing here reports failure to the caller; a failed save is logged.
namespace KeychainHelper {

inline constexpr auto service = "com.lumaro.control";
inline constexpr auto legacyService = "com.wendle.control";

QCoro::Task<void> save(QString key, QString value);
QCoro::Task<std::optional<QString>> get(QString key);
// `delete` itself is a C++ keyword. Removes the key under the legacy service
// too, so a deleted sign-in token cannot come back from there.
QCoro::Task<void> deleteKey(QString key);
QCoro::Task<std::optional<QString>> migrateFromLegacy(QString key);

// The store behind the helper: QtKeychain unless replaced (tests use an
// in-memory store for cases a real keyring cannot produce).
CredentialStore& store();
void setStore(std::shared_ptr<CredentialStore> store);

}  // namespace KeychainHelper
