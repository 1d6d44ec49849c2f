#include "ScriptedServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

// A request head this long is not something the client under test sends.
constexpr qsizetype maxHeadBytes = 64 * 1024;
// Filler is handed to the socket only while less than this is waiting to go
// out, so what was written is close to what the client actually read.
constexpr qint64 streamWindow = 64 * 1024;
constexpr qint64 streamChunk = 16 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Payload Too Large";
    case 422: return "Unprocessable Entity";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

// 1xx, 204 and 304 answers never carry a body, so no length is announced.
bool mayHaveBody(int status)
{
    return status >= 200 && status != 204 && status != 304;
}

bool hasHeader(const QMap<QByteArray, QByteArray>& headers, const QByteArray& name)
{
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QByteArray headerValue(const QMap<QByteArray, QByteArray>& headers, const QByteArray& name)
{
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return {};
}

enum class Parse { Complete, Incomplete, Broken };

// Reads a chunked body starting at `from`; on success `end` is just past the
// last chunk's trailer.
Parse readChunked(const QByteArray& buffer, qsizetype from, QByteArray& body, qsizetype& end)
{
    qsizetype pos = from;
    for (;;) {
        const qsizetype lineEnd = buffer.indexOf("\r\n", pos);
        if (lineEnd < 0)
            return Parse::Incomplete;
        QByteArray sizeText = buffer.mid(pos, lineEnd - pos);
        if (const qsizetype semicolon = sizeText.indexOf(';'); semicolon >= 0)
            sizeText.truncate(semicolon);
        bool ok = false;
        const qint64 size = sizeText.trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0)
            return Parse::Broken;
        pos = lineEnd + 2;
        if (size == 0) {
            // Trailer lines, then an empty line.
            for (;;) {
                const qsizetype trailerEnd = buffer.indexOf("\r\n", pos);
                if (trailerEnd < 0)
                    return Parse::Incomplete;
                const bool empty = trailerEnd == pos;
                pos = trailerEnd + 2;
                if (empty) {
                    end = pos;
                    return Parse::Complete;
                }
            }
        }
        if (buffer.size() < pos + size + 2)
            return Parse::Incomplete;
        body += buffer.mid(pos, size);
        pos += size + 2;
    }
}

// Takes one whole request off the front of `buffer`.
Parse takeRequest(QByteArray& buffer, ScriptedServer::Request& request)
{
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return buffer.size() > maxHeadBytes ? Parse::Broken : Parse::Incomplete;

    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1."))
        return Parse::Broken;

    ScriptedServer::Request parsed;
    parsed.method = requestLine[0];
    parsed.target = requestLine[1];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return Parse::Broken;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (parsed.headers.contains(name))
            parsed.headers[name] += ", " + value;
        else
            parsed.headers.insert(name, value);
    }

    const qsizetype bodyStart = headEnd + 4;
    qsizetype end = bodyStart;
    if (parsed.header("transfer-encoding").toLower().contains("chunked")) {
        const Parse result = readChunked(buffer, bodyStart, parsed.body, end);
        if (result != Parse::Complete)
            return result;
        parsed.hasBody = true;
    } else if (parsed.headers.contains("content-length")) {
        bool ok = false;
        const qint64 length = parsed.header("content-length").toLongLong(&ok);
        if (!ok || length < 0)
            return Parse::Broken;
        if (buffer.size() < bodyStart + length)
            return Parse::Incomplete;
        parsed.body = buffer.mid(bodyStart, length);
        parsed.hasBody = true;
        end = bodyStart + length;
    }

    buffer.remove(0, end);
    request = std::move(parsed);
    return Parse::Complete;
}

}  // namespace

// One accepted connection. Requests on it are answered strictly in turn, as
// HTTP/1.1 requires; while one waits (held, delayed, stalled), later ones
// stay in the buffer.
class ScriptedServer::Connection : public QObject
{
public:
    Connection(QTcpSocket* socket, QObject* parent) : QObject(parent), socket(socket)
    {
        socket->setParent(this);
    }

    QTcpSocket* socket;
    QByteArray buffer;
    bool busy = false;
    bool closing = false;
    qint64 streamLeft = 0;
    bool streamChunked = false;
    Request current;  // the request being answered
};

ScriptedServer::ScriptedServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::accept);
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("ScriptedServer: cannot listen on 127.0.0.1: %s", qPrintable(m_server.errorString()));
}

ScriptedServer::~ScriptedServer()
{
    m_server.close();
    m_held.clear();
}

QString ScriptedServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void ScriptedServer::enqueue(Response response)
{
    m_queue.append(std::move(response));
}

void ScriptedServer::enqueue(int status, const QByteArray& body)
{
    Response response;
    response.status = status;
    response.body = body;
    m_queue.append(std::move(response));
}

void ScriptedServer::setHandler(std::function<Response(const Request&)> handler)
{
    m_handler = std::move(handler);
}

bool ScriptedServer::releaseHeld()
{
    return releaseHeld(0);
}

bool ScriptedServer::releaseHeld(int index)
{
    if (index < 0 || index >= m_held.size())
        return false;
    Held held = m_held.takeAt(index);
    // A connection the client has dropped meanwhile gets nothing.
    if (Connection* connection = held.connection) {
        held.response.action = Response::Action::Answer;
        held.response.delayMs = 0;
        perform(connection, std::move(held.response));
    }
    return true;
}

void ScriptedServer::releaseAll()
{
    while (releaseHeld(0)) {
    }
}

int ScriptedServer::heldCount() const
{
    return int(m_held.size());
}

