#include "RawTdsClient.h"

#include <QDeadlineTimer>
#include <QtEndian>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tovik::test {

namespace {

constexpr int kHeaderSize = 8;

void appendLe16(QByteArray &out, quint16 value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

void appendLe32(QByteArray &out, quint32 value)
{
    appendLe16(out, static_cast<quint16>(value));
    appendLe16(out, static_cast<quint16>(value >> 16));
}

QByteArray utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

QByteArray allHeaders()
{
    QByteArray out;
    appendLe32(out, 22);
    appendLe32(out, 18);
    appendLe16(out, 2);
    out.append(QByteArray(8, '\0'));
    appendLe32(out, 1);
    return out;
}

} // namespace

RawTdsClient::~RawTdsClient()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

bool RawTdsClient::connectTo(const QString &address, quint16 port)
{
    sockaddr_in target {};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    if (inet_pton(AF_INET, address.toLatin1().constData(), &target.sin_addr) != 1)
        return false;
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return ::connect(m_socket, reinterpret_cast<sockaddr *>(&target), sizeof target) == 0;
}

bool RawTdsClient::sendMessage(quint8 type, const QByteArray &payload, int packetSize)
{
    const qsizetype perPacket = packetSize - kHeaderSize;
    QByteArray out;
    qsizetype offset = 0;
    do {
        const qsizetype chunk = qMin(perPacket, payload.size() - offset);
        const bool last = offset + chunk == payload.size();
        out.append(static_cast<char>(type));
        out.append(static_cast<char>(last ? 0x01 : 0x00));
        const quint16 length = static_cast<quint16>(chunk + kHeaderSize);
        out.append(static_cast<char>(length >> 8));
        out.append(static_cast<char>(length & 0xFF));
        out.append(QByteArray(2, '\0'));
        out.append(static_cast<char>(1));
        out.append('\0');
        out.append(payload.mid(offset, chunk));
        offset += chunk;
    } while (offset < payload.size());
    return sendBytes(out);
}

bool RawTdsClient::sendBytes(const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t result = ::send(m_socket, bytes.constData() + sent,
            static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (result <= 0)
            return false;
        sent += result;
    }
    return true;
}

bool RawTdsClient::readExactly(char *target, qsizetype count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype done = 0;
    while (done < count) {
        pollfd descriptor {m_socket, POLLIN, 0};
        if (::poll(&descriptor, 1, static_cast<int>(qMax<qint64>(0, deadline.remainingTime())))
            <= 0)
            return false;
        const ssize_t result
            = ::recv(m_socket, target + done, static_cast<size_t>(count - done), 0);
        if (result <= 0)
            return false;
        done += result;
    }
    return true;
}

std::optional<TdsReply> RawTdsClient::readReply(int timeoutMs)
{
    TdsReply reply;
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        QByteArray header(kHeaderSize, '\0');
        if (!readExactly(header.data(), kHeaderSize, static_cast<int>(deadline.remainingTime())))
            return std::nullopt;
        const int length = qFromBigEndian<quint16>(header.constData() + 2);
        QByteArray body(length - kHeaderSize, '\0');
        if (!readExactly(body.data(), body.size(), static_cast<int>(deadline.remainingTime())))
            return std::nullopt;
        reply.packets << header + body;
        reply.body += body;
        if (header[1] & 0x01)
            break;
    }
    const auto tokens = TdsReply::decode(reply.body);
    reply.decoded = tokens.has_value();
    if (tokens)
        reply.tokens = *tokens;
    return reply;
}

