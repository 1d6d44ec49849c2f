// The request routine of APIClient against a scripted loopback server: what
// goes out (method, target, headers, body), what each kind of answer turns
// into, where the address comes from, the answer size bound, cancellation and
// concurrent answers.

#include "APIClient.h"
#include "KeychainHelper.h"
#include "MemoryCredentialStore.h"
#include "ScriptedServer.h"
#include "TaskResult.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <functional>
#include <memory>

namespace {

const QString currentService = QString::fromLatin1(KeychainHelper::service);
const QString legacyService = QString::fromLatin1(KeychainHelper::legacyService);
const QString tokenKey = QStringLiteral("auth_token");
const QString urlKey = QStringLiteral("server_url");

const QByteArray userJson = R"({"id":"u1","email":"ann@example.com","name":"Ann"})";
const User user{QStringLiteral("u1"), QStringLiteral("ann@example.com"), QStringLiteral("Ann")};

APIClient& client()
{
    return APIClient::shared();
}

template <class T>
QCoro::Task<void> discard(QCoro::Task<T> task)
{
    co_await task;
}

// The failure's kind as a word, so table rows read like the failure table.
template <class T>
QString failureKind(const TaskResult<T>& result)
{
    if (!result.finished)
        return QStringLiteral("unfinished");
    if (!result.error)
        return QStringLiteral("success");
    try {
        std::rethrow_exception(result.error);
    } catch (const APIError& e) {
        switch (e.kind()) {
        case APIError::Kind::httpError: return QStringLiteral("httpError");
        case APIError::Kind::server: return QStringLiteral("server");
        case APIError::Kind::invalidURL: return QStringLiteral("invalidURL");
        case APIError::Kind::invalidResponse: return QStringLiteral("invalidResponse");
        case APIError::Kind::unauthorized: return QStringLiteral("unauthorized");
        }
    } catch (const TransportError&) {
        return QStringLiteral("transport");
    } catch (const DecodingError&) {
        return QStringLiteral("decoding");
    } catch (const EncodingError&) {
        return QStringLiteral("encoding");
    } catch (const LumaroError&) {
        return QStringLiteral("client");
    } catch (...) {
    }
    return QStringLiteral("foreign");
}

ScriptedServer::Response answer(int status, const QByteArray& body)
{
    ScriptedServer::Response response;
    response.status = status;
    response.body = body;
    return response;
}

ScriptedServer::Response held(int status, const QByteArray& body)
{
    ScriptedServer::Response response = answer(status, body);
    response.action = ScriptedServer::Response::Action::Hold;
    return response;
}

// A User answer of exactly `size` bytes, its name padded out.
constexpr QByteArrayView userHead = "{\"id\":\"u1\",\"email\":\"a@b.c\",\"name\":\"";
constexpr QByteArrayView userTail = "\"}";
QByteArray userOfSize(qint64 size)
{
    return userHead.toByteArray() + QByteArray(size - userHead.size() - userTail.size(), 'x')
           + userTail.toByteArray();
}

// A loopback port with nothing listening on it.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// What Qt itself says when a plain GET of `url` fails.
QString qtErrorText(const QString& url)
{
    QNetworkAccessManager network;
    std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(url))));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    finished.wait(10000);
    return reply->errorString();
}

// A fresh scripted server and an in-memory store pointing at it, per test.
class Fixture
{
protected:
    void setUpFixture()
    {
        server = std::make_unique<ScriptedServer>();
        store = std::make_shared<MemoryCredentialStore>();
        KeychainHelper::setStore(store);
        store->put(currentService, urlKey, server->baseUrl().toUtf8());
    }

    void tearDownFixture()
    {
        server.reset();
        KeychainHelper::setStore(std::make_shared<MemoryCredentialStore>());
        store.reset();
    }

    void storeToken(const QString& token) { store->put(currentService, tokenKey, token.toUtf8()); }
    QByteArray storedToken() const { return store->value(currentService, tokenKey).value_or("<none>"); }

    std::unique_ptr<ScriptedServer> server;
    std::shared_ptr<MemoryCredentialStore> store;
};

}  // namespace

