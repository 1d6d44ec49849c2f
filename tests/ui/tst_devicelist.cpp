// The device list and the add-device sheet as a parent uses them: against
// the real service, and against a scripted one where an answer has to be
// held back or shaped in a way the service never sends.
#include "AuthViewModel.h"
#include "Clock.h"
#include "DevicesViewModel.h"
#include "ScriptedServer.h"
#include "ConsoleTest.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <nlohmann/json.hpp>

using json = nlohmann::json;
using Response = ScriptedServer::Response;

// Finding and reading the screen's parts; shared by the test classes.
class ListScreen : public ConsoleTest
{
    Q_OBJECT

protected:
    QQuickItem* row(const QString& id) const { return item(QStringLiteral("deviceRow_") + id); }
    bool rowShown(const QString& id) const { return Ui::isShown(row(id)); }

    static QQuickItem* part(QQuickItem* parent, const char* name)
    {
        return parent ? parent->findChild<QQuickItem*>(QString::fromLatin1(name)) : nullptr;
    }
    QString rowText(const QString& id, const char* name) const { return Ui::text(part(row(id), name)); }

    DevicesViewModel* vm() const
    {
        QQuickItem* page = item("devicesListView");
        return page ? page->property("vm").value<DevicesViewModel*>() : nullptr;
    }

    bool sheetOpen() const { return shown("sheetTitle"); }

    void quit()
    {
        ConsoleTest::quit();
        Clock::setSource({});
    }

    void rightClick(QQuickItem* target)
    {
        Q_ASSERT(target);
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, centre.toPoint());
    }

    // The menu holding this entry has finished opening and takes clicks.
    bool menuOpen(const char* entry) const
    {
        QQuickItem* found = item(entry);
        QObject* menu = found ? found->property("menu").value<QObject*>() : nullptr;
        return Ui::isShown(found) && menu && menu->property("opened").toBool();
    }

    void fillForm(const QString& name, const QString& child)
    {
        Ui::type(window, item("deviceNameField"), name);
        Ui::type(window, item("childNameField"), child);
    }

    // The entries of the account menu a parent can see.
    QStringList visibleMenuEntries() const
    {
        QStringList entries;
        for (const char* name : {"userNameItem", "userEmailItem", "accountSeparator", "signOutItem"}) {
            QQuickItem* entry = item(name);
            if (Ui::isShown(entry) && entry->height() > 0)
                entries << QString::fromLatin1(name);
        }
        return entries;
    }

    [[nodiscard]] bool openSheetWith(const char* button)
    {
        if (!item(button))
            return false;
        Ui::click(window, item(button));
        return QTest::qWaitFor([this] { return sheetOpen() && item("deviceNameField")->hasActiveFocus(); });
    }
};

class DeviceListServiceTest : public ListScreen
{
    Q_OBJECT

    ServiceProcess service;
    QString token;
    int accounts = 0;

    QString addDevice(const char* name, const char* child)
    {
        const json device = service.createDevice(token, QString::fromLatin1(name), QString::fromLatin1(child));
        return QString::fromStdString(device.value("id", std::string()));
    }

    QString apiTokenOf(const QString& id)
    {
        const auto answer = service.authorizedGet(token, QStringLiteral("/api/v1/devices/") + id);
        return QString::fromStdString(answer.json().value("api_token", std::string()));
    }

    int indexOf(const QString& id) const
    {
        const auto& devices = vm()->devices();
        for (size_t i = 0; i < devices.size(); ++i) {
            if (devices[i].id == id)
                return int(i);
        }
        return -1;
    }

private slots:
    void initTestCase() { QVERIFY2(service.start(), qPrintable(service.errorString())); }

    // Each test signs in to an account of its own, so it starts without devices.
    void init()
    {
        UiSession::clearStore();
        token = service.registerAccount(QStringLiteral("parent%1@example.com").arg(++accounts),
                                        QStringLiteral("pw"), QStringLiteral("Pat Parker"));
        QVERIFY(!token.isEmpty());
        UiSession::storeEntry(QStringLiteral("server_url"), service.baseUrl());
        UiSession::storeEntry(QStringLiteral("auth_token"), token);
    }

    void cleanup() { quit(); }