bool RawTdsClient::waitForClose(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    char buffer[4096];
    while (!deadline.hasExpired()) {
        pollfd descriptor {m_socket, POLLIN, 0};
        if (::poll(&descriptor, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            return false;
        const ssize_t result = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (result <= 0)
            return true;
    }
    return false;
}

std::optional<TdsReply> RawTdsClient::login(const TdsLogin &login)
{
    if (!sendMessage(Prelogin, preloginPayload()) || !readReply())
        return std::nullopt;
    if (!sendMessage(Login7, login7Payload(login)))
        return std::nullopt;
    return readReply();
}

std::optional<TdsReply> RawTdsClient::query(const QString &sql, int timeoutMs)
{
    if (!sendMessage(SqlBatch, sqlBatchPayload(sql)))
        return std::nullopt;
    return readReply(timeoutMs);
}

QByteArray RawTdsClient::preloginPayload()
{
    // VERSION (6 bytes), ENCRYPTION (1 byte: not supported), terminator.
    QByteArray out;
    out.append("\x00\x00\x0B\x00\x06", 5);
    out.append("\x01\x00\x11\x00\x01", 5);
    out.append('\xFF');
    out.append("\x0C\x00\x00\x00\x00\x00", 6);
    out.append('\x02');
    return out;
}

QByteArray RawTdsClient::obfuscated(const QString &password)
{
    QByteArray bytes = utf16(password);
    for (char &c : bytes) {
        auto b = static_cast<quint8>(c);
        b = static_cast<quint8>((b << 4) | (b >> 4));
        c = static_cast<char>(b ^ 0xA5);
    }
    return bytes;
}

QByteArray RawTdsClient::login7Payload(const TdsLogin &login)
{
    const QList<QByteArray> fields {utf16("testhost"), utf16(login.user),
        obfuscated(login.password), utf16("raw-tds-test"), utf16("127.0.0.1"), QByteArray(),
        utf16("RawTdsClient"), QByteArray(), utf16(login.database)};
    constexpr int kFixed = 94;
    QByteArray variable;
    QByteArray offsets;
    for (const QByteArray &field : fields) {
        appendLe16(offsets, static_cast<quint16>(kFixed + variable.size()));
        appendLe16(offsets, static_cast<quint16>(field.size() / 2));
        variable += field;
    }
    QByteArray out;
    appendLe32(out, static_cast<quint32>(kFixed + variable.size() + login.sspi.size()));
    appendLe32(out, login.tdsVersion);
    appendLe32(out, login.packetSize);
    appendLe32(out, 7);
    appendLe32(out, 4242);
    appendLe32(out, 0);
    out.append('\xE0');
    out.append(static_cast<char>(0x03 | (login.integrated ? 0x80 : 0x00)));
    out.append('\0');
    out.append('\0');
    appendLe32(out, 0);
    appendLe32(out, 0x0409);
    out += offsets;
    out.append(QByteArray(6, '\0'));
    const auto end = static_cast<quint16>(kFixed + variable.size());
    const auto sspiLength = static_cast<quint16>(login.sspiLengthLong ? 0xFFFF : login.sspi.size());
    appendLe16(out, end);
    appendLe16(out, sspiLength);
    // Attached database file and new password: empty, after the token.
    const auto afterToken = static_cast<quint16>(end + login.sspi.size());
    for (int i = 0; i < 2; ++i) {
        appendLe16(out, afterToken);
        appendLe16(out, 0);
    }
    appendLe32(out, login.sspiLengthLong ? static_cast<quint32>(login.sspi.size()) : 0);
    return out + variable + login.sspi;
}

QByteArray RawTdsClient::sqlBatchPayload(const QString &sql)
{
    return allHeaders() + utf16(sql);
}

QByteArray RawTdsClient::rpcPayload(quint16 procedureId)
{
    QByteArray out = allHeaders();
    appendLe16(out, 0xFFFF);
    appendLe16(out, procedureId);
    appendLe16(out, 0);
    return out;
}

QByteArray RawTdsClient::rpcPayload(const QString &procedureName)
{
    QByteArray out = allHeaders();
    appendLe16(out, static_cast<quint16>(procedureName.size()));
    out += utf16(procedureName);
    appendLe16(out, 0);
    return out;
}

QByteArray RawTdsClient::transactionPayload(quint16 requestType)
{
    QByteArray out = allHeaders();
    appendLe16(out, requestType);
    out.append('\0');
    out.append('\0');
    return out;
}

} // namespace tovik::test
