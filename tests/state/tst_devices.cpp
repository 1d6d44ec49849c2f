// The device list model against a scripted service: loading and its
// failures, creating with its reload, and deleting row by row.
#include "DevicesViewModel.h"
#include "KeychainHelper.h"
#include "MemoryCredentialStore.h"
#include "ScriptedServer.h"
#include "TaskResult.h"

#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <nlohmann/json.hpp>

namespace {

using Response = ScriptedServer::Response;
using json = nlohmann::json;

const QString listPath = QStringLiteral("/api/v1/devices");

Response answer(const json& body, int status = 200)
{
    return Response::ofJson(body, status);
}

Response held(Response r)
{
    r.action = Response::Action::Hold;
    return r;
}

Response closed()
{
    Response r;
    r.action = Response::Action::Close;
    return r;
}

json deviceJson(const char* id, const char* name = "Mac", json token = nullptr)
{
    return {{"id", id},          {"name", name},         {"child_name", "Alex"},  {"api_token", token},
            {"shared_secret", nullptr}, {"agent_version", nullptr}, {"last_seen", nullptr},
            {"created_at", nullptr},    {"bonus_until", nullptr}};
}

json listJson(std::initializer_list<const char*> ids)
{
    json list = json::array();
    for (const char* id : ids)
        list.push_back(deviceJson(id));
    return list;
}

QStringList ids(const DevicesViewModel& vm)
{
    QStringList out;
    for (const auto& device : vm.devices())
        out << device.id;
    return out;
}

const std::optional<QString> sessionExpired(QStringLiteral("Session expired, please sign in again"));

}  // namespace

Q_DECLARE_METATYPE(ScriptedServer::Response)

// A memory store pointing the client at a scripted service. Each
// "METHOD path" answers from its own queue; the last answer repeats.
class DevicesFixture : public QObject
{
    Q_OBJECT

protected:
    std::shared_ptr<MemoryCredentialStore> store;
    std::unique_ptr<ScriptedServer> server;
    QMap<QString, QList<Response>> routes;

    void route(const char* method, const QString& path, Response response)
    {
        routes[QString::fromLatin1(method) + u' ' + path].append(std::move(response));
    }

    int count(const char* method, const QString& path) const
    {
        int n = 0;
        for (const auto& r : server->requests())
            n += r.method == method && r.target == path.toLatin1();
        return n;
    }

    // Loads a first list so the failures below have something to keep.
    void loadFirst(DevicesViewModel& vm, std::initializer_list<const char*> devices)
    {
        route("GET", listPath, answer(listJson(devices)));
        QVERIFY(runTask(vm.loadDevices()).succeeded());
        routes.clear();
        server->clearRequests();
    }

    void setUp()
    {
        store = std::make_shared<MemoryCredentialStore>();
        KeychainHelper::setStore(store);
        server = std::make_unique<ScriptedServer>();
        const QString service = QString::fromLatin1(KeychainHelper::service);
        store->put(service, QStringLiteral("server_url"), server->baseUrl().toUtf8());
        store->put(service, QStringLiteral("auth_token"), "parent-token");
        routes.clear();
        server->setHandler([this](const ScriptedServer::Request& request) {
            auto& queue = routes[QString::fromLatin1(request.method + ' ' + request.target)];
            if (queue.isEmpty())
                return answer(json{{"detail", "Not Found"}}, 404);
            return queue.size() > 1 ? queue.takeFirst() : queue.first();
        });
    }

    void tearDown()
    {
        server.reset();
        KeychainHelper::setStore(nullptr);
    }
};