// ---------------------------------------------------------------------------
// Every kind of outcome, with the text the parent reads.
class FailureTable : public QObject, Fixture
{
    Q_OBJECT

private slots:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    void unparseableAddressSendsNothing_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("unclosed IPv6 bracket") << QStringLiteral("http://[::1");
        QTest::newRow("space in the address") << QStringLiteral("%1/a b");
        QTest::newRow("port out of range") << QStringLiteral("http://127.0.0.1:99999");
        QTest::newRow("bad percent escape") << QStringLiteral("%1/%zz");
    }
    void unparseableAddressSendsNothing()
    {
        QFETCH(QString, address);
        if (address.contains(QLatin1String("%1")))
            address = address.arg(server->baseUrl());
        store->put(currentService, urlKey, address.toUtf8());
        storeToken(QStringLiteral("tok"));

        const auto result = runTask(client().me());
        QCOMPARE(failureKind(result), QStringLiteral("invalidURL"));
        QCOMPARE(result.errorText(), QStringLiteral("Invalid URL"));
        QTest::qWait(50);
        QCOMPARE(server->requests().size(), 0);
    }

    void idThatMakesNoURL()
    {
        storeToken(QStringLiteral("tok"));
        const auto result = runTask(client().getDevice(QStringLiteral("a b")));
        QCOMPARE(result.errorText(), QStringLiteral("Invalid URL"));
        QCOMPARE(server->requests().size(), 0);
    }

    void refusedConnectionPassesQtsText()
    {
        const QString address = QStringLiteral("http://127.0.0.1:%1").arg(closedPort());
        store->put(currentService, urlKey, address.toUtf8());

        const auto result = runTask(client().me());
        QCOMPARE(failureKind(result), QStringLiteral("transport"));
        QVERIFY(!result.errorText().isEmpty());
        QCOMPARE(result.errorText(), qtErrorText(address + QStringLiteral("/api/v1/auth/me")));
    }

    void brokenAnswerIsATransportFailure_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("reset in the middle of the body") << int(ScriptedServer::Response::Action::ResetMidBody);
        QTest::newRow("closed without an answer") << int(ScriptedServer::Response::Action::Close);
    }
    void brokenAnswerIsATransportFailure()
    {
        QFETCH(int, action);
        // Qt resends a request whose connection closed before any answer, so
        // every attempt gets the same treatment.
        server->setHandler([action](const ScriptedServer::Request&) {
            ScriptedServer::Response response = answer(200, userJson);
            response.action = ScriptedServer::Response::Action(action);
            return response;
        });
        const auto result = runTask(client().me());
        QCOMPARE(failureKind(result), QStringLiteral("transport"));
        QVERIFY(!result.errorText().isEmpty());
    }

    void unauthorizedEndsTheSession_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("service detail") << QByteArray(R"({"detail":"Could not validate credentials"})");
        QTest::newRow("empty body") << QByteArray();
        QTest::newRow("HTML page") << QByteArray("<html><body>401</body></html>");
    }
    void unauthorizedEndsTheSession()
    {
        QFETCH(QByteArray, body);
        storeToken(QStringLiteral("expired"));
        // A legacy copy must not bring the expired session back either.
        store->put(legacyService, tokenKey, "expired");
        server->enqueue(401, body);

        const auto result = runTask(client().me());
        QCOMPARE(failureKind(result), QStringLiteral("unauthorized"));
        QCOMPARE(result.errorText(), QStringLiteral("Session expired, please sign in again"));
        QVERIFY(!store->contains(currentService, tokenKey));
        const auto after = runTask(KeychainHelper::get(tokenKey));
        QVERIFY(after.succeeded());
        QCOMPARE(after.value->value_or(QStringLiteral("<none>")), QStringLiteral("<none>"));
    }

    void unauthorizedWithoutAStoredToken()
    {
        server->enqueue(401, R"({"detail":"Not authenticated"})");
        const auto result = runTask(client().listDevices());
        QCOMPARE(server->requests().size(), 1);
        QVERIFY(!server->requests().first().headers.contains("authorization"));
        QCOMPARE(result.errorText(), QStringLiteral("Session expired, please sign in again"));
    }

    // A refused sign-in is wrong credentials, not an expired session: the
    // service's own text is shown and a stored token survives.
    void refusedSignInKeepsTheToken_data()
    {
        QTest::addColumn<bool>("signUp");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kind");
        QTest::newRow("sign-in, service detail")
            << false << QByteArray(R"({"detail":"Incorrect email or password"})")
            << QStringLiteral("Incorrect email or password") << QStringLiteral("server");
        QTest::newRow("sign-in, no detail") << false << QByteArray() << QStringLiteral("Server error: 401")
                                            << QStringLiteral("httpError");
        QTest::newRow("sign-up, service detail") << true << QByteArray(R"({"detail":"Sign-up is closed"})")
                                                 << QStringLiteral("Sign-up is closed") << QStringLiteral("server");
    }
    void refusedSignInKeepsTheToken()
    {
        QFETCH(bool, signUp);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QFETCH(QString, kind);
        storeToken(QStringLiteral("earlier-session"));
        server->enqueue(401, body);

        const auto result =
            signUp ? runTask(discard(client().registerAccount(QStringLiteral("Ann"), QStringLiteral("a@b.c"),
                                                              QStringLiteral("pw"))))
                   : runTask(discard(client().login(QStringLiteral("a@b.c"), QStringLiteral("wrong"))));
        QCOMPARE(failureKind(result), kind);
        QCOMPARE(result.errorText(), text);
        QCOMPARE(storedToken(), QByteArray("earlier-session"));
    }

    void everySuccessStatusDecodes_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("200") << 200;
        QTest::newRow("201") << 201;
        QTest::newRow("202") << 202;
        QTest::newRow("299") << 299;
    }
    void everySuccessStatusDecodes()
    {
        QFETCH(int, status);
        storeToken(QStringLiteral("tok"));
        server->enqueue(status, userJson);
        const auto result = runTask(client().me());
        QVERIFY2(result.succeeded(), qPrintable(result.errorText()));
        QCOMPARE(*result.value, user);
        QCOMPARE(storedToken(), QByteArray("tok"));
    }

    void undecodableSuccessFails_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << 200 << QByteArray();
        QTest::newRow("not JSON") << 200 << QByteArray("hello");
        QTest::newRow("HTML page") << 200 << QByteArray("<html></html>");
        QTest::newRow("list instead of object") << 200 << QByteArray("[]");
        QTest::newRow("missing name") << 200 << QByteArray(R"({"id":"u1","email":"ann@example.com"})");
        QTest::newRow("204 no content") << 204 << QByteArray();
        QTest::newRow("truncated JSON") << 201 << QByteArray(R"({"id":"u1","email")");
    }
    void undecodableSuccessFails()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        server->enqueue(status, body);
        const auto result = runTask(client().me());
        QCOMPARE(failureKind(result), QStringLiteral("decoding"));
        QVERIFY(!result.errorText().isEmpty());
    }

    // A delete's acknowledgement must decode too: no JSON, no success.
    void deleteAnswers_data()
    {
        QTest::addColumn<bool>("activity");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("kind");
        QTest::newRow("device, acknowledged") << false << 200 << QByteArray(R"({"ok":true})")
                                              << QStringLiteral("success");
        QTest::newRow("device, 204") << false << 204 << QByteArray() << QStringLiteral("decoding");
        QTest::newRow("device, 200 empty") << false << 200 << QByteArray() << QStringLiteral("decoding");
        QTest::newRow("activity, acknowledged") << true << 200 << QByteArray(R"({"ok":true})")
                                                << QStringLiteral("success");
        QTest::newRow("activity, 204") << true << 204 << QByteArray() << QStringLiteral("decoding");
    }
    void deleteAnswers()
    {
        QFETCH(bool, activity);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, kind);
        server->enqueue(status, body);
        const auto result = activity
                                ? runTask(client().deleteActivity(QStringLiteral("d1"), QStringLiteral("a1")))
                                : runTask(client().deleteDevice(QStringLiteral("d1")));
        QCOMPARE(failureKind(result), kind);
    }

    void failingStatusTexts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("400 detail") << 400 << QByteArray(R"({"detail":"x"})") << QStringLiteral("server")
                                    << QStringLiteral("x");
        QTest::newRow("403 detail and other keys")
            << 403 << QByteArray(R"({"code":7,"detail":"Not yours"})") << QStringLiteral("server")
            << QStringLiteral("Not yours");
        QTest::newRow("409 empty detail") << 409 << QByteArray(R"({"detail":""})") << QStringLiteral("server")
                                          << QString();
        QTest::newRow("400 non-ASCII detail")
            << 400 << QByteArray(R"({"detail":"Zu lang: \u00fcber 240 \u2013 bitte k\u00fcrzen"})")
            << QStringLiteral("server") << QStringLiteral("Zu lang: über 240 – bitte kürzen");
        QTest::newRow("422 list detail")
            << 422
            << QByteArray(
                   R"({"detail":[{"loc":["body","email"],"msg":"field required","type":"value_error.missing"}]})")
            << QStringLiteral("httpError") << QStringLiteral("Server error: 422");
        QTest::newRow("500 HTML") << 500 << QByteArray("<html><h1>Internal Server Error</h1></html>")
                                  << QStringLiteral("httpError") << QStringLiteral("Server error: 500");
        QTest::newRow("503 empty") << 503 << QByteArray() << QStringLiteral("httpError")
                                   << QStringLiteral("Server error: 503");
        QTest::newRow("400 number detail") << 400 << QByteArray(R"({"detail":5})") << QStringLiteral("httpError")
                                           << QStringLiteral("Server error: 400");
        QTest::newRow("404 null detail") << 404 << QByteArray(R"({"detail":null})") << QStringLiteral("httpError")
                                         << QStringLiteral("Server error: 404");
        // Qt reports these statuses as errors of its own protocol and proxy
        // groups; they are answers all the same.
        QTest::newRow("405 detail") << 405 << QByteArray(R"({"detail":"Method Not Allowed"})")
                                    << QStringLiteral("server") << QStringLiteral("Method Not Allowed");
        QTest::newRow("407 detail") << 407 << QByteArray(R"({"detail":"Proxy says no"})") << QStringLiteral("server")
                                    << QStringLiteral("Proxy says no");
        QTest::newRow("418 detail") << 418 << QByteArray(R"({"detail":"teapot"})") << QStringLiteral("server")
                                    << QStringLiteral("teapot");
        QTest::newRow("418 no detail") << 418 << QByteArray(R"({"message":"x"})") << QStringLiteral("httpError")
                                       << QStringLiteral("Server error: 418");
        QTest::newRow("502 list body") << 502 << QByteArray(R"(["detail"])") << QStringLiteral("httpError")
                                       << QStringLiteral("Server error: 502");
    }
    void failingStatusTexts()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        storeToken(QStringLiteral("tok"));
        server->enqueue(status, body);
        const auto result = runTask(client().me());
        QCOMPARE(failureKind(result), kind);
        QCOMPARE(result.errorText(), text);
        // Only a 401 ends the session.
        QCOMPARE(storedToken(), QByteArray("tok"));
    }

    void httpErrorCarriesTheStatus()
    {
        server->enqueue(503, "");
        const auto result = runTask(client().me());
        try {
            std::rethrow_exception(result.error);
        } catch (const APIError& e) {
            QCOMPARE(e.statusCode(), qint64(503));
            return;
        } catch (...) {
        }
        QFAIL("not an APIError");
    }
};

