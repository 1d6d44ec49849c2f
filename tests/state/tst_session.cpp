// The session model: start-up with and without a stored token, sign-in and
// sign-up outcomes, sign-out, and the service address field.
#include "AuthViewModel.h"
#include "KeychainHelper.h"
#include "MemoryCredentialStore.h"
#include "ScriptedServer.h"

#include <QSignalSpy>
#include <QTest>
#include <qcoro/qcorotask.h>

namespace {
const QString lumaro = QString::fromLatin1(KeychainHelper::service);
const QByteArray userBody = R"({"id":"u1","email":"p@example.com","name":"Pat"})";
const QByteArray tokenBody = R"({"access_token":"tok-new","token_type":"bearer"})";
}  // namespace

class SessionModelTest : public QObject
{
    Q_OBJECT

    std::shared_ptr<MemoryCredentialStore> store;
    std::unique_ptr<ScriptedServer> server;

    std::unique_ptr<AuthViewModel> create() { return QCoro::waitFor(AuthViewModel::create()); }
    void storeToken(const QByteArray& token) { store->put(lumaro, QStringLiteral("auth_token"), token); }
    std::optional<QByteArray> storedToken() const { return store->value(lumaro, QStringLiteral("auth_token")); }

private slots:
    void init()
    {
        store = std::make_shared<MemoryCredentialStore>();
        KeychainHelper::setStore(store);
        server = std::make_unique<ScriptedServer>();
        store->put(lumaro, QStringLiteral("server_url"), server->baseUrl().toUtf8());
    }

    void cleanup()
    {
        KeychainHelper::setStore(nullptr);
        server.reset();
    }

    void startWithoutTokenShowsSignInAndSendsNothing()
    {
        const auto vm = create();
        QVERIFY(!vm->isAuthenticated());
        QVERIFY(!vm->user());
        QVERIFY(!vm->error());
        QCOMPARE(vm->serverURL(), server->baseUrl());
        QTest::qWait(50);
        QCOMPARE(server->requests().size(), 0);
    }

    void startWithNothingStoredUsesDefaultAddress()
    {
        store->clear();
        const auto vm = create();
        QCOMPARE(vm->serverURL(), APIClient::defaultServerURL());
    }

    void startWithRejectedTokenFallsBackSilently()
    {
        storeToken("stale");
        server->enqueue(401, R"({"detail":"Could not validate credentials"})");
        const auto vm = create();
        QVERIFY(vm->isAuthenticated());  // the first frame is the device list
        QTRY_VERIFY(!vm->isAuthenticated());
        QVERIFY(!vm->error());
        QVERIFY(!storedToken());
        QCOMPARE(server->requests().first().target, QByteArray("/api/v1/auth/me"));
    }

    void startWithUnreachableServiceKeepsToken()
    {
        storeToken("kept");
        store->put(lumaro, QStringLiteral("server_url"), "http://127.0.0.1:1");
        const auto vm = create();
        QVERIFY(vm->isAuthenticated());
        QTRY_VERIFY(!vm->isAuthenticated());
        QVERIFY(!vm->error());
        QCOMPARE(storedToken(), QByteArray("kept"));
    }

    void startWithValidTokenFetchesAccount()
    {
        storeToken("good");
        server->enqueue(200, userBody);
        const auto vm = create();
        QVERIFY(vm->isAuthenticated());
        QTRY_VERIFY(vm->user().has_value());
        QCOMPARE(vm->user()->name, QStringLiteral("Pat"));
        QVERIFY(vm->isAuthenticated());
    }

    void refusedSignInShowsServiceText()
    {
        const auto vm = create();
        server->enqueue(400, R"({"detail":"Incorrect email or password"})");
        QCoro::waitFor(vm->login(QStringLiteral("p@example.com"), QStringLiteral("nope")));
        QCOMPARE(vm->error(), std::optional<QString>(QStringLiteral("Incorrect email or password")));
        QVERIFY(!vm->isLoading());
        QVERIFY(!vm->isAuthenticated());
    }

