// HTTPS as the console speaks it: against the real service with a certificate
// from a test authority that this process trusts, everything works; with a
// certificate it cannot trust, or one for another host, the request ends with
// the transport's TLS error before the token has left the machine.
#include "APIClient.h"
#include "KeychainHelper.h"
#include "MemoryCredentialStore.h"
#include "ServiceProcess.h"
#include "TaskResult.h"

#include <QProcess>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString service = QString::fromLatin1(KeychainHelper::service);

}  // namespace

class TlsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    std::shared_ptr<MemoryCredentialStore> store = std::make_shared<MemoryCredentialStore>();

    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

    bool openssl(const QStringList& arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("openssl"), arguments);
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }

    // A server key and certificate for `subjectAltName`, signed by `ca`.
    bool issue(const char* name, const QString& altName, const char* ca)
    {
        const QString base = path(name);
        const QString ext = base + QStringLiteral(".ext");
        QFile extFile(ext);
        if (!extFile.open(QIODevice::WriteOnly))
            return false;
        extFile.write("subjectAltName=" + altName.toUtf8() + "\nbasicConstraints=CA:FALSE\n");
        extFile.close();
        return openssl({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                        "-subj", "/CN=lumaro test server", "-keyout", base + ".key", "-out", base + ".csr"})
            && openssl({"x509", "-req", "-in", base + ".csr", "-CA", path(ca) + ".pem", "-CAkey",
                        path(ca) + ".key", "-CAcreateserial", "-days", "2", "-extfile", ext, "-out",
                        base + ".pem"});
    }

    bool makeAuthority(const char* name)
    {
        return openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                        "-days", "2", "-subj", QStringLiteral("/CN=%1").arg(QString::fromLatin1(name)),
                        "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                        "keyUsage=critical,keyCertSign,cRLSign", "-keyout", path(name) + ".key", "-out",
                        path(name) + ".pem"});
    }

    void point(const QString& baseUrl, const QString& token)
    {
        store->clear();
        store->put(service, QStringLiteral("server_url"), baseUrl.toUtf8());
        store->put(service, QStringLiteral("auth_token"), token.toUtf8());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        QVERIFY(makeAuthority("test-ca"));
        QVERIFY(makeAuthority("stranger-ca"));
        QVERIFY(issue("loopback", QStringLiteral("IP:127.0.0.1"), "test-ca"));
        QVERIFY(issue("other-host", QStringLiteral("DNS:other.example"), "test-ca"));
        QVERIFY(issue("stranger", QStringLiteral("IP:127.0.0.1"), "stranger-ca"));

        // Trusted by this process only, as a parent's system would trust a real authority.
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        const auto authority = QSslCertificate::fromPath(path("test-ca") + ".pem");
        QCOMPARE(authority.size(), 1);
        config.addCaCertificates(authority);
        QSslConfiguration::setDefaultConfiguration(config);
        KeychainHelper::setStore(store);
    }

    void cleanupTestCase() { KeychainHelper::setStore({}); }

    void trustedServiceServesEverything()
    {
        ServiceProcess https({QStringLiteral("--cert"), path("loopback") + ".pem", QStringLiteral("--key"),
                              path("loopback") + ".key"});
        QVERIFY2(https.start(), qPrintable(https.errorString()));
        QVERIFY(https.baseUrl().startsWith(QStringLiteral("https://127.0.0.1:")));
        point(https.baseUrl(), QString());

        auto& api = APIClient::shared();
        const auto signedUp = runTask(api.registerAccount(QStringLiteral("Pat"), QStringLiteral("tls@example.com"),
                                                          QStringLiteral("pw-tls")));
        QVERIFY2(signedUp.succeeded(), qPrintable(signedUp.errorText()));
        store->put(service, QStringLiteral("auth_token"), signedUp.value->accessToken.toUtf8());
        const auto device = runTask(api.createDevice(QStringLiteral("Study Mac"), QStringLiteral("Alex")));
        QVERIFY2(device.succeeded(), qPrintable(device.errorText()));
        const auto policy = runTask(api.getPolicy(device.value->id));
        QVERIFY2(policy.succeeded(), qPrintable(policy.errorText()));
        const auto devices = runTask(api.listDevices());
        QVERIFY(devices.succeeded());
        QCOMPARE(devices.value->size(), size_t(1));
    }

    void untrustedOrMismatchedCertificateStopsTheToken_data()
    {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<bool>("refused");
        QTest::newRow("trusted, for this host") << "loopback" << false;
        QTest::newRow("unknown authority") << "stranger" << true;
        QTest::newRow("another host's") << "other-host" << true;
    }
    void untrustedOrMismatchedCertificateStopsTheToken()
    {
        QFETCH(QString, certificate);
        QFETCH(bool, refused);
        // A TLS listener that keeps every byte it decrypts.
        QSslServer server;
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        QFile cert(folder.filePath(certificate + ".pem"));
        QFile key(folder.filePath(certificate + ".key"));
        QVERIFY(cert.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
        config.setLocalCertificate(QSslCertificate(&cert, QSsl::Pem));
        config.setPrivateKey(QSslKey(&key, QSsl::Ec, QSsl::Pem));
        server.setSslConfiguration(config);
        QByteArray received;
        connect(&server, &QSslServer::pendingConnectionAvailable, this, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [&received, socket] {
                    received += socket->readAll();
                    if (received.contains("\r\n\r\n"))
                        socket->write("HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n\r\n");
                });
            }
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString token = QStringLiteral("parent-secret-token");
        point(QStringLiteral("https://127.0.0.1:%1").arg(server.serverPort()), token);

        const auto me = runTask(APIClient::shared().me());
        QVERIFY(me.finished && !me.succeeded());
        if (!refused) {
            // The control: over a trusted channel the token does arrive.
            QVERIFY(received.contains(("Bearer " + token).toUtf8()));
            return;
        }
        QVERIFY2(me.failedWith<TransportError>(), qPrintable(me.errorText()));
        QVERIFY2(me.errorText().contains(QStringLiteral("SSL"), Qt::CaseInsensitive)
                     || me.errorText().contains(QStringLiteral("certificate"), Qt::CaseInsensitive),
                 qPrintable(me.errorText()));
        QTest::qWait(50);
        QVERIFY2(received.isEmpty(), received.constData());
        // Refused by TLS, not by the service: the stored token is kept.
        QCOMPARE(store->value(service, QStringLiteral("auth_token")), std::optional(token.toUtf8()));
    }
};

QTEST_GUILESS_MAIN(TlsTest)
#include "tst_tls.moc"
