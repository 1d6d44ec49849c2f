// The detail model's actions besides policy edits: bonus minutes and the
// countdown, the unlock code timer, the activity list, renaming.
#include "tst_detail_support.h"

#include "Clock.h"
#include "TOTPGenerator.h"

#include <QSignalSpy>

namespace {

const char* const secret = "3132333435363738393031323334353637383930";
const QString bonusPath = devicePath + QStringLiteral("/grant-bonus");
const QDateTime earlier(QDate(2025, 5, 31), QTime(0, 0), Qt::UTC);

qint64 msecs(const char* moment)
{
    return QDateTime::fromString(QString::fromLatin1(moment), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

}  // namespace

class BonusTest : public QObject
{
    Q_OBJECT
    DetailFixture f;

private slots:
    void init() { f.setUp(); }
    void cleanup()
    {
        Clock::setSource({});
        f.tearDown();
    }

    void grant_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime end(QDate(2025, 6, 1), QTime(10, 0), Qt::UTC);
        QTest::newRow("whole seconds") << 200 << "2025-06-01T10:00:00Z" << end;
        QTest::newRow("fractional seconds") << 200 << "2025-06-01T10:00:00.250Z" << end.addMSecs(250);
        QTest::newRow("not a moment") << 200 << "soon" << QDateTime();
        QTest::newRow("refused keeps the end") << 500 << "" << earlier;
    }

    void grant()
    {
        QFETCH(int, status);
        QFETCH(QString, text);
        DeviceDetailViewModel vm(deviceId);
        f.route("POST", bonusPath, answer(json{{"bonus_until", "2025-05-31T00:00:00Z"}}));
        QVERIFY(runTask(vm.grantBonus(5)).finished);
        f.route("POST", bonusPath, answer(json{{"bonus_until", text.toStdString()}}, status, true));
        const auto grant = startTask(vm.grantBonus(15));
        QVERIFY(vm.isGrantingBonus());
        QTRY_COMPARE(f.server->heldCount(), 1);
        f.server->releaseHeld();
        QVERIFY(awaitResult(grant));
        QVERIFY(!vm.isGrantingBonus());
        QCOMPARE(vm.error().has_value(), status != 200);
        QCOMPARE(f.body(f.requestsTo("POST", bonusPath).last()), canonical({{"minutes", 15}}));
        QTEST(vm.bonusUntil().value_or(QDateTime()), "expected");
    }

    void remainingSeconds_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QVariant>("expected");  // invalid: absent
        QTest::newRow("90 s before") << "2025-06-01T09:58:30.000Z" << QVariant(90LL);
        QTest::newRow("1.5 s before") << "2025-06-01T09:59:58.500Z" << QVariant(1LL);
        QTest::newRow("0.5 s before") << "2025-06-01T09:59:59.500Z" << QVariant();
        QTest::newRow("at the end") << "2025-06-01T10:00:00.000Z" << QVariant();
        QTest::newRow("after the end") << "2025-06-01T10:00:01.000Z" << QVariant();
    }

    void remainingSeconds()
    {
        QFETCH(QString, now);
        QFETCH(QVariant, expected);
        f.route("POST", bonusPath, answer(json{{"bonus_until", "2025-06-01T10:00:00Z"}}));
        DeviceDetailViewModel vm(deviceId);
        QVERIFY(!vm.bonusRemainingSecondsValue().isValid());
        QVERIFY(runTask(vm.grantBonus(15)).finished);
        const qint64 at = msecs(qPrintable(now));
        Clock::setSource([at] { return at; });
        QCOMPARE(vm.bonusRemainingSecondsValue(), expected);
    }
};

class UnlockCodeTest : public QObject
{
    Q_OBJECT
    DetailFixture f;
    qint64 now = 0;

private slots:
    void init()
    {
        f.setUp();
        now = 5000LL * TOTPGenerator::period * 1000;  // the first second of a step
        Clock::setSource([this] { return now; });
    }
    void cleanup()
    {
        Clock::setSource({});
        f.tearDown();
    }

    void timerWithoutDeviceThenWithSecret()
    {
        DeviceDetailViewModel vm(deviceId);
        vm.startTOTPGeneration();
        QVERIFY(!vm.currentTOTPCode());
        QCOMPARE(vm.totpSecondsRemaining(), 0);
        QSignalSpy ticks(&vm, &DeviceDetailViewModel::bonusRemainingSecondsChanged);
        QVERIFY(ticks.wait(2000));  // it keeps ticking with nothing to show
        QVERIFY(!vm.currentTOTPCode());

        f.scriptLoad(deviceJson("Mac", secret), policyJson(), usageJson({}), json::array());
        QVERIFY(f.load(vm));
        QTRY_VERIFY_WITH_TIMEOUT(vm.currentTOTPCode(), 2000);
        QCOMPARE(vm.currentTOTPCode(), TOTPGenerator::currentCode(QString::fromLatin1(secret)));
        QCOMPARE(vm.totpSecondsRemaining(), 300);
        now += 1000;
        QTRY_COMPARE_WITH_TIMEOUT(vm.totpSecondsRemaining(), 299, 2000);
    }

