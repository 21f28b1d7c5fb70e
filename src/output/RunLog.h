#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tovik {

// The text of one run, only ever appended to. Lines end with CR LF. It is held in the local
// 8-bit encoding that the run-log file is written in: at tens of thousands of nodes the log runs
// to tens of megabytes, and held as bytes it takes half the memory of UTF-16 text and is written
// without a converted copy. Appended text gathers in a small buffer that is converted a piece at
// a time, which keeps the many short appends as cheap as on text.
class RunLog
{
public:
    static inline const QString crlf = QStringLiteral("\r\n");
    static inline const QChar tab = u'\t';

    void append(const QString &text);
    void append(const RunLog &other);
    void appendLine(const QString &line = {});
    // "Time = <ms> ms", then an empty line.
    void appendTiming(quint32 elapsedMs);

    // The whole text in the local 8-bit encoding.
    const QByteArray &bytes() const;

private:
    // Converts the gathered text; unless whole, a last high surrogate waits for its pair, so that
    // the bytes come out as one conversion of the whole text would.
    void convertGathered(bool whole) const;
    void appendBytes(QByteArrayView bytes) const;

    mutable QByteArray m_bytes;
    mutable QString m_gathered;
};

} // namespace tovik
