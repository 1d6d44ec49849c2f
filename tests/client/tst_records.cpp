// The service's records: strict decoding, exact encoding, moments and the
// texts derived from them.
#include "Activity.h"
#include "Bonus.h"
#include "Clock.h"
#include "Device.h"
#include "JsonRead.h"
#include "Moment.h"
#include "Policy.h"
#include "UsageEntry.h"
#include "User.h"

#include <QLocale>
#include <QTest>
#include <cmath>
#include <functional>
#include <limits>

using nlohmann::json;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

json with(json object, const char* key, json value)
{
    object[key] = std::move(value);
    return object;
}

json without(json object, const char* key)
{
    object.erase(key);
    return object;
}

QByteArray text(const json& value) { return QByteArray::fromStdString(value.dump()); }

json user() { return {{"id", "u1"}, {"email", "p@example.com"}, {"name", "Pat"}}; }
json device() { return {{"id", "d1"}, {"name", "Alex's MacBook"}, {"child_name", "Alex"}}; }
json policy()
{
    return {{"downtime_enabled", true}, {"downtime_start", "21:00"}, {"downtime_end", "07:00"},
            {"screen_time_enabled", true}, {"screen_time_limit_minutes", 120}};
}
json activity()
{
    return {{"id", "a1"}, {"name", "Piano"}, {"day_of_week", 0}, {"start_time", "16:00"},
            {"end_time", "17:00"}, {"buffer_before_minutes", 5}, {"buffer_after_minutes", 10},
            {"enabled", true}};
}

const QHash<QString, std::function<void(const json&)>> decoders = {
    {"User", [](const json& j) { User::fromJson(j); }},
    {"TokenResponse", [](const json& j) { TokenResponse::fromJson(j); }},
    {"Device", [](const json& j) { Device::fromJson(j); }},
    {"Device list", [](const json& j) { decodeList<Device>(j); }},
    {"Policy", [](const json& j) { Policy::fromJson(j); }},
    {"Activity list", [](const json& j) { decodeList<Activity>(j); }},
    {"UsageEntry", [](const json& j) { UsageEntry::fromJson(j); }},
    {"GrantBonusResponse", [](const json& j) { GrantBonusResponse::fromJson(j); }},
    {"bool map", [](const json& j) { decodeBoolMap(j); }},
};

}  // namespace

class RecordDecodingTest : public QObject
{
    Q_OBJECT
private slots:
    void rejects_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("named");     // must appear in the error text, '|' apart
        QTest::addColumn<QString>("notNamed");  // a later bad key that must not

