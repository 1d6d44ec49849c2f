// Whatever arrives, the service answers with a JSON error and stays up: never a crash, never a 500.
#include "LiveService.h"

#include <QtTest>

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

class HostileInputTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(service.start(), qPrintable(service.error()));
        token = service.signUp("hostile@example.com");
        device = service.createDevice(token);
        QVERIFY(device.is_object());
    }

    void badBodiesAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        const std::vector<std::pair<const char*, QByteArray>> bodies = {
            { "empty", QByteArray() },
            { "cut short", QByteArray(R"({"name":)") },
            { "array", QByteArray("[]") },
            { "number", QByteArray("42") },
            { "number beyond a double", QByteArray(R"({"minutes":1e400,"name":1e400})") },
            { "nested 300000 deep", QByteArray(300000, '[') + QByteArray(300000, ']') },
            { "invalid UTF-8", QByteArray("{\"name\":\"\xff\xfe\"}") },
            { "lone surrogate", QByteArray(R"({"name":"\ud800"})") },
            { "trailing garbage", QByteArray("{} {}") },
        };
        const QString id = QString::fromStdString(device["id"].get<std::string>());
        for (const QString& path : { QString("/api/v1/auth/register"), QString("/api/v1/devices"),
                                     "/api/v1/devices/" + id + "/policy", "/api/v1/devices/" + id + "/activities",
                                     "/api/v1/devices/" + id + "/grant-bonus" }) {
            for (const auto& [name, body] : bodies)
                QTest::addRow("%s %s", qPrintable(path.section('/', -1)), name) << path << body << 422;
            QTest::addRow("%s over a MiB", qPrintable(path.section('/', -1)))
                << path << "{\"name\":\"" + QByteArray(1100 * 1024, 'a') + "\"}" << 413;
        }
    }
    void badBodiesAreRefused()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const std::string method = path.endsWith("/policy") ? "PUT" : "POST";
        const Reply reply = service.sendRaw(method, path.toStdString(), token, body.toStdString());
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.value.is_object() && reply.value.contains("detail"), reply.body.c_str());
        QCOMPARE(service.get("/api/v1/auth/me", token).status, 200);
    }

    void unknownPathsAndMethodsAreNamed_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("detail");
        QTest::newRow("root") << "GET" << "/" << 404 << "Not Found";
        QTest::newRow("unknown route") << "GET" << "/api/v1/children" << 404 << "Not Found";
        QTest::newRow("trailing slash") << "GET" << "/api/v1/devices/" << 404 << "Not Found";
        QTest::newRow("unknown part of a device") << "GET" << "/api/v1/devices/{device}/photos" << 404 << "Not Found";
        QTest::newRow("old version") << "GET" << "/api/v0/devices" << 404 << "Not Found";
        QTest::newRow("delete the list") << "DELETE" << "/api/v1/devices" << 405 << "Method Not Allowed";
        QTest::newRow("put a sign-in") << "PUT" << "/api/v1/auth/login" << 405 << "Method Not Allowed";
        QTest::newRow("read a sign-up") << "GET" << "/api/v1/auth/register" << 405 << "Method Not Allowed";
        QTest::newRow("post a policy") << "POST" << "/api/v1/devices/{device}/policy" << 405 << "Method Not Allowed";
        QTest::newRow("patch an activity") << "PATCH" << "/api/v1/devices/{device}/activities/x" << 405
                                           << "Method Not Allowed";
    }
    void unknownPathsAndMethodsAreNamed()
    {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QString, detail);
        path.replace("{device}", QString::fromStdString(device["id"].get<std::string>()));
        const Reply reply = service.sendRaw(method.toStdString(), path.toStdString(), token, "{}");
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.detail(), detail.toStdString());
    }

    void unusualTextIsKeptExactly()
    {
        const std::string name = std::string("Mac \"Pro\" \\ ") + '\0' + " \t \u00e9\U0001F600 </script>";
        const Reply reply = service.patch(devicePath(device), token, { { "name", name } });
        QCOMPARE(reply.status, 200);
        QCOMPARE(service.get(devicePath(device), token).value["name"], json(name));
    }

    // The console holds several keep-alive connections open; idle ones must not
    // keep every worker busy while another client waits.
    void idleConnectionsDoNotHoldUpOthers()
    {
        const int port = std::stoi(service.baseUrl().substr(service.baseUrl().rfind(':') + 1));
        std::vector<int> idle;
        for (int i = 0; i < 16; ++i) {
            const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address {};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<uint16_t>(port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            QCOMPARE(::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            idle.push_back(socket);
        }
        QElapsedTimer timer;
        timer.start();
        const Reply reply = service.get("/api/v1/auth/me", token);
        const qint64 waited = timer.elapsed();
        for (int socket : idle)
            ::close(socket);
        QCOMPARE(reply.status, 200);
        QVERIFY2(waited < 2000, qPrintable(QString("waited %1 ms").arg(waited)));
    }

    void parallelParentsKeepTheirOwnData()
    {
        constexpr int parents = 8;
        constexpr int rounds = 10;
        std::vector<std::string> failures(parents);
        std::vector<std::thread> threads;
        for (int p = 0; p < parents; ++p) {
            threads.emplace_back([this, p, &failures] {
                const std::string mine = service.signUp("parallel" + std::to_string(p) + "@example.com");
                for (int round = 0; round < rounds && failures[p].empty(); ++round) {
                    const json created = service.createDevice(mine, "Mac " + std::to_string(p), "Kid");
                    const Reply update = service.put(devicePath(created, "/policy"), mine,
                                                     { { "screen_time_limit_minutes", p * 100 + round } });
                    const Reply list = service.get("/api/v1/devices", mine);
                    if (update.status != 200 || update.value["screen_time_limit_minutes"] != p * 100 + round)
                        failures[p] = "policy update answered " + update.body;
                    else if (list.value.size() != size_t(round + 1))
                        failures[p] = "listed " + std::to_string(list.value.size()) + " devices";
                    for (const json& listed : list.value)
                        if (listed["name"] != "Mac " + std::to_string(p))
                            failures[p] = "saw " + listed["name"].dump();
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (const std::string& failure : failures)
            QVERIFY2(failure.empty(), failure.c_str());
    }

private:
    LiveService service;
    std::string token;
    json device;
};

QTEST_GUILESS_MAIN(HostileInputTest)
#include "tst_service_hostile_input.moc"