class DeviceLoadTest : public DevicesFixture
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void loadingWhileWaitingThenServiceOrder()
    {
        DevicesViewModel vm;
        route("GET", listPath, held(answer(listJson({"b", "a", "c"}))));
        const auto result = startTask(vm.loadDevices());
        QTRY_COMPARE(server->heldCount(), 1);
        QVERIFY(vm.isLoading());
        QVERIFY(server->releaseHeld());
        QVERIFY(awaitResult(result));
        QVERIFY(!vm.isLoading());
        QCOMPARE(ids(vm), (QStringList{"b", "a", "c"}));
        QCOMPARE(server->requests().first().header("authorization"), QByteArray("Bearer parent-token"));
    }

    void failedLoadKeepsDevices_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("error");
        QTest::newRow("service detail") << answer(json{{"detail", "Database is down"}}, 400)
                                        << QStringLiteral("Database is down");
        QTest::newRow("bare status") << answer(json::object(), 500) << QStringLiteral("Server error: 500");
        QTest::newRow("session expired") << answer(json{{"detail", "Not authenticated"}}, 401) << *sessionExpired;
        json broken = listJson({"x"});
        broken[0]["child_name"] = nullptr;
        QTest::newRow("undecodable element") << answer(broken) << QStringLiteral("child_name");
        QTest::newRow("no answer") << closed() << QString();
    }

    void failedLoadKeepsDevices()
    {
        QFETCH(Response, response);
        QFETCH(QString, error);
        DevicesViewModel vm;
        loadFirst(vm, {"a", "b"});
        route("GET", listPath, response);
        QSignalSpy published(&vm, &DevicesViewModel::devicesChanged);
        QVERIFY(runTask(vm.loadDevices()).succeeded());  // never throws
        QCOMPARE(ids(vm), (QStringList{"a", "b"}));
        QCOMPARE(published.count(), 0);
        QVERIFY(!vm.isLoading());
        QVERIFY(vm.error());
        QVERIFY2(vm.error()->contains(error), qPrintable(*vm.error()));
    }

    void sessionExpiryKeepsListAndForgetsToken()
    {
        DevicesViewModel vm;
        loadFirst(vm, {"a"});
        route("GET", listPath, answer(json{{"detail", "Not authenticated"}}, 401));
        runTask(vm.loadDevices());
        QCOMPARE(vm.error(), sessionExpired);
        QCOMPARE(ids(vm), QStringList{"a"});
        QVERIFY(!store->contains(QString::fromLatin1(KeychainHelper::service), QStringLiteral("auth_token")));
    }

    void nextLoadClearsErrorWhenItStarts()
    {
        DevicesViewModel vm;
        route("GET", listPath, answer(json::object(), 503));
        runTask(vm.loadDevices());
        QVERIFY(vm.error());
        routes.clear();
        route("GET", listPath, held(answer(listJson({"a"}))));
        const auto result = startTask(vm.loadDevices());
        QVERIFY(!vm.error());
        QTRY_COMPARE(server->heldCount(), 1);
        server->releaseAll();
        QVERIFY(awaitResult(result));
        QVERIFY(!vm.error());
    }

    void laterAnswerWinsAndFirstAnswerEndsLoading()
    {
        DevicesViewModel vm;
        route("GET", listPath, held(answer(listJson({"old"}))));
        route("GET", listPath, held(answer(listJson({"new", "newer"}))));
        const auto first = startTask(vm.loadDevices());
        QTRY_COMPARE(server->heldCount(), 1);
        const auto second = startTask(vm.loadDevices());
        QTRY_COMPARE(server->heldCount(), 2);

        // The second request is answered first ...
        QVERIFY(server->releaseHeld(1));
        QVERIFY(awaitResult(second));
        QCOMPARE(ids(vm), (QStringList{"new", "newer"}));
        QVERIFY(!vm.isLoading());
        // ... and the first one's late answer replaces it.
        QVERIFY(server->releaseHeld(0));
        QVERIFY(awaitResult(first));
        QCOMPARE(ids(vm), QStringList{"old"});
        QVERIFY(!vm.isLoading());
    }

    void emptyStateOnlyOnceTheFirstLoadEnded_data()
    {
        QTest::addColumn<Response>("response");
        QTest::newRow("no devices") << answer(json::array());
        QTest::newRow("load fails") << answer(json::object(), 500);
    }

    void emptyStateOnlyOnceTheFirstLoadEnded()
    {
        QFETCH(Response, response);
        DevicesViewModel vm;
        QVERIFY(!vm.showsEmptyState());  // nothing known yet
        route("GET", listPath, held(response));
        QSignalSpy changes(&vm, &DevicesViewModel::showsEmptyStateChanged);
        const auto result = startTask(vm.loadDevices());
        QTRY_COMPARE(server->heldCount(), 1);
        QVERIFY(!vm.showsEmptyState());
        server->releaseAll();
        QVERIFY(awaitResult(result));
        QVERIFY(vm.showsEmptyState());
        QCOMPARE(changes.count(), 1);
    }

    void emptyAnswerEmptiesTheList()
    {
        DevicesViewModel vm;
        loadFirst(vm, {"a"});
        QVERIFY(!vm.showsEmptyState());
        route("GET", listPath, held(answer(json::array())));
        const auto result = startTask(vm.loadDevices());
        QTRY_COMPARE(server->heldCount(), 1);
        QVERIFY(!vm.showsEmptyState());  // a reload keeps the old rows meanwhile
        server->releaseAll();
        QVERIFY(awaitResult(result));
        QVERIFY(vm.devices().empty());
        QVERIFY(vm.showsEmptyState());
    }
};