        auto row = [](const char* name, const char* record, const json& body, const char* named,
                      const char* notNamed = "") {
            QTest::newRow(name) << record << text(body) << named << notNamed;
        };
        row("user without name", "User", without(user(), "name"), "\"name\"");
        row("user email null", "User", with(user(), "email", nullptr), "\"email\"");
        row("user id a number", "User", with(user(), "id", 7), "\"id\"");
        row("user first of two", "User", with(without(user(), "email"), "name", 5), "\"email\"",
            "\"name\"");
        row("token without token_type", "TokenResponse", {{"access_token", "t"}}, "\"token_type\"");
        row("device child_name null", "Device", with(device(), "child_name", nullptr),
            "\"child_name\"");
        row("device api_token a number", "Device", with(device(), "api_token", 5), "\"api_token\"");
        row("device last_seen a boolean", "Device", with(device(), "last_seen", true),
            "\"last_seen\"");
        row("device optionals in order", "Device",
            with(with(device(), "bonus_until", 1), "agent_version", json::object()),
            "\"agent_version\"", "\"bonus_until\"");
        row("device required before optional", "Device",
            with(without(device(), "name"), "api_token", 5), "\"name\"", "\"api_token\"");
        row("device an array", "Device", json::array(), "object");
        row("device list, one bad element", "Device list",
            json::array({device(), with(device(), "child_name", nullptr)}), "element 1",
            "element 0");
        row("policy without downtime_start", "Policy", without(policy(), "downtime_start"),
            "\"downtime_start\"");
        row("policy limit 90.5", "Policy", with(policy(), "screen_time_limit_minutes", 90.5),
            "\"screen_time_limit_minutes\"");
        row("policy limit 90.0", "Policy", with(policy(), "screen_time_limit_minutes", 90.0),
            "\"screen_time_limit_minutes\"");
        row("policy limit a string", "Policy", with(policy(), "screen_time_limit_minutes", "90"),
            "\"screen_time_limit_minutes\"");
        row("policy limit beyond qint64", "Policy",
            with(policy(), "screen_time_limit_minutes", std::uint64_t(1) << 63),
            "\"screen_time_limit_minutes\"");
        row("policy day override 30.5", "Policy", with(policy(), "screen_time_mon_minutes", 30.5),
            "\"screen_time_mon_minutes\"");
        row("policy weekday window a number", "Policy",
            with(policy(), "downtime_weekday_start", 900), "\"downtime_weekday_start\"");
        row("policy first of two", "Policy",
            without(without(policy(), "screen_time_enabled"), "downtime_end"), "\"downtime_end\"",
            "\"screen_time_enabled\"");
        row("activity list, one without buffer_after", "Activity list",
            json::array({activity(), activity(), without(activity(), "buffer_after_minutes")}),
            "\"buffer_after_minutes\"|element 2");
        row("activity enabled read before day", "Activity list",
            json::array({with(without(activity(), "enabled"), "day_of_week", "Mon")}),
            "\"enabled\"", "\"day_of_week\"");
        row("activity day 1.0", "Activity list", json::array({with(activity(), "day_of_week", 1.0)}),
            "\"day_of_week\"");
        row("activity list an object", "Activity list", activity(), "list");
        row("usage minutes a string", "UsageEntry", {{"date", "2025-03-07"}, {"total_minutes", "12"}},
            "\"total_minutes\"");
        row("usage without date", "UsageEntry", {{"total_minutes", 12}}, "\"date\"");
        row("bonus without bonus_until", "GrantBonusResponse", json::object(), "\"bonus_until\"");
        row("ack with a number", "bool map", {{"ok", 1}}, "\"ok\"");
        row("ack an array", "bool map", json::array(), "object");
    }

    void rejects()
    {
        QFETCH(QString, record);
        QFETCH(QByteArray, body);
        QFETCH(QString, named);
        QFETCH(QString, notNamed);
        try {
            decoders.value(record)(parseBody(body));
            QFAIL("decoded");
        } catch (const DecodingError& error) {
            const QString message = error.text();
            for (const QString& part : named.split(u'|'))
                QVERIFY2(message.contains(part), qPrintable(message));
            QVERIFY2(notNamed.isEmpty() || !message.contains(notNamed), qPrintable(message));
            QVERIFY(!message.contains(u'\n'));
        }
    }

    void deviceOptionalsMissingOrNull_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("missing") << text(device());
        json nulls = device();
        for (const char* key : {"api_token", "shared_secret", "agent_version", "last_seen",
                                "created_at", "bonus_until"})
            nulls[key] = nullptr;
        QTest::newRow("null") << text(nulls);
        QTest::newRow("extra keys") << text(with(device(), "os", {{"name", "macOS"}}));
    }

    void deviceOptionalsMissingOrNull()
    {
        QFETCH(QByteArray, body);
        QCOMPARE(Device::fromJson(parseBody(body)), (Device{"d1", "Alex's MacBook", "Alex"}));
    }

    void decodesEveryField()
    {
        const Device d = Device::fromJson(
            {{"id", "d1"}, {"name", "Zoë's Mac"}, {"child_name", "Zoë"}, {"api_token", "tok"},
             {"shared_secret", "3132"}, {"agent_version", "1.4.2"},
             {"last_seen", "2025-03-07T10:15:30.123Z"}, {"created_at", "2025-01-01T00:00:00Z"},
             {"bonus_until", "2025-03-07T11:00:00Z"}});
        QCOMPARE(d, (Device{"d1", "Zoë's Mac", "Zoë", "tok", "3132", "1.4.2",
                            "2025-03-07T10:15:30.123Z", "2025-01-01T00:00:00Z",
                            "2025-03-07T11:00:00Z"}));

        json full = policy();
        full.update({{"downtime_weekday_start", "22:00"}, {"downtime_weekday_end", "06:30"},
                     {"downtime_weekend_start", "23:00"}, {"downtime_weekend_end", "08:00"},
                     {"screen_time_weekend_limit_minutes", 180}, {"screen_time_mon_minutes", 1},
                     {"screen_time_tue_minutes", 2}, {"screen_time_wed_minutes", 3},
                     {"screen_time_thu_minutes", 4}, {"screen_time_fri_minutes", 5},
                     {"screen_time_sat_minutes", 6}, {"screen_time_sun_minutes", 7},
                     {"screen_time_limit_minutes", -9223372036854775807LL - 1}});
        QCOMPARE(Policy::fromJson(full),
                 (Policy{true, "21:00", "07:00", "22:00", "06:30", "23:00", "08:00", true,
                         std::numeric_limits<qint64>::min(), 180, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(Policy::fromJson(with(policy(), "screen_time_sun_minutes", nullptr)),
                 (Policy{true, "21:00", "07:00", {}, {}, {}, {}, true, 120}));

        QCOMPARE(decodeList<Activity>(json::array({activity()})),
                 (std::vector<Activity>{{"a1", "Piano", 0, "16:00", "17:00", 5, 10, true}}));
        QCOMPARE(UsageEntry::fromJson({{"date", "2025-03-07"}, {"total_minutes", 12.5}}).totalMinutes,
                 12.5);
        QCOMPARE(UsageEntry::fromJson({{"date", "2025-03-07"}, {"total_minutes", 30}}).totalMinutes,
                 30.0);
        QCOMPARE(User::fromJson(with(user(), "created", 1)), (User{"u1", "p@example.com", "Pat"}));
        QCOMPARE(TokenResponse::fromJson({{"access_token", "abc"}, {"token_type", "bearer"}}),
                 (TokenResponse{"abc", "bearer"}));
    }

    void bodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("acknowledged");
        QTest::newRow("ok true") << QByteArray(R"({"ok": true})") << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("blank") << QByteArray(" \n") << false;
        QTest::newRow("cut short") << QByteArray(R"({"ok": tr)") << false;
        QTest::newRow("trailing junk") << QByteArray(R"({"ok": true} x)") << false;
        QTest::newRow("bad utf-8") << QByteArray("{\"ok\xff\": true}") << false;
        QTest::newRow("number overflow") << QByteArray(R"({"ok": 1e400})") << false;
        QTest::newRow("null") << QByteArray("null") << false;
        QTest::newRow("deep nesting") << QByteArray(100000, '[') + QByteArray(100000, ']') << false;
    }

    void bodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, acknowledged);
        if (acknowledged)
            QCOMPARE(decodeBoolMap(parseBody(body)), (QMap<QString, bool>{{"ok", true}}));
        else
            QVERIFY_THROWS_EXCEPTION(DecodingError, decodeBoolMap(parseBody(body)));
    }
};