// ---------------------------------------------------------------------------
// What each operation sends: method, target, headers and body.
class RequestShape : public QObject, Fixture
{
    Q_OBJECT

    struct Call
    {
        QByteArray method;
        QByteArray target;
        QByteArray body;  // empty: the request carries no body
        bool auth;
        std::function<QCoro::Task<void>()> run;
    };

    static const QList<std::pair<const char*, Call>>& calls()
    {
        static const QList<std::pair<const char*, Call>> table = [] {
            QList<std::pair<const char*, Call>> t;
            const QString d1 = QStringLiteral("d1");
            t.append({"registerAccount",
                      {"POST", "/api/v1/auth/register",
                       R"({"email":"ann@example.com","password":"pw","name":"Ann"})", false, [] {
                           return discard(client().registerAccount(QStringLiteral("Ann"),
                                                                   QStringLiteral("ann@example.com"),
                                                                   QStringLiteral("pw")));
                       }}});
            t.append({"registerAccount, empty name",
                      {"POST", "/api/v1/auth/register", R"({"email":"ann@example.com","password":"pw","name":""})",
                       false, [] {
                           return discard(client().registerAccount(QString(), QStringLiteral("ann@example.com"),
                                                                   QStringLiteral("pw")));
                       }}});
            t.append({"login",
                      {"POST", "/api/v1/auth/login", R"({"email":"ann@example.com","password":"pw"})", false, [] {
                           return discard(client().login(QStringLiteral("ann@example.com"), QStringLiteral("pw")));
                       }}});
            t.append({"me", {"GET", "/api/v1/auth/me", {}, true, [] { return discard(client().me()); }}});
            t.append({"listDevices",
                      {"GET", "/api/v1/devices", {}, true, [] { return discard(client().listDevices()); }}});
            t.append({"getDevice", {"GET", "/api/v1/devices/d1", {}, true, [d1] {
                                        return discard(client().getDevice(d1));
                                    }}});
            t.append({"createDevice",
                      {"POST", "/api/v1/devices", R"({"name":"Mac","child_name":"Alex"})", true, [] {
                           return discard(client().createDevice(QStringLiteral("Mac"), QStringLiteral("Alex")));
                       }}});
            t.append({"updateDevice", {"PATCH", "/api/v1/devices/d1", R"({"name":"New"})", true, [d1] {
                                           return discard(
                                               client().updateDevice(d1, DeviceUpdateRequest{QStringLiteral("New"), {}}));
                                       }}});
            t.append({"deleteDevice",
                      {"DELETE", "/api/v1/devices/d1", {}, true, [d1] { return client().deleteDevice(d1); }}});
            t.append({"getPolicy", {"GET", "/api/v1/devices/d1/policy", {}, true, [d1] {
                                        return discard(client().getPolicy(d1));
                                    }}});
            t.append({"updatePolicy",
                      {"PUT", "/api/v1/devices/d1/policy", R"({"screen_time_limit_minutes":90})", true, [d1] {
                           PolicyUpdate update;
                           update.screenTimeLimitMinutes = 90;
                           return discard(client().updatePolicy(d1, update));
                       }}});
            t.append({"listActivities", {"GET", "/api/v1/devices/d1/activities", {}, true, [d1] {
                                             return discard(client().listActivities(d1));
                                         }}});
            t.append({"createActivity",
                      {"POST", "/api/v1/devices/d1/activities",
                       R"({"name":"Piano","enabled":true,"day_of_week":0,"start_time":"16:00","end_time":"17:00",)"
                       R"("buffer_before_minutes":5,"buffer_after_minutes":10})",
                       true, [d1] {
                           const ActivityCreate activity{QStringLiteral("Piano"), 0, QStringLiteral("16:00"),
                                                         QStringLiteral("17:00"), 5, 10, true};
                           return discard(client().createActivity(d1, activity));
                       }}});
            t.append({"updateActivity",
                      {"PUT", "/api/v1/devices/d1/activities/a1", R"({"enabled":false})", true, [d1] {
                           ActivityUpdate update;
                           update.enabled = false;
                           return discard(client().updateActivity(d1, QStringLiteral("a1"), update));
                       }}});
            t.append({"deleteActivity", {"DELETE", "/api/v1/devices/d1/activities/a1", {}, true, [d1] {
                                             return client().deleteActivity(d1, QStringLiteral("a1"));
                                         }}});
            t.append({"getUsage", {"GET", "/api/v1/devices/d1/usage?days=7", {}, true, [d1] {
                                       return discard(client().getUsage(d1, 7));
                                   }}});
            t.append({"grantBonus", {"POST", "/api/v1/devices/d1/grant-bonus", R"({"minutes":15})", true, [d1] {
                                         return discard(client().grantBonus(d1, 15));
                                     }}});
            return t;
        }();
        return table;
    }

