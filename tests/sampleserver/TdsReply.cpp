#include "TdsReply.h"

#include <QDateTime>
#include <QtEndian>
#include <cstring>

namespace tovik::test {

namespace {

class Cursor
{
public:
    explicit Cursor(const QByteArray &data)
        : m_data(data)
    {
    }

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at >= m_data.size(); }

    QByteArray take(qsizetype count)
    {
        if (count < 0 || m_at + count > m_data.size()) {
            m_ok = false;
            m_at = m_data.size();
            return {};
        }
        const QByteArray part = m_data.mid(m_at, count);
        m_at += count;
        return part;
    }
    quint8 u8()
    {
        const QByteArray b = take(1);
        return b.isEmpty() ? 0 : static_cast<quint8>(b[0]);
    }
    quint16 u16()
    {
        const QByteArray b = take(2);
        return b.size() == 2 ? qFromLittleEndian<quint16>(b.constData()) : 0;
    }
    quint32 u32()
    {
        const QByteArray b = take(4);
        return b.size() == 4 ? qFromLittleEndian<quint32>(b.constData()) : 0;
    }
    quint64 u64()
    {
        const QByteArray b = take(8);
        return b.size() == 8 ? qFromLittleEndian<quint64>(b.constData()) : 0;
    }
    QString utf16(qsizetype characters)
    {
        const QByteArray b = take(characters * 2);
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(b.constData()), b.size() / 2);
    }

private:
    const QByteArray &m_data;
    qsizetype m_at = 0;
    bool m_ok = true;
};

constexpr quint8 kIntN = 0x26;
constexpr quint8 kFloatN = 0x6D;
constexpr quint8 kDateTimeN = 0x6F;
constexpr quint8 kNVarChar = 0xE7;

QVariant integerValue(const QByteArray &bytes)
{
    switch (bytes.size()) {
    case 2:
        return qFromLittleEndian<qint16>(bytes.constData());
    case 4:
        return qFromLittleEndian<qint32>(bytes.constData());
    case 8:
        return qFromLittleEndian<qint64>(bytes.constData());
    default:
        return {};
    }
}

QVariant dateTimeValue(const QByteArray &bytes)
{
    const qint32 days = qFromLittleEndian<qint32>(bytes.constData());
    const quint32 ticks = qFromLittleEndian<quint32>(bytes.constData() + 4);
    const QDateTime base(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC);
    const qint64 ms = (static_cast<qint64>(ticks) * 1000 + 150) / 300;
    return base.addDays(days).addMSecs(ms);
}

QVariant value(Cursor &cursor, quint8 type)
{
    if (type == kNVarChar) {
        const quint16 length = cursor.u16();
        if (length == 0xFFFF)
            return QVariant(QMetaType::fromType<QString>());
        return cursor.utf16(length / 2);
    }
    const quint8 length = cursor.u8();
    if (length == 0)
        return {};
    const QByteArray bytes = cursor.take(length);
    if (type == kIntN)
        return integerValue(bytes);
    if (type == kFloatN && bytes.size() == 8) {
        double d = 0;
        std::memcpy(&d, bytes.constData(), sizeof d);
        return d;
    }
    if (type == kDateTimeN && bytes.size() == 8)
        return dateTimeValue(bytes);
    return {};
}

bool columnMetadata(Cursor &cursor, TdsToken &token)
{
    const quint16 count = cursor.u16();
    for (quint16 i = 0; i < count && cursor.ok(); ++i) {
        cursor.u32();
        cursor.u16();
        const quint8 type = cursor.u8();
        if (type == kNVarChar) {
            cursor.u16();
            cursor.take(5);
        } else if (type == kIntN || type == kFloatN || type == kDateTimeN) {
            cursor.u8();
        } else {
            return false;
        }
        token.columnTypes << type;
        token.columnNames << cursor.utf16(cursor.u8());
    }
    return cursor.ok();
}

void message(Cursor &cursor, TdsToken &token)
{
    cursor.u16();
    token.number = static_cast<qint32>(cursor.u32());
    cursor.u8();
    token.severity = cursor.u8();
    token.text = cursor.utf16(cursor.u16());
    cursor.utf16(cursor.u8());
    cursor.utf16(cursor.u8());
    cursor.u32();
}

void envChange(Cursor &cursor, TdsToken &token)
{
    const QByteArray content = cursor.take(cursor.u16());
    Cursor inner(content);
    token.envType = inner.u8();
    const bool binary = token.envType == 7 || (token.envType >= 8 && token.envType <= 10);
    const int unit = binary ? 1 : 2;
    token.newValue = inner.take(inner.u8() * unit);
    token.oldValue = inner.take(inner.u8() * unit);
    if (!binary) {
        token.text
            = QString::fromUtf16(reinterpret_cast<const char16_t *>(token.newValue.constData()),
                token.newValue.size() / 2);
    }
}

void loginAck(Cursor &cursor, TdsToken &token)
{
    const QByteArray content = cursor.take(cursor.u16());
    Cursor inner(content);
    inner.u8();
    token.tdsVersion = qFromBigEndian<quint32>(inner.take(4).constData());
    token.text = inner.utf16(inner.u8());
}

} // namespace

std::optional<QList<TdsToken>> TdsReply::decode(const QByteArray &body)
{
    QList<TdsToken> tokens;
    Cursor cursor(body);
    QList<quint8> columns;
    while (!cursor.atEnd()) {
        TdsToken token;
        token.type = cursor.u8();
        switch (token.type) {
        case Error:
        case Info:
            message(cursor, token);
            break;
        case EnvChange:
            envChange(cursor, token);
            break;
        case LoginAck:
            loginAck(cursor, token);
            break;
        case Done:
        case DoneProc:
        case DoneInProc:
            token.status = cursor.u16();
            cursor.u16();
            token.rowCount = cursor.u64();
            break;
        case ReturnStatus:
            token.number = static_cast<qint32>(cursor.u32());
            break;
        case ColMetadata:
            if (!columnMetadata(cursor, token))
                return std::nullopt;
            columns = token.columnTypes;
            break;
        case Row:
            for (quint8 type : columns)
                token.values << value(cursor, type);
            break;
        default:
            return std::nullopt;
        }
        if (!cursor.ok())
            return std::nullopt;
        tokens << token;
    }
    return tokens;
}

QList<TdsToken> TdsReply::ofType(quint8 type) const
{
    QList<TdsToken> matching;
    for (const TdsToken &token : tokens) {
        if (token.type == type)
            matching << token;
    }
    return matching;
}

QList<qint32> TdsReply::errorNumbers() const
{
    QList<qint32> numbers;
    for (const TdsToken &token : ofType(Error))
        numbers << token.number;
    return numbers;
}

QList<QVariantList> TdsReply::rows() const
{
    QList<QVariantList> rows;
    for (const TdsToken &token : ofType(Row))
        rows << token.values;
    return rows;
}

int TdsReply::finalDoneStatus() const
{
    for (auto it = tokens.crbegin(); it != tokens.crend(); ++it) {
        if (it->type == Done || it->type == DoneProc || it->type == DoneInProc)
            return it->status;
    }
    return -1;
}

} // namespace tovik::test
