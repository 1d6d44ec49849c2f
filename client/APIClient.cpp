#include "APIClient.h"

#include "KeychainHelper.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>
#include <memory>
#include <qcoro/qcoronetworkreply.h>

namespace {

const QString serverURLKey = QStringLiteral("server_url");
const QString tokenKey = QStringLiteral("auth_token");

// Replies are deleted later, never inside the signal that resumed us: abort()
// and finished() are still on the stack of the reply when the awaiting
// coroutine resumes.
struct DeleteLater
{
    void operator()(QObject* object) const { object->deleteLater(); }
};

// Failures that leave no whole answer even when a status line arrived: the
// connection (refused, reset mid-body, timed out, cancelled, TLS), the
// proxy's connection, a malformed answer. Qt also reports some answers as
// errors of these groups (400 and 418 as ProtocolInvalidOperationError, 407
// as ProxyAuthenticationRequiredError); those carry a status and are
// handled by it like every other status.
bool isTransportFailure(QNetworkReply::NetworkError error)
{
    const int code = int(error);
    return (code >= 1 && code < 100)
           || (code >= QNetworkReply::ProxyConnectionRefusedError && code <= QNetworkReply::ProxyTimeoutError)
           || error == QNetworkReply::UnknownProxyError || error == QNetworkReply::ProtocolFailure;
}

}  // namespace

ErrorResponse ErrorResponse::fromJson(const nlohmann::json& json)
{
    if (!json.is_object() || !json.contains("detail") || !json["detail"].is_string())
        throw DecodingError(QStringLiteral("Key \"detail\" is missing or not a string"));
    return ErrorResponse{textFromWire(json["detail"].get_ref<const std::string&>())};
}

APIClient& APIClient::shared()
{
    // Never destroyed: it serves requests until the process ends.
    static APIClient* const client = new APIClient;
    return *client;
}

QString APIClient::defaultServerURL()
{
    return QStringLiteral("https://api.lumaro.app");
}

APIClient::APIClient()
{
    m_network.setTransferTimeout(15000);
}

QNetworkReply* APIClient::start(const QNetworkRequest& request, const QString& method, const QByteArray* payload)
{
    // Qt's own operations for the common verbs: measured on loopback, a GET
    // through get() costs less than the same GET as a custom verb.
    if (method == QLatin1String("GET") && !payload)
        return m_network.get(request);
    if (method == QLatin1String("DELETE") && !payload)
        return m_network.deleteResource(request);
    if (method == QLatin1String("POST") && payload)
        return m_network.post(request, *payload);
    if (method == QLatin1String("PUT") && payload)
        return m_network.put(request, *payload);
    return payload ? m_network.sendCustomRequest(request, method.toLatin1(), *payload)
                   : m_network.sendCustomRequest(request, method.toLatin1());
}

