#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

// The device's shared secret as key bytes: two hexadecimal digits per byte,
// high half first, either letter case. Fewer than two characters give an
// empty key; with an odd count the last character is ignored. Any pair that
// is not two hexadecimal digits gives nothing. Characters are Unicode code
// points, so a non-ASCII character counts once however it is encoded.
std::optional<QByteArray> bytesFromHexString(QStringView text);

// The six-digit unlock code the agent on the child's computer also computes:
// RFC 6238 over HMAC-SHA1 with 300-second steps from the Unix epoch.
namespace TOTPGenerator {

inline constexpr int period = 300;

// Nothing when the secret is not hexadecimal.
std::optional<QString> currentCode(QString secretHex);

// Seconds until currentCode changes: 300 at the first second of a step, never 0.
qint64 secondsRemaining();

namespace detail {
// The code for one step number; public so the RFC 4226 vectors can be checked.
std::optional<QString> codeForCounter(QString secretHex, quint64 counter);
}  // namespace detail

}  // namespace TOTPGenerator
