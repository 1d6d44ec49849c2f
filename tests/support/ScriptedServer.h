#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <functional>
#include <optional>
#include <nlohmann/json.hpp>

// A loopback HTTP/1.1 server for tests: records every request and answers
// from a script, so a test can produce any answer on demand (a held-back
// answer, a broken body, a reset connection) and check what the client sent.
class ScriptedServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        QByteArray target;                 // path and query exactly as sent
        QMap<QByteArray, QByteArray> headers;  // names in lower case
        QByteArray body;
        bool hasBody = false;              // a Content-Length or chunked body was sent

        QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    };

    struct Response
    {
        int status = 200;
        QByteArray body;
        QMap<QByteArray, QByteArray> headers;  // Content-Type defaults to application/json
        enum class Action {
            Answer,          // a normal answer
            Hold,            // keep the answer until release(); the client waits
            Stall,           // never answer (the client's timeout fires)
            ResetMidBody,    // send headers and half the body, then reset the connection
            Close,           // close the connection without answering
        } action = Action::Answer;
        int delayMs = 0;     // answer after this delay
        // After the body, this many filler bytes, written only as fast as the
        // client reads them (chunked unless a Content-Length is given), so a
        // test can tell a client that stops reading from one that buffers all.
        qint64 streamBytes = 0;

        // A JSON answer with the given status.
        static Response ofJson(const nlohmann::json& body, int status = 200)
        {
            Response r;
            r.status = status;
            r.body = QByteArray::fromStdString(body.dump());
            return r;
        }
    };

    explicit ScriptedServer(QObject* parent = nullptr);
    ~ScriptedServer() override;

    // Base address such as http://127.0.0.1:40123 (no trailing slash).
    QString baseUrl() const;

    // Answers, in order, one per request; when the queue is empty the handler
    // (if set) answers, else 404.
    void enqueue(Response response);
    void enqueue(int status, const QByteArray& body);
    void setHandler(std::function<Response(const Request&)> handler);

    // Releases the oldest held answer (or all); returns false when none is held.
    bool releaseHeld();
    void releaseAll();
    int heldCount() const;
    // Releases the held answer at this position (0 is the oldest), so answers
    // can be given in any order.
    bool releaseHeld(int index);
    // The request each held answer belongs to, oldest first.
    QList<Request> heldRequests() const;

    // Filler bytes written for the most recent streamed answer so far.
    qint64 streamedBytes() const;
    // Connections accepted so far; keep-alive reuse keeps this low.
    int connectionCount() const;

    const QList<Request>& requests() const;
    void clearRequests();

signals:
    void requestReceived(const ScriptedServer::Request& request);

private:
    class Connection;
    struct Held
    {
        QPointer<Connection> connection;
        Request request;
        Response response;
    };

    void accept();
    void serve(Connection* connection);
    void perform(Connection* connection, Response response);
    void answer(Connection* connection, const Response& response);
    void stream(Connection* connection);
    void finish(Connection* connection);

    QTcpServer m_server;
    QList<Request> m_requests;
    QList<Response> m_queue;
    std::function<Response(const Request&)> m_handler;
    QList<Held> m_held;
    qint64 m_streamed = 0;
    int m_connections = 0;
};
