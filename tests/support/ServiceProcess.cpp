#include "ServiceProcess.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QUrl>
#include <QtDebug>
#include <memory>

nlohmann::json ServiceProcess::Answer::json() const
{
    return nlohmann::json::parse(body.constData(), body.constData() + body.size(), nullptr, false);
}

ServiceProcess::ServiceProcess(QStringList extraArgs) : m_extraArgs(std::move(extraArgs))
{
    // The service's messages go straight to the test's output, so a pipe
    // nobody reads can never fill up and block it.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

ServiceProcess::~ServiceProcess()
{
    stop();
}

bool ServiceProcess::start(int timeoutMs)
{
    stop();
    m_error.clear();
    m_baseUrl.clear();

    const QString program = qEnvironmentVariable("LUMARO_SERVICE_BIN");
    if (program.isEmpty()) {
        m_error = QStringLiteral("LUMARO_SERVICE_BIN is not set");
        return false;
    }

    QStringList arguments{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--db"),
                          QStringLiteral(":memory:")};
    arguments += m_extraArgs;
    m_process.start(program, arguments, QIODevice::ReadOnly);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("%1 did not start: %2").arg(program, m_process.errorString());
        return false;
    }

    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine()) {
        if (m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("%1 exited with status %2 before printing its address")
                          .arg(program)
                          .arg(m_process.exitCode());
            return false;
        }
        if (deadline.hasExpired()) {
            m_error = QStringLiteral("%1 printed no address within %2 ms").arg(program).arg(timeoutMs);
            stop();
            return false;
        }
        m_process.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, timeoutMs)));
    }

    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    const QUrl url(line, QUrl::StrictMode);
    if (!url.isValid() || url.port() <= 0) {
        m_error = QStringLiteral("%1 printed %2 instead of its address").arg(program, line);
        stop();
        return false;
    }
    m_baseUrl = line;
    return true;
}

void ServiceProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // The service lets idle keep-alive connections run out before it exits;
    // ours at least need not be among them.
    m_network.clearConnectionCache();
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool ServiceProcess::isRunning() const
{
    return m_process.state() == QProcess::Running;
}

QString ServiceProcess::baseUrl() const
{
    return m_baseUrl;
}

QString ServiceProcess::errorString() const
{
    return m_error;
}

namespace {
QString tokenFrom(const ServiceProcess::Answer& answer, const char* what)
{
    const nlohmann::json json = answer.json();
    if (answer.status == 200 && json.is_object() && json.contains("access_token") && json["access_token"].is_string())
        return QString::fromStdString(json["access_token"].get<std::string>());
    qWarning("ServiceProcess: %s failed with status %d: %s %s", what, answer.status, answer.body.constData(),
             qPrintable(answer.error));
    return {};
}
}  // namespace

QString ServiceProcess::registerAccount(const QString& email, const QString& password, const QString& name)
{
    const nlohmann::json body{{"email", email.toStdString()},
                              {"password", password.toStdString()},
                              {"name", name.toStdString()}};
    return tokenFrom(send("POST", QStringLiteral("/api/v1/auth/register"), {}, body), "sign-up");
}

QString ServiceProcess::login(const QString& email, const QString& password)
{
    const nlohmann::json body{{"email", email.toStdString()}, {"password", password.toStdString()}};
    return tokenFrom(send("POST", QStringLiteral("/api/v1/auth/login"), {}, body), "sign-in");
}

nlohmann::json ServiceProcess::createDevice(const QString& token, const QString& name, const QString& childName)
{
    const Answer answer = authorizedPost(token, QStringLiteral("/api/v1/devices"),
                                         {{"name", name.toStdString()}, {"child_name", childName.toStdString()}});
    if (answer.status != 200)
        qWarning("ServiceProcess: creating a device failed with status %d: %s", answer.status, answer.body.constData());
    return answer.json();
}

ServiceProcess::Answer ServiceProcess::authorizedGet(const QString& token, const QString& path)
{
    return send("GET", path, token, std::nullopt);
}

ServiceProcess::Answer ServiceProcess::authorizedPost(const QString& token, const QString& path,
                                                      const nlohmann::json& body)
{
    return send("POST", path, token, body);
}

ServiceProcess::Answer ServiceProcess::authorizedPut(const QString& token, const QString& path,
                                                     const nlohmann::json& body)
{
    return send("PUT", path, token, body);
}

ServiceProcess::Answer ServiceProcess::authorizedPatch(const QString& token, const QString& path,
                                                       const nlohmann::json& body)
{
    return send("PATCH", path, token, body);
}

ServiceProcess::Answer ServiceProcess::authorizedDelete(const QString& token, const QString& path)
{
    return send("DELETE", path, token, std::nullopt);
}

ServiceProcess::Answer ServiceProcess::heartbeat(const QString& apiToken, double minutes, const QString& agentVersion)
{
    return send("POST", QStringLiteral("/api/v1/agent/heartbeat"), apiToken,
                nlohmann::json{{"agent_version", agentVersion.toStdString()}, {"minutes_used", minutes}});
}

ServiceProcess::Answer ServiceProcess::send(const QByteArray& method, const QString& path, const QString& token,
                                            const std::optional<nlohmann::json>& body, int timeoutMs)
{
    Answer answer;
    if (m_baseUrl.isEmpty()) {
        answer.error = QStringLiteral("the service is not running");
        return answer;
    }

    QNetworkRequest request(QUrl(m_baseUrl + path));
    request.setRawHeader("Content-Type", "application/json");
    if (!token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());

    std::unique_ptr<QNetworkReply> reply(body ? m_network.sendCustomRequest(request, method,
                                                                            QByteArray::fromStdString(body->dump()))
                                              : m_network.sendCustomRequest(request, method));
    if (!reply->isFinished()) {
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        if (!finished.wait(timeoutMs)) {
            reply->abort();
            answer.error = QStringLiteral("no answer within %1 ms").arg(timeoutMs);
            return answer;
        }
    }

    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll();
    if (answer.status == 0)
        answer.error = reply->errorString();
    return answer;
}
