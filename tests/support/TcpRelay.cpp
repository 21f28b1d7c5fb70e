#include "TcpRelay.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace tovik::test {

TcpRelay::TcpRelay(quint16 targetPort)
    : m_targetPort(targetPort)
{
    m_thread.start();
    m_listener = new QTcpServer;
    m_listener->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_listener,
        [this] {
            m_listener->listen(QHostAddress::LocalHost);
            m_port = m_listener->serverPort();
            QObject::connect(m_listener, &QTcpServer::newConnection, m_listener, [this] {
                while (QTcpSocket *client = m_listener->nextPendingConnection())
                    forward(client);
            });
        },
        Qt::BlockingQueuedConnection);
}

TcpRelay::~TcpRelay()
{
    QMetaObject::invokeMethod(
        m_listener, [this] { delete m_listener; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void TcpRelay::forward(QTcpSocket *client)
{
    auto *server = new QTcpSocket(client);
    server->connectToHost(QHostAddress::LocalHost, m_targetPort);
    if (!server->waitForConnected(10000)) {
        client->abort();
        client->deleteLater();
        return;
    }
    const auto toServer = [this, client, server] {
        const QByteArray bytes = client->readAll();
        record(m_fromClient, bytes);
        server->write(bytes);
    };
    const auto toClient = [this, client, server] {
        const QByteArray bytes = server->readAll();
        record(m_fromServer, bytes);
        client->write(bytes);
    };
    QObject::connect(client, &QTcpSocket::readyRead, client, toServer);
    QObject::connect(server, &QTcpSocket::readyRead, client, toClient);
    QObject::connect(client, &QTcpSocket::disconnected, server, &QTcpSocket::disconnectFromHost);
    QObject::connect(server, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
    QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    // What the client sent while the server's side connected.
    toServer();
}

void TcpRelay::record(QByteArray &bytes, const QByteArray &more)
{
    const QMutexLocker lock(&m_mutex);
    bytes += more;
}

QByteArray TcpRelay::fromClient() const
{
    const QMutexLocker lock(&m_mutex);
    return m_fromClient;
}

QByteArray TcpRelay::fromServer() const
{
    const QMutexLocker lock(&m_mutex);
    return m_fromServer;
}

} // namespace tovik::test
