// A device's scheduled activities: creation with every field checked, order, partial updates and removal.
#include "LiveService.h"

#include <QtTest>

namespace {

json piano(const json& changes)
{
    json activity = kPianoActivity;
    activity.update(changes);
    return activity;
}

} // namespace

class ActivitiesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(service.start(), qPrintable(service.error()));
        token = service.signUp("activities@example.com");
    }

    void aNewActivityEchoesItsFields()
    {
        const json device = service.createDevice(token);
        const Reply reply = service.post(devicePath(device, "/activities"), token, kPianoActivity);
        QCOMPARE(reply.status, 200);
        json withoutId = reply.value;
        QVERIFY(withoutId["id"].is_string() && !withoutId["id"].get<std::string>().empty());
        withoutId.erase("id");
        QCOMPARE(withoutId, kPianoActivity);
        QCOMPARE(service.get(devicePath(device, "/activities"), token).value, json::array({ reply.value }));
    }

    void activitiesAreListedByDayThenStartThenCreation()
    {
        const json device = service.createDevice(token);
        const std::string path = devicePath(device, "/activities");
        for (const json& changes : { json { { "name", "Homework" }, { "day_of_week", 2 }, { "start_time", "15:30" } },
                                     json { { "name", "Piano" } },
                                     json { { "name", "Early" }, { "start_time", "09:00" } },
                                     json { { "name", "Football" }, { "day_of_week", 5 }, { "start_time", "10:00" } },
                                     json { { "name", "Second piano" } } })
            QCOMPARE(service.post(path, token, piano(changes)).status, 200);
        json names = json::array();
        for (const json& activity : service.get(path, token).value)
            names.push_back(activity["name"]);
        QCOMPARE(names, json({ "Early", "Piano", "Second piano", "Homework", "Football" }));
    }

    void creationRefusesMissingAndWrongFields_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("value"); // empty: the key is left out
        for (const auto& [key, value] : kPianoActivity.items())
            QTest::addRow("%s missing", key.c_str()) << QString::fromStdString(key) << QByteArray();
        QTest::newRow("empty name") << "name" << QByteArray(R"("")");
        QTest::newRow("null name") << "name" << QByteArray("null");
        QTest::newRow("day 7") << "day_of_week" << QByteArray("7");
        QTest::newRow("day -1") << "day_of_week" << QByteArray("-1");
        QTest::newRow("day as text") << "day_of_week" << QByteArray(R"("1")");
        QTest::newRow("short time") << "start_time" << QByteArray(R"("16:0")");
        QTest::newRow("time as number") << "end_time" << QByteArray("1700");
        QTest::newRow("buffer too long") << "buffer_before_minutes" << QByteArray("241");
        QTest::newRow("negative buffer") << "buffer_after_minutes" << QByteArray("-1");
        QTest::newRow("fractional buffer") << "buffer_after_minutes" << QByteArray("2.5");
        QTest::newRow("switch as text") << "enabled" << QByteArray(R"("yes")");
    }
    void creationRefusesMissingAndWrongFields()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, value);
        const json device = service.createDevice(token);
        json body = kPianoActivity;
        body.erase(key.toStdString());
        if (!value.isEmpty())
            body[key.toStdString()] = json::parse(value.toStdString());
        const Reply reply = service.post(devicePath(device, "/activities"), token, body);
        QCOMPARE(reply.status, 422);
        QCOMPARE(reply.value["detail"][0]["loc"], json({ "body", key.toStdString() }));
        QCOMPARE(service.get(devicePath(device, "/activities"), token).value, json::array());
    }

    void anUpdateChangesOnlyTheKeysPresent_data()
    {
        QTest::addColumn<QByteArray>("update");
        QTest::newRow("switch off") << QByteArray(R"({"enabled":false})");
        QTest::newRow("rename and move") << QByteArray(R"({"name":"Guitar","day_of_week":6})");
        QTest::newRow("new times") << QByteArray(R"({"start_time":"00:00","end_time":"23:59"})");
        QTest::newRow("buffers at their bounds") << QByteArray(R"({"buffer_before_minutes":0,"buffer_after_minutes":240})");
        QTest::newRow("nothing") << QByteArray("{}");
    }
    void anUpdateChangesOnlyTheKeysPresent()
    {
        QFETCH(QByteArray, update);
        const json device = service.createDevice(token);
        const json created = service.post(devicePath(device, "/activities"), token, kPianoActivity).value;
        const std::string path = devicePath(device, "/activities/" + created["id"].get<std::string>());
        const Reply reply = service.sendRaw("PUT", path, token, update.toStdString());
        QCOMPARE(reply.status, 200);
        json expected = created;
        expected.update(json::parse(update.toStdString()));
        QCOMPARE(reply.value, expected);
        QCOMPARE(service.get(devicePath(device, "/activities"), token).value, json::array({ expected }));
    }

    void anUpdateRefusesNullAndWrongValues_data()
    {
        QTest::addColumn<QByteArray>("update");
        QTest::newRow("null name") << QByteArray(R"({"name":null})");
        QTest::newRow("null switch") << QByteArray(R"({"enabled":null})");
        QTest::newRow("day 9") << QByteArray(R"({"day_of_week":9})");
        QTest::newRow("hour 25") << QByteArray(R"({"end_time":"25:00"})");
        QTest::newRow("one bad key among good ones") << QByteArray(R"({"enabled":false,"day_of_week":"Mon"})");
        QTest::newRow("not an object") << QByteArray("[]");
    }
    void anUpdateRefusesNullAndWrongValues()
    {
        QFETCH(QByteArray, update);
        const json device = service.createDevice(token);
        const json created = service.post(devicePath(device, "/activities"), token, kPianoActivity).value;
        const std::string path = devicePath(device, "/activities/" + created["id"].get<std::string>());
        QCOMPARE(service.sendRaw("PUT", path, token, update.toStdString()).status, 422);
        QCOMPARE(service.get(devicePath(device, "/activities"), token).value, json::array({ created }));
    }

    void aDeletedActivityIsGone()
    {
        const json device = service.createDevice(token);
        const json first = service.post(devicePath(device, "/activities"), token, kPianoActivity).value;
        const json second = service.post(devicePath(device, "/activities"), token, piano({ { "name", "Chess" } })).value;
        const std::string path = devicePath(device, "/activities/" + first["id"].get<std::string>());
        const Reply reply = service.del(path, token);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.value, json({ { "ok", true } }));
        QCOMPARE(service.get(devicePath(device, "/activities"), token).value, json::array({ second }));
        const Reply again = service.del(path, token);
        QCOMPARE(again.status, 404);
        QCOMPARE(again.detail(), std::string("Activity not found"));
        QCOMPARE(service.put(path, token, { { "enabled", false } }).status, 404);
    }

private:
    LiveService service;
    std::string token;
};

QTEST_GUILESS_MAIN(ActivitiesTest)
#include "tst_service_activities.moc"