    // Sends the call and returns what the server saw (the answer does not matter).
    ScriptedServer::Request sent(const Call& call)
    {
        server->enqueue(500, "");
        const auto result = runTask(call.run());
        if (!result.finished || server->requests().size() != 1) {
            qWarning("expected exactly one request, saw %d", int(server->requests().size()));
            return {};
        }
        return server->requests().first();
    }

private slots:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    void everyOperation_data()
    {
        QTest::addColumn<int>("call");
        for (int i = 0; i < calls().size(); ++i)
            QTest::newRow(calls()[i].first) << i;
    }
    void everyOperation()
    {
        QFETCH(int, call);
        const Call& c = calls()[call].second;
        storeToken(QStringLiteral("tok-123"));

        const ScriptedServer::Request request = sent(c);
        QCOMPARE(request.method, c.method);
        QCOMPARE(request.target, c.target);
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        if (c.auth)
            QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok-123"));
        else
            QVERIFY(!request.headers.contains("authorization"));
        if (c.body.isEmpty()) {
            QVERIFY(!request.hasBody);
            QVERIFY(request.body.isEmpty());
        } else {
            QVERIFY(request.hasBody);
            QCOMPARE(request.body, c.body);
        }
    }

    void noStoredTokenNoAuthorization_data() { everyOperation_data(); }
    void noStoredTokenNoAuthorization()
    {
        QFETCH(int, call);
        const ScriptedServer::Request request = sent(calls()[call].second);
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QVERIFY(!request.headers.contains("authorization"));
    }

