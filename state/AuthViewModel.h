#pragma once

#include "APIClient.h"
#include "User.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>
#include <optional>
#include <qcoro/qcoroqmltask.h>
#include <qcoro/qcorotask.h>

// The signed-in session: whether the parent counts as signed in, the
// account, and the progress and error of a sign-in or sign-up. One instance
// lives for the whole run; every screen reaches it as `authVM`.
//
// The async operations never throw: every failure ends in `error`. QML calls
// the `start…` forms, which return at once; C++ awaits the operations.
class AuthViewModel final : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application creates the one session model")

    // True while the root shows the signed-in part.
    Q_PROPERTY(bool isAuthenticated READ isAuthenticated NOTIFY isAuthenticatedChanged)
    // The account as {id, email, name}, or undefined before it is fetched.
    Q_PROPERTY(QVariant user READ userValue NOTIFY userChanged)
    // A sign-in or sign-up is under way.
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    // Text of the last failed sign-in or sign-up, or undefined.
    Q_PROPERTY(QVariant error READ errorValue NOTIFY errorChanged)
    // The service address as shown and edited; writing it does not store it.
    Q_PROPERTY(QString serverURL READ serverURL WRITE setServerURL NOTIFY serverURLChanged)
    // The address used when none is stored (the address field's placeholder).
    Q_PROPERTY(QString defaultServerURL READ defaultServerURL CONSTANT)

public:
    // Reads "server_url" and then "auth_token" before returning, so the first
    // frame already shows the right screen. With a stored token the model
    // starts signed in and confirms the token in the background.
    static QCoro::Task<std::unique_ptr<AuthViewModel>> create();

    bool isAuthenticated() const { return m_isAuthenticated; }
    const std::optional<User>& user() const { return m_user; }
    bool isLoading() const { return m_isLoading; }
    const std::optional<QString>& error() const { return m_error; }
    QString serverURL() const { return m_serverURL; }
    void setServerURL(const QString& url);
    static QString defaultServerURL() { return APIClient::defaultServerURL(); }

    QVariant userValue() const;
    QVariant errorValue() const;

    QCoro::Task<void> checkAuth();
    QCoro::Task<void> login(QString email, QString password);
    QCoro::Task<void> registerAccount(QString name, QString email, QString password);
    // Immediate: signed out at once; the token is deleted in the background.
    Q_INVOKABLE void logout();
    // Stores the current serverURL exactly as typed.
    Q_INVOKABLE void saveServerURL();

    Q_INVOKABLE void startLogin(const QString& email, const QString& password);
    Q_INVOKABLE void startRegister(const QString& name, const QString& email, const QString& password);

    // The sign-in screen's submit rule: not while loading, and only with an
    // e-mail and a password (blanks count; an empty name is fine).
    Q_INVOKABLE bool canSubmit(const QString& email, const QString& password) const;

signals:
    void isAuthenticatedChanged();
    void userChanged();
    void isLoadingChanged();
    void errorChanged();
    void serverURLChanged();

private:
    AuthViewModel() = default;

    void setAuthenticated(bool value);
    void setUser(std::optional<User> value);
    void setLoading(bool value);
    void setError(std::optional<QString> value);

    // The shared body of sign-in and sign-up: run the client call, then fetch the account.
    QCoro::Task<void> signIn(std::function<QCoro::Task<TokenResponse>()> tokenCall);

    bool m_isAuthenticated = false;
    std::optional<User> m_user;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    QString m_serverURL;
};
