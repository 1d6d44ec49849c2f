// Sign-up, sign-in and the account behind a token, with every refusal the console shows.
#include "LiveService.h"

#include <QtTest>

class AccountsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(service.start(), qPrintable(service.error())); }

    void signUpGivesABearerTokenForTheAccount()
    {
        const Reply reply = service.post("/api/v1/auth/register", {},
                                         { { "email", "ann@example.com" }, { "password", "pw1" }, { "name", "Ann" } });
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.value["token_type"], json("bearer"));
        const std::string token = reply.value["access_token"].get<std::string>();
        QVERIFY2(token.size() >= 32, "a token carries at least 128 random bits");

        const Reply me = service.get("/api/v1/auth/me", token);
        QCOMPARE(me.status, 200);
        QCOMPARE(me.value["email"], json("ann@example.com"));
        QCOMPARE(me.value["name"], json("Ann"));
        QVERIFY(me.value["id"].is_string() && !me.value["id"].get<std::string>().empty());
    }

    void everySignInIssuesAFreshToken()
    {
        const std::string first = service.signUp("bo@example.com", "pw2");
        const json credentials = { { "email", "bo@example.com" }, { "password", "pw2" } };
        const Reply second = service.post("/api/v1/auth/login", {}, credentials);
        const Reply third = service.post("/api/v1/auth/login", {}, credentials);
        QCOMPARE(second.status, 200);
        QCOMPARE(second.value["token_type"], json("bearer"));
        const std::set<std::string> tokens = { first, second.value["access_token"].get<std::string>(),
                                               third.value["access_token"].get<std::string>() };
        QCOMPARE(tokens.size(), size_t(3));
        for (const std::string& token : tokens)
            QCOMPARE(service.get("/api/v1/auth/me", token).value["email"], json("bo@example.com"));
    }

    void anEmptyNameIsAllowed()
    {
        const Reply reply = service.post("/api/v1/auth/register", {},
                                         { { "email", "cy@example.com" }, { "password", "pw" }, { "name", "" } });
        QCOMPARE(reply.status, 200);
        QCOMPARE(service.get("/api/v1/auth/me", reply.value["access_token"]).value["name"], json(""));
    }

    void aTakenEmailIsRefused()
    {
        QVERIFY(!service.signUp("dee@example.com").empty());
        const Reply reply = service.post("/api/v1/auth/register", {},
                                         { { "email", "dee@example.com" }, { "password", "other" }, { "name", "D" } });
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.detail(), std::string("Email already registered"));
    }

    void wrongCredentialsAreRefused_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << "eve@example.com" << "not-it";
        QTest::newRow("unknown e-mail") << "nobody@example.com" << "right-one";
    }
    void wrongCredentialsAreRefused()
    {
        QFETCH(QString, email);
        QFETCH(QString, password);
        service.signUp("eve@example.com", "right-one");
        const Reply reply = service.post("/api/v1/auth/login", {},
                                         { { "email", email.toStdString() }, { "password", password.toStdString() } });
        QCOMPARE(reply.status, 401);
        QCOMPARE(reply.detail(), std::string("Incorrect email or password"));
    }

    void malformedSignUpsListTheirProblems_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("loc");
        QTest::addColumn<QString>("type");
        QTest::newRow("e-mail missing") << QByteArray(R"({"password":"p","name":"n"})") << QByteArray(R"(["body","email"])")
                                        << "value_error.missing";
        QTest::newRow("empty e-mail") << QByteArray(R"({"email":"","password":"p","name":"n"})")
                                      << QByteArray(R"(["body","email"])") << "value_error.any_str.min_length";
        QTest::newRow("empty password") << QByteArray(R"({"email":"x@y","password":"","name":"n"})")
                                        << QByteArray(R"(["body","password"])") << "value_error.any_str.min_length";
        QTest::newRow("name not text") << QByteArray(R"({"email":"x@y","password":"p","name":7})")
                                       << QByteArray(R"(["body","name"])") << "type_error.str";
        QTest::newRow("null password") << QByteArray(R"({"email":"x@y","password":null,"name":"n"})")
                                       << QByteArray(R"(["body","password"])") << "type_error.none.not_allowed";
        QTest::newRow("not an object") << QByteArray(R"(["x@y","p","n"])") << QByteArray(R"(["body"])")
                                       << "type_error.dict";
        QTest::newRow("not JSON") << QByteArray(R"({"email":)") << QByteArray(R"(["body",9])")
                                  << "value_error.jsondecode";
    }
    void malformedSignUpsListTheirProblems()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, loc);
        QFETCH(QString, type);
        const Reply reply = service.sendRaw("POST", "/api/v1/auth/register", {}, body.toStdString());
        QCOMPARE(reply.status, 422);
        const json& detail = reply.value["detail"];
        QVERIFY2(detail.is_array() && detail.size() == 1, reply.body.c_str());
        QCOMPARE(detail[0]["loc"], json::parse(loc.toStdString()));
        QCOMPARE(detail[0]["type"], json(type.toStdString()));
        QVERIFY(detail[0]["msg"].is_string());
    }

    void everyProblemOfABodyIsListed()
    {
        const Reply reply = service.post("/api/v1/auth/login", {}, json::object());
        QCOMPARE(reply.status, 422);
        QCOMPARE(reply.value["detail"].size(), size_t(2));
        QCOMPARE(reply.value["detail"][0]["msg"], json("field required"));
        QCOMPARE(reply.value["detail"][1]["loc"], json({ "body", "password" }));
    }

    void theAccountNeedsAKnownToken_data()
    {
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<QString>("detail");
        QTest::newRow("no header") << QByteArray() << "Not authenticated";
        QTest::newRow("another scheme") << QByteArray("Basic YTpi") << "Not authenticated";
        QTest::newRow("bearer without token") << QByteArray("Bearer ") << "Not authenticated";
        QTest::newRow("unknown token") << QByteArray("Bearer 0123abcd") << "Could not validate credentials";
    }
    void theAccountNeedsAKnownToken()
    {
        QFETCH(QByteArray, authorization);
        QFETCH(QString, detail);
        httplib::Client client(service.baseUrl());
        httplib::Headers headers;
        if (!authorization.isEmpty())
            headers.emplace("Authorization", authorization.toStdString());
        const auto result = client.Get("/api/v1/auth/me", headers);
        QVERIFY(result);
        QCOMPARE(result->status, 401);
        QCOMPARE(json::parse(result->body)["detail"], json(detail.toStdString()));
    }

private:
    LiveService service;
};

QTEST_GUILESS_MAIN(AccountsTest)
#include "tst_service_accounts.moc"
