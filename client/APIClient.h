#pragma once

#include "Activity.h"
#include "Bonus.h"
#include "Device.h"
#include "Errors.h"
#include "JsonRead.h"
#include "Policy.h"
#include "RequestScope.h"
#include "UsageEntry.h"
#include "User.h"

#include <QByteArray>
#include <QMap>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <nlohmann/json.hpp>
#include <optional>
#include <qcoro/qcorotask.h>
#include <vector>

// The body the service sends with a failing status.
struct ErrorResponse
{
    QString detail;

    bool operator==(const ErrorResponse&) const = default;
    static ErrorResponse fromJson(const nlohmann::json& json);
};

// The one client of the parental-control service. Every operation goes
// through one request routine that reads the service address and the sign-in
// token from the token store afresh, so a new address or token takes effect
// with the next request. Operations throw LumaroError kinds on failure.
//
// Lives on the interface thread; requests run concurrently between awaits and
// may answer in any order. Every operation takes an optional RequestScope so
// its caller can abort what it started.
class APIClient final : public QObject
{
    Q_OBJECT

public:
    static APIClient& shared();

    // The hosted service, used wherever no address is stored.
    static QString defaultServerURL();

    // Answers larger than this are refused instead of read into memory.
    static constexpr qint64 maxAnswerBytes = 16 * 1024 * 1024;

    // Accounts. Sign-up and sign-in store the received token before returning.
    QCoro::Task<TokenResponse> registerAccount(QString name, QString email, QString password);
    QCoro::Task<TokenResponse> login(QString email, QString password);
    QCoro::Task<User> me(RequestScope scope = {});
    // Forgets the token locally; the service is not told.
    QCoro::Task<void> logout();

    // Devices.
    QCoro::Task<std::vector<Device>> listDevices(RequestScope scope = {});
    QCoro::Task<Device> getDevice(QString id, RequestScope scope = {});
    QCoro::Task<Device> createDevice(QString name, QString childName, RequestScope scope = {});
    QCoro::Task<Device> updateDevice(QString id, DeviceUpdateRequest update, RequestScope scope = {});
    QCoro::Task<void> deleteDevice(QString id, RequestScope scope = {});

    // Policy.
    QCoro::Task<Policy> getPolicy(QString deviceId, RequestScope scope = {});
    QCoro::Task<Policy> updatePolicy(QString deviceId, PolicyUpdate update, RequestScope scope = {});

    // Activities, usage, bonus.
    QCoro::Task<std::vector<Activity>> listActivities(QString deviceId, RequestScope scope = {});
    QCoro::Task<Activity> createActivity(QString deviceId, ActivityCreate activity, RequestScope scope = {});
    QCoro::Task<Activity> updateActivity(QString deviceId, QString activityId, ActivityUpdate update,
                                         RequestScope scope = {});
    QCoro::Task<void> deleteActivity(QString deviceId, QString activityId, RequestScope scope = {});
    QCoro::Task<std::vector<UsageEntry>> getUsage(QString deviceId, qint64 days, RequestScope scope = {});
    QCoro::Task<GrantBonusResponse> grantBonus(QString deviceId, qint64 minutes, RequestScope scope = {});

private:
    APIClient();

    // Hands the request to Qt; payload is null for a request without a body.
    QNetworkReply* start(const QNetworkRequest& request, const QString& method, const QByteArray* payload);

    // Steps 1 to 10 and 12 of the routine: everything but decoding a success.
    // Returns the body of a 2xx answer.
    QCoro::Task<QByteArray> send(QString method, QString path, std::optional<nlohmann::ordered_json> body,
                                 bool auth, RequestScope scope);

    template <class R>
    QCoro::Task<R> request(QString method, QString path, std::optional<nlohmann::ordered_json> body, bool auth,
                           RequestScope scope)
    {
        const QByteArray bytes = co_await send(std::move(method), std::move(path), std::move(body), auth,
                                               std::move(scope));
        co_return decodeAnswer<R>(bytes);
    }

    template <class R>
    static R decodeAnswer(const QByteArray& bytes)
    {
        const nlohmann::json document = parseBody(bytes);
        if constexpr (std::is_same_v<R, QMap<QString, bool>>)
            return decodeBoolMap(document);
        else if constexpr (requires { typename R::value_type; })
            return decodeList<typename R::value_type>(document);
        else
            return R::fromJson(document);
    }

    QNetworkAccessManager m_network;
};
