// The detail model against the real lumaro-service: what it loads, and that
// its edits, activities, bonus and rename land there.
#include "tst_detail_support.h"

#include "ServiceProcess.h"
#include "TOTPGenerator.h"

class DetailAgainstServiceTest : public QObject
{
    Q_OBJECT
    ServiceProcess service;
    std::shared_ptr<MemoryCredentialStore> store;
    QString token;
    QString id;
    int accounts = 0;

    json serviceState(const QString& suffix)
    {
        return service.authorizedGet(token, QStringLiteral("/api/v1/devices/") + id + suffix).json();
    }

private slots:
    void initTestCase()
    {
        if (!service.start())
            QFAIL(qPrintable(service.errorString()));
    }

    void init()
    {
        token = service.registerAccount(QStringLiteral("parent%1@example.com").arg(++accounts),
                                        QStringLiteral("secret-pass"), QStringLiteral("Pat"));
        QVERIFY(!token.isEmpty());
        id = QString::fromStdString(service.createDevice(token, "Alex's MacBook", "Alex")["id"].get<std::string>());
        store = std::make_shared<MemoryCredentialStore>();
        const QString lumaro = QString::fromLatin1(KeychainHelper::service);
        store->put(lumaro, QStringLiteral("server_url"), service.baseUrl().toUtf8());
        store->put(lumaro, QStringLiteral("auth_token"), token.toUtf8());
        KeychainHelper::setStore(store);
    }

    void cleanup() { KeychainHelper::setStore(nullptr); }

    void loadShowsTheEnrolledDevice()
    {
        const json device = serviceState({});
        QCOMPARE(service.heartbeat(QString::fromStdString(device["api_token"].get<std::string>()), 30).status, 200);
        DeviceDetailViewModel vm(id);
        QVERIFY(DetailFixture::load(vm));
        QVERIFY(!vm.error());
        QCOMPARE(vm.device()->name, QStringLiteral("Alex's MacBook"));
        QVERIFY(vm.deviceIsOnline());
        QCOMPARE(vm.usage().size(), 7u);
        QCOMPARE(vm.usagePercent(), 0.25);  // 30 of the default 120 minutes
        vm.startTOTPGeneration();
        QVERIFY(vm.currentTOTPCode());
        QCOMPARE(vm.currentTOTPCode(), TOTPGenerator::currentCode(*vm.device()->sharedSecret));
    }

    void editsLandOnTheService()
    {
        DeviceDetailViewModel vm(id);
        const auto first = startTask(vm.setScreenTimeLimit(90));
        startTask(vm.setDayLimit(0, 60));  // merged into the second send
        startTask(vm.clearDayLimit(0));
        QVERIFY(awaitResult(first));
        QVERIFY(!vm.error());
        QCOMPARE(vm.policy()->screenTimeLimitMinutes, 90);
        QVERIFY(!vm.policy()->screenTimeMonMinutes);
        QCOMPARE(serviceState("/policy")["screen_time_limit_minutes"].get<int>(), 90);
        // The service refuses a limit beyond a day; the policy stays as answered.
        QVERIFY(runTask(vm.setScreenTimeLimit(5000)).finished);
        QCOMPARE(vm.error(), std::optional<QString>("Server error: 422"));
        QCOMPARE(vm.policy()->screenTimeLimitMinutes, 90);

        QVERIFY(runTask(vm.createActivity({"Homework", 3, "15:30", "16:30", 10, 0, true})).finished);
        QVERIFY(runTask(vm.createActivity({"Piano", 1, "16:00", "17:00", 5, 5, true})).finished);
        QCOMPARE(vm.activities().front().name, QStringLiteral("Piano"));
        QVERIFY(runTask(vm.toggleActivity(vm.activities().front())).finished);
        QVERIFY(runTask(vm.deleteActivity(vm.activities().back())).finished);
        QVERIFY(runTask(vm.grantBonus(15)).finished);
        QVERIFY(qAbs(*vm.bonusRemainingSeconds() - 15 * 60) <= 5);
        QVERIFY(runTask(vm.updateDeviceName("Study Mac", "Sam")).finished);

        const auto granted = vm.bonusUntil();
        QVERIFY(DetailFixture::load(vm));
        QCOMPARE(vm.device()->name, QStringLiteral("Study Mac"));
        QCOMPARE(vm.bonusUntil(), granted);  // the device's own text reads as the same moment
        QCOMPARE(vm.activities().size(), 1u);
        QVERIFY(!vm.activities().front().enabled);
    }
};

int main(int argc, char** argv)
{
    return runTests<DetailAgainstServiceTest>(argc, argv);
}

#include "tst_detail_service.moc"