    // Identifiers go into the path exactly as given; only text that makes no
    // URL at all is refused (see FailureTable).
    void identifierUsedAsGiven_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("encoded slash") << QStringLiteral("a%2Fb");
        QTest::newRow("encoded space") << QStringLiteral("a%20b");
        QTest::newRow("slash") << QStringLiteral("a/b");
        QTest::newRow("query") << QStringLiteral("a?b=1");
        QTest::newRow("sub-delimiters") << QStringLiteral("~_-.!$&'()*+,;=:@");
    }
    void identifierUsedAsGiven()
    {
        QFETCH(QString, id);
        storeToken(QStringLiteral("tok"));
        server->enqueue(404, R"({"detail":"Device not found"})");
        const auto result = runTask(client().getDevice(id));
        QCOMPARE(result.errorText(), QStringLiteral("Device not found"));
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().target, QByteArray("/api/v1/devices/") + id.toUtf8());
    }

    // Address and path are joined as plain text; nothing is trimmed.
    void addressJoinedAsText_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("plain") << QString() << QByteArray("/api/v1/auth/me");
        QTest::newRow("path prefix") << QStringLiteral("/svc") << QByteArray("/svc/api/v1/auth/me");
        QTest::newRow("path prefix, trailing slash") << QStringLiteral("/svc/") << QByteArray("/svc//api/v1/auth/me");
        // Qt folds a leading "//" of the request target (it would read as an
        // authority), so this one reaches the wire single.
        QTest::newRow("trailing slash") << QStringLiteral("/") << QByteArray("/api/v1/auth/me");
    }
    void addressJoinedAsText()
    {
        QFETCH(QString, suffix);
        QFETCH(QByteArray, target);
        store->put(currentService, urlKey, (server->baseUrl() + suffix).toUtf8());
        server->enqueue(200, userJson);
        const auto result = runTask(client().me());
        QVERIFY2(result.succeeded(), qPrintable(result.errorText()));
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().target, target);
    }

    // Sign-in and sign-up store what the service issued, before they return.
    void signInStoresTheIssuedToken_data()
    {
        QTest::addColumn<bool>("signUp");
        QTest::newRow("sign-in") << false;
        QTest::newRow("sign-up") << true;
    }
    void signInStoresTheIssuedToken()
    {
        QFETCH(bool, signUp);
        storeToken(QStringLiteral("old"));
        server->enqueue(200, R"({"access_token":"n3w+/=tok","token_type":"bearer"})");
        const auto result =
            signUp ? runTask(client().registerAccount(QStringLiteral("Ann"), QStringLiteral("a@b.c"),
                                                      QStringLiteral("pw")))
                   : runTask(client().login(QStringLiteral("a@b.c"), QStringLiteral("pw")));
        QVERIFY2(result.succeeded(), qPrintable(result.errorText()));
        QCOMPARE(result.value->accessToken, QStringLiteral("n3w+/=tok"));
        QCOMPARE(result.value->tokenType, QStringLiteral("bearer"));
        QCOMPARE(storedToken(), QByteArray("n3w+/=tok"));
    }

    void signInAnswerWithoutTokenTypeStoresNothing()
    {
        server->enqueue(200, R"({"access_token":"n3w"})");
        const auto result = runTask(client().login(QStringLiteral("a@b.c"), QStringLiteral("pw")));
        QCOMPARE(failureKind(result), QStringLiteral("decoding"));
        QVERIFY(!store->contains(currentService, tokenKey));
    }

    void logoutSendsNothing()
    {
        storeToken(QStringLiteral("tok"));
        const auto result = runTask(client().logout());
        QVERIFY(result.succeeded());
        QVERIFY(!store->contains(currentService, tokenKey));
        QTest::qWait(50);
        QCOMPARE(server->requests().size(), 0);
    }

    void connectionsAreReused()
    {
        server->setHandler([](const ScriptedServer::Request&) { return answer(200, userJson); });
        for (int i = 0; i < 5; ++i)
            QVERIFY(runTask(client().me()).succeeded());
        QCOMPARE(server->requests().size(), 5);
        QCOMPARE(server->connectionCount(), 1);
    }
};

