#include "db/PreloginChannel.h"

#include <QtEndian>

namespace tovik {

namespace {

constexpr char kPrelogin = 0x12;
// The server answers the PRELOGIN itself as a tabular result; the handshake's flights come back
// as PRELOGIN packets.
constexpr char kTabularResult = 0x04;
constexpr char kEndOfMessage = 0x01;
constexpr qsizetype kHeaderSize = 8;
constexpr qsizetype kPacketSize = 4096;
// A PRELOGIN answer or a handshake flight with its certificate chain is a few kilobytes; a server
// that sends more without ending its message is not followed further.
constexpr qsizetype kLongestMessage = 1 << 20;
constexpr quint8 kVersionOption = 0x00;
constexpr quint8 kEncryptionOption = 0x01;
constexpr quint8 kTerminator = 0xFF;
constexpr qsizetype kOptionEntrySize = 5;

void appendOption(QByteArray *payload, quint8 option, quint16 offset, quint16 length)
{
    char entry[kOptionEntrySize] = {char(option)};
    qToBigEndian(offset, entry + 1);
    qToBigEndian(length, entry + 3);
    payload->append(entry, kOptionEntrySize);
}

// VERSION (six bytes, the client's version, which servers do not check) and ENCRYPTION ON.
QByteArray encryptionOffer()
{
    constexpr quint16 kDataStart = 2 * kOptionEntrySize + 1;
    constexpr quint16 kVersionSize = 6;
    QByteArray payload;
    appendOption(&payload, kVersionOption, kDataStart, kVersionSize);
    appendOption(&payload, kEncryptionOption, kDataStart + kVersionSize, 1);
    payload += char(kTerminator);
    payload += QByteArray(kVersionSize, '\0');
    payload += char(PreloginChannel::Encryption::On);
    return payload;
}

std::optional<quint8> encryptionOption(const QByteArray &payload)
{
    for (qsizetype at = 0; at + kOptionEntrySize <= payload.size(); at += kOptionEntrySize) {
        const auto option = quint8(payload.at(at));
        if (option == kTerminator)
            break;
        const auto offset = qFromBigEndian<quint16>(payload.constData() + at + 1);
        const auto length = qFromBigEndian<quint16>(payload.constData() + at + 3);
        if (option == kEncryptionOption && length >= 1 && offset < payload.size())
            return quint8(payload.at(offset));
    }
    return std::nullopt;
}

} // namespace

PreloginChannel::PreloginChannel(int waitMs)
    : m_waitMs(waitMs)
{
}

bool PreloginChannel::open(const QString &host, quint16 port)
{
    m_socket.connectToHost(host, port);
    return m_socket.waitForConnected(m_waitMs);
}

std::optional<PreloginChannel::Encryption> PreloginChannel::offerEncryption()
{
    if (!send(encryptionOffer()))
        return std::nullopt;
    const std::optional<QByteArray> answer = receive();
    const std::optional<quint8> value = answer ? encryptionOption(*answer) : std::nullopt;
    if (!value || *value > quint8(Encryption::Required))
        return std::nullopt;
    return Encryption(*value);
}

bool PreloginChannel::send(const QByteArray &payload)
{
    quint8 packetId = 1;
    for (qsizetype at = 0; at < payload.size(); at += kPacketSize - kHeaderSize) {
        const QByteArray body = payload.mid(at, kPacketSize - kHeaderSize);
        const bool last = at + body.size() == payload.size();
        QByteArray packet(kHeaderSize, '\0');
        packet[0] = kPrelogin;
        packet[1] = last ? kEndOfMessage : char(0);
        qToBigEndian(quint16(kHeaderSize + body.size()), packet.data() + 2);
        packet[6] = char(packetId++);
        if (m_socket.write(packet + body) != packet.size() + body.size())
            return false;
    }
    while (m_socket.bytesToWrite() > 0) {
        if (!m_socket.waitForBytesWritten(m_waitMs))
            return false;
    }
    return true;
}

std::optional<QByteArray> PreloginChannel::receive()
{
    QByteArray message;
    for (;;) {
        QByteArray header;
        if (!readExactly(&header, kHeaderSize)
            || (header.at(0) != kPrelogin && header.at(0) != kTabularResult))
            return std::nullopt;
        const auto length = qFromBigEndian<quint16>(header.constData() + 2);
        QByteArray body;
        if (length < kHeaderSize || !readExactly(&body, length - kHeaderSize))
            return std::nullopt;
        message += body;
        if (message.size() > kLongestMessage)
            return std::nullopt;
        if (header.at(1) & kEndOfMessage)
            return message;
    }
}

bool PreloginChannel::readExactly(QByteArray *bytes, qsizetype size)
{
    while (m_socket.bytesAvailable() < size) {
        if (!m_socket.waitForReadyRead(m_waitMs))
            return false;
    }
    *bytes = m_socket.read(size);
    return true;
}

} // namespace tovik