class RecordEncodingTest : public QObject
{
    Q_OBJECT
private slots:
    void encodes_data()
    {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char* name, const nlohmann::ordered_json& encoded, const char* expected) {
            QTest::newRow(name) << QByteArray::fromStdString(encoded.dump()) << QByteArray(expected);
        };
        using K = CodingKeys;
        row("policy, one key", PolicyUpdate{.screenTimeEnabled = false}.toJson(),
            R"({"screen_time_enabled":false})");
        row("policy, clear only", PolicyUpdate{.clearFields = {K::screenTimeWedMinutes}}.toJson(),
            R"({"screen_time_wed_minutes":null})");
        row("policy, clear replaces a value once",
            PolicyUpdate{.downtimeStart = "21:30", .screenTimeMonMinutes = 60,
                         .screenTimeSunMinutes = 30, .clearFields = {K::screenTimeMonMinutes}}
                .toJson(),
            R"({"downtime_start":"21:30","screen_time_mon_minutes":null,"screen_time_sun_minutes":30})");
        row("policy, weekend window cleared",
            PolicyUpdate{.clearFields = {K::downtimeWeekendStart, K::downtimeWeekendEnd}}.toJson(),
            R"({"downtime_weekend_start":null,"downtime_weekend_end":null})");
        row("policy, empty", PolicyUpdate{}.toJson(), "{}");
        row("policy, every key",
            PolicyUpdate{true, "21:00", "07:00", "22:00", "06:00", "23:00", "08:00", false, 120,
                         180, 1, 2, 3, 4, 5, 6, 7, {}}
                .toJson(),
            R"({"downtime_enabled":true,"downtime_start":"21:00","downtime_end":"07:00",)"
            R"("downtime_weekday_start":"22:00","downtime_weekday_end":"06:00",)"
            R"("downtime_weekend_start":"23:00","downtime_weekend_end":"08:00",)"
            R"("screen_time_enabled":false,"screen_time_limit_minutes":120,)"
            R"("screen_time_weekend_limit_minutes":180,"screen_time_mon_minutes":1,)"
            R"("screen_time_tue_minutes":2,"screen_time_wed_minutes":3,"screen_time_thu_minutes":4,)"
            R"("screen_time_fri_minutes":5,"screen_time_sat_minutes":6,"screen_time_sun_minutes":7})");
        row("activity update, only enabled", ActivityUpdate{.enabled = false}.toJson(),
            R"({"enabled":false})");
        row("activity update, empty", ActivityUpdate{}.toJson(), "{}");
        row("activity create", ActivityCreate{"Piano", 6, "16:00", "17:00", 5, 0, true}.toJson(),
            R"({"name":"Piano","enabled":true,"day_of_week":6,"start_time":"16:00",)"
            R"("end_time":"17:00","buffer_before_minutes":5,"buffer_after_minutes":0})");
        row("device update, only name", DeviceUpdateRequest{.name = "Zoë's Mac"}.toJson(),
            "{\"name\":\"Zo\xc3\xab's Mac\"}");
        row("device update, empty", DeviceUpdateRequest{}.toJson(), "{}");
        // No raw string here: moc loses its place at an apostrophe inside one.
        row("create device", CreateDeviceRequest{"Alex's MacBook", "Alex"}.toJson(),
            "{\"name\":\"Alex's MacBook\",\"child_name\":\"Alex\"}");
        row("register, empty name kept", RegisterRequest{"p@example.com", "pw", ""}.toJson(),
            R"({"email":"p@example.com","password":"pw","name":""})");
        row("login", LoginRequest{"p@example.com", "pw"}.toJson(),
            R"({"email":"p@example.com","password":"pw"})");
        row("bonus", GrantBonusRequest{15}.toJson(), R"({"minutes":15})");
    }

    void encodes()
    {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, expected);
        QCOMPARE(encoded, expected);
    }

    void codingKeys()
    {
        for (int i = 0; i < 17; ++i)
            QCOMPARE(codingKeyFromText(keyText(CodingKeys(i))).value_or(CodingKeys(-1)), CodingKeys(i));
        const int wednesday = 2;
        QCOMPARE(keyText(CodingKeys(int(CodingKeys::screenTimeMonMinutes) + wednesday)),
                 QString("screen_time_wed_minutes"));
        QVERIFY(!codingKeyFromText(u"Downtime_enabled"));
        QVERIFY(!codingKeyFromText(u""));
        QCOMPARE(keyText(CodingKeys(17)), QString());
    }

    void clearingAnUnknownDayFails()
    {
        // Day index 7 from a caller's bug: refusing beats silently sending less.
        const PolicyUpdate update{
            .clearFields = {CodingKeys(int(CodingKeys::screenTimeMonMinutes) + 7)}};
        QVERIFY_THROWS_EXCEPTION(EncodingError, update.toJson());
    }
};

