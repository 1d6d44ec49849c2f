// Policy edits: one send at a time, edits made meanwhile merged into the next
// one, a failed send keeping what waits, the bodies the shortcuts send, and
// destruction while a send is out.
#include "tst_detail_support.h"

#include <QSignalSpy>
#include <functional>

using Edit = std::function<QCoro::Task<void>(DeviceDetailViewModel&)>;

class PolicySendTest : public QObject
{
    Q_OBJECT
    DetailFixture f;

    QList<ScriptedServer::Request> puts() const { return f.requestsTo("PUT", policyPath); }

private slots:
    void init()
    {
        f.setUp();
        f.route("PUT", policyPath, held(policyJson(60)));
    }
    void cleanup() { f.tearDown(); }

    void threeRapidEditsMakeTwoSends()
    {
        DeviceDetailViewModel vm(deviceId);
        const auto first = startTask(vm.setScreenTimeLimit(60));
        QVERIFY(vm.isSaving());
        QTRY_COMPARE(f.server->heldCount(), 1);
        // These merge into one waiting update and return at once.
        QVERIFY(runTask(vm.setScreenTimeLimit(90)).finished);
        QVERIFY(runTask(vm.setDayLimit(4, 30)).finished);
        QVERIFY(runTask(vm.setScreenTimeLimit(100)).finished);
        QVERIFY(!vm.policy());  // nothing shows before the service answers

        f.server->releaseHeld();
        QTRY_COMPARE(f.server->heldCount(), 1);
        QCOMPARE(vm.policy()->screenTimeLimitMinutes, 60);
        QVERIFY(!first->finished);
        f.server->releaseHeld();
        QVERIFY(awaitResult(first));
        QTest::qWait(50);
        QCOMPARE(puts().size(), 2);
        QCOMPARE(f.body(puts()[0]), canonical({{"screen_time_limit_minutes", 60}}));
        QCOMPARE(f.body(puts()[1]), canonical({{"screen_time_limit_minutes", 100}, {"screen_time_fri_minutes", 30}}));
        QVERIFY(!vm.isSaving());
    }

    void clearThenSetSameDaySendsNull()
    {
        DeviceDetailViewModel vm(deviceId);
        const auto first = startTask(vm.setDowntimeEnabled(true));
        QTRY_COMPARE(f.server->heldCount(), 1);
        startTask(vm.clearDayLimit(0));
        startTask(vm.clearDayLimit(1));
        startTask(vm.setDayLimit(0, 60));
        f.server->releaseHeld();
        QTRY_COMPARE(f.server->heldCount(), 1);
        f.server->releaseHeld();
        QVERIFY(awaitResult(first));
        QCOMPARE(f.body(puts().last()), canonical({{"screen_time_mon_minutes", nullptr}, {"screen_time_tue_minutes", nullptr}}));
    }

    void failedSendKeepsTheWaitingEdit()
    {
        f.route("PUT", policyPath, failure(500, nullptr, true));
        DeviceDetailViewModel vm(deviceId);
        const auto first = startTask(vm.setScreenTimeLimit(60));
        QTRY_COMPARE(f.server->heldCount(), 1);
        startTask(vm.setDowntimeStart(QStringLiteral("20:00")));
        f.server->releaseHeld();
        QVERIFY(awaitResult(first));
        QCOMPARE(vm.error(), std::optional<QString>("Server error: 500"));
        QVERIFY(!vm.isSaving());
        QTest::qWait(50);
        QCOMPARE(puts().size(), 1);  // the waiting edit does not go out on its own

        f.route("PUT", policyPath, answer(policyJson(45)));
        QVERIFY(runTask(vm.setDowntimeEnd(QStringLiteral("06:00"))).finished);
        QCOMPARE(puts().size(), 2);
        QCOMPARE(f.body(puts()[1]), canonical({{"downtime_start", "20:00"}, {"downtime_end", "06:00"}}));
        QCOMPARE(vm.policy()->screenTimeLimitMinutes, 45);
        QVERIFY(vm.error());  // success does not clear it
    }

    void dayOutOfRangeSendsNothing_data()
    {
        QTest::addColumn<qint64>("day");
        QTest::addColumn<bool>("clear");
        for (qint64 day : {-1LL, 7LL, std::numeric_limits<qint64>::min()}) {
            QTest::addRow("set %lld", day) << day << false;
            QTest::addRow("clear %lld", day) << day << true;
        }
    }

