// HTTPS with a certificate made for the test: a client that trusts it is served, one that does not gets nothing.
#include "LiveService.h"

#include <QTemporaryDir>
#include <QtTest>

class TlsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        certificate = folder.filePath("cert.pem");
        key = folder.filePath("key.pem");
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::ForwardedChannels);
        openssl.start("openssl", { "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                   "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                                   "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", certificate });
        QVERIFY(openssl.waitForFinished(20000));
        QCOMPARE(openssl.exitCode(), 0);
    }

    void aClientThatTrustsTheCertificateIsServed()
    {
        LiveService service({ "--db", ":memory:", "--cert", certificate, "--key", key });
        QVERIFY2(service.start(), qPrintable(service.error()));
        QVERIFY(service.baseUrl().starts_with("https://127.0.0.1:"));

        httplib::Client client(service.baseUrl());
        client.set_ca_cert_path(certificate.toStdString());
        client.enable_server_certificate_verification(true);
        const auto signedUp = client.Post("/api/v1/auth/register",
                                          R"({"email":"tls@example.com","password":"pw","name":"T"})", "application/json");
        QVERIFY2(signedUp, httplib::to_string(signedUp.error()).c_str());
        QCOMPARE(signedUp->status, 200);
        const std::string token = json::parse(signedUp->body)["access_token"].get<std::string>();
        const auto me = client.Get("/api/v1/auth/me", { { "Authorization", "Bearer " + token } });
        QVERIFY(me);
        QCOMPARE(json::parse(me->body)["email"], json("tls@example.com"));
    }

    void aClientThatDoesNotTrustItGetsNoAnswer()
    {
        LiveService service({ "--db", ":memory:", "--cert", certificate, "--key", key });
        QVERIFY2(service.start(), qPrintable(service.error()));
        httplib::Client client(service.baseUrl());
        client.enable_server_certificate_verification(true);
        const auto result = client.Get("/api/v1/auth/me");
        QVERIFY(!result);
        QCOMPARE(result.error(), httplib::Error::SSLServerVerification);
    }

    void aMissingCertificateStopsTheStart()
    {
        LiveService service({ "--db", ":memory:", "--cert", folder.filePath("none.pem"), "--key", key });
        QVERIFY(!service.start());
        QCOMPARE(service.stop(), 1);
    }

private:
    QTemporaryDir folder;
    QString certificate;
    QString key;
};

QTEST_GUILESS_MAIN(TlsTest)
#include "tst_service_tls.moc"