class DeviceCreateTest : public DevicesFixture
{
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void createSendsNamesAsTypedAndReloads()
    {
        DevicesViewModel vm;
        route("POST", listPath, answer(deviceJson("n", " ", "tok-1")));
        json reloaded = listJson({"a"});
        reloaded.push_back(deviceJson("n", " "));  // lists carry no token here
        route("GET", listPath, answer(reloaded));
        const auto result = runTask(vm.createDevice(QStringLiteral(" "), QStringLiteral("  ")));
        QVERIFY(result.succeeded());
        QVERIFY(result.value->has_value());
        QCOMPARE((*result.value)->apiToken, std::optional<QString>(QStringLiteral("tok-1")));
        QCOMPARE(ids(vm), (QStringList{"a", "n"}));
        const auto& post = server->requests().first();
        QCOMPARE(json::parse(post.body.toStdString()).dump(), (json{{"name", " "}, {"child_name", "  "}}).dump());
        QCOMPARE(count("GET", listPath), 1);
    }

    void failedCreateKeepsListAndDoesNotReload()
    {
        DevicesViewModel vm;
        loadFirst(vm, {"a"});
        route("POST", listPath, answer(json{{"detail", "Device limit reached"}}, 400));
        const auto result = runTask(vm.createDevice(QStringLiteral("Mac"), QStringLiteral("Alex")));
        QVERIFY(result.succeeded());
        QVERIFY(!result.value->has_value());
        QCOMPARE(vm.error(), std::optional<QString>(QStringLiteral("Device limit reached")));
        QCOMPARE(ids(vm), QStringList{"a"});
        QCOMPARE(count("GET", listPath), 0);
    }

    void createdDeviceSurvivesAFailingReload()
    {
        DevicesViewModel vm;
        loadFirst(vm, {"a"});
        route("POST", listPath, answer(deviceJson("n", "New", "tok-2")));
        route("GET", listPath, answer(json::object(), 502));
        const auto result = runTask(vm.createDevice(QStringLiteral("New"), QStringLiteral("Alex")));
        QVERIFY(result.value->has_value());
        QCOMPARE((*result.value)->id, QStringLiteral("n"));
        QCOMPARE((*result.value)->apiToken, std::optional<QString>(QStringLiteral("tok-2")));
        QCOMPARE(vm.error(), std::optional<QString>(QStringLiteral("Server error: 502")));
        QCOMPARE(ids(vm), QStringList{"a"});
        QVERIFY(!vm.isLoading());
    }

    void createGoneModelStillReturnsTheDevice()
    {
        auto vm = std::make_unique<DevicesViewModel>();
        route("POST", listPath, held(answer(deviceJson("n", "New", "tok-3"))));
        const auto result = startTask(vm->createDevice(QStringLiteral("New"), QStringLiteral("Alex")));
        QTRY_COMPARE(server->heldCount(), 1);
        vm.reset();  // the list screen went away mid-create
        server->releaseAll();
        QVERIFY(awaitResult(result));
        QVERIFY(result->succeeded());
    }
};

