// Accounts end to end: APIClient against the real lumaro-service, with the
// token in the real Secret Service of the private test session.

#include "APIClient.h"
#include "KeychainHelper.h"
#include "ServiceProcess.h"
#include "TaskResult.h"
#include "TestKeyring.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>

namespace {

const QString currentService = QString::fromLatin1(KeychainHelper::service);
const QString legacyService = QString::fromLatin1(KeychainHelper::legacyService);
const QString tokenKey = QStringLiteral("auth_token");
const QString urlKey = QStringLiteral("server_url");
const QString password = QStringLiteral("correct horse");
const QString none = QStringLiteral("<none>");

APIClient& client()
{
    return APIClient::shared();
}

QString freshEmail()
{
    return QStringLiteral("parent-%1@example.com").arg(QUuid::createUuid().toString(QUuid::Id128).left(12));
}

// The token as the console reads it, legacy fall-back included.
QString storedToken()
{
    const auto read = runTask(KeychainHelper::get(tokenKey));
    return read.succeeded() && *read.value ? **read.value : none;
}

// The keyring item as another program sees it, through libsecret's own tool
// and QtKeychain's attributes ("server" is the service, "user" the key).
// Empty optional when the tool is not installed.
std::optional<QString> secretToolLookup(const QString& service, const QString& key)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("secret-tool"));
    if (tool.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(tool, {QStringLiteral("lookup"), QStringLiteral("server"), service, QStringLiteral("user"), key});
    process.waitForFinished(10000);
    const QString out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return out.isEmpty() ? none : out;
}

// One running service for the whole class; a clean keyring for each test.
class Session
{
protected:
    bool startService()
    {
        if (!service.start()) {
            qWarning("%s", qPrintable(service.errorString()));
            return false;
        }
        return true;
    }

    void cleanKeyring()
    {
        TestKeyring::clear();
        runTask(KeychainHelper::save(urlKey, service.baseUrl()));
    }

    ServiceProcess service;
};

}  // namespace

// ---------------------------------------------------------------------------
class SignUpAndSignIn : public QObject, Session
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startService()); }
    void init() { cleanKeyring(); }
    void cleanupTestCase() { TestKeyring::clear(); }

    void signUpStoresTheTokenInTheKeyring()
    {
        const auto signedUp = runTask(client().registerAccount(QStringLiteral("Ann"), freshEmail(), password));
        QVERIFY2(signedUp.succeeded(), qPrintable(signedUp.errorText()));
        const QString token = signedUp.value->accessToken;
        QVERIFY(!token.isEmpty());
        QCOMPARE(storedToken(), token);
        QVERIFY(TestKeyring::has(currentService, tokenKey));
        QVERIFY(!TestKeyring::has(legacyService, tokenKey));
        if (const auto seen = secretToolLookup(currentService, tokenKey))
            QCOMPARE(*seen, token);
    }

    void meReturnsTheAccount_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("named") << QStringLiteral("Ann Müller");
        // The name goes out as "" and the service keeps it so.
        QTest::newRow("empty name") << QString();
    }
    void meReturnsTheAccount()
    {
        QFETCH(QString, name);
        const QString email = freshEmail();
        QVERIFY(runTask(client().registerAccount(name, email, password)).succeeded());

        const auto account = runTask(client().me());
        QVERIFY2(account.succeeded(), qPrintable(account.errorText()));
        QVERIFY(!account.value->id.isEmpty());
        QCOMPARE(account.value->email, email);
        QCOMPARE(account.value->name, name);
    }

    void signInReplacesTheToken()
    {
        const QString email = freshEmail();
        const auto signedUp = runTask(client().registerAccount(QStringLiteral("Ann"), email, password));
        QVERIFY(signedUp.succeeded());

        const auto signedIn = runTask(client().login(email, password));
        QVERIFY2(signedIn.succeeded(), qPrintable(signedIn.errorText()));
        QVERIFY(signedIn.value->accessToken != signedUp.value->accessToken);
        QCOMPARE(storedToken(), signedIn.value->accessToken);
        QVERIFY(runTask(client().me()).succeeded());
    }

    void logoutDeletesTheToken()
    {
        QVERIFY(runTask(client().registerAccount(QStringLiteral("Ann"), freshEmail(), password)).succeeded());
        QVERIFY(runTask(client().logout()).succeeded());

        QCOMPARE(storedToken(), none);
        QVERIFY(!TestKeyring::has(currentService, tokenKey));
        if (const auto seen = secretToolLookup(currentService, tokenKey))
            QCOMPARE(*seen, none);
        // Without a token the service refuses, and the text says so.
        QCOMPARE(runTask(client().me()).errorText(), QStringLiteral("Session expired, please sign in again"));
    }

    void refusedSignIn_data()
    {
        QTest::addColumn<bool>("knownEmail");
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("wrong password") << true << false;
        QTest::newRow("wrong password, earlier session") << true << true;
        QTest::newRow("unknown e-mail") << false << false;
    }
    void refusedSignIn()
    {
        QFETCH(bool, knownEmail);
        QFETCH(bool, signedIn);
        const QString email = freshEmail();
        QVERIFY(runTask(client().registerAccount(QStringLiteral("Ann"), email, password)).succeeded());
        const QString earlier = storedToken();
        if (!signedIn)
            QVERIFY(runTask(client().logout()).succeeded());

        const auto refused = runTask(client().login(knownEmail ? email : freshEmail(), QStringLiteral("wrong")));
        QVERIFY(refused.failedWith<APIError>());
        QCOMPARE(refused.errorText(), QStringLiteral("Incorrect email or password"));
        // Nothing new is kept; an earlier session survives and still works.
        QCOMPARE(storedToken(), signedIn ? earlier : none);
        if (signedIn)
            QVERIFY(runTask(client().me()).succeeded());
    }

    void signUpWithATakenEmail()
    {
        const QString email = freshEmail();
        const auto first = runTask(client().registerAccount(QStringLiteral("Ann"), email, password));
        QVERIFY(first.succeeded());

        const auto second = runTask(client().registerAccount(QStringLiteral("Bob"), email, QStringLiteral("other")));
        QVERIFY(second.failedWith<APIError>());
        QCOMPARE(second.errorText(), QStringLiteral("Email already registered"));
        QCOMPARE(storedToken(), first.value->accessToken);
    }

    void unknownTokenEndsTheSession()
    {
        runTask(KeychainHelper::save(tokenKey, QStringLiteral("not-a-token-the-service-issued")));
        const auto refused = runTask(client().me());
        QCOMPARE(refused.errorText(), QStringLiteral("Session expired, please sign in again"));
        QCOMPARE(storedToken(), none);
    }
};

