#include "AuthViewModel.h"

#include "KeychainHelper.h"

#include <QPointer>
#include <QVariantMap>

namespace {

QVariantMap toVariant(const User& user)
{
    return {{QStringLiteral("id"), user.id}, {QStringLiteral("email"), user.email}, {QStringLiteral("name"), user.name}};
}

}  // namespace

QCoro::Task<std::unique_ptr<AuthViewModel>> AuthViewModel::create()
{
    std::unique_ptr<AuthViewModel> model(new AuthViewModel);
    APIClient::shared();  // created on first use, here at start-up
    const auto storedURL = co_await KeychainHelper::get(QStringLiteral("server_url"));
    model->m_serverURL = storedURL.value_or(APIClient::defaultServerURL());
    const auto token = co_await KeychainHelper::get(QStringLiteral("auth_token"));
    if (token) {
        model->m_isAuthenticated = true;
        // Confirmed in the background; the caller does not wait for it.
        model->checkAuth();
    }
    co_return model;
}

void AuthViewModel::setServerURL(const QString& url)
{
    if (m_serverURL == url)
        return;
    m_serverURL = url;
    emit serverURLChanged();
}

QVariant AuthViewModel::userValue() const
{
    return m_user ? QVariant(toVariant(*m_user)) : QVariant();
}

QVariant AuthViewModel::errorValue() const
{
    return m_error ? QVariant(*m_error) : QVariant();
}

void AuthViewModel::setAuthenticated(bool value)
{
    if (m_isAuthenticated == value)
        return;
    m_isAuthenticated = value;
    emit isAuthenticatedChanged();
}

void AuthViewModel::setUser(std::optional<User> value)
{
    if (m_user == value)
        return;
    m_user = std::move(value);
    emit userChanged();
}

void AuthViewModel::setLoading(bool value)
{
    if (m_isLoading == value)
        return;
    m_isLoading = value;
    emit isLoadingChanged();
}

void AuthViewModel::setError(std::optional<QString> value)
{
    if (m_error == value)
        return;
    m_error = std::move(value);
    emit errorChanged();
}

QCoro::Task<void> AuthViewModel::checkAuth()
{
    QPointer<AuthViewModel> self(this);
    const auto token = co_await KeychainHelper::get(QStringLiteral("auth_token"));
    if (!self)
        co_return;
    if (!token) {
        setAuthenticated(false);
        co_return;
    }
    try {
        User account = co_await APIClient::shared().me();
        if (!self)
            co_return;
        setUser(std::move(account));
        setAuthenticated(true);
    } catch (const std::exception&) {
        // A failed start-up check drops back to sign-in without a message.
        if (self)
            setAuthenticated(false);
    }
}

QCoro::Task<void> AuthViewModel::signIn(std::function<QCoro::Task<TokenResponse>()> tokenCall)
{
    QPointer<AuthViewModel> self(this);
    setLoading(true);
    setError(std::nullopt);
    try {
        co_await tokenCall();
        User account = co_await APIClient::shared().me();
        if (!self)
            co_return;
        setUser(std::move(account));
        setAuthenticated(true);
        setLoading(false);
    } catch (const std::exception& e) {
        if (!self)
            co_return;
        setError(describeError(e));
        setLoading(false);
    }
}

// GCC 12 destroys a lambda written inside a co_await expression twice, which
// released the typed e-mail and password strings one time too many and
// corrupted the heap; the call is therefore built as a named object first.
QCoro::Task<void> AuthViewModel::login(QString email, QString password)
{
    std::function<QCoro::Task<TokenResponse>()> call = [email, password] {
        return APIClient::shared().login(email, password);
    };
    co_await signIn(std::move(call));
}

QCoro::Task<void> AuthViewModel::registerAccount(QString name, QString email, QString password)
{
    std::function<QCoro::Task<TokenResponse>()> call = [name, email, password] {
        return APIClient::shared().registerAccount(name, email, password);
    };
    co_await signIn(std::move(call));
}

void AuthViewModel::logout()
{
    // The delete runs after the screens have already switched.
    APIClient::shared().logout();
    setAuthenticated(false);
    setUser(std::nullopt);
}

void AuthViewModel::saveServerURL()
{
    KeychainHelper::save(QStringLiteral("server_url"), m_serverURL);
}

void AuthViewModel::startLogin(const QString& email, const QString& password)
{
    login(email, password);  // never throws; the outcome is in the properties
}

void AuthViewModel::startRegister(const QString& name, const QString& email, const QString& password)
{
    registerAccount(name, email, password);
}

bool AuthViewModel::canSubmit(const QString& email, const QString& password) const
{
    return !m_isLoading && !email.isEmpty() && !password.isEmpty();
}
