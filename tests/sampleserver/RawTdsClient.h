#pragma once

#include "TdsReply.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tovik::test {

// What a raw client puts into its LOGIN7.
struct TdsLogin
{
    QString user = "sa";
    QString password;
    QString database = "SNMPCONLINE";
    quint32 tdsVersion = 0x74000004;
    quint32 packetSize = 4096;
    bool integrated = false;
    QByteArray sspi; // the security token of an integrated login
    bool sspiLengthLong = false; // its length in cbSSPILong, cbSSPI 0xFFFF
};

// A TDS client written for the tests, byte by byte from the protocol, to send what FreeTDS never
// sends (split packets, ATTENTION at chosen moments, garbage) and to look at replies packet by
// packet.
class RawTdsClient
{
public:
    enum PacketType : quint8 {
        SqlBatch = 0x01,
        Rpc = 0x03,
        Attention = 0x06,
        BulkLoad = 0x07,
        TransactionManager = 0x0E,
        Login7 = 0x10,
        Prelogin = 0x12,
    };

    RawTdsClient() = default;
    ~RawTdsClient();
    RawTdsClient(const RawTdsClient &) = delete;
    RawTdsClient &operator=(const RawTdsClient &) = delete;

    bool connectTo(const QString &address, quint16 port);
    bool sendMessage(quint8 type, const QByteArray &payload, int packetSize = 4096);
    bool sendBytes(const QByteArray &bytes);
    std::optional<TdsReply> readReply(int timeoutMs = 5000);
    // True when the server closes the connection within the time.
    bool waitForClose(int timeoutMs = 5000);
    // PRELOGIN, then LOGIN7; the reply to LOGIN7.
    std::optional<TdsReply> login(const TdsLogin &login = TdsLogin());
    std::optional<TdsReply> query(const QString &sql, int timeoutMs = 5000);

    static QByteArray preloginPayload();
    static QByteArray login7Payload(const TdsLogin &login);
    static QByteArray sqlBatchPayload(const QString &sql);
    static QByteArray rpcPayload(quint16 procedureId);
    static QByteArray rpcPayload(const QString &procedureName);
    static QByteArray transactionPayload(quint16 requestType);
    static QByteArray obfuscated(const QString &password);

private:
    bool readExactly(char *target, qsizetype count, int timeoutMs);

    int m_socket = -1;
};

} // namespace tovik::test
