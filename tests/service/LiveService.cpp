#include "LiveService.h"

#include <QDeadlineTimer>

#include <sys/types.h>

std::string Reply::detail() const
{
    if (value.is_object() && value.contains("detail") && value["detail"].is_string())
        return value["detail"].get<std::string>();
    return {};
}

LiveService::LiveService(QStringList arguments)
    : arguments_(std::move(arguments))
{
    // Errors of the service show in the test's output; no pipe is left to fill up.
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

LiveService::~LiveService()
{
    stop();
}

bool LiveService::start()
{
    const QString program = qEnvironmentVariable("LUMARO_SERVICE_BIN");
    if (program.isEmpty()) {
        error_ = "LUMARO_SERVICE_BIN is not set";
        return false;
    }
    process_.start(program, QStringList { "--port", "0", "--quiet" } + arguments_);
    if (!process_.waitForStarted(5000)) {
        error_ = "cannot start " + program + ": " + process_.errorString();
        return false;
    }
    const QString address = nextLine(10000);
    if (!address.startsWith("http://127.0.0.1:") && !address.startsWith("https://127.0.0.1:")) {
        error_ = "expected the address as the first line, got '" + address + "'";
        return false;
    }
    baseUrl_ = address.toStdString();
    return true;
}

QString LiveService::nextLine(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!process_.canReadLine() && process_.state() == QProcess::Running && !deadline.hasExpired())
        process_.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    return QString::fromUtf8(process_.readLine()).trimmed();
}

int LiveService::stop(int signal)
{
    if (process_.state() == QProcess::NotRunning)
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    ::kill(static_cast<pid_t>(process_.processId()), signal);
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
        return -1;
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

Reply LiveService::sendRaw(const std::string& method, const std::string& path, const std::string& token,
                           const std::string& body)
{
    httplib::Client client(baseUrl_);
    client.set_read_timeout(10, 0);
    httplib::Request request;
    request.method = method;
    request.path = path;
    if (!token.empty())
        request.set_header("Authorization", "Bearer " + token);
    if (!body.empty()) {
        request.set_header("Content-Type", "application/json");
        request.body = body;
    }
    Reply reply;
    const httplib::Result result = client.send(request);
    if (!result)
        return reply;
    reply.status = result->status;
    reply.body = result->body;
    reply.value = json::parse(reply.body, nullptr, false);
    return reply;
}

Reply LiveService::send(const std::string& method, const std::string& path, const std::string& token,
                        const std::optional<json>& body)
{
    return sendRaw(method, path, token, body ? body->dump() : std::string());
}

std::string LiveService::signUp(const std::string& email, const std::string& password)
{
    const Reply reply
        = post("/api/v1/auth/register", {}, { { "email", email }, { "password", password }, { "name", "Parent" } });
    if (reply.status != 200 || !reply.value.contains("access_token")) {
        qWarning("sign-up of %s failed: %d %s", email.c_str(), reply.status, reply.body.c_str());
        return {};
    }
    return reply.value["access_token"].get<std::string>();
}

json LiveService::createDevice(const std::string& token, const std::string& name, const std::string& childName)
{
    const Reply reply = post("/api/v1/devices", token, { { "name", name }, { "child_name", childName } });
    if (reply.status != 200) {
        qWarning("creating a device failed: %d %s", reply.status, reply.body.c_str());
        return nullptr;
    }
    return reply.value;
}

std::string devicePath(const json& device, const std::string& suffix)
{
    return "/api/v1/devices/" + (device.is_object() ? device.value("id", std::string()) : std::string()) + suffix;
}
