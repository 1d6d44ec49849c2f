// Enrolling, listing, renaming and removing devices, and the agent's heartbeat that brings one online.
#include "LiveService.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QtTest>

namespace {

qint64 secondsSince(const json& moment)
{
    const QDateTime when = QDateTime::fromString(QString::fromStdString(moment.get<std::string>()), Qt::ISODateWithMs);
    return when.isValid() ? when.secsTo(QDateTime::currentDateTimeUtc()) : -1'000'000;
}

bool matches(const json& value, const char* pattern)
{
    return value.is_string()
        && QRegularExpression(QString("^") + pattern + "$").match(QString::fromStdString(value.get<std::string>())).hasMatch();
}

} // namespace

class DevicesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(service.start(), qPrintable(service.error()));
        token = service.signUp("devices@example.com");
    }

    void aNewDeviceCarriesItsCredentials()
    {
        const json device = service.createDevice(token, "Alex's MacBook", "Alex");
        QVERIFY(device.is_object());
        QCOMPARE(device.size(), size_t(9));
        QCOMPARE(device["name"], json("Alex's MacBook"));
        QCOMPARE(device["child_name"], json("Alex"));
        QVERIFY(matches(device["id"], "[0-9a-f-]{36}"));
        QVERIFY2(matches(device["api_token"], "[0-9a-f]{32,}"), "at least 128 random bits");
        QVERIFY(matches(device["shared_secret"], "[0-9a-f]{40}"));
        QVERIFY(matches(device["created_at"], R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"));
        QVERIFY(std::abs(secondsSince(device["created_at"])) < 60);
        for (const char* key : { "agent_version", "last_seen", "bonus_until" })
            QVERIFY2(device[key].is_null(), key);

        const json other = service.createDevice(token, "Alex's MacBook", "Alex");
        for (const char* key : { "id", "api_token", "shared_secret" })
            QVERIFY2(other[key] != device[key], key);
    }

    void devicesAreListedInCreationOrder()
    {
        const std::string parent = service.signUp("order@example.com");
        for (const char* name : { "Zed", "Amy", "Max" })
            service.createDevice(parent, name, "Kid");
        json names = json::array();
        for (const json& device : service.get("/api/v1/devices", parent).value)
            names.push_back(device["name"]);
        QCOMPARE(names, json({ "Zed", "Amy", "Max" }));
    }

    void creationRefusesMissingOrEmptyNames_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("loc");
        QTest::newRow("child missing") << QByteArray(R"({"name":"Mac"})") << QByteArray(R"(["body","child_name"])");
        QTest::newRow("name empty") << QByteArray(R"({"name":"","child_name":"Kid"})") << QByteArray(R"(["body","name"])");
        QTest::newRow("child empty") << QByteArray(R"({"name":"Mac","child_name":""})")
                                     << QByteArray(R"(["body","child_name"])");
        QTest::newRow("name null") << QByteArray(R"({"name":null,"child_name":"Kid"})") << QByteArray(R"(["body","name"])");
        QTest::newRow("name a number") << QByteArray(R"({"name":1,"child_name":"Kid"})") << QByteArray(R"(["body","name"])");
    }
    void creationRefusesMissingOrEmptyNames()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, loc);
        const std::string parent = service.signUp("refused-" + std::string(QTest::currentDataTag()) + "@example.com");
        const Reply reply = service.sendRaw("POST", "/api/v1/devices", parent, body.toStdString());
        QCOMPARE(reply.status, 422);
        QCOMPARE(reply.value["detail"][0]["loc"], json::parse(loc.toStdString()));
        QCOMPARE(service.get("/api/v1/devices", parent).value, json::array());
    }

    void aRenameChangesOnlyTheKeysPresent_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("childName");
        QTest::newRow("name only") << QByteArray(R"({"name":"Work Mac"})") << "Work Mac" << "Alex";
        QTest::newRow("child only") << QByteArray(R"({"child_name":"Alexa"})") << "Alex's MacBook" << "Alexa";
        QTest::newRow("both") << QByteArray(R"({"name":"N","child_name":"C"})") << "N" << "C";
        QTest::newRow("nothing") << QByteArray("{}") << "Alex's MacBook" << "Alex";
        QTest::newRow("credentials are not renamed")
            << QByteArray(R"({"api_token":"mine","shared_secret":"00","id":"x"})") << "Alex's MacBook" << "Alex";
    }
    void aRenameChangesOnlyTheKeysPresent()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, name);
        QFETCH(QString, childName);
        const json device = service.createDevice(token);
        const Reply reply = service.sendRaw("PATCH", devicePath(device), token, body.toStdString());
        QCOMPARE(reply.status, 200);
        json expected = device;
        expected["name"] = name.toStdString();
        expected["child_name"] = childName.toStdString();
        QCOMPARE(reply.value, expected);
        QCOMPARE(service.get(devicePath(device), token).value, expected);
    }

    void aRenameRefusesBadValues_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("null name") << QByteArray(R"({"name":null})");
        QTest::newRow("empty child name") << QByteArray(R"({"name":"Fine","child_name":""})");
        QTest::newRow("number") << QByteArray(R"({"child_name":5})");
        QTest::newRow("not an object") << QByteArray(R"("Work Mac")");
    }
    void aRenameRefusesBadValues()
    {
        QFETCH(QByteArray, body);
        const json device = service.createDevice(token);
        QCOMPARE(service.sendRaw("PATCH", devicePath(device), token, body.toStdString()).status, 422);
        QCOMPARE(service.get(devicePath(device), token).value, device);
    }

    void aDeletedDeviceIsGoneWithItsPolicy()
    {
        const json device = service.createDevice(token, "Old Mac", "Kid");
        const Reply reply = service.del(devicePath(device), token);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.value, json({ { "ok", true } }));
        QCOMPARE(service.get(devicePath(device), token).status, 404);
        QCOMPARE(service.get(devicePath(device, "/policy"), token).status, 404);
        QCOMPARE(service.del(devicePath(device), token).status, 404);
        for (const json& listed : service.get("/api/v1/devices", token).value)
            QVERIFY(listed["id"] != device["id"]);
    }

    void aHeartbeatBringsTheDeviceOnline()
    {
        const json device = service.createDevice(token);
        const Reply beat = service.post("/api/v1/agent/heartbeat", device["api_token"],
                                        { { "agent_version", "1.2.0" }, { "minutes_used", 2.5 } });
        QCOMPARE(beat.status, 200);
        QCOMPARE(beat.value, json({ { "ok", true } }));
        const json seen = service.get(devicePath(device), token).value;
        QCOMPARE(seen["agent_version"], json("1.2.0"));
        QVERIFY(matches(seen["last_seen"], R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)"));
        QVERIFY(std::abs(secondsSince(seen["last_seen"])) < 5);
        QCOMPARE(service.get(devicePath(device, "/usage?days=1"), token).value[0]["total_minutes"], json(2.5));
    }

    void heartbeatsRefuseBadReports_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no version") << QByteArray(R"({"minutes_used":1})");
        QTest::newRow("negative minutes") << QByteArray(R"({"agent_version":"1.0","minutes_used":-1})");
        QTest::newRow("minutes as text") << QByteArray(R"({"agent_version":"1.0","minutes_used":"1"})");
        QTest::newRow("more than a day") << QByteArray(R"({"agent_version":"1.0","minutes_used":1441})");
    }
    void heartbeatsRefuseBadReports()
    {
        QFETCH(QByteArray, body);
        const json device = service.createDevice(token);
        QCOMPARE(service.sendRaw("POST", "/api/v1/agent/heartbeat", device["api_token"], body.toStdString()).status, 422);
        QVERIFY(service.get(devicePath(device), token).value["last_seen"].is_null());
    }

    void aHeartbeatNeedsAKnownDeviceToken()
    {
        const Reply reply = service.post("/api/v1/agent/heartbeat", "feedface", { { "agent_version", "1.0" } });
        QCOMPARE(reply.status, 401);
        QCOMPARE(reply.detail(), std::string("Could not validate credentials"));
    }

private:
    LiveService service;
    std::string token;
};

QTEST_GUILESS_MAIN(DevicesTest)
#include "tst_service_devices.moc"