    void loadingWhileSignInRunsThenSignedIn()
    {
        const auto vm = create();
        ScriptedServer::Response held;
        held.body = tokenBody;
        held.action = ScriptedServer::Response::Action::Hold;
        server->enqueue(held);
        server->enqueue(200, userBody);
        auto task = vm->login(QStringLiteral("p@example.com"), QStringLiteral("pw"));
        QTRY_COMPARE(server->heldCount(), 1);
        QVERIFY(vm->isLoading());
        QVERIFY(!vm->canSubmit(QStringLiteral("p@example.com"), QStringLiteral("pw")));
        QVERIFY(server->releaseHeld());
        QCoro::waitFor(std::move(task));
        QVERIFY(vm->isAuthenticated());
        QVERIFY(!vm->isLoading());
        QCOMPARE(vm->user()->email, QStringLiteral("p@example.com"));
        QCOMPARE(storedToken(), QByteArray("tok-new"));
    }

    void accountFetchFailingKeepsTokenAndSignedOut()
    {
        const auto vm = create();
        server->enqueue(200, tokenBody);
        server->enqueue(500, "<html>oops</html>");
        QCoro::waitFor(vm->login(QStringLiteral("p@example.com"), QStringLiteral("pw")));
        QCOMPARE(vm->error(), std::optional<QString>(QStringLiteral("Server error: 500")));
        QVERIFY(!vm->isAuthenticated());
        QCOMPARE(storedToken(), QByteArray("tok-new"));
    }

    void nextAttemptClearsError()
    {
        const auto vm = create();
        server->enqueue(400, R"({"detail":"first"})");
        QCoro::waitFor(vm->login(QStringLiteral("a"), QStringLiteral("b")));
        QVERIFY(vm->error());
        QSignalSpy errors(vm.get(), &AuthViewModel::errorChanged);
        server->enqueue(200, tokenBody);
        server->enqueue(200, userBody);
        QCoro::waitFor(vm->login(QStringLiteral("a"), QStringLiteral("b")));
        QVERIFY(!vm->error());
        QCOMPARE(errors.count(), 1);
    }

    void signUpSendsEmptyNameLast()
    {
        const auto vm = create();
        server->enqueue(200, tokenBody);
        server->enqueue(200, userBody);
        QCoro::waitFor(vm->registerAccount(QString(), QStringLiteral("p@example.com"), QStringLiteral("pw")));
        QVERIFY(vm->isAuthenticated());
        const auto& sent = server->requests().first();
        QCOMPARE(sent.target, QByteArray("/api/v1/auth/register"));
        QCOMPARE(sent.body, QByteArray(R"({"email":"p@example.com","password":"pw","name":""})"));
    }

    void signOutIsImmediateAndKeepsError()
    {
        storeToken("good");
        server->enqueue(200, userBody);
        const auto vm = create();
        QTRY_VERIFY(vm->user().has_value());
        server->enqueue(400, R"({"detail":"earlier"})");
        QCoro::waitFor(vm->login(QStringLiteral("a"), QStringLiteral("b")));
        vm->logout();
        QVERIFY(!vm->isAuthenticated());
        QVERIFY(!vm->user());
        QCOMPARE(vm->error(), std::optional<QString>(QStringLiteral("earlier")));
        QTRY_VERIFY(!storedToken());
        const int sent = server->requests().size();
        QTest::qWait(20);
        QCOMPARE(server->requests().size(), sent);  // the service is not told
    }

    void addressIsStoredOnlyWhenSaved()
    {
        const auto vm = create();
        vm->setServerURL(QStringLiteral(" https://edited.example/ "));
        QTest::qWait(20);
        QCOMPARE(store->value(lumaro, QStringLiteral("server_url")), server->baseUrl().toUtf8());
        vm->saveServerURL();
        QTRY_COMPARE(store->value(lumaro, QStringLiteral("server_url")),
                     std::optional<QByteArray>(" https://edited.example/ "));
    }

    void submitRule_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("both") << "a@b" << "pw" << true;
        QTest::newRow("no email") << "" << "pw" << false;
        QTest::newRow("no password") << "a@b" << "" << false;
        QTest::newRow("blanks count") << " " << " " << true;
    }

    void submitRule()
    {
        QFETCH(QString, email);
        QFETCH(QString, password);
        QFETCH(bool, enabled);
        const auto vm = create();
        QCOMPARE(vm->canSubmit(email, password), enabled);
    }
};

QTEST_GUILESS_MAIN(SessionModelTest)
#include "tst_session.moc"
