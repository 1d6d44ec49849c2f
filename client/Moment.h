#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>

// Reads an RFC 3339 internet date-time: YYYY-MM-DD "T" hh:mm:ss, an optional
// "." with 1 to 9 digits, then "Z" or ±hh:mm. Anything else (a bare date, a
// time without zone, spaces, trailing text, out-of-range fields) gives
// nothing. Lower-case "t" and "z" are accepted, as RFC 3339 allows. A leap
// second (:60) counts as the first second of the next minute. Fractions are
// cut to milliseconds, the precision of QDateTime. The result is in UTC.
std::optional<QDateTime> parseMoment(QStringView text);

// A device is online when it was last seen less than 180 seconds ago by
// Clock. A moment ahead of the clock counts as online (the service's clock
// may run a little ahead of ours); a missing or unreadable one as offline.
bool isOnline(const std::optional<QString>& lastSeen);
