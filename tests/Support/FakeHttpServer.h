#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>
#include <sys/socket.h>

// A minimal HTTP/1.1 server on 127.0.0.1 for tests: it records each request and
// answers with whatever `handler` returns, one request per connection.
class FakeHttpServer final : public QObject {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // lower-case names
        QByteArray body;
    };

    struct Reply {
        enum class Mode {
            respond,
            silent,     // reads the request and never answers
            hangUp,     // closes the connection without a word
            resetMidBody, // sends the head and half the body, then resets the connection
            closeMidBody, // sends the head and half the body, then closes the connection
        };
        int status = 200;
        QByteArray body;
        Mode mode = Mode::respond;
        QList<QByteArray> extraHeaders;
        bool sendContentLength = true;
        qint64 declaredContentLength = -1; // overrides the real length when set
    };
    using Handler = std::function<Reply(const Request&)>;

    FakeHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { acceptConnections(); });
    }

    quint16 port() const { return m_server.serverPort(); }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port())); }

    static Reply json(int status, const QByteArray& body)
    {
        Reply reply;
        reply.status = status;
        reply.body = body;
        return reply;
    }

    Handler handler = [](const Request&) { return json(404, R"({"error":{"message":"not found"}})"); };
    QList<Request> requests;
    int connections = 0;

private:
    void acceptConnections()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            ++connections;
            socket->setParent(this);
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                *buffer += socket->readAll();
                serve(socket, *buffer);
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void serve(QTcpSocket* socket, QByteArray& buffer)
    {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0 || socket->property("answered").toBool())
            return;
        Request request;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() - headerEnd - 4 < length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        socket->setProperty("answered", true);
        requests.append(request);

        const Reply reply = handler(request);
        switch (reply.mode) {
        case Reply::Mode::silent:
            return;
        case Reply::Mode::hangUp:
            socket->abort();
            socket->deleteLater();
            return;
        case Reply::Mode::respond:
        case Reply::Mode::resetMidBody:
        case Reply::Mode::closeMidBody:
            break;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n";
        head += "Content-Type: application/json\r\nConnection: close\r\n";
        if (reply.sendContentLength) {
            const qint64 declared = reply.declaredContentLength >= 0 ? reply.declaredContentLength : reply.body.size();
            head += "Content-Length: " + QByteArray::number(declared) + "\r\n";
        }
        for (const QByteArray& header : reply.extraHeaders)
            head += header + "\r\n";
        const bool midBody = reply.mode == Reply::Mode::resetMidBody || reply.mode == Reply::Mode::closeMidBody;
        socket->write(head + "\r\n" + (midBody ? reply.body.left(reply.body.size() / 2) : reply.body));
        if (reply.mode == Reply::Mode::resetMidBody) {
            socket->flush();
            // Lingering for no time makes the close a reset rather than an orderly end.
            const linger reset{1, 0};
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            socket->abort();
            socket->deleteLater();
        } else if (reply.declaredContentLength < 0) {
            socket->disconnectFromHost();
        }
    }

    QTcpServer m_server;
};