    void startShowsTheCodeAtOnce_data()
    {
        QTest::addColumn<QVariant>("secret");  // invalid: no secret
        QTest::addColumn<bool>("hasCode");
        QTest::newRow("hex secret") << QVariant(secret) << true;
        QTest::newRow("not hexadecimal") << QVariant("zz-not-hex") << false;
        QTest::newRow("no secret") << QVariant() << false;
    }

    void startShowsTheCodeAtOnce()
    {
        QFETCH(QVariant, secret);
        QFETCH(bool, hasCode);
        const json s = secret.isValid() ? json(secret.toString().toStdString()) : json(nullptr);
        f.scriptLoad(deviceJson("Mac", s), policyJson(), usageJson({}), json::array());
        DeviceDetailViewModel vm(deviceId);
        QVERIFY(f.load(vm));
        vm.startTOTPGeneration();
        QCOMPARE(vm.currentTOTPCode().has_value(), hasCode);
        // The countdown runs whenever there is a secret, usable or not.
        QCOMPARE(vm.totpSecondsRemaining(), secret.isValid() ? 300 : 0);
        vm.stopTOTPGeneration();
    }

    void stopKeepsTheLastCodeAndRestartReplaces()
    {
        f.scriptLoad(deviceJson("Mac", secret), policyJson(), usageJson({}), json::array());
        DeviceDetailViewModel vm(deviceId);
        QVERIFY(f.load(vm));
        vm.startTOTPGeneration();
        vm.startTOTPGeneration();
        QTest::qWait(10);  // lets the replaced timer's deferred delete run
        QCOMPARE(vm.findChildren<QTimer*>().size(), 1);
        const auto code = vm.currentTOTPCode();
        vm.stopTOTPGeneration();
        vm.stopTOTPGeneration();  // nothing held: nothing happens
        QVERIFY(!vm.isGeneratingTOTP());
        QSignalSpy ticks(&vm, &DeviceDetailViewModel::totpSecondsRemainingChanged);
        now += 1000;
        QTest::qWait(1300);
        QCOMPARE(ticks.count(), 0);
        QCOMPARE(vm.currentTOTPCode(), code);
        QCOMPARE(vm.totpSecondsRemaining(), 300);
    }
};

class ActivityListTest : public QObject
{
    Q_OBJECT
    DetailFixture f;

    QStringList order(const DeviceDetailViewModel& vm) const
    {
        QStringList ids;
        for (const auto& a : vm.activities())
            ids.append(a.id);
        return ids;
    }

    void loadActivities(DeviceDetailViewModel& vm, const json& list)
    {
        f.scriptLoad(deviceJson(), policyJson(), usageJson({}), list);
        QVERIFY(f.load(vm));
    }

private slots:
    void init() { f.setUp(); }
    void cleanup() { f.tearDown(); }

    void createSortsByDayThenStartStably()
    {
        DeviceDetailViewModel vm(deviceId);
        loadActivities(vm, json::array({activityJson("b", 2, "09:00"), activityJson("c", 1, "10:00")}));
        f.route("POST", activitiesPath, answer(activityJson("n", 2, "08:00")));
        QVERIFY(runTask(vm.createActivity(ActivityCreate{"Piano", 2, "08:00", "17:00", 5, 0, true})).finished);
        QCOMPARE(order(vm), (QStringList{"c", "n", "b"}));
        f.route("POST", activitiesPath, answer(activityJson("m", 2, "08:00")));
        QVERIFY(runTask(vm.createActivity(ActivityCreate{"Piano", 2, "08:00", "17:00", 5, 0, true})).finished);
        QCOMPARE(order(vm), (QStringList{"c", "n", "m", "b"}));
        QCOMPARE(f.body(f.requestsTo("POST", activitiesPath).first()),
                 canonical({{"name", "Piano"}, {"enabled", true}, {"day_of_week", 2}, {"start_time", "08:00"},
                       {"end_time", "17:00"}, {"buffer_before_minutes", 5}, {"buffer_after_minutes", 0}}));

        f.route("POST", activitiesPath, failure(422, "Invalid activity"));
        QVERIFY(runTask(vm.createActivity(ActivityCreate{})).finished);
        QCOMPARE(vm.error(), std::optional<QString>("Invalid activity"));
        QCOMPARE(order(vm).size(), 4);
    }