class MomentTest : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<QDateTime>("expected");  // invalid: no moment
        const QDateTime base(QDate(2025, 3, 7), QTime(10, 15, 30), Qt::UTC);
        const QDateTime none;
        QTest::newRow("Z") << "2025-03-07T10:15:30Z" << base;
        QTest::newRow("milliseconds") << "2025-03-07T10:15:30.123Z" << base.addMSecs(123);
        QTest::newRow("one digit") << "2025-03-07T10:15:30.1Z" << base.addMSecs(100);
        QTest::newRow("nine digits cut") << "2025-03-07T10:15:30.987654321Z" << base.addMSecs(987);
        QTest::newRow("ten digits") << "2025-03-07T10:15:30.1234567890Z" << none;
        QTest::newRow("bare dot") << "2025-03-07T10:15:30.Z" << none;
        QTest::newRow("plus offset") << "2025-03-07T12:15:30+02:00" << base;
        QTest::newRow("minus offset, fraction") << "2025-03-07T04:45:30.5-05:30" << base.addMSecs(500);
        QTest::newRow("minus zero") << "2025-03-07T10:15:30-00:00" << base;
        QTest::newRow("lower case accepted") << "2025-03-07t10:15:30z" << base;
        QTest::newRow("leap second") << "2016-12-31T23:59:60Z"
                                     << QDateTime(QDate(2017, 1, 1), QTime(0, 0), Qt::UTC);
        QTest::newRow("leap day") << "2024-02-29T00:00:00Z"
                                  << QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC);
        QTest::newRow("no leap day") << "2025-02-29T00:00:00Z" << none;
        QTest::newRow("date only") << "2025-03-07" << none;
        QTest::newRow("time only") << "10:15:30Z" << none;
        QTest::newRow("no zone") << "2025-03-07T10:15:30" << none;
        QTest::newRow("no zone, fraction") << "2025-03-07T10:15:30.123" << none;
        QTest::newRow("yesterday") << "yesterday" << none;
        QTest::newRow("tomorrow") << "tomorrow" << none;
        QTest::newRow("month 13") << "2025-13-01T00:00:00Z" << none;
        QTest::newRow("hour 24") << "2025-03-07T24:00:00Z" << none;
        QTest::newRow("minute 60") << "2025-03-07T10:60:00Z" << none;
        QTest::newRow("year 0") << "0000-01-01T00:00:00Z" << none;
        QTest::newRow("trailing space") << "2025-03-07T10:15:30Z " << none;
        QTest::newRow("leading space") << " 2025-03-07T10:15:30Z" << none;
        QTest::newRow("space for T") << "2025-03-07 10:15:30Z" << none;
        QTest::newRow("offset without minutes") << "2025-03-07T10:15:30+02" << none;
        QTest::newRow("offset without colon") << "2025-03-07T10:15:30+0200" << none;
        QTest::newRow("offset hour 24") << "2025-03-07T10:15:30+24:00" << none;
        QTest::newRow("other digits") << "٢٠٢٥-03-07T10:15:30Z" << none;
        QTest::newRow("empty") << "" << none;
    }

    void parse()
    {
        QFETCH(QString, moment);
        QFETCH(QDateTime, expected);
        const auto parsed = parseMoment(moment);
        QCOMPARE(parsed.has_value(), expected.isValid());
        if (parsed)
            QCOMPARE(parsed->toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
    }
};