QList<ScriptedServer::Request> ScriptedServer::heldRequests() const
{
    QList<Request> requests;
    for (const Held& held : m_held)
        requests.append(held.request);
    return requests;
}

qint64 ScriptedServer::streamedBytes() const
{
    return m_streamed;
}

int ScriptedServer::connectionCount() const
{
    return m_connections;
}

const QList<ScriptedServer::Request>& ScriptedServer::requests() const
{
    return m_requests;
}

void ScriptedServer::clearRequests()
{
    m_requests.clear();
}

void ScriptedServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_connections;
        auto* connection = new Connection(socket, this);
        connect(socket, &QTcpSocket::readyRead, connection, [this, connection] {
            connection->buffer += connection->socket->readAll();
            serve(connection);
        });
        connect(socket, &QTcpSocket::bytesWritten, connection, [this, connection] { stream(connection); });
        connect(socket, &QTcpSocket::disconnected, connection, [connection] { connection->deleteLater(); });
        connect(socket, &QTcpSocket::errorOccurred, connection, [connection](QAbstractSocket::SocketError) {
            connection->deleteLater();
        });
    }
}

void ScriptedServer::serve(Connection* connection)
{
    while (!connection->busy && !connection->closing) {
        Request request;
        const Parse result = takeRequest(connection->buffer, request);
        if (result == Parse::Incomplete)
            return;
        if (result == Parse::Broken) {
            connection->closing = true;
            connection->socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            connection->socket->disconnectFromHost();
            return;
        }

        m_requests.append(request);
        emit requestReceived(request);

        Response response;
        if (!m_queue.isEmpty()) {
            response = m_queue.takeFirst();
        } else if (m_handler) {
            response = m_handler(request);
        } else {
            response.status = 404;
            response.body = R"({"detail":"Not Found"})";
        }

        connection->current = request;
        perform(connection, std::move(response));
    }
}

void ScriptedServer::perform(Connection* connection, Response response)
{
    if (response.delayMs > 0) {
        connection->busy = true;
        const int delay = std::exchange(response.delayMs, 0);
        QTimer::singleShot(delay, connection, [this, connection, response = std::move(response)]() mutable {
            perform(connection, std::move(response));
        });
        return;
    }
    // The client may have given up while the answer waited.
    if (connection->socket->state() != QAbstractSocket::ConnectedState)
        return;

    switch (response.action) {
    case Response::Action::Answer:
        answer(connection, response);
        return;
    case Response::Action::Hold:
        connection->busy = true;
        m_held.append(Held{connection, connection->current, std::move(response)});
        return;
    case Response::Action::Stall:
        connection->busy = true;
        return;
    case Response::Action::ResetMidBody: {
        connection->busy = true;
        connection->closing = true;
        const QByteArray body = response.body.isEmpty() ? QByteArray(64, '{') : response.body;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status)
                          + "\r\nContent-Type: application/json\r\nContent-Length: "
                          + QByteArray::number(body.size()) + "\r\n\r\n";
        connection->socket->write(head + body.left(body.size() / 2));
        connection->socket->flush();
        connection->socket->abort();
        return;
    }
    case Response::Action::Close:
        connection->closing = true;
        connection->socket->close();
        return;
    }
}

void ScriptedServer::answer(Connection* connection, const Response& response)
{
    const bool bodyAllowed = mayHaveBody(response.status);
    const bool streaming = bodyAllowed && response.streamBytes > 0;
    const bool chunked = streaming ? !hasHeader(response.headers, "Content-Length")
                                   : headerValue(response.headers, "Transfer-Encoding").toLower().contains("chunked");

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status)
                      + "\r\n";
    if (!hasHeader(response.headers, "Content-Type"))
        head += "Content-Type: application/json\r\n";
    if (bodyAllowed && !chunked && !hasHeader(response.headers, "Content-Length"))
        head += "Content-Length: " + QByteArray::number(response.body.size() + response.streamBytes) + "\r\n";
    if (chunked && !hasHeader(response.headers, "Transfer-Encoding"))
        head += "Transfer-Encoding: chunked\r\n";
    for (auto it = response.headers.cbegin(); it != response.headers.cend(); ++it)
        head += it.key() + ": " + it.value() + "\r\n";
    head += "\r\n";

    QByteArray body = bodyAllowed ? response.body : QByteArray();
    if (chunked && !body.isEmpty())
        body = QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n";
    connection->socket->write(head + body);

    if (streaming) {
        m_streamed = 0;
        connection->busy = true;
        connection->streamLeft = response.streamBytes;
        connection->streamChunked = chunked;
        stream(connection);
        return;
    }
    if (chunked)
        connection->socket->write("0\r\n\r\n");
    finish(connection);
}

void ScriptedServer::stream(Connection* connection)
{
    QTcpSocket* socket = connection->socket;
    while (connection->streamLeft > 0 && socket->state() == QAbstractSocket::ConnectedState
           && socket->bytesToWrite() < streamWindow) {
        const qint64 size = std::min(streamChunk, connection->streamLeft);
        const QByteArray filler(size, ' ');
        socket->write(connection->streamChunked ? QByteArray::number(size, 16) + "\r\n" + filler + "\r\n" : filler);
        connection->streamLeft -= size;
        m_streamed += size;
        if (connection->streamLeft == 0) {
            if (connection->streamChunked)
                socket->write("0\r\n\r\n");
            finish(connection);
            return;
        }
    }
}

void ScriptedServer::finish(Connection* connection)
{
    connection->busy = false;
    // Later requests may already be waiting in the buffer (keep-alive); serve
    // them from the event loop so a release never answers re-entrantly.
    QTimer::singleShot(0, connection, [this, connection] { serve(connection); });
}
