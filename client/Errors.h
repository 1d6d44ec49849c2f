#pragma once

#include <QString>
#include <stdexcept>

// Every failure of the service client is thrown as a LumaroError whose text is
// what the parent reads. State objects catch it at their edge.
class LumaroError : public std::runtime_error
{
public:
    explicit LumaroError(const QString& text)
        : std::runtime_error(text.toStdString()), m_text(text) {}

    // The user-readable description.
    QString text() const { return m_text; }

private:
    QString m_text;
};

// The service client's own error cases.
class APIError final : public LumaroError
{
public:
    enum class Kind { httpError, server, invalidURL, invalidResponse, unauthorized };

    static APIError httpError(qint64 status) { return {Kind::httpError, status, {}}; }
    static APIError server(const QString& detail) { return {Kind::server, 0, detail}; }
    static APIError invalidURL() { return {Kind::invalidURL, 0, {}}; }
    static APIError invalidResponse() { return {Kind::invalidResponse, 0, {}}; }
    static APIError unauthorized() { return {Kind::unauthorized, 0, {}}; }

    Kind kind() const { return m_kind; }
    qint64 statusCode() const { return m_status; }
    QString errorDescription() const { return text(); }

private:
    APIError(Kind kind, qint64 status, const QString& detail)
        : LumaroError(describe(kind, status, detail)), m_kind(kind), m_status(status) {}

    static QString describe(Kind kind, qint64 status, const QString& detail)
    {
        switch (kind) {
        case Kind::httpError: return QStringLiteral("Server error: %1").arg(status);
        case Kind::server: return detail;
        case Kind::invalidURL: return QStringLiteral("Invalid URL");
        case Kind::invalidResponse: return QStringLiteral("Invalid server response");
        case Kind::unauthorized: return QStringLiteral("Session expired, please sign in again");
        }
        return {};
    }

    Kind m_kind;
    qint64 m_status;
};

// The network failed (no connection, timeout, TLS, cancelled): Qt's own description.
class TransportError final : public LumaroError
{
public:
    using LumaroError::LumaroError;
};

// An answer that does not decode into the expected record; names the first bad key.
class DecodingError final : public LumaroError
{
public:
    using LumaroError::LumaroError;
};

// A request body that cannot be written as JSON.
class EncodingError final : public LumaroError
{
public:
    using LumaroError::LumaroError;
};

// The text the parent reads for any failure caught at a state object's edge.
inline QString describeError(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const LumaroError*>(&e))
        return error->text();
    return QString::fromUtf8(e.what());
}