QCoro::Task<QByteArray> APIClient::send(QString method, QString path, std::optional<nlohmann::ordered_json> body,
                                        bool auth, RequestScope scope)
{
    const std::optional<QString> stored = co_await KeychainHelper::get(serverURLKey);
    const QString joined = (stored ? *stored : defaultServerURL()) + path;
    const QUrl url(joined, QUrl::StrictMode);
    if (!url.isValid())
        throw APIError::invalidURL();

    QNetworkRequest request(url);
    request.setRawHeader("Content-Type", "application/json");
    if (auth) {
        if (const auto token = co_await KeychainHelper::get(tokenKey))
            request.setRawHeader("Authorization", "Bearer " + token->toUtf8());
    }

    QByteArray payload;
    if (body) {
        try {
            payload = QByteArray::fromStdString(body->dump());
        } catch (const nlohmann::json::exception& e) {
            throw EncodingError(QStringLiteral("The request could not be written as JSON: %1").arg(QString::fromUtf8(e.what())));
        }
    }

    if (scope.isCancelled())
        throw TransportError(QStringLiteral("Operation canceled"));

    std::unique_ptr<QNetworkReply, DeleteLater> reply(start(request, method, body ? &payload : nullptr));
    scope.track(reply.get());
    // Qt's network thread reads ahead of this thread without bound unless the
    // reply's buffer is bounded. It stops a read chunk short of the bound, so
    // the bound lies well past the limit for the limit to be seen passed.
    reply->setReadBufferSize(maxAnswerBytes + 1024 * 1024);

    // A hostile or broken service must not fill the parent's memory.
    // The flag is shared with the handlers because the reply outlives this frame.
    const auto tooLarge = std::make_shared<bool>(false);
    QNetworkReply* const raw = reply.get();
    const auto refuseIfTooLarge = [raw, tooLarge](qint64 size) {
        if (size > maxAnswerBytes && !*tooLarge) {
            *tooLarge = true;
            raw->abort();
        }
    };
    connect(raw, &QNetworkReply::metaDataChanged, raw, [raw, refuseIfTooLarge] {
        refuseIfTooLarge(raw->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    // readyRead, not downloadProgress: Qt emits progress at most every 100 ms,
    // so the chunk that passes the limit may never be reported by it.
    connect(raw, &QNetworkReply::readyRead, raw, [raw, refuseIfTooLarge] { refuseIfTooLarge(raw->bytesAvailable()); });

    co_await raw;

    if (*tooLarge)
        throw LumaroError(QStringLiteral("The server's answer is larger than 16 MiB and was refused"));

    const QVariant statusAttribute = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusAttribute.isValid()) {
        if (raw->error() != QNetworkReply::NoError)
            throw TransportError(raw->errorString());
        throw APIError::invalidResponse();
    }
    if (isTransportFailure(raw->error()))
        throw TransportError(raw->errorString());

    const qint64 status = statusAttribute.toLongLong();
    const QByteArray answer = raw->readAll();

    // Only a request that carried the token can find it expired; a refused
    // sign-in is wrong credentials and falls through to the service's text.
    if (status == 401 && auth) {
        co_await KeychainHelper::deleteKey(tokenKey);
        throw APIError::unauthorized();
    }
    if (status >= 200 && status <= 299)
        co_return answer;

    std::optional<QString> detail;
    try {
        detail = ErrorResponse::fromJson(parseBody(answer)).detail;
    } catch (const LumaroError&) {
        // Not the service's error body (an HTML page, a list of problems, nothing).
    }
    if (detail)
        throw APIError::server(*detail);
    throw APIError::httpError(status);
}

QCoro::Task<TokenResponse> APIClient::registerAccount(QString name, QString email, QString password)
{
    const RegisterRequest body{email, password, name};
    TokenResponse response = co_await request<TokenResponse>(QStringLiteral("POST"),
                                                             QStringLiteral("/api/v1/auth/register"),
                                                             body.toJson(), false, {});
    co_await KeychainHelper::save(tokenKey, response.accessToken);
    co_return response;
}

QCoro::Task<TokenResponse> APIClient::login(QString email, QString password)
{
    const LoginRequest body{email, password};
    TokenResponse response = co_await request<TokenResponse>(QStringLiteral("POST"),
                                                             QStringLiteral("/api/v1/auth/login"), body.toJson(),
                                                             false, {});
    co_await KeychainHelper::save(tokenKey, response.accessToken);
    co_return response;
}

QCoro::Task<User> APIClient::me(RequestScope scope)
{
    co_return co_await request<User>(QStringLiteral("GET"), QStringLiteral("/api/v1/auth/me"), std::nullopt, true,
                                     std::move(scope));
}

QCoro::Task<void> APIClient::logout()
{
    co_await KeychainHelper::deleteKey(tokenKey);
}

namespace {
QString devicePath(const QString& id)
{
    return QStringLiteral("/api/v1/devices/") + id;
}
}  // namespace

QCoro::Task<std::vector<Device>> APIClient::listDevices(RequestScope scope)
{
    co_return co_await request<std::vector<Device>>(QStringLiteral("GET"), QStringLiteral("/api/v1/devices"),
                                                    std::nullopt, true, std::move(scope));
}

QCoro::Task<Device> APIClient::getDevice(QString id, RequestScope scope)
{
    co_return co_await request<Device>(QStringLiteral("GET"), devicePath(id), std::nullopt, true, std::move(scope));
}

QCoro::Task<Device> APIClient::createDevice(QString name, QString childName, RequestScope scope)
{
    const CreateDeviceRequest body{name, childName};
    co_return co_await request<Device>(QStringLiteral("POST"), QStringLiteral("/api/v1/devices"), body.toJson(), true,
                                       std::move(scope));
}

QCoro::Task<Device> APIClient::updateDevice(QString id, DeviceUpdateRequest update, RequestScope scope)
{
    co_return co_await request<Device>(QStringLiteral("PATCH"), devicePath(id), update.toJson(), true,
                                       std::move(scope));
}

QCoro::Task<void> APIClient::deleteDevice(QString id, RequestScope scope)
{
    co_await request<QMap<QString, bool>>(QStringLiteral("DELETE"), devicePath(id), std::nullopt, true,
                                          std::move(scope));
}

QCoro::Task<Policy> APIClient::getPolicy(QString deviceId, RequestScope scope)
{
    co_return co_await request<Policy>(QStringLiteral("GET"), devicePath(deviceId) + QStringLiteral("/policy"),
                                       std::nullopt, true, std::move(scope));
}

QCoro::Task<Policy> APIClient::updatePolicy(QString deviceId, PolicyUpdate update, RequestScope scope)
{
    co_return co_await request<Policy>(QStringLiteral("PUT"), devicePath(deviceId) + QStringLiteral("/policy"),
                                       update.toJson(), true, std::move(scope));
}

QCoro::Task<std::vector<Activity>> APIClient::listActivities(QString deviceId, RequestScope scope)
{
    co_return co_await request<std::vector<Activity>>(QStringLiteral("GET"),
                                                      devicePath(deviceId) + QStringLiteral("/activities"),
                                                      std::nullopt, true, std::move(scope));
}

QCoro::Task<Activity> APIClient::createActivity(QString deviceId, ActivityCreate activity, RequestScope scope)
{
    co_return co_await request<Activity>(QStringLiteral("POST"), devicePath(deviceId) + QStringLiteral("/activities"),
                                         activity.toJson(), true, std::move(scope));
}

QCoro::Task<Activity> APIClient::updateActivity(QString deviceId, QString activityId, ActivityUpdate update,
                                                RequestScope scope)
{
    co_return co_await request<Activity>(QStringLiteral("PUT"),
                                         devicePath(deviceId) + QStringLiteral("/activities/") + activityId,
                                         update.toJson(), true, std::move(scope));
}

QCoro::Task<void> APIClient::deleteActivity(QString deviceId, QString activityId, RequestScope scope)
{
    co_await request<QMap<QString, bool>>(QStringLiteral("DELETE"),
                                          devicePath(deviceId) + QStringLiteral("/activities/") + activityId,
                                          std::nullopt, true, std::move(scope));
}

QCoro::Task<std::vector<UsageEntry>> APIClient::getUsage(QString deviceId, qint64 days, RequestScope scope)
{
    co_return co_await request<std::vector<UsageEntry>>(
        QStringLiteral("GET"), devicePath(deviceId) + QStringLiteral("/usage?days=") + QString::number(days),
        std::nullopt, true, std::move(scope));
}

QCoro::Task<GrantBonusResponse> APIClient::grantBonus(QString deviceId, qint64 minutes, RequestScope scope)
{
    const GrantBonusRequest body{minutes};
    co_return co_await request<GrantBonusResponse>(QStringLiteral("POST"),
                                                   devicePath(deviceId) + QStringLiteral("/grant-bonus"),
                                                   body.toJson(), true, std::move(scope));
}