    void bothAddButtonsOpenAFreshSheet()
    {
        QVERIFY(launchSignedIn());
        QTRY_VERIFY(shown("emptyState"));
        Ui::screenshot(window, QStringLiteral("device-list-empty"));
        QVERIFY(openSheetWith("emptyAddDeviceButton"));
        QCOMPARE(Ui::text(item("sheetTitle")), QStringLiteral("New Device"));
        Ui::screenshot(window, QStringLiteral("add-device-form"));
        Ui::type(window, item("deviceNameField"), QStringLiteral("Half typed"));
        Ui::click(window, item("closeSheetButton"));
        QTRY_VERIFY(!sheetOpen());

        QVERIFY(openSheetWith("addDeviceButton"));
        QCOMPARE(Ui::text(item("deviceNameField")), QString());
        QCOMPARE(Ui::text(item("childNameField")), QString());
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!sheetOpen());
    }

    void createButtonNeedsBothNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("child");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("both empty") << "" << "" << false;
        QTest::newRow("child missing") << "Mac" << "" << false;
        QTest::newRow("name missing") << "" << "Alex" << false;
        QTest::newRow("blanks count") << " " << " " << true;
        QTest::newRow("both names") << "Mac" << "Alex" << true;
    }

    void createButtonNeedsBothNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, child);
        QFETCH(bool, enabled);
        QVERIFY(launchSignedIn());
        QVERIFY(openSheetWith("addDeviceButton"));
        fillForm(name, child);
        QCOMPARE(item("createButton")->isEnabled(), enabled);
    }

    void createShowsTokenAndCopiesExactlyIt()
    {
        QVERIFY(launchSignedIn());
        QTRY_VERIFY(shown("emptyState"));
        QGuiApplication::clipboard()->setText(QStringLiteral("something older"));
        QVERIFY(openSheetWith("addDeviceButton"));
        fillForm(QStringLiteral("Alex's MacBook"), QStringLiteral("Alex"));
        Ui::click(window, item("createButton"));

        QTRY_VERIFY(shown("createdLabel"));
        QCOMPARE(Ui::text(item("sheetTitle")), QStringLiteral("Done"));
        QVERIFY(!shown("createButton"));
        QVERIFY(!shown("deviceForm"));
        QCOMPARE(Ui::text(item("installCommandBoxText")), QStringLiteral("sudo ./install.sh"));

        QTRY_COMPARE(vm()->devices().size(), size_t(1));
        const QString id = vm()->devices().front().id;
        const QString expected = apiTokenOf(id);
        QVERIFY(!expected.isEmpty());
        QVERIFY(shown("tokenBox"));
        QCOMPARE(Ui::text(item("tokenBoxText")), expected);
        Ui::screenshot(window, QStringLiteral("add-device-created"));

        Ui::click(window, item("copyTokenButton"));
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->formats(), QStringList{QStringLiteral("text/plain")});

        // The reload behind the sheet already shows the new row.
        Ui::click(window, item("closeSheetButton"));
        QTRY_VERIFY(!sheetOpen());
        QTRY_VERIFY(rowShown(id));
        QCOMPARE(rowText(id, "deviceName"), QStringLiteral("Alex's MacBook"));
        QVERIFY(!shown("emptyState"));
    }

    void rowsShowOnlineOrAge()
    {
        const QString online = addDevice("Alex's MacBook", "Alex");
        const QString quiet = addDevice("Sam's iMac", "Sam");
        QCOMPARE(service.heartbeat(apiTokenOf(online), 12).status, 200);
        QVERIFY(launchSignedIn());
        QTRY_VERIFY(rowShown(online) && rowShown(quiet));
        QCOMPARE(rowText(online, "childName"), QStringLiteral("Alex"));
        QCOMPARE(rowText(online, "statusText"), QStringLiteral("Online"));
        QCOMPARE(part(row(online), "statusDot")->opacity(), 1.0);
        QCOMPARE(rowText(quiet, "statusText"), QStringLiteral("never"));
        QCOMPARE(part(row(quiet), "statusDot")->opacity(), 0.3);
        QVERIFY(part(row(online), "statusDot")->property("color").value<QColor>().green() > 150);

        // Three and a bit minutes later the row moves on by itself, without a reload.
        const qint64 later = QDateTime::currentMSecsSinceEpoch() + 200'000;
        Clock::setSource([later] { return later; });
        QObject* timer = item("devicesListView")->findChild<QObject*>(QStringLiteral("clockTimer"));
        QVERIFY(timer);
        QVERIFY(QMetaObject::invokeMethod(timer, "triggered"));
        QTRY_COMPARE(rowText(online, "statusText"), QStringLiteral("3 min ago"));
        QCOMPARE(part(row(online), "statusDot")->opacity(), 0.3);
    }

    void deleteRemovesOnlyRowsTheServiceDeleted()
    {
        const QString gone = addDevice("Old Mac", "Alex");
        const QString kept = addDevice("Family Mac", "Sam");
        const QString doomed = addDevice("Spare Mac", "Kim");
        QVERIFY(launchSignedIn());
        QTRY_VERIFY(rowShown(gone) && rowShown(kept) && rowShown(doomed));
        // Removed elsewhere meanwhile: the console's delete of it fails.
        QCOMPARE(service.authorizedDelete(token, QStringLiteral("/api/v1/devices/") + gone).status, 200);

        rightClick(row(gone));
        QTRY_VERIFY(menuOpen("deleteRowItem"));
        Ui::click(window, item("deleteRowItem"));
        QTRY_VERIFY(vm()->error().has_value());
        QVERIFY(rowShown(gone));

        // The Delete key on the current row.
        rightClick(row(doomed));
        QTRY_VERIFY(menuOpen("deleteRowItem"));
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!shown("deleteRowItem"));
        QCOMPARE(item("deviceList")->property("currentIndex").toInt(), indexOf(doomed));
        QTest::keyClick(window, Qt::Key_Delete);
        QTRY_VERIFY(!rowShown(doomed));
        QVERIFY(rowShown(gone));
        QVERIFY(rowShown(kept));
        QCOMPARE(service.authorizedGet(token, QStringLiteral("/api/v1/devices/") + doomed).status, 404);
    }

    void rowOpensDetailAndComingBackReloads()
    {
        const QString id = addDevice("Alex's MacBook", "Alex");
        QVERIFY(launchSignedIn());
        QTRY_VERIFY(rowShown(id));
        Ui::click(window, row(id));
        QTRY_VERIFY(shown("detailTitle") && settled());
        QCOMPARE(Ui::text(item("detailTitle")), QStringLiteral("Alex's MacBook"));
        QCOMPARE(item("navigationStack")->property("currentItem").value<QObject*>()->property("deviceId").toString(),
                 id);

        const QString added = addDevice("Sam's iMac", "Sam");
        Ui::click(window, item("backButton"));
        QTRY_VERIFY(rowShown(added) && settled());

        // The reload kept the opened row current; the arrow keys move on
        // from it and Return opens the row they reach.
        QTRY_COMPARE(item("deviceList")->property("currentIndex").toInt(), indexOf(id));
        QCOMPARE(indexOf(added), indexOf(id) + 1);
        QTest::keyClick(window, Qt::Key_Down);
        QTest::keyClick(window, Qt::Key_Return);
        QTRY_COMPARE(Ui::text(item("detailTitle")), QStringLiteral("Sam's iMac"));
    }

    void refreshCommandAndButtonReload()
    {
        QVERIFY(launchSignedIn());
        QTRY_VERIFY(shown("emptyState"));
        const QString first = addDevice("Alex's MacBook", "Alex");
        QTest::keyClick(window, Qt::Key_F5);
        QTRY_VERIFY(rowShown(first));
        const QString second = addDevice("Sam's iMac", "Sam");
        QTest::keyClick(window, Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY(rowShown(second));
        const QString third = addDevice("Kim's Mac mini", "Kim");
        Ui::click(window, item("refreshButton"));
        QTRY_VERIFY(rowShown(third));
    }

    void menuShowsAccountAndSignsOut()
    {
        QVERIFY(launchSignedIn());
        QTRY_VERIFY(session.app()->authVM()->user().has_value());
        Ui::click(window, item("accountMenuButton"));
        QTRY_VERIFY(menuOpen("signOutItem"));
        QCOMPARE(visibleMenuEntries(),
                 (QStringList{"userNameItem", "userEmailItem", "accountSeparator", "signOutItem"}));
        QCOMPARE(Ui::text(item("userNameItem")), QStringLiteral("Pat Parker"));
        QCOMPARE(Ui::text(item("userEmailItem")), QStringLiteral("parent%1@example.com").arg(accounts));
        QVERIFY(!item("userNameItem")->isEnabled());
        Ui::click(window, item("signOutItem"));
        QTRY_VERIFY(shown("submitButton"));
        QTRY_VERIFY(!UiSession::storedEntry(QStringLiteral("auth_token")).has_value());
    }
};

