#pragma once

#include <QByteArray>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>

// The editor asks its web host for the newest version a second after it starts. A benchmark
// must never reach the network (nor wait on a machine that has none), so every benchmark's
// editor asks this server on 127.0.0.1 instead, which answers that the running version is the
// newest: no notice opens, nothing waits.
class LocalWebHost : public QObject {
public:
    explicit LocalWebHost(QByteArray version) : version_(std::move(version)) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }
    QByteArray host() const { return "http://127.0.0.1:" + QByteArray::number(server_.serverPort()); }

private:
    void answer(QTcpSocket* socket) {
        QByteArray& request = requests_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Length: " +
                      QByteArray::number(version_.size()) + "\r\nConnection: close\r\n\r\n" + version_);
        socket->disconnectFromHost();
        requests_.remove(socket);
    }

    QTcpServer server_;
    QByteArray version_;
    QHash<QTcpSocket*, QByteArray> requests_;
};
