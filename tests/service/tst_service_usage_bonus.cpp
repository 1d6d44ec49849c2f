// Usage history by local calendar day, minutes reported by the agent, and bonus time.
#include "LiveService.h"

#include <QDate>
#include <QDateTime>
#include <QtTest>

namespace {

QDateTime moment(const json& text)
{
    return QDateTime::fromString(QString::fromStdString(text.get<std::string>()), Qt::ISODateWithMs);
}

} // namespace

class UsageBonusTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(service.start(), qPrintable(service.error()));
        token = service.signUp("usage@example.com");
    }

    void usageHasOneEntryPerDayTodayFirst_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("days");
        QTest::newRow("default") << "" << 7;
        QTest::newRow("one day") << "?days=1" << 1;
        QTest::newRow("a week") << "?days=7" << 7;
        QTest::newRow("most") << "?days=90" << 90;
    }
    void usageHasOneEntryPerDayTodayFirst()
    {
        QFETCH(QString, query);
        QFETCH(int, days);
        const json device = service.createDevice(token);
        const Reply reply = service.get(devicePath(device, "/usage" + query.toStdString()), token);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.value.size(), size_t(days));
        const QDate today = QDate::currentDate();
        for (int i = 0; i < days; ++i) {
            const json expected = { { "date", today.addDays(-i).toString("yyyy-MM-dd").toStdString() },
                                    { "total_minutes", 0 } };
            QCOMPARE(reply.value[size_t(i)], expected);
        }
    }

    void usageRefusesDayCountsOutOfRange_data()
    {
        QTest::addColumn<QString>("days");
        for (const char* days : { "0", "91", "-1", "abc", "", "1.5", "7days", "99999999999999999999" })
            QTest::newRow(days) << days;
    }
    void usageRefusesDayCountsOutOfRange()
    {
        QFETCH(QString, days);
        const json device = service.createDevice(token);
        const Reply reply = service.get(devicePath(device, "/usage?days=" + days.toStdString()), token);
        QCOMPARE(reply.status, 422);
        QCOMPARE(reply.value["detail"][0]["loc"], json({ "query", "days" }));
    }

    void heartbeatsAddUpTodaysMinutes()
    {
        const json device = service.createDevice(token);
        for (const json& beat : { json { { "agent_version", "1.0" }, { "minutes_used", 12.5 } },
                                  json { { "agent_version", "1.0" }, { "minutes_used", 0.25 } },
                                  json { { "agent_version", "1.0" } },
                                  json { { "agent_version", "1.0" }, { "minutes_used", 30 } } })
            QCOMPARE(service.post("/api/v1/agent/heartbeat", device["api_token"], beat).status, 200);
        const json usage = service.get(devicePath(device, "/usage?days=2"), token).value;
        QCOMPARE(usage[0]["total_minutes"], json(42.75));
        QCOMPARE(usage[1]["total_minutes"], json(0));
    }

    void aBonusRunsFromNow_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::newRow("shortest") << 1;
        QTest::newRow("quarter hour") << 15;
        QTest::newRow("longest") << 240;
    }
    void aBonusRunsFromNow()
    {
        QFETCH(int, minutes);
        const json device = service.createDevice(token);
        const QDateTime expected = QDateTime::currentDateTimeUtc().addSecs(minutes * 60);
        const Reply reply = service.post(devicePath(device, "/grant-bonus"), token, { { "minutes", minutes } });
        QCOMPARE(reply.status, 200);
        const QDateTime until = moment(reply.value["bonus_until"]);
        QVERIFY2(std::abs(until.msecsTo(expected)) < 5000, reply.body.c_str());
        QCOMPARE(service.get(devicePath(device), token).value["bonus_until"], reply.value["bonus_until"]);
    }

    void aBonusExtendsTheRunningOne()
    {
        const json device = service.createDevice(token);
        const QDateTime first = moment(service.post(devicePath(device, "/grant-bonus"), token, { { "minutes", 30 } })
                                           .value["bonus_until"]);
        const QDateTime second = moment(service.post(devicePath(device, "/grant-bonus"), token, { { "minutes", 15 } })
                                            .value["bonus_until"]);
        QCOMPARE(first.msecsTo(second), qint64(15 * 60 * 1000));
    }

    void bonusMinutesAreChecked_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("zero") << QByteArray(R"({"minutes":0})");
        QTest::newRow("over four hours") << QByteArray(R"({"minutes":241})");
        QTest::newRow("fraction") << QByteArray(R"({"minutes":1.5})");
        QTest::newRow("text") << QByteArray(R"({"minutes":"15"})");
        QTest::newRow("null") << QByteArray(R"({"minutes":null})");
        QTest::newRow("missing") << QByteArray("{}");
    }
    void bonusMinutesAreChecked()
    {
        QFETCH(QByteArray, body);
        const json device = service.createDevice(token);
        QCOMPARE(service.sendRaw("POST", devicePath(device, "/grant-bonus"), token, body.toStdString()).status, 422);
        QVERIFY(service.get(devicePath(device), token).value["bonus_until"].is_null());
    }

private:
    LiveService service;
    std::string token;
};

QTEST_GUILESS_MAIN(UsageBonusTest)
#include "tst_service_usage_bonus.moc"