// The demo account's two devices, one kept online by the service.
class DemoListTest : public ListScreen
{
    Q_OBJECT

    ServiceProcess service{{QStringLiteral("--demo")}};

private slots:
    void initTestCase() { QVERIFY2(service.start(), qPrintable(service.errorString())); }
    void cleanup() { quit(); }

    void demoDevicesAsTheParentSeesThem()
    {
        UiSession::clearStore();
        UiSession::storeEntry(QStringLiteral("server_url"), service.baseUrl());
        UiSession::storeEntry(QStringLiteral("auth_token"),
                              service.login(QStringLiteral("parent@example.com"), QStringLiteral("lumaro-demo")));
        QVERIFY(launchSignedIn());
        QTRY_COMPARE(vm()->devices().size(), size_t(2));
        QTRY_VERIFY(rowShown(vm()->devices()[0].id) && rowShown(vm()->devices()[1].id));
        QStringList statuses;
        for (const auto& device : vm()->devices())
            statuses << rowText(device.id, "statusText");
        QCOMPARE(statuses, (QStringList{"Online", "3 hr ago"}));
        QTRY_VERIFY(session.app()->authVM()->user().has_value());
        Ui::screenshot(window, QStringLiteral("device-list"));
    }
};

// Answers the real service would not give on demand: held ones, and a
// created device without a token.
class DeviceListScriptedTest : public ListScreen
{
    Q_OBJECT