    void toggleSendsTheOppositeAndReplacesInPlace()
    {
        DeviceDetailViewModel vm(deviceId);
        loadActivities(vm, json::array({activityJson("a", 5, "07:00"), activityJson("b", 1, "07:00")}));
        f.route("PUT", activitiesPath + "/a", answer(activityJson("a", 5, "07:00", false)));
        vm.startToggleActivity("missing");  // QML names the activity by id
        vm.startToggleActivity("a");
        QTRY_VERIFY(!vm.activities().front().enabled);
        QCOMPARE(f.server->requests().size(), 5);  // the load's four and one toggle
        QCOMPARE(f.body(f.requestsTo("PUT", activitiesPath + "/a").first()), canonical({{"enabled", false}}));
        QCOMPARE(order(vm), (QStringList{"a", "b"}));  // not re-sorted
        QVERIFY(!vm.activities().front().enabled);
    }

    void toggleOfAnActivityAReloadRemovedChangesNothing()
    {
        DeviceDetailViewModel vm(deviceId);
        loadActivities(vm, json::array({activityJson("a", 1, "07:00"), activityJson("b", 2, "07:00")}));
        f.route("PUT", activitiesPath + "/a", held(activityJson("a", 1, "07:00", false)));
        const auto toggle = startTask(vm.toggleActivity(vm.activities().front()));
        QTRY_COMPARE(f.server->heldCount(), 1);
        loadActivities(vm, json::array({activityJson("b", 2, "07:00")}));
        const auto reloaded = vm.activities();
        f.server->releaseHeld();
        QVERIFY(awaitResult(toggle));
        QCOMPARE(vm.activities(), reloaded);
        QVERIFY(!vm.error());
    }

    void deleteRemovesEveryCopyOfTheId()
    {
        DeviceDetailViewModel vm(deviceId);
        loadActivities(vm, json::array({activityJson("a", 1, "07:00"), activityJson("b", 2, "07:00"),
                                        activityJson("a", 3, "09:00")}));
        f.route("DELETE", activitiesPath + "/a", failure(500));
        QVERIFY(runTask(vm.deleteActivity(vm.activities().front())).finished);
        QCOMPARE(order(vm), (QStringList{"a", "b", "a"}));
        f.route("DELETE", activitiesPath + "/a", answer(json{{"ok", true}}));
        QVERIFY(runTask(vm.deleteActivity(vm.activities().front())).finished);
        QCOMPARE(order(vm), QStringList{"b"});
    }

    void detailsText_data()
    {
        QTest::addColumn<qint64>("day");
        QTest::addColumn<qint64>("before");
        QTest::addColumn<QString>("expected");
        QTest::newRow("wednesday") << 2LL << 5LL << QStringLiteral("Wed 16:00\u201317:00  \u00B15m");
        QTest::newRow("below monday") << -3LL << 0LL << QStringLiteral("Mon 16:00\u201317:00  \u00B10m");
        QTest::newRow("above sunday") << 9LL << 15LL << QStringLiteral("Sun 16:00\u201317:00  \u00B115m");
    }

    void detailsText()
    {
        QFETCH(qint64, day);
        QFETCH(qint64, before);
        const Activity activity{"a", "Piano", day, "16:00", "17:00", before, 99, true};
        QTEST(DeviceDetailViewModel::activityDetails(activity), "expected");
    }
};

class RenameTest : public QObject
{
    Q_OBJECT
    DetailFixture f;

private slots:
    void init() { f.setUp(); }
    void cleanup() { f.tearDown(); }

    void renameReplacesTheDeviceButNotTheBonus()
    {
        f.scriptLoad(deviceJson("Old", nullptr, "2025-06-01T10:00:00Z"), policyJson(), usageJson({}), json::array());
        DeviceDetailViewModel vm(deviceId);
        QVERIFY(f.load(vm));
        const auto bonus = vm.bonusUntil();
        QVERIFY(bonus);
        f.route("PUT", policyPath, held(policyJson()));
        f.route("PATCH", devicePath, held(deviceJson("New")));
        const auto send = startTask(vm.setScreenTimeLimit(30));
        const auto rename = startTask(vm.updateDeviceName(" New ", ""));
        QTRY_COMPARE(f.server->heldCount(), 2);
        f.server->releaseHeld(f.server->heldRequests()[0].method == "PATCH" ? 0 : 1);
        QVERIFY(awaitResult(rename));
        QVERIFY(vm.isSaving());  // the policy send is still out
        f.server->releaseAll();
        QVERIFY(awaitResult(send));
        QVERIFY(!vm.isSaving());
        QCOMPARE(f.body(f.requestsTo("PATCH", devicePath).first()), canonical({{"name", " New "}, {"child_name", ""}}));
        QCOMPARE(vm.device()->name, QStringLiteral("New"));
        QCOMPARE(vm.bonusUntil(), bonus);

        f.route("PATCH", devicePath, failure(422));
        QVERIFY(runTask(vm.updateDeviceName("Other", "Sam")).finished);
        QCOMPARE(vm.device()->name, QStringLiteral("New"));
        QCOMPARE(vm.error(), std::optional<QString>("Server error: 422"));
    }
};

int main(int argc, char** argv)
{
    return runTests<BonusTest, UnlockCodeTest, ActivityListTest, RenameTest>(argc, argv);
}

#include "tst_detail_actions.moc"
