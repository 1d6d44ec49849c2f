// The detail model's load: four fetches at once, all-or-nothing assignment,
// the first failure in order wins and aborts the rest, the bonus end, the
// derived usage figures, and destruction while the fetches are out.
#include "tst_detail_support.h"

#include <QSignalSpy>

class LoadTest : public QObject
{
    Q_OBJECT
    DetailFixture f;

    int heldIndex(const QString& path) const
    {
        const auto held = f.server->heldRequests();
        for (int i = 0; i < held.size(); ++i) {
            if (held[i].target == path.toLatin1())
                return i;
        }
        return -1;
    }

private slots:
    void init() { f.setUp(); }
    void cleanup() { f.tearDown(); }

    void fetchesOverlapAndAllArrive()
    {
        f.scriptLoad(deviceJson(), policyJson(90), usageJson({30, 45}), json::array({activityJson("a1", 2, "16:00")}));
        for (Response& r : f.routes)
            r.action = Response::Action::Hold;
        DeviceDetailViewModel vm(deviceId);
        const auto result = startTask(vm.load());
        QVERIFY(vm.isLoading());
        // Every request reaches the service before any is answered.
        QTRY_COMPARE(f.server->heldCount(), 4);
        for (const QString& path : {devicePath, policyPath, usagePath, activitiesPath})
            QVERIFY2(heldIndex(path) >= 0, qPrintable(path));
        // Answered against the waiting order: nothing is assigned early.
        f.server->releaseHeld(heldIndex(activitiesPath));
        f.server->releaseHeld(heldIndex(policyPath));
        QTest::qWait(50);
        QVERIFY(!vm.policy() && vm.activities().empty());
        f.server->releaseAll();
        QVERIFY(awaitResult(result));
        QVERIFY(!vm.isLoading());
        QVERIFY(!vm.error());
        QCOMPARE(vm.policy()->screenTimeLimitMinutes, 90);
        QCOMPARE(vm.usage().size(), 2u);
        const QVariantMap device = vm.deviceValue().toMap();
        QCOMPARE(device.value("childName"), QVariant("Alex"));
        QVERIFY(!device.contains("lastSeen"));  // absent, not null
        QCOMPARE(vm.policyValue().toMap().size(), 5);  // the required fields only
        QCOMPARE(vm.usageValue().first().toMap().value("dayLabel"), QVariant("Fri, 7"));
        QCOMPARE(vm.activitiesValue().first().toMap().value("detailsText"),
                 QVariant(QStringLiteral("Wed 16:00\u201317:00  \u00B15m")));
    }