    void dayOutOfRangeSendsNothing()
    {
        QFETCH(qint64, day);
        QFETCH(bool, clear);
        DeviceDetailViewModel vm(deviceId);
        QSignalSpy saving(&vm, &DeviceDetailViewModel::isSavingChanged);
        QSignalSpy error(&vm, &DeviceDetailViewModel::errorChanged);
        QVERIFY(runTask(clear ? vm.clearDayLimit(day) : vm.setDayLimit(day, 60)).finished);
        // A later valid edit goes out alone: nothing was left waiting.
        f.route("PUT", policyPath, answer(policyJson()));
        QVERIFY(runTask(vm.setScreenTimeEnabled(true)).finished);
        QCOMPARE(puts().size(), 1);
        QCOMPARE(f.body(puts()[0]), canonical({{"screen_time_enabled", true}}));
        QCOMPARE(saving.count(), 2);
        QCOMPARE(error.count(), 0);
    }

    void editBodies_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("wednesday") << Edit([](auto& vm) { return vm.setDayLimit(2, 90); })
                                   << QByteArray(R"({"screen_time_wed_minutes":90})");
        QTest::newRow("sunday") << Edit([](auto& vm) { return vm.setDayLimit(6, 15); })
                                << QByteArray(R"({"screen_time_sun_minutes":15})");
        QTest::newRow("clear sunday") << Edit([](auto& vm) { return vm.clearDayLimit(6); })
                                      << QByteArray(R"({"screen_time_sun_minutes":null})");
        QTest::newRow("clear weekend") << Edit([](auto& vm) { return vm.clearWeekendLimit(); })
                                       << QByteArray(R"({"screen_time_weekend_limit_minutes":null})");
        QTest::newRow("weekend none") << Edit([](auto& vm) { return vm.setWeekendLimit(std::nullopt); })
                                      << QByteArray(R"({"screen_time_weekend_limit_minutes":null})");
        QTest::newRow("weekday window") << Edit([](auto& vm) { return vm.clearDowntimeWeekdayOverride(); })
                                        << QByteArray(R"({"downtime_weekday_end":null,"downtime_weekday_start":null})");
        QTest::newRow("weekend window") << Edit([](auto& vm) { return vm.clearDowntimeWeekendOverride(); })
                                        << QByteArray(R"({"downtime_weekend_end":null,"downtime_weekend_start":null})");
        QTest::newRow("downtime end") << Edit([](auto& vm) { return vm.setDowntimeEnd("06:45"); })
                                      << QByteArray(R"({"downtime_end":"06:45"})");
    }

    void editBodies()
    {
        QFETCH(Edit, edit);
        QFETCH(QByteArray, body);
        f.route("PUT", policyPath, answer(policyJson(77)));
        DeviceDetailViewModel vm(deviceId);
        QVERIFY(runTask(edit(vm)).finished);
        QCOMPARE(puts().size(), 1);
        QCOMPARE(f.body(puts()[0]), QString::fromLatin1(body));
        QCOMPARE(vm.limitMinutes(), 77);
    }

    void destroyedMidSendIsHarmless()
    {
        auto vm = std::make_unique<DeviceDetailViewModel>(deviceId);
        const auto send = startTask(vm->setScreenTimeLimit(60));
        QTRY_COMPARE(f.server->heldCount(), 1);
        startTask(vm->setScreenTimeLimit(90));  // waiting in the merged update
        vm.reset();
        f.server->releaseAll();
        QVERIFY(awaitResult(send));
        QTest::qWait(50);
        QCOMPARE(puts().size(), 1);
    }

    // What QML hands over as a map of changes.
    void fromQml_data()
    {
        QTest::addColumn<QVariantMap>("changes");
        QTest::addColumn<QByteArray>("body");  // empty: refused
        QTest::newRow("window start") << QVariantMap{{"downtimeWeekdayStart", "22:00"}}
                                      << QByteArray(R"({"downtime_weekday_start":"22:00"})");
        QTest::newRow("whole double") << QVariantMap{{"screenTimeMonMinutes", 45.0}}
                                      << QByteArray(R"({"screen_time_mon_minutes":45})");
        QTest::newRow("null clears") << QVariantMap{{"screenTimeSatMinutes", QVariant::fromValue(nullptr)}}
                                     << QByteArray(R"({"screen_time_sat_minutes":null})");
        QTest::newRow("fraction") << QVariantMap{{"screenTimeMonMinutes", 45.5}} << QByteArray();
        QTest::newRow("beyond qint64") << QVariantMap{{"screenTimeSunMinutes", 1e19}} << QByteArray();
        QTest::newRow("null required") << QVariantMap{{"downtimeStart", QVariant()}} << QByteArray();
        QTest::newRow("unknown key") << QVariantMap{{"screen_time_enabled", true}} << QByteArray();
    }

    void fromQml()
    {
        QFETCH(QVariantMap, changes);
        QFETCH(QByteArray, body);
        const auto update = DeviceDetailViewModel::policyUpdateFromMap(changes);
        QCOMPARE(update.has_value(), !body.isEmpty());
        if (update)
            QCOMPARE(canonical(json::parse(update->toJson().dump())), QString::fromLatin1(body));
    }
};

int main(int argc, char** argv)
{
    return runTests<PolicySendTest>(argc, argv);
}

#include "tst_detail_policy.moc"
