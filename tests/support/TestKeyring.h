#pragma once

#include <QString>
#include <QStringList>

// Puts the console's entries of whatever store KeychainHelper uses (the real
// keyring of the private test session, or a replacement) into a known state.
namespace TestKeyring {

// The keys the console keeps.
QStringList keys();

// Removes every console key under the current and the legacy service, so a
// test starts as on a machine that never ran the console.
void clear();

// Writes or reads one entry of one service directly through the store,
// without the legacy fall-back (to plant a legacy entry, or to look at what
// is really stored).
void put(const QString& service, const QString& key, const QString& value);
bool has(const QString& service, const QString& key);

}  // namespace TestKeyring
