// A device's policy: its defaults and the partial-update rules the console's editor relies on.
#include "LiveService.h"

#include <QtTest>

namespace {

const json kDefaults = {
    { "downtime_enabled", true },
    { "downtime_start", "21:00" },
    { "downtime_end", "07:00" },
    { "downtime_weekday_start", nullptr },
    { "downtime_weekday_end", nullptr },
    { "downtime_weekend_start", nullptr },
    { "downtime_weekend_end", nullptr },
    { "screen_time_enabled", true },
    { "screen_time_limit_minutes", 120 },
    { "screen_time_weekend_limit_minutes", nullptr },
    { "screen_time_mon_minutes", nullptr },
    { "screen_time_tue_minutes", nullptr },
    { "screen_time_wed_minutes", nullptr },
    { "screen_time_thu_minutes", nullptr },
    { "screen_time_fri_minutes", nullptr },
    { "screen_time_sat_minutes", nullptr },
    { "screen_time_sun_minutes", nullptr },
};

json withChanges(const char* changes)
{
    json policy = kDefaults;
    policy.update(json::parse(changes));
    return policy;
}

} // namespace

class PolicyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(service.start(), qPrintable(service.error()));
        token = service.signUp("policy@example.com");
    }

    void aNewDeviceStartsWithTheDefaults()
    {
        const Reply reply = service.get(devicePath(service.createDevice(token), "/policy"), token);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.value, kDefaults);
    }

    void anUpdateChangesOnlyTheKeysPresent_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("update");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("a value sets") << QByteArray("{}") << QByteArray(R"({"screen_time_wed_minutes":90})")
                                      << QByteArray(R"({"screen_time_wed_minutes":90})");
        QTest::newRow("null removes an override")
            << QByteArray(R"({"screen_time_wed_minutes":90,"screen_time_mon_minutes":30})")
            << QByteArray(R"({"screen_time_wed_minutes":null})") << QByteArray(R"({"screen_time_mon_minutes":30})");
        QTest::newRow("null removes a window")
            << QByteArray(R"({"downtime_weekend_start":"22:00","downtime_weekend_end":"09:00"})")
            << QByteArray(R"({"downtime_weekend_start":null,"downtime_weekend_end":null})") << QByteArray("{}");
        QTest::newRow("an absent key stays") << QByteArray(R"({"screen_time_weekend_limit_minutes":180})")
                                             << QByteArray(R"({"screen_time_enabled":false})")
                                             << QByteArray(R"({"screen_time_weekend_limit_minutes":180,"screen_time_enabled":false})");
        QTest::newRow("required values") << QByteArray("{}")
                                         << QByteArray(R"({"downtime_enabled":false,"downtime_start":"22:15","downtime_end":"06:45","screen_time_limit_minutes":90})")
                                         << QByteArray(R"({"downtime_enabled":false,"downtime_start":"22:15","downtime_end":"06:45","screen_time_limit_minutes":90})");
        QTest::newRow("bounds") << QByteArray("{}")
                                << QByteArray(R"({"screen_time_limit_minutes":0,"screen_time_sun_minutes":1440,"downtime_weekday_start":"00:00","downtime_weekday_end":"23:59"})")
                                << QByteArray(R"({"screen_time_limit_minutes":0,"screen_time_sun_minutes":1440,"downtime_weekday_start":"00:00","downtime_weekday_end":"23:59"})");
        QTest::newRow("unknown keys are ignored") << QByteArray("{}")
                                                  << QByteArray(R"({"bedtime":"never","screen_time_limit_minutes":45})")
                                                  << QByteArray(R"({"screen_time_limit_minutes":45})");
        QTest::newRow("an empty update") << QByteArray(R"({"screen_time_sat_minutes":200})") << QByteArray("{}")
                                         << QByteArray(R"({"screen_time_sat_minutes":200})");
    }
    void anUpdateChangesOnlyTheKeysPresent()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, update);
        QFETCH(QByteArray, after);
        const std::string path = devicePath(service.createDevice(token), "/policy");
        QCOMPARE(service.sendRaw("PUT", path, token, before.toStdString()).status, 200);
        const Reply reply = service.sendRaw("PUT", path, token, update.toStdString());
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.value, withChanges(after));
        QCOMPARE(service.get(path, token).value, withChanges(after));
    }

    void aRefusedUpdateChangesNothing_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("value");
        for (const char* required : { "downtime_enabled", "downtime_start", "downtime_end", "screen_time_enabled",
                                      "screen_time_limit_minutes" })
            QTest::addRow("null %s", required) << required << QByteArray("null");
        QTest::newRow("switch as text") << "downtime_enabled" << QByteArray(R"("true")");
        QTest::newRow("switch as number") << "screen_time_enabled" << QByteArray("1");
        QTest::newRow("time as number") << "downtime_start" << QByteArray("2100");
        QTest::newRow("minutes as text") << "screen_time_limit_minutes" << QByteArray(R"("90")");
        QTest::newRow("fractional minutes") << "screen_time_mon_minutes" << QByteArray("90.5");
        QTest::newRow("minutes written as a fraction") << "screen_time_tue_minutes" << QByteArray("90.0");
        QTest::newRow("minutes as a switch") << "screen_time_thu_minutes" << QByteArray("true");
        QTest::newRow("negative minutes") << "screen_time_limit_minutes" << QByteArray("-1");
        QTest::newRow("more than a day") << "screen_time_limit_minutes" << QByteArray("1441");
        QTest::newRow("override beyond a day") << "screen_time_sun_minutes" << QByteArray("100000000000000000000");
        QTest::newRow("hour 24") << "downtime_end" << QByteArray(R"("24:00")");
        QTest::newRow("minute 60") << "downtime_weekday_start" << QByteArray(R"("07:60")");
        QTest::newRow("one-digit hour") << "downtime_start" << QByteArray(R"("7:00")");
        QTest::newRow("no colon") << "downtime_weekend_end" << QByteArray(R"("0700")");
        QTest::newRow("with seconds") << "downtime_weekend_start" << QByteArray(R"("07:00:00")");
        QTest::newRow("blank around") << "downtime_start" << QByteArray(R"(" 07:00")");
    }
    void aRefusedUpdateChangesNothing()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, value);
        const std::string path = devicePath(service.createDevice(token), "/policy");
        QCOMPARE(service.put(path, token, { { "screen_time_wed_minutes", 90 } }).status, 200);
        const json before = service.get(path, token).value;

        // A valid change rides along: the whole update is refused, not just the bad key.
        const json body = { { "screen_time_weekend_limit_minutes", 200 },
                            { key.toStdString(), json::parse(value.toStdString()) } };
        const Reply reply = service.put(path, token, body);
        QCOMPARE(reply.status, 422);
        QCOMPARE(reply.value["detail"].size(), size_t(1));
        QCOMPARE(reply.value["detail"][0]["loc"], json({ "body", key.toStdString() }));
        QCOMPARE(service.get(path, token).value, before);
    }

    void theBodyMustBeAnObject_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("array") << QByteArray(R"([{"screen_time_limit_minutes":60}])");
        QTest::newRow("null") << QByteArray("null");
        QTest::newRow("text") << QByteArray(R"("60")");
        QTest::newRow("cut short") << QByteArray(R"({"screen_time_limit_minutes":)");
    }
    void theBodyMustBeAnObject()
    {
        QFETCH(QByteArray, body);
        const std::string path = devicePath(service.createDevice(token), "/policy");
        QCOMPARE(service.sendRaw("PUT", path, token, body.toStdString()).status, 422);
        QCOMPARE(service.get(path, token).value, kDefaults);
    }

private:
    LiveService service;
    std::string token;
};

QTEST_GUILESS_MAIN(PolicyTest)
#include "tst_service_policy.moc"