// ---------------------------------------------------------------------------
// Where the address and the token come from: the store, read afresh for
// every request, with the hosted service as the fall-back.
class ServiceAddress : public QObject, Fixture
{
    Q_OBJECT

private slots:
    void init() { setUpFixture(); }
    void cleanup()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        tearDownFixture();
    }

    void defaultIsAnHttpsHost()
    {
        const QString address = APIClient::defaultServerURL();
        const QUrl url(address, QUrl::StrictMode);
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QStringLiteral("https"));
        QVERIFY(!url.host().isEmpty());
        QVERIFY(url.path().isEmpty());
        QVERIFY(!address.endsWith(QLatin1Char('/')));
    }

    void nothingStoredUsesTheDefault()
    {
        store->clear();
        // A proxy sees where the client tries to go without any network.
        ScriptedServer proxy;
        proxy.setHandler([](const ScriptedServer::Request&) { return answer(403, {}); });
        const QUrl proxyUrl(proxy.baseUrl());
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, proxyUrl.host(), quint16(proxyUrl.port())));

        const auto result = runTask(client().me());
        QCOMPARE(failureKind(result), QStringLiteral("transport"));
        QCOMPARE(server->requests().size(), 0);
        QVERIFY(!proxy.requests().isEmpty());
        const QUrl fallback(APIClient::defaultServerURL());
        QCOMPARE(proxy.requests().first().method, QByteArray("CONNECT"));
        QCOMPARE(proxy.requests().first().target,
                 QStringLiteral("%1:%2").arg(fallback.host()).arg(fallback.port(443)).toUtf8());
    }

    void legacyAddressIsUsed()
    {
        store->clear();
        store->put(legacyService, urlKey, server->baseUrl().toUtf8());
        server->enqueue(200, userJson);
        QVERIFY(runTask(client().me()).succeeded());
        QCOMPARE(server->requests().size(), 1);
    }

    void emptyAddressIsATransportFailure()
    {
        store->put(currentService, urlKey, "");
        const auto result = runTask(client().me());
        QCOMPARE(failureKind(result), QStringLiteral("transport"));
        QCOMPARE(server->requests().size(), 0);
    }

    void addressAndTokenReadForEveryRequest()
    {
        ScriptedServer other;
        server->enqueue(200, userJson);
        other.enqueue(200, userJson);
        storeToken(QStringLiteral("first"));
        QVERIFY(runTask(client().me()).succeeded());

        store->put(currentService, urlKey, other.baseUrl().toUtf8());
        storeToken(QStringLiteral("second"));
        QVERIFY(runTask(client().me()).succeeded());

        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().header("Authorization"), QByteArray("Bearer first"));
        QCOMPARE(other.requests().size(), 1);
        QCOMPARE(other.requests().first().header("Authorization"), QByteArray("Bearer second"));
    }
};

