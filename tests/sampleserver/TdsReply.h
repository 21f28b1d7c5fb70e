#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace tovik::test {

// One token of a server reply, decoded independently of the server's own code.
struct TdsToken
{
    quint8 type = 0;
    qint32 number = 0;
    quint8 severity = 0;
    QString text;
    quint16 status = 0;
    quint64 rowCount = 0;
    quint8 envType = 0;
    QByteArray newValue;
    QByteArray oldValue;
    quint32 tdsVersion = 0;
    QList<quint8> columnTypes;
    QStringList columnNames;
    QVariantList values;
};

// A reply message as the client receives it: its packets and the token stream of their bodies.
class TdsReply
{
public:
    enum Token : quint8 {
        ReturnStatus = 0x79,
        ColMetadata = 0x81,
        Error = 0xAA,
        Info = 0xAB,
        LoginAck = 0xAD,
        Row = 0xD1,
        EnvChange = 0xE3,
        Done = 0xFD,
        DoneProc = 0xFE,
        DoneInProc = 0xFF,
    };

    QList<QByteArray> packets;
    QByteArray body;
    QList<TdsToken> tokens;
    bool decoded = false;

    // Decodes a token stream of the types this server sends; nothing if it cannot.
    static std::optional<QList<TdsToken>> decode(const QByteArray &body);

    QList<TdsToken> ofType(quint8 type) const;
    QList<qint32> errorNumbers() const;
    QList<QVariantList> rows() const;
    // The status of the last DONE-like token, or -1.
    int finalDoneStatus() const;
};

} // namespace tovik::test
