#include "db/SqlBrowserLookup.h"

#include "db/ServerEndpoint.h"

#include <QHostInfo>
#include <QUdpSocket>

namespace tovik {

namespace {

// CLNT_UCAST_INST: one instance's details; the answer is SVR_RESP, its size, then
// "ServerName;…;InstanceName;…;tcp;PORT;;".
constexpr char kUnicastInstance = 0x04;
constexpr char kResponse = 0x05;
constexpr int kResponseHeader = 3;

std::optional<quint16> portInAnswer(const QByteArray &answer)
{
    if (answer.size() <= kResponseHeader || answer.at(0) != kResponse)
        return std::nullopt;
    const QList<QByteArray> fields = answer.mid(kResponseHeader).split(';');
    for (qsizetype at = 0; at + 1 < fields.size(); at += 2) {
        if (fields.at(at).compare("tcp", Qt::CaseInsensitive) != 0)
            continue;
        bool ok = false;
        const quint16 port = fields.at(at + 1).toUShort(&ok);
        if (ok && port != 0)
            return port;
    }
    return std::nullopt;
}

} // namespace

std::optional<quint16> SqlBrowserLookup::tcpPort(
    const QString &host, const QString &instance, int waitMs)
{
    const QHostInfo info = QHostInfo::fromName(host);
    if (info.addresses().isEmpty())
        return std::nullopt;
    QUdpSocket socket;
    const QByteArray request = kUnicastInstance + instance.toLocal8Bit();
    if (socket.writeDatagram(request, info.addresses().constFirst(), ServerEndpoint::kBrowserPort)
        != request.size())
        return std::nullopt;
    if (!socket.waitForReadyRead(waitMs) || socket.pendingDatagramSize() <= 0)
        return std::nullopt;
    QByteArray answer(socket.pendingDatagramSize(), Qt::Uninitialized);
    if (socket.readDatagram(answer.data(), answer.size()) < 0)
        return std::nullopt;
    return portInAnswer(answer);
}

} // namespace tovik