// ---------------------------------------------------------------------------
// Answers beyond 16 MiB are refused while they arrive, not after.
class AnswerLimits : public QObject, Fixture
{
    Q_OBJECT

private slots:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    void sizeBound_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("exactly 16 MiB") << APIClient::maxAnswerBytes << true;
        QTest::newRow("one byte more") << APIClient::maxAnswerBytes + 1 << false;
    }
    void sizeBound()
    {
        QFETCH(qint64, size);
        QFETCH(bool, accepted);
        server->enqueue(200, userOfSize(size));
        const auto result = runTask(client().me(), 30000);
        QVERIFY(result.finished);
        if (accepted) {
            QVERIFY2(result.succeeded(), qPrintable(result.errorText()));
            QCOMPARE(qint64(result.value->name.size()), size - userHead.size() - userTail.size());
        } else {
            QCOMPARE(failureKind(result), QStringLiteral("client"));
            QVERIFY2(result.errorText().contains(QLatin1String("16 MiB")), qPrintable(result.errorText()));
        }
    }

    // The announced length alone is enough: the client does not wait for a
    // body it would refuse anyway.
    void announcedLengthRefusedAtOnce()
    {
        ScriptedServer::Response response = answer(200, "{");
        response.headers.insert("Content-Length", QByteArray::number(17 * 1024 * 1024));
        server->enqueue(response);
        QElapsedTimer clock;
        clock.start();
        const auto result = runTask(client().me(), 10000);
        QCOMPARE(failureKind(result), QStringLiteral("client"));
        QVERIFY2(result.errorText().contains(QLatin1String("16 MiB")), qPrintable(result.errorText()));
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    }

    // Without a length, the client stops reading once the bound is passed.
    void unannouncedStreamStopsEarly()
    {
        constexpr qint64 offered = 256LL * 1024 * 1024;
        ScriptedServer::Response response = answer(200, "[");
        response.streamBytes = offered;
        server->enqueue(response);
        QElapsedTimer clock;
        clock.start();
        const auto result = runTask(client().me(), 60000);
        QCOMPARE(failureKind(result), QStringLiteral("client"));
        // Not only once the transfer timeout has fired.
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(result.errorText().contains(QLatin1String("16 MiB")), qPrintable(result.errorText()));
        // Let the server notice the closed connection, then see how much it sent.
        QTest::qWait(200);
        QVERIFY2(server->streamedBytes() > APIClient::maxAnswerBytes, qPrintable(QString::number(server->streamedBytes())));
        QVERIFY2(server->streamedBytes() < 64LL * 1024 * 1024, qPrintable(QString::number(server->streamedBytes())));
    }
};