    std::unique_ptr<ScriptedServer> server;

    // Starts a create the server holds, then closes the sheet while it runs.
    [[nodiscard]] bool closeSheetWhileCreating()
    {
        if (!launchSignedIn() || !openSheetWith("addDeviceButton"))
            return false;
        fillForm(QStringLiteral("Mac"), QStringLiteral("Alex"));
        Ui::click(window, item("createButton"));
        if (!QTest::qWaitFor([this] { return server->heldCount() == 1; }))
            return false;
        Ui::click(window, item("closeSheetButton"));
        return QTest::qWaitFor([this] { return !sheetOpen(); });
    }
    QMap<QByteArray, QList<Response>> routes;

    static Response answer(const json& body, int status = 200) { return Response::ofJson(body, status); }

    static Response held(Response r)
    {
        r.action = Response::Action::Hold;
        return r;
    }

    static json device(const char* id, const char* name, json token = nullptr)
    {
        return {{"id", id}, {"name", name}, {"child_name", "Alex"}, {"api_token", token}, {"last_seen", nullptr}};
    }

    void route(const QByteArray& key, Response response) { routes[key].append(std::move(response)); }

    int count(const QByteArray& key) const
    {
        int n = 0;
        for (const auto& r : server->requests())
            n += r.method + ' ' + r.target == key;
        return n;
    }

private slots:
    void init()
    {
        server = std::make_unique<ScriptedServer>();
        routes.clear();
        server->setHandler([this](const ScriptedServer::Request& request) {
            auto& queue = routes[request.method + ' ' + request.target];
            if (queue.isEmpty())
                return answer(json{{"detail", "Not Found"}}, 404);
            return queue.size() > 1 ? queue.takeFirst() : queue.first();
        });
        UiSession::clearStore();
        UiSession::storeEntry(QStringLiteral("server_url"), server->baseUrl());
        UiSession::storeEntry(QStringLiteral("auth_token"), QStringLiteral("scripted-token"));
        route("GET /api/v1/auth/me", answer({{"id", "u"}, {"email", "p@example.com"}, {"name", "Pat"}}));
    }

    void cleanup()
    {
        // Nothing may stay held while the console goes away.
        server->releaseAll();
        QTest::qWait(20);
        quit();
        server.reset();
    }

    void emptyStateOnlyAfterTheFirstLoad()
    {
        route("GET /api/v1/devices", held(answer(json::array())));
        QVERIFY(launchSignedIn());
        QTRY_COMPARE(server->heldCount(), 1);
        QVERIFY(vm()->isLoading());
        QTest::qWait(50);
        QVERIFY(!shown("emptyState"));
        server->releaseAll();
        QTRY_VERIFY(shown("emptyState"));
        QCOMPARE(count("GET /api/v1/devices"), 1);  // one load on first show, not two
    }

