// One parent can neither see nor change another parent's devices, and every route needs the right token.
#include "LiveService.h"

#include <QtTest>

class ScopingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(service.start(), qPrintable(service.error()));
        owner = service.signUp("owner@example.com");
        stranger = service.signUp("stranger@example.com");
        device = service.createDevice(owner);
        QVERIFY(device.is_object());
        const Reply created = service.post(devicePath(device, "/activities"), owner, kPianoActivity);
        QCOMPARE(created.status, 200);
        activityId = created.value["id"].get<std::string>();
    }

    void anotherParentsDeviceIsNotFound_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("read device") << "GET" << "" << QByteArray();
        QTest::newRow("rename device") << "PATCH" << "" << QByteArray(R"({"name":"Mine now"})");
        QTest::newRow("delete device") << "DELETE" << "" << QByteArray();
        QTest::newRow("read policy") << "GET" << "/policy" << QByteArray();
        QTest::newRow("change policy") << "PUT" << "/policy" << QByteArray(R"({"screen_time_limit_minutes":5})");
        QTest::newRow("list activities") << "GET" << "/activities" << QByteArray();
        QTest::newRow("add activity") << "POST" << "/activities" << QByteArray::fromStdString(kPianoActivity.dump());
        QTest::newRow("change activity") << "PUT" << "/activities/{activity}" << QByteArray(R"({"enabled":false})");
        QTest::newRow("delete activity") << "DELETE" << "/activities/{activity}" << QByteArray();
        QTest::newRow("read usage") << "GET" << "/usage?days=3" << QByteArray();
        QTest::newRow("grant bonus") << "POST" << "/grant-bonus" << QByteArray(R"({"minutes":30})");
    }
    void anotherParentsDeviceIsNotFound()
    {
        QFETCH(QString, method);
        QFETCH(QString, suffix);
        QFETCH(QByteArray, body);
        suffix.replace("{activity}", QString::fromStdString(activityId));
        const Reply reply
            = service.sendRaw(method.toStdString(), devicePath(device, suffix.toStdString()), stranger, body.toStdString());
        QCOMPARE(reply.status, 404);
        QCOMPARE(reply.detail(), std::string("Device not found"));
    }

    void theOwnersDataIsUntouched()
    {
        const Reply read = service.get(devicePath(device), owner);
        QCOMPARE(read.status, 200);
        QCOMPARE(read.value, device);
        QCOMPARE(service.get(devicePath(device, "/policy"), owner).value["screen_time_limit_minutes"], json(120));
        const Reply activities = service.get(devicePath(device, "/activities"), owner);
        QCOMPARE(activities.value.size(), size_t(1));
        QCOMPARE(activities.value[0]["enabled"], json(true));
        QCOMPARE(service.get("/api/v1/devices", stranger).value, json::array());
    }

    void anActivityIsReachedOnlyThroughItsOwnDevice()
    {
        const json strangersDevice = service.createDevice(stranger, "Other Mac", "Kim");
        const std::string path = devicePath(strangersDevice, "/activities/" + activityId);
        const Reply changed = service.put(path, stranger, { { "name", "Hijacked" } });
        QCOMPARE(changed.status, 404);
        QCOMPARE(changed.detail(), std::string("Activity not found"));
        QCOMPARE(service.del(path, stranger).status, 404);
        QCOMPARE(service.get(devicePath(device, "/activities"), owner).value[0]["name"], json("Piano"));
    }

    void tokensOfParentsAndDevicesAreNotInterchangeable()
    {
        const std::string agentToken = device["api_token"].get<std::string>();
        QCOMPARE(service.get("/api/v1/devices", agentToken).status, 401);
        QCOMPARE(service.post("/api/v1/agent/heartbeat", owner, { { "agent_version", "1.0" } }).status, 401);
    }

    void everyRouteNeedsAToken_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        const QString id = "/api/v1/devices/{device}";
        QTest::newRow("me") << "GET" << "/api/v1/auth/me";
        QTest::newRow("list devices") << "GET" << "/api/v1/devices";
        QTest::newRow("create device") << "POST" << "/api/v1/devices";
        QTest::newRow("read device") << "GET" << id;
        QTest::newRow("rename device") << "PATCH" << id;
        QTest::newRow("delete device") << "DELETE" << id;
        QTest::newRow("read policy") << "GET" << id + "/policy";
        QTest::newRow("change policy") << "PUT" << id + "/policy";
        QTest::newRow("list activities") << "GET" << id + "/activities";
        QTest::newRow("add activity") << "POST" << id + "/activities";
        QTest::newRow("change activity") << "PUT" << id + "/activities/{activity}";
        QTest::newRow("delete activity") << "DELETE" << id + "/activities/{activity}";
        QTest::newRow("read usage") << "GET" << id + "/usage";
        QTest::newRow("grant bonus") << "POST" << id + "/grant-bonus";
        QTest::newRow("heartbeat") << "POST" << "/api/v1/agent/heartbeat";
    }
    void everyRouteNeedsAToken()
    {
        QFETCH(QString, method);
        QFETCH(QString, path);
        path.replace("{device}", QString::fromStdString(device["id"].get<std::string>()))
            .replace("{activity}", QString::fromStdString(activityId));
        const Reply reply = service.sendRaw(method.toStdString(), path.toStdString(), {}, "{}");
        QCOMPARE(reply.status, 401);
        QCOMPARE(reply.detail(), std::string("Not authenticated"));
    }

private:
    LiveService service;
    std::string owner;
    std::string stranger;
    json device;
    std::string activityId;
};

QTEST_GUILESS_MAIN(ScopingTest)
#include "tst_service_scoping.moc"