class DeviceAgeTest : public QObject
{
    Q_OBJECT
    static constexpr qint64 now = 1741342530000;  // 2025-03-07T10:15:30Z

    static std::optional<QString> secondsAgo(double seconds)
    {
        const auto at = QDateTime::fromMSecsSinceEpoch(now - qRound64(seconds * 1000), Qt::UTC);
        return at.toString(Qt::ISODateWithMs);
    }

private slots:
    void init() { Clock::setSource([] { return now; }); }
    void cleanup() { Clock::setSource({}); }

    void lastSeenText_data()
    {
        QTest::addColumn<std::optional<QString>>("lastSeen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("119 s") << secondsAgo(119) << "just now";
        QTest::newRow("119.999 s") << secondsAgo(119.999) << "just now";
        QTest::newRow("120 s") << secondsAgo(120) << "2 min ago";
        QTest::newRow("150 s") << secondsAgo(150) << "2 min ago";
        QTest::newRow("3599 s") << secondsAgo(3599) << "59 min ago";
        QTest::newRow("3600 s") << secondsAgo(3600) << "1 hr ago";
        QTest::newRow("2 h 59 min") << secondsAgo(2 * 3600 + 59 * 60) << "2 hr ago";
        QTest::newRow("86399 s") << secondsAgo(86399) << "23 hr ago";
        QTest::newRow("86400 s") << secondsAgo(86400) << "1 days ago";
        QTest::newRow("47 h") << secondsAgo(47 * 3600) << "1 days ago";
        QTest::newRow("30 days") << secondsAgo(30 * 86400) << "30 days ago";
        QTest::newRow("future") << secondsAgo(-600) << "just now";
        QTest::newRow("offset, 150 s") << std::optional<QString>("2025-03-07T12:13:00+02:00")
                                       << "2 min ago";
        QTest::newRow("unparseable") << std::optional<QString>("yesterday") << "never";
        QTest::newRow("absent") << std::optional<QString>() << "never";
    }

    void lastSeenText()
    {
        QFETCH(std::optional<QString>, lastSeen);
        QFETCH(QString, expected);
        QCOMPARE((Device{.lastSeen = lastSeen}.lastSeenText()), expected);
    }

    void online_data()
    {
        QTest::addColumn<std::optional<QString>>("lastSeen");
        QTest::addColumn<bool>("online");
        QTest::newRow("179 s") << secondsAgo(179) << true;
        QTest::newRow("179.999 s") << secondsAgo(179.999) << true;
        QTest::newRow("180 s") << secondsAgo(180) << false;
        QTest::newRow("future") << secondsAgo(-3600) << true;
        QTest::newRow("unparseable") << std::optional<QString>("2025-03-07") << false;
        QTest::newRow("absent") << std::optional<QString>() << false;
    }

    void online()
    {
        QFETCH(std::optional<QString>, lastSeen);
        QFETCH(bool, online);
        QCOMPARE(isOnline(lastSeen), online);
    }
};

class DisplayTextTest : public QObject
{
    Q_OBJECT
private slots:
    // The labels must not follow the user's locale.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void formatMinutes_data()
    {
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << qint64(0) << "0m";
        QTest::newRow("45") << qint64(45) << "45m";
        QTest::newRow("59") << qint64(59) << "59m";
        QTest::newRow("60") << qint64(60) << "1h 0m";
        QTest::newRow("61") << qint64(61) << "1h 1m";
        QTest::newRow("135") << qint64(135) << "2h 15m";
        QTest::newRow("600") << qint64(600) << "10h 0m";
        QTest::newRow("1440") << qint64(1440) << "24h 0m";
        QTest::newRow("-45") << qint64(-45) << "-45m";
        QTest::newRow("-75") << qint64(-75) << "-1h 15m";
        QTest::newRow("min") << std::numeric_limits<qint64>::min() << "-153722867280912930h 8m";
    }

