#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace tovik::test {

struct OdbcPair
{
    QString key;
    QString value;
};

// Reads a braced value the way the driver does. FreeTDS ends it at the first "}"; the other
// drivers follow the ODBC rule that "}}" stands for one "}". Returns where the value ends, or -1.
inline qsizetype readBracedOdbcValue(
    const QString &text, qsizetype from, bool freeTds, QString *value)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] != u'}') {
            *value += text[i];
            continue;
        }
        if (!freeTds && i + 1 < text.size() && text[i + 1] == u'}') {
            *value += u'}';
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

// The key=value pairs of a driver's connection string, each ended by ";", as the driver reads
// them: so that a test sees which value each key really carries. Nothing when it is malformed.
// Header-only, so that the fuzz targets take it without the rest of the test support.
inline std::optional<QList<OdbcPair>> parseOdbcString(const QString &text, bool freeTds)
{
    QList<OdbcPair> pairs;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype equals = text.indexOf(u'=', at);
        if (equals < 0)
            return std::nullopt;
        OdbcPair pair {text.mid(at, equals - at), QString()};
        if (pair.key.contains(u';'))
            return std::nullopt;
        at = equals + 1;
        if (at < text.size() && text[at] == u'{') {
            at = readBracedOdbcValue(text, at + 1, freeTds, &pair.value);
            if (at < 0)
                return std::nullopt;
        } else {
            const qsizetype end = text.indexOf(u';', at);
            pair.value = text.mid(at, end < 0 ? -1 : end - at);
            at = end < 0 ? text.size() : end;
        }
        if (at >= text.size() || text[at] != u';')
            return std::nullopt;
        ++at;
        pairs << pair;
    }
    return pairs;
}

} // namespace tovik::test