// ---------------------------------------------------------------------------
// Entries of the earlier product, kept under "com.wendle.control".
class LegacyEntries : public QObject, Session
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startService()); }
    void init() { cleanKeyring(); }
    void cleanupTestCase() { TestKeyring::clear(); }

    void legacyTokenIsCopiedOnceAndSignOutIsFinal()
    {
        const QString email = freshEmail();
        const QString token = service.registerAccount(email, password, QStringLiteral("Ann"));
        QVERIFY(!token.isEmpty());
        TestKeyring::put(legacyService, tokenKey, token);
        QVERIFY(!TestKeyring::has(currentService, tokenKey));

        const auto account = runTask(client().me());
        QVERIFY2(account.succeeded(), qPrintable(account.errorText()));
        QCOMPARE(account.value->email, email);
        QVERIFY(TestKeyring::has(currentService, tokenKey));
        if (const auto seen = secretToolLookup(currentService, tokenKey))
            QCOMPARE(*seen, token);

        // Once copied, the current entry rules: the legacy one is not read again.
        TestKeyring::put(legacyService, tokenKey, QStringLiteral("changed-later"));
        QCOMPARE(storedToken(), token);
        QVERIFY(runTask(client().me()).succeeded());

        QVERIFY(runTask(client().logout()).succeeded());
        QCOMPARE(storedToken(), none);
        QVERIFY(!TestKeyring::has(legacyService, tokenKey));
        QCOMPARE(runTask(client().me()).errorText(), QStringLiteral("Session expired, please sign in again"));
    }

    void legacyAddressIsUsed()
    {
        TestKeyring::clear();
        TestKeyring::put(legacyService, urlKey, service.baseUrl());
        const QString email = freshEmail();
        const auto signedUp = runTask(client().registerAccount(QStringLiteral("Ann"), email, password));
        QVERIFY2(signedUp.succeeded(), qPrintable(signedUp.errorText()));
        QVERIFY(TestKeyring::has(currentService, urlKey));
        QCOMPARE(runTask(client().me()).value.value_or(User{}).email, email);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        SignUpAndSignIn test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        LegacyEntries test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_accounts.moc"
