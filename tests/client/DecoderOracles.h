#pragma once

// What a decoded value must look like, judged against the parsed answer or
// against a second reader; shared by the mutation test and the fuzz targets.
#include "APIClient.h"
#include "Activity.h"
#include "Bonus.h"
#include "Device.h"
#include "JsonRead.h"
#include "Moment.h"
#include "Policy.h"
#include "TOTPGenerator.h"
#include "UsageEntry.h"
#include "User.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QString>
#include <cctype>
#include <functional>
#include <optional>
#include <typeinfo>
#include <vector>

namespace oracle {

using nlohmann::json;
using namespace Qt::StringLiterals;

inline json presentFields(const json& object, const std::vector<const char*>& keys)
{
    json fields = json::object();
    for (const char* key : keys) {
        const auto it = object.find(key);
        if (it != object.end() && !it->is_null())
            fields[key] = *it;
    }
    return fields;
}

inline std::optional<QString> differs(const json& decoded, const json& expected)
{
    if (decoded == expected)
        return std::nullopt;
    return QStringLiteral("decoded %1 from %2")
        .arg(QString::fromStdString(decoded.dump()), QString::fromStdString(expected.dump()));
}

inline json fromOrdered(const nlohmann::ordered_json& encoded) { return json::parse(encoded.dump()); }

inline std::string s(const QString& text) { return text.toStdString(); }

inline void putOptional(json& object, const char* key, const std::optional<QString>& value)
{
    if (value)
        object[key] = s(*value);
}

// What a decoder's value says, written back under the wire keys: the product's
// own encoder where there is one, the key table where there is none.
inline json encode(const User& u) { return {{"id", s(u.id)}, {"email", s(u.email)}, {"name", s(u.name)}}; }
inline json encode(const TokenResponse& t)
{
    return {{"access_token", s(t.accessToken)}, {"token_type", s(t.tokenType)}};
}
inline json encode(const Device& d)
{
    json object = {{"id", s(d.id)}, {"name", s(d.name)}, {"child_name", s(d.childName)}};
    putOptional(object, "api_token", d.apiToken);
    putOptional(object, "shared_secret", d.sharedSecret);
    putOptional(object, "agent_version", d.agentVersion);
    putOptional(object, "last_seen", d.lastSeen);
    putOptional(object, "created_at", d.createdAt);
    putOptional(object, "bonus_until", d.bonusUntil);
    return object;
}
inline json encode(const Policy& p)
{
    return fromOrdered(PolicyUpdate{p.downtimeEnabled, p.downtimeStart, p.downtimeEnd,
                                    p.downtimeWeekdayStart, p.downtimeWeekdayEnd,
                                    p.downtimeWeekendStart, p.downtimeWeekendEnd,
                                    p.screenTimeEnabled, p.screenTimeLimitMinutes,
                                    p.screenTimeWeekendLimitMinutes, p.screenTimeMonMinutes,
                                    p.screenTimeTueMinutes, p.screenTimeWedMinutes,
                                    p.screenTimeThuMinutes, p.screenTimeFriMinutes,
                                    p.screenTimeSatMinutes, p.screenTimeSunMinutes, {}}
                           .toJson());
}
inline json encode(const Activity& a)
{
    json object = fromOrdered(ActivityCreate{a.name, a.dayOfWeek, a.startTime, a.endTime,
                                             a.bufferBeforeMinutes, a.bufferAfterMinutes,
                                             a.enabled}
                                  .toJson());
    object["id"] = s(a.id);
    return object;
}
inline json encode(const UsageEntry& e) { return {{"date", s(e.date)}, {"total_minutes", e.totalMinutes}}; }
inline json encode(const GrantBonusResponse& b) { return {{"bonus_until", s(b.bonusUntil)}}; }
inline json encode(const ErrorResponse& e) { return {{"detail", s(e.detail)}}; }

// Decodes a parsed answer; DecodingError when refused, otherwise what is
// wrong with the value, if anything.
using Check = std::function<std::optional<QString>(const json&)>;

template<class R>
Check recordCheck(std::vector<const char*> keys)
{
    return [keys](const json& document) {
        return differs(encode(R::fromJson(document)), presentFields(document, keys));
    };
}

template<class R>
Check listCheck(std::vector<const char*> keys)
{
    return [keys](const json& document) -> std::optional<QString> {
        const std::vector<R> records = decodeList<R>(document);
        if (!document.is_array() || records.size() != document.size())
            return QStringLiteral("%1 records from a list of %2")
                .arg(records.size())
                .arg(document.is_array() ? int(document.size()) : -1);
        for (std::size_t i = 0; i < records.size(); ++i)
            if (auto problem = differs(encode(records[i]), presentFields(document[i], keys)))
                return problem;
        return std::nullopt;
    };
}

inline std::optional<QString> boolMapCheck(const json& document)
{
    const QMap<QString, bool> map = decodeBoolMap(document);
    json decoded = json::object();
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        decoded[s(it.key())] = it.value();
    return differs(decoded, document);
}


inline const std::vector<const char*> userKeys = {"id", "email", "name"};
inline const std::vector<const char*> deviceKeys = {"id", "name", "child_name", "api_token",
                                             "shared_secret", "agent_version", "last_seen",
                                             "created_at", "bonus_until"};
inline const std::vector<const char*> policyKeys = {
    "downtime_enabled", "downtime_start", "downtime_end", "downtime_weekday_start",
    "downtime_weekday_end", "downtime_weekend_start", "downtime_weekend_end",
    "screen_time_enabled", "screen_time_limit_minutes", "screen_time_weekend_limit_minutes",
    "screen_time_mon_minutes", "screen_time_tue_minutes", "screen_time_wed_minutes",
    "screen_time_thu_minutes", "screen_time_fri_minutes", "screen_time_sat_minutes",
    "screen_time_sun_minutes"};
inline const std::vector<const char*> activityKeys = {"id", "name", "day_of_week", "start_time",
                                               "end_time", "buffer_before_minutes",
                                               "buffer_after_minutes", "enabled"};
inline const std::vector<const char*> usageKeys = {"date", "total_minutes"};

struct DecoderOracle
{
    const char* name;
    std::vector<const char*> keys;  // every key the record reads
    Check check;
};

// In a fixed order: the fuzz target picks one by the first byte of its input.
inline const std::vector<DecoderOracle>& decoderOracles()
{
    static const std::vector<DecoderOracle> table = {
        {"User", userKeys, recordCheck<User>(userKeys)},
        {"TokenResponse", {"access_token", "token_type"},
         recordCheck<TokenResponse>({"access_token", "token_type"})},
        {"Device", deviceKeys, recordCheck<Device>(deviceKeys)},
        {"Device list", deviceKeys, listCheck<Device>(deviceKeys)},
        {"Policy", policyKeys, recordCheck<Policy>(policyKeys)},
        {"Activity", activityKeys, recordCheck<Activity>(activityKeys)},
        {"Activity list", activityKeys, listCheck<Activity>(activityKeys)},
        {"UsageEntry", usageKeys, recordCheck<UsageEntry>(usageKeys)},
        {"Usage list", usageKeys, listCheck<UsageEntry>(usageKeys)},
        {"GrantBonusResponse", {"bonus_until"}, recordCheck<GrantBonusResponse>({"bonus_until"})},
        {"ErrorResponse", {"detail"}, recordCheck<ErrorResponse>({"detail"})},
        {"bool map", {"ok", "deleted"}, boolMapCheck},
    };
    return table;
}

struct Verdict
{
    enum { decoded, refused, wrong } outcome;
    QString problem;  // for wrong
};

// An answer body through parseBody and the decoder, as the client reads it.
inline Verdict judgeAnswer(const DecoderOracle& decoder, const QByteArray& body)
{
    try {
        if (auto problem = decoder.check(parseBody(body)))
            return {Verdict::wrong, *problem};
        return {Verdict::decoded, {}};
    } catch (const DecodingError& error) {
        if (error.text().isEmpty())
            return {Verdict::wrong, u"refused without a text"_s};
        return {Verdict::refused, {}};
    } catch (const std::exception& error) {
        return {Verdict::wrong, QStringLiteral("%1 escaped: %2")
                                    .arg(QString::fromLatin1(typeid(error).name()),
                                         QString::fromUtf8(error.what()))};
    } catch (...) {
        return {Verdict::wrong, u"a non-standard exception escaped"_s};
    }
}

inline QString printable(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += c.unicode() >= 0x20 && c.unicode() < 0x7f
                   ? QString(c)
                   : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    return out;
}

// Qt's own ISO reader as the second opinion: it knows neither lower-case
// letters, leap seconds nor digits past milliseconds, so those are written
// the way it reads them first.
inline std::optional<QDateTime> readByQt(const QString& text)
{
    static const QRegularExpression format(QStringLiteral(
        R"(^([0-9]{4}-[0-9]{2}-[0-9]{2})[Tt]([0-9]{2}:[0-9]{2}):([0-9]{2})(?:\.([0-9]{1,9}))?([Zz]|[+-][0-9]{2}:[0-9]{2})$)"));
    const auto match = format.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const bool leap = match.captured(3) == u"60";
    const QString fraction = (match.captured(4) + u"000"_s).left(3);
    const QString zone = match.captured(5).toUpper();
    const QString normal = match.captured(1) + u'T' + match.captured(2) + u':'
                           + (leap ? u"59"_s : match.captured(3)) + u'.' + fraction + zone;
    const QDateTime moment = QDateTime::fromString(normal, Qt::ISODateWithMs);
    if (!moment.isValid())
        return std::nullopt;
    return moment.toUTC().addSecs(leap ? 1 : 0);
}

// Whether parseMoment(text) is sound: nothing, or the moment Qt reads too.
// Sets `accepted` when it gave a moment.
inline std::optional<QString> momentProblem(const QString& text, bool* accepted = nullptr)
{
    const auto moment = parseMoment(text);
    if (accepted)
        *accepted = moment.has_value();
    if (!moment)
        return std::nullopt;
    const auto expected = readByQt(text);
    if (moment->isValid() && moment->timeSpec() == Qt::UTC && moment == expected)
        return std::nullopt;
    return QStringLiteral("%1 read as %2, Qt reads %3")
        .arg(printable(text), moment->toString(Qt::ISODateWithMs),
             expected ? expected->toString(Qt::ISODateWithMs) : u"nothing"_s);
}

// Whether bytesFromHexString(text) and the unlock code from it are sound.
// The oracle: every whole pair of code points is ASCII hex, a lone last code
// point is ignored, and the code depends on the key alone.
inline std::optional<QString> secretProblem(const QString& text, bool* accepted = nullptr)
{
    static const QRegularExpression sixDigits(QStringLiteral("^[0-9]{6}$"));
    const QList<uint> points = text.toUcs4();
    const qsizetype used = points.size() / 2 * 2;
    bool hex = true;
    QByteArray digits;
    for (qsizetype i = 0; i < used; ++i) {
        const uint c = points[i];
        hex = hex && c < 0x80 && std::isxdigit(int(c));
        digits += char(c);
    }
    const std::optional<QByteArray> expected =
        hex ? std::optional(QByteArray::fromHex(digits)) : std::nullopt;
    const auto bytes = bytesFromHexString(text);
    if (accepted)
        *accepted = bytes.has_value();
    QString problem;
    if (bytes != expected)
        problem = QStringLiteral("decoded as %1")
                      .arg(bytes ? QString::fromLatin1(bytes->toHex()) : u"nothing"_s);
    else if (const auto code = TOTPGenerator::detail::codeForCounter(text, 1);
             code.has_value() != bytes.has_value() || (code && !sixDigits.match(*code).hasMatch()))
        problem = QStringLiteral("code %1").arg(code.value_or(u"nothing"_s));
    else if (code
             && code != TOTPGenerator::detail::codeForCounter(QString::fromLatin1(bytes->toHex()), 1))
        problem = u"code differs from its key's"_s;
    if (problem.isEmpty())
        return std::nullopt;
    return printable(text.left(80)) + u": "_s + problem;
}

}  // namespace oracle