    void formatMinutes()
    {
        QFETCH(qint64, minutes);
        QFETCH(QString, expected);
        QCOMPARE(::formatMinutes(minutes), expected);
    }

    void formattedTime_data()
    {
        QTest::addColumn<double>("totalMinutes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("45.9") << 45.9 << "45m";
        QTest::newRow("125") << 125.0 << "2h 5m";
        QTest::newRow("12.5") << 12.5 << "12m";
        QTest::newRow("-0.5") << -0.5 << "0m";
        QTest::newRow("NaN") << std::nan("") << "0m";
        QTest::newRow("infinity") << HUGE_VAL << "153722867280912930h 7m";
        QTest::newRow("1e30") << 1e30 << "153722867280912930h 7m";
        QTest::newRow("-infinity") << -HUGE_VAL << "-153722867280912930h 8m";
    }

    void formattedTime()
    {
        QFETCH(double, totalMinutes);
        QFETCH(QString, expected);
        QCOMPARE((UsageEntry{"2025-03-07", totalMinutes}.formattedTime()), expected);
    }

    void dayLabel_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Friday") << "2025-03-07" << "Fri, 7";
        QTest::newRow("two-digit day") << "2025-03-17" << "Mon, 17";
        QTest::newRow("no padding") << "2025-3-7" << "2025-3-7";
        QTest::newRow("no such day") << "2025-02-30" << "2025-02-30";
        QTest::newRow("moment") << "2025-03-07T10:15:30Z" << "2025-03-07T10:15:30Z";
        QTest::newRow("word") << "today" << "today";
        QTest::newRow("empty") << "" << "";
    }

    void dayLabel()
    {
        QFETCH(QString, date);
        QFETCH(QString, expected);
        QCOMPARE((UsageEntry{date, 0}.dayLabel()), expected);
    }
};

int main(int argc, char** argv)
{
    // A zone far from UTC, so a moment read as local time shows up as wrong.
    qputenv("TZ", "LUM-5:45");
    QCoreApplication app(argc, argv);
    int status = 0;
    RecordDecodingTest decoding;
    RecordEncodingTest encoding;
    MomentTest moments;
    DeviceAgeTest ages;
    DisplayTextTest texts;
    for (QObject* test : std::initializer_list<QObject*>{&decoding, &encoding, &moments, &ages, &texts})
        status |= QTest::qExec(test, argc, argv);
    return status;
}

#include "tst_records.moc"
