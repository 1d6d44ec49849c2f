#include "TOTPGenerator.h"

#include "Clock.h"

#include <QCryptographicHash>
#include <QList>
#include <QMessageAuthenticationCode>
#include <algorithm>
#include <array>

namespace {

// Checked by hand: number parsers accept signs, blanks and "0x" prefixes.
int hexDigitValue(uint c)
{
    if (c >= '0' && c <= '9')
        return int(c - '0');
    if (c >= 'a' && c <= 'f')
        return int(c - 'a') + 10;
    if (c >= 'A' && c <= 'F')
        return int(c - 'A') + 10;
    return -1;
}

// Whole seconds since the epoch, truncated toward zero. A clock set before
// the epoch reads as the epoch, so the step number and the countdown stay in
// range instead of wrapping.
qint64 epochSeconds()
{
    return std::max<qint64>(Clock::nowMSecs() / 1000, 0);
}

}  // namespace

std::optional<QByteArray> bytesFromHexString(QStringView text)
{
    const QList<uint> chars = text.toUcs4();
    QByteArray bytes;
    bytes.reserve(chars.size() / 2);
    for (qsizetype i = 0; i + 1 < chars.size(); i += 2) {
        const int high = hexDigitValue(chars[i]);
        const int low = hexDigitValue(chars[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(char(high << 4 | low));
    }
    return bytes;
}

namespace TOTPGenerator {

namespace detail {

std::optional<QString> codeForCounter(QString secretHex, quint64 counter)
{
    const auto key = bytesFromHexString(secretHex);
    if (!key)
        return std::nullopt;

    std::array<char, 8> message{};
    for (int i = 7; i >= 0; --i) {
        message[i] = char(counter & 0xff);
        counter >>= 8;
    }
    const QByteArray digest = QMessageAuthenticationCode::hash(
        QByteArray::fromRawData(message.data(), message.size()), *key, QCryptographicHash::Sha1);

    // Dynamic truncation, RFC 4226 section 5.3.
    const auto byte = [&](int i) { return quint32(quint8(digest[i])); };
    const int offset = int(byte(19) & 0x0f);
    const quint32 binary = (byte(offset) & 0x7f) << 24 | byte(offset + 1) << 16
        | byte(offset + 2) << 8 | byte(offset + 3);
    return QStringLiteral("%1").arg(binary % 1000000, 6, 10, QLatin1Char('0'));
}

}  // namespace detail

std::optional<QString> currentCode(QString secretHex)
{
    return detail::codeForCounter(std::move(secretHex), quint64(epochSeconds()) / period);
}

qint64 secondsRemaining()
{
    return period - epochSeconds() % period;
}

}  // namespace TOTPGenerator
