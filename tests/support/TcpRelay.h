#pragma once

#include <QByteArray>
#include <QMutex>
#include <QThread>

class QTcpServer;
class QTcpSocket;

namespace tovik::test {

// A loopback forwarder between a client and a server that keeps every byte of both directions,
// to see what an eavesdropper on the wire would see. It runs in a thread of its own, so that a
// test may block on a client process or a connection of its own meanwhile.
class TcpRelay
{
public:
    // Listens on a free loopback port and forwards each connection to 127.0.0.1:targetPort.
    explicit TcpRelay(quint16 targetPort);
    ~TcpRelay();
    TcpRelay(const TcpRelay &) = delete;
    TcpRelay &operator=(const TcpRelay &) = delete;

    quint16 port() const { return m_port; }
    QByteArray fromClient() const;
    QByteArray fromServer() const;

private:
    void forward(QTcpSocket *client);
    void record(QByteArray &bytes, const QByteArray &more);

    const quint16 m_targetPort;
    QThread m_thread;
    QTcpServer *m_listener = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QByteArray m_fromClient;
    QByteArray m_fromServer;
};

} // namespace tovik::test