class DeviceDeleteTest : public DevicesFixture
{
    Q_OBJECT

    static QString pathOf(const char* id) { return listPath + u'/' + QString::fromLatin1(id); }

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void rowGoesOnlyOnceTheServiceAgreed()
    {
        DevicesViewModel vm;
        loadFirst(vm, {"a", "b", "c"});
        route("DELETE", pathOf("b"), held(answer(json{{"ok", true}})));
        QSignalSpy published(&vm, &DevicesViewModel::devicesChanged);
        const auto result = startTask(vm.deleteDevice(QStringLiteral("b")));
        QTRY_COMPARE(server->heldCount(), 1);
        QCOMPARE(ids(vm), (QStringList{"a", "b", "c"}));
        server->releaseAll();
        QVERIFY(awaitResult(result));
        QCOMPARE(ids(vm), (QStringList{"a", "c"}));
        QCOMPARE(published.count(), 1);
        QVERIFY(!vm.error());
    }

    void failedDeleteKeepsRow()
    {
        DevicesViewModel vm;
        loadFirst(vm, {"a"});
        route("DELETE", pathOf("a"), answer(json{{"detail", "Device not found"}}, 404));
        runTask(vm.deleteDevice(QStringLiteral("a")));
        QCOMPARE(ids(vm), QStringList{"a"});
        QCOMPARE(vm.error(), std::optional<QString>(QStringLiteral("Device not found")));
    }

    void deleteOfDeviceAReloadDroppedSucceedsSilently()
    {
        DevicesViewModel vm;
        loadFirst(vm, {"a", "b"});
        route("DELETE", pathOf("a"), held(answer(json{{"ok", true}})));
        route("GET", listPath, answer(listJson({"b"})));
        const auto deleting = startTask(vm.deleteDevice(QStringLiteral("a")));
        QTRY_COMPARE(server->heldCount(), 1);
        QVERIFY(runTask(vm.loadDevices()).succeeded());
        QCOMPARE(ids(vm), QStringList{"b"});
        QSignalSpy published(&vm, &DevicesViewModel::devicesChanged);
        server->releaseAll();
        QVERIFY(awaitResult(deleting));
        QCOMPARE(ids(vm), QStringList{"b"});
        QCOMPARE(published.count(), 1);  // republished once even though nothing matched
        QVERIFY(!vm.error());
    }

    void twoRowsOneFailingRemovesOnlyTheOther()
    {
        DevicesViewModel vm;
        loadFirst(vm, {"a", "b", "c"});
        route("DELETE", pathOf("a"), held(answer(json::object(), 500)));
        route("DELETE", pathOf("c"), held(answer(json{{"ok", true}})));
        vm.deleteAt({2, 0});
        QTRY_COMPARE(server->heldCount(), 2);
        // Ascending order; both are on their way before either is answered.
        const auto requests = server->heldRequests();
        QCOMPARE(requests[0].target, pathOf("a").toLatin1());
        QCOMPARE(requests[1].target, pathOf("c").toLatin1());
        QVERIFY(server->releaseHeld(1));
        QTRY_COMPARE(ids(vm), (QStringList{"a", "b"}));
        QVERIFY(server->releaseHeld(0));
        QTRY_VERIFY(vm.error().has_value());
        QCOMPARE(*vm.error(), QStringLiteral("Server error: 500"));
        QCOMPARE(ids(vm), (QStringList{"a", "b"}));
    }

    void positionsOutsideOrRepeatedAreIgnored()
    {
        DevicesViewModel vm;
        loadFirst(vm, {"a", "b"});
        route("DELETE", pathOf("b"), answer(json{{"ok", true}}));
        vm.deleteAt({1, 1, 7, -1});
        QTRY_COMPARE(ids(vm), QStringList{"a"});
        QTest::qWait(50);
        QCOMPARE(server->requests().size(), 1);
        QVERIFY(!vm.error());
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        DeviceLoadTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        DeviceCreateTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        DeviceDeleteTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_devices.moc"