    void failureKeepsEveryField_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("message");
        QTest::newRow("device") << devicePath << "Device not found";
        QTest::newRow("policy") << policyPath << "Server error: 500";
        QTest::newRow("usage") << usagePath << "Server error: 500";
        QTest::newRow("activities") << activitiesPath << "Activities are resting";
    }

    void failureKeepsEveryField()
    {
        QFETCH(QString, failing);
        QFETCH(QString, message);
        f.scriptLoad(deviceJson("Before"), policyJson(60), usageJson({10}), json::array({activityJson("a", 0, "08:00")}));
        DeviceDetailViewModel vm(deviceId);
        QVERIFY(f.load(vm));
        const auto device = vm.device();
        const auto policy = vm.policy();
        const auto usage = vm.usage();
        const auto activities = vm.activities();

        f.scriptLoad(deviceJson("After"), policyJson(99), usageJson({20, 30}), json::array());
        const std::string detail = message.toStdString();
        f.route("GET", failing, failure(500, message.startsWith("Server error") ? nullptr : detail.c_str()));
        QVERIFY(f.load(vm));
        QCOMPARE(vm.error(), std::optional<QString>(message));
        QVERIFY(!vm.isLoading());
        QCOMPARE(vm.device(), device);
        QCOMPARE(vm.policy(), policy);
        QCOMPARE(vm.usage(), usage);
        QCOMPARE(vm.activities(), activities);
    }

    void firstFailureInOrderIsShown()
    {
        f.route("GET", devicePath, failure(500));
        DeviceDetailViewModel vm(deviceId);
        QVERIFY(f.load(vm));
        QVERIFY(vm.error());

        f.scriptLoad(deviceJson(), policyJson(), usageJson({}), json::array());
        f.route("GET", policyPath, failure(500, "policy broke", true));
        f.route("GET", activitiesPath, failure(500, "activities broke"));
        const auto result = startTask(vm.load());
        QVERIFY(!vm.error());  // cleared when the load starts
        QTRY_COMPARE(f.server->heldCount(), 1);
        QTest::qWait(50);  // the activities failure has long arrived
        f.server->releaseAll();
        QVERIFY(awaitResult(result));
        QCOMPARE(vm.error(), std::optional<QString>("policy broke"));
    }

    void failingDeviceAbortsTheOthers()
    {
        f.route("GET", devicePath, failure(404, "Device not found", true));
        f.route("GET", policyPath, held(policyJson()));
        f.route("GET", usagePath, held(usageJson({})));
        f.route("GET", activitiesPath, held(json::array()));
        DeviceDetailViewModel vm(deviceId);
        const auto result = startTask(vm.load());
        QTRY_COMPARE(f.server->heldCount(), 4);
        f.server->releaseHeld(heldIndex(devicePath));
        // Far below the client's 15-second timeout: the three are aborted, not waited out.
        QVERIFY(awaitResult(result, 2000));
        QCOMPARE(vm.error(), std::optional<QString>("Device not found"));
        f.server->releaseAll();
        QTest::qWait(50);
        QVERIFY(!vm.policy());
    }

    void overlappingLoadsStayLoadingUntilBothEnd()
    {
        f.scriptLoad(deviceJson(), policyJson(), usageJson({}), json::array());
        f.route("GET", devicePath, held(deviceJson("First")));
        DeviceDetailViewModel vm(deviceId);
        const auto first = startTask(vm.load());
        QTRY_COMPARE(f.server->heldCount(), 1);
        f.route("GET", devicePath, held(deviceJson("Second")));
        const auto second = startTask(vm.load());
        QTRY_COMPARE(f.server->heldCount(), 2);
        f.server->releaseHeld(0);
        QVERIFY(awaitResult(first));
        QVERIFY(vm.isLoading());
        f.server->releaseHeld(0);
        QVERIFY(awaitResult(second));
        QVERIFY(!vm.isLoading());
        QCOMPARE(vm.device()->name, QStringLiteral("Second"));
    }

    void bonusEnd_data()
    {
        QTest::addColumn<QVariant>("text");  // invalid: no bonus_until
        QTest::addColumn<QDateTime>("expected");
        const QDateTime end(QDate(2025, 5, 1), QTime(18, 30), Qt::UTC);
        QTest::newRow("fractional seconds") << QVariant("2025-05-01T18:30:00.123Z") << end.addMSecs(123);
        QTest::newRow("whole seconds") << QVariant("2025-05-01T18:30:00Z") << end;
        QTest::newRow("not a moment") << QVariant("tomorrow") << QDateTime();
        QTest::newRow("absent") << QVariant() << QDateTime();
    }

    void bonusEnd()
    {
        QFETCH(QVariant, text);
        const json bonus = text.isValid() ? json(text.toString().toStdString()) : json(nullptr);
        f.scriptLoad(deviceJson("Mac", nullptr, bonus), policyJson(), usageJson({}), json::array());
        DeviceDetailViewModel vm(deviceId);
        QVERIFY(f.load(vm));
        QVERIFY(!vm.error());
        QTEST(vm.bonusUntil().value_or(QDateTime()), "expected");
    }

    void destroyedMidLoadIsHarmless()
    {
        f.scriptLoad(deviceJson(), policyJson(), usageJson({}), json::array());
        f.route("GET", devicePath, held(deviceJson()));
        f.route("GET", policyPath, held(policyJson()));
        auto vm = std::make_unique<DeviceDetailViewModel>(deviceId);
        const auto result = startTask(vm->load());
        QTRY_COMPARE(f.server->heldCount(), 2);
        vm.reset();
        f.server->releaseAll();
        // The load ends on its own once its aborted fetches return.
        QVERIFY(awaitResult(result));
    }
};

class UsageFiguresTest : public QObject
{
    Q_OBJECT
    DetailFixture f;

private slots:
    void init() { f.setUp(); }
    void cleanup() { f.tearDown(); }

    void bounds_data()
    {
        QTest::addColumn<qint64>("limit");  // -1: nothing loaded (a load brings policy and usage together)
        QTest::addColumn<QList<double>>("usage");
        QTest::addColumn<qint64>("limitMinutes");
        QTest::addColumn<double>("usedToday");
        QTest::addColumn<double>("usagePercent");
        QTest::newRow("nothing loaded") << -1LL << QList<double>{} << 120LL << 0.0 << 0.0;
        QTest::newRow("half") << 120LL << QList<double>{60} << 120LL << 60.0 << 0.5;
        QTest::newRow("limit 0") << 0LL << QList<double>{60} << 0LL << 60.0 << 0.0;
        QTest::newRow("over the limit") << 100LL << QList<double>{150} << 100LL << 150.0 << 1.0;
        QTest::newRow("exactly the limit") << 100LL << QList<double>{100} << 100LL << 100.0 << 1.0;
        QTest::newRow("first entry is today") << 200LL << QList<double>{50, 190} << 200LL << 50.0 << 0.25;
    }

    void bounds()
    {
        QFETCH(qint64, limit);
        QFETCH(QList<double>, usage);
        json entries = json::array();
        for (double m : usage)
            entries.push_back({{"date", "2025-03-07"}, {"total_minutes", m}});
        DeviceDetailViewModel vm(deviceId);
        QSignalSpy percent(&vm, &DeviceDetailViewModel::usagePercentChanged);
        if (limit >= 0) {
            f.scriptLoad(deviceJson(), policyJson(limit), entries, json::array());
            QVERIFY(f.load(vm));
        }
        QCOMPARE(percent.count(), vm.usagePercent() == 0.0 ? 0 : 1);
        QTEST(vm.limitMinutes(), "limitMinutes");
        QTEST(vm.usedToday(), "usedToday");
        QTEST(vm.usagePercent(), "usagePercent");
    }
};

int main(int argc, char** argv)
{
    return runTests<LoadTest, UsageFiguresTest>(argc, argv);
}

#include "tst_detail_load.moc"
