// The command line: refusals, help, stopping on a signal, the demo data and held-back answers.
#include "LiveService.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runService(const QStringList& arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("LUMARO_SERVICE_BIN"), arguments);
    Run run;
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

qint64 secondsAgo(const json& moment)
{
    return QDateTime::fromString(QString::fromStdString(moment.get<std::string>()), Qt::ISODateWithMs)
        .secsTo(QDateTime::currentDateTimeUtc());
}

json fieldOfEach(const json& list, const char* key)
{
    json values = json::array();
    for (const json& item : list)
        values.push_back(item[key]);
    return values;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void badCommandLinesExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown option") << QStringList { "--bogus" };
        QTest::newRow("port without value") << QStringList { "--port" };
        QTest::newRow("port out of range") << QStringList { "--port", "70000" };
        QTest::newRow("port not a number") << QStringList { "--port", "eighty" };
        QTest::newRow("negative delay") << QStringList { "--delay-ms", "-5" };
        QTest::newRow("certificate without key") << QStringList { "--cert", "cert.pem" };
        QTest::newRow("value for a switch") << QStringList { "--demo=yes" };
    }
    void badCommandLinesExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        const Run run = runService(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.startsWith("lumaro-service: "));
    }

    void helpNamesEveryOptionAndTheDemoSignIn()
    {
        const Run run = runService({ "--help" });
        QCOMPARE(run.exitCode, 0);
        for (const char* text : { "--host", "--port", "--db", "--cert", "--key", "--demo", "--delay-ms",
                                  "--policy-delay-ms", "parent@example.com", "lumaro-demo" })
            QVERIFY2(run.out.contains(text), text);
    }

    void aStopSignalEndsItCleanly_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void aStopSignalEndsItCleanly()
    {
        QFETCH(int, signal);
        LiveService service;
        QVERIFY2(service.start(), qPrintable(service.error()));
        QCOMPARE(service.get("/api/v1/devices", {}).status, 401);
        QCOMPARE(service.stop(signal), 0);
    }

    void theDemoIsReadyToSignInto()
    {
        LiveService service({ "--db", ":memory:", "--demo" });
        QVERIFY2(service.start(), qPrintable(service.error()));
        QCOMPARE(service.nextLine(), QString("demo e-mail: parent@example.com"));
        QCOMPARE(service.nextLine(), QString("demo password: lumaro-demo"));
        const Reply login = service.post("/api/v1/auth/login", {},
                                         { { "email", "parent@example.com" }, { "password", "lumaro-demo" } });
        QCOMPARE(login.status, 200);
        const std::string token = login.value["access_token"].get<std::string>();

        const json devices = service.get("/api/v1/devices", token).value;
        QCOMPARE(fieldOfEach(devices, "name"), json({ "Alex's MacBook", "Sam's iMac" }));
        QCOMPARE(fieldOfEach(devices, "child_name"), json({ "Alex", "Sam" }));
        QCOMPARE(fieldOfEach(devices, "agent_version"), json({ "1.4.2", "1.3.0" }));
        QVERIFY(secondsAgo(devices[0]["last_seen"]) < 60);
        QVERIFY(std::abs(secondsAgo(devices[1]["last_seen"]) - 3 * 3600) < 300);

        const json& alex = devices[0];
        const json policy = service.get(devicePath(alex, "/policy"), token).value;
        QCOMPARE(policy["screen_time_weekend_limit_minutes"], json(180));
        QCOMPARE(policy["screen_time_wed_minutes"], json(90));
        QVERIFY(policy["downtime_weekend_start"].is_string() && policy["downtime_weekend_end"].is_string());
        const json activities = service.get(devicePath(alex, "/activities"), token).value;
        QCOMPARE(fieldOfEach(activities, "name"), json({ "Piano", "Homework", "Football" }));
        QCOMPARE(fieldOfEach(activities, "enabled"), json({ true, true, false }));
        QCOMPARE(fieldOfEach(service.get(devicePath(alex, "/usage"), token).value, "total_minutes"),
                 json({ 63.5, 88, 104, 75, 131, 118, 96 }));

        const json& sam = devices[1];
        QCOMPARE(service.get(devicePath(sam, "/policy"), token).value["screen_time_wed_minutes"], json(nullptr));
        QCOMPARE(service.get(devicePath(sam, "/activities"), token).value, json::array());
        for (const json& minutes : fieldOfEach(service.get(devicePath(sam, "/usage"), token).value, "total_minutes"))
            QVERIFY(minutes.get<double>() < 30);
    }

    void theDemoIsAddedOnlyOnce()
    {
        QTemporaryDir folder;
        const QStringList arguments { "--db", folder.filePath("demo.db"), "--demo" };
        for (int run = 0; run < 2; ++run) {
            LiveService service(arguments);
            QVERIFY2(service.start(), qPrintable(service.error()));
            QCOMPARE(service.nextLine(), QString("demo e-mail: parent@example.com"));
            const Reply login = service.post("/api/v1/auth/login", {},
                                             { { "email", "parent@example.com" }, { "password", "lumaro-demo" } });
            QCOMPARE(service.get("/api/v1/devices", login.value["access_token"]).value.size(), size_t(2));
        }
    }

    void answersAreHeldBackOnRequest()
    {
        LiveService service({ "--db", ":memory:", "--delay-ms", "300" });
        QVERIFY2(service.start(), qPrintable(service.error()));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(service.get("/api/v1/nowhere", {}).status, 404);
        QVERIFY(timer.elapsed() >= 300);
    }

    void onlyPolicyUpdatesAreHeldBackWhenAsked()
    {
        LiveService service({ "--db", ":memory:", "--policy-delay-ms", "400" });
        QVERIFY2(service.start(), qPrintable(service.error()));
        const std::string token = service.signUp("slow@example.com");
        const std::string path = devicePath(service.createDevice(token), "/policy");
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(service.get(path, token).status, 200);
        QVERIFY(timer.elapsed() < 300);
        timer.restart();
        QCOMPARE(service.put(path, token, { { "screen_time_enabled", false } }).status, 200);
        QVERIFY(timer.elapsed() >= 400);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_service_command_line.moc"