    void menuWithoutUserHoldsOnlySignOut()
    {
        routes.remove("GET /api/v1/auth/me");
        route("GET /api/v1/auth/me", held(answer({{"id", "u"}, {"email", "p@example.com"}, {"name", "Pat"}})));
        route("GET /api/v1/devices", answer(json::array()));
        QVERIFY(launchSignedIn());
        QTRY_COMPARE(server->heldCount(), 1);
        Ui::click(window, item("accountMenuButton"));
        QTRY_VERIFY(menuOpen("signOutItem"));
        QCOMPARE(visibleMenuEntries(), QStringList{QStringLiteral("signOutItem")});
        Ui::click(window, item("signOutItem"));
        QTRY_VERIFY(shown("submitButton"));
    }

    void createdDeviceWithoutTokenShowsNoTokenBox()
    {
        route("GET /api/v1/devices", answer(json::array()));
        route("GET /api/v1/devices", answer(json::array({device("n", "Mac")})));
        route("POST /api/v1/devices", answer(device("n", "Mac")));
        QVERIFY(launchSignedIn());
        QTRY_VERIFY(shown("emptyState"));
        QVERIFY(openSheetWith("addDeviceButton"));
        fillForm(QStringLiteral("Mac"), QStringLiteral("Alex"));
        QTest::keyClick(window, Qt::Key_Return);  // Return confirms like the button
        QTRY_VERIFY(shown("createdLabel"));
        QVERIFY(!shown("tokenBox"));
        QVERIFY(!shown("copyTokenButton"));
        QVERIFY(shown("installCommandBox"));
    }

    void failedCreateStaysOnTheForm()
    {
        route("GET /api/v1/devices", answer(json::array()));
        route("POST /api/v1/devices", held(answer({{"detail", "Device limit reached"}}, 400)));
        QVERIFY(launchSignedIn());
        QVERIFY(openSheetWith("addDeviceButton"));
        fillForm(QStringLiteral("Mac"), QStringLiteral("Alex"));
        Ui::click(window, item("createButton"));
        QTRY_COMPARE(server->heldCount(), 1);
        QVERIFY(!item("createButton")->isEnabled());
        QVERIFY(Ui::isShown(part(item("createButton"), "busyIndicator")));
        server->releaseAll();
        QTRY_VERIFY(item("createButton")->isEnabled());
        QVERIFY(!Ui::isShown(part(item("createButton"), "busyIndicator")));
        QVERIFY(shown("deviceForm"));
        QCOMPARE(Ui::text(item("deviceNameField")), QStringLiteral("Mac"));
        QCOMPARE(count("GET /api/v1/devices"), 1);  // no reload after a failure
    }

    void closingDuringCreateLetsItFinish()
    {
        route("GET /api/v1/devices", answer(json::array()));
        route("GET /api/v1/devices", answer(json::array({device("n", "Mac", "tok")})));
        route("POST /api/v1/devices", held(answer(device("n", "Mac", "tok"))));
        QVERIFY(closeSheetWhileCreating());
        server->releaseAll();
        QTRY_VERIFY(rowShown(QStringLiteral("n")));
        QVERIFY(!sheetOpen());

        // The next opening starts on an empty form.
        QVERIFY(openSheetWith("addDeviceButton"));
        QCOMPARE(Ui::text(item("sheetTitle")), QStringLiteral("New Device"));
        QCOMPARE(Ui::text(item("deviceNameField")), QString());
    }

    void signingOutWhileACreateRunsIsHarmless()
    {
        route("GET /api/v1/devices", answer(json::array()));
        route("POST /api/v1/devices", held(answer(device("n", "Mac", "tok"))));
        QVERIFY(closeSheetWhileCreating());
        // The account's entries arriving would move "Sign Out" under the pointer.
        QTRY_VERIFY(session.app()->authVM()->user().has_value());
        Ui::click(window, item("accountMenuButton"));
        QTRY_VERIFY(menuOpen("signOutItem"));
        Ui::click(window, item("signOutItem"));
        QTRY_VERIFY(shown("submitButton"));
        // The list screen, its model and the closed sheet are gone; the answer
        // still arrives and must land nowhere.
        server->releaseAll();
        QTest::qWait(200);
        QVERIFY(shown("submitButton"));
    }
};

int main(int argc, char* argv[])
{
    LumaroApp::prepare();
    QGuiApplication app(argc, argv);
    int status = 0;
    {
        DeviceListServiceTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        DemoListTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        DeviceListScriptedTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_devicelist.moc"
