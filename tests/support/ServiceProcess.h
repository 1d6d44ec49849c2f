#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <nlohmann/json.hpp>
#include <optional>

// The real lumaro-service, started on a free port with an in-memory database
// for one test (or one test class), with plain-HTTP helpers for fixtures that
// do not go through the client under test.
//
// The helpers wait in a nested event loop; that is fine in tests and must
// never be copied into the console.
class ServiceProcess
{
public:
    struct Answer
    {
        int status = 0;          // 0: no HTTP answer at all (see error)
        QByteArray body;
        QString error;           // the transport's text when status is 0

        // The body as JSON; a discarded value when it is not JSON.
        nlohmann::json json() const;
    };

    // Binary from LUMARO_SERVICE_BIN (set by CTest for every test).
    explicit ServiceProcess(QStringList extraArgs = {});
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // Starts the service and waits for its address line. False, with
    // errorString(), when it cannot be started or stays silent.
    bool start(int timeoutMs = 10000);
    void stop();
    bool isRunning() const;

    // Base address such as http://127.0.0.1:40123, from the first output line.
    QString baseUrl() const;
    QString errorString() const;

    // Registers an account and returns its token; empty (with a warning) on failure.
    QString registerAccount(const QString& email, const QString& password, const QString& name);
    // Signs in; empty on failure.
    QString login(const QString& email, const QString& password);
    // Creates a device for the account and returns the service's device object.
    nlohmann::json createDevice(const QString& token, const QString& name, const QString& childName);

    Answer authorizedGet(const QString& token, const QString& path);
    Answer authorizedPost(const QString& token, const QString& path, const nlohmann::json& body);
    Answer authorizedPut(const QString& token, const QString& path, const nlohmann::json& body);
    Answer authorizedPatch(const QString& token, const QString& path, const nlohmann::json& body);
    Answer authorizedDelete(const QString& token, const QString& path);

    // What the agent on a child's computer sends; makes the device online.
    Answer heartbeat(const QString& apiToken, double minutes, const QString& agentVersion = QStringLiteral("1.0.0"));

    // Any request; an empty token sends no Authorization header.
    Answer send(const QByteArray& method, const QString& path, const QString& token,
                const std::optional<nlohmann::json>& body, int timeoutMs = 10000);

private:
    QStringList m_extraArgs;
    QProcess m_process;
    QString m_baseUrl;
    QString m_error;
    QNetworkAccessManager m_network;
};
