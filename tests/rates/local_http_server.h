#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace kalvora::test {

// How the local server answers one path.
struct HttpAnswer {
    enum class Mode {
        Answer,  // the whole answer at once
        Silent,  // reads the request and never answers
        Trickle, // the head at once, then one byte of the body every 50 ms
    };
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    Mode mode = Mode::Answer;
    // Without a length the end of the body is marked by closing the connection.
    bool announceLength = true;
};

// A minimal HTTP/1.1 server on 127.0.0.1 for the rate fetch; unknown paths get 404.
class LocalHttpServer {
public:
    LocalHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { readRequest(socket); });
        });
    }

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
    }
    void route(const QByteArray& path, const HttpAnswer& answer) { m_routes.insert(path, answer); }
    int requestCount(const QByteArray& path) const { return m_requests.value(path); }

private:
    static QByteArray reason(int status)
    {
        switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        default:
            return "Status";
        }
    }

    void readRequest(QTcpSocket* socket)
    {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> requestLine = pending.left(pending.indexOf("\r\n")).split(' ');
        pending.clear();
        const QByteArray path = requestLine.size() > 1 ? requestLine.at(1) : QByteArray("/");
        ++m_requests[path];
        HttpAnswer answer;
        if (auto it = m_routes.constFind(path); it != m_routes.constEnd()) {
            answer = *it;
        } else {
            answer.status = 404;
            answer.body = "<html><body>Not Found</body></html>";
        }
        if (answer.mode == HttpAnswer::Mode::Silent)
            return;

        QByteArray head =
            "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) + "\r\n";
        for (const auto& [name, value] : answer.headers)
            head += name + ": " + value + "\r\n";
        if (answer.announceLength)
            head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";

        if (answer.mode == HttpAnswer::Mode::Trickle) {
            socket->write(head);
            auto* timer = new QTimer(socket);
            auto sent = std::make_shared<qsizetype>(0);
            QObject::connect(timer, &QTimer::timeout, socket, [socket, answer, sent] {
                if (*sent < answer.body.size())
                    socket->write(answer.body.mid((*sent)++, 1));
            });
            timer->start(50);
            return;
        }
        socket->write(head + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QByteArray, HttpAnswer> m_routes;
    QHash<QByteArray, int> m_requests;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

} // namespace kalvora::test