// ---------------------------------------------------------------------------
// Requests in flight: cancellation through a RequestScope, answers in any order.
class InFlight : public QObject, Fixture
{
    Q_OBJECT

private slots:
    void init()
    {
        setUpFixture();
        storeToken(QStringLiteral("tok"));
    }
    void cleanup() { tearDownFixture(); }

    void cancelWhileHeld()
    {
        server->setHandler([](const ScriptedServer::Request&) { return held(200, userJson); });
        RequestScope scope = RequestScope::create();
        const auto result = startTask(client().me(scope));
        QTRY_COMPARE(server->heldCount(), 1);
        QVERIFY(!result->finished);

        scope.cancel();
        QVERIFY(awaitResult(result, 1000));
        QCOMPARE(failureKind(*result), QStringLiteral("transport"));
        const QString text = result->errorText();

        // The answer that was held back arrives too late to change anything.
        QVERIFY(server->releaseHeld());
        QTest::qWait(100);
        QCOMPARE(failureKind(*result), QStringLiteral("transport"));
        QCOMPARE(result->errorText(), text);
        QVERIFY(!result->value);

        // The client itself is unharmed.
        server->setHandler([](const ScriptedServer::Request&) { return answer(200, userJson); });
        const auto next = runTask(client().me());
        QVERIFY2(next.succeeded(), qPrintable(next.errorText()));
    }

    void cancelledScopeSendsNothing()
    {
        RequestScope scope = RequestScope::create();
        scope.cancel();
        const auto result = runTask(client().me(scope));
        QCOMPARE(failureKind(result), QStringLiteral("transport"));
        QTest::qWait(50);
        QCOMPARE(server->requests().size(), 0);
    }

    void cancelTouchesOnlyItsScope()
    {
        server->setHandler([](const ScriptedServer::Request&) { return held(200, userJson); });
        RequestScope first = RequestScope::create();
        RequestScope second = RequestScope::create();
        const auto cancelled = startTask(client().me(first));
        const auto kept = startTask(client().me(second));
        QTRY_COMPARE(server->heldCount(), 2);

        first.cancel();
        QVERIFY(awaitResult(cancelled, 1000));
        QTest::qWait(50);
        QVERIFY(!kept->finished);

        server->releaseAll();
        QVERIFY(awaitResult(kept));
        QVERIFY2(kept->succeeded(), qPrintable(kept->errorText()));
    }

    void answersInAnyOrder()
    {
        server->setHandler([](const ScriptedServer::Request& request) {
            const QByteArray id = request.target.mid(request.target.lastIndexOf('/') + 1);
            return held(200, R"({"id":")" + id + R"(","name":"Mac )" + id + R"(","child_name":"Kid"})");
        });
        const auto one = startTask(client().getDevice(QStringLiteral("one")));
        const auto two = startTask(client().getDevice(QStringLiteral("two")));
        QTRY_COMPARE(server->heldCount(), 2);

        // Release the later request first.
        const QByteArray laterTarget = server->heldRequests().at(1).target;
        const auto& later = laterTarget.endsWith("/one") ? one : two;
        const auto& earlier = laterTarget.endsWith("/one") ? two : one;
        QVERIFY(server->releaseHeld(1));
        QVERIFY(awaitResult(later));
        QVERIFY(!earlier->finished);
        QVERIFY(server->releaseHeld());
        QVERIFY(awaitResult(earlier));

        QVERIFY2(one->succeeded(), qPrintable(one->errorText()));
        QVERIFY2(two->succeeded(), qPrintable(two->errorText()));
        QCOMPARE(one->value->id, QStringLiteral("one"));
        QCOMPARE(one->value->name, QStringLiteral("Mac one"));
        QCOMPARE(two->value->id, QStringLiteral("two"));
        QCOMPARE(two->value->name, QStringLiteral("Mac two"));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        FailureTable test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        RequestShape test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        ServiceAddress test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        AnswerLimits test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        InFlight test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_requestcore.moc"
