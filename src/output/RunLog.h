#pragma once

#include <QString>

namespace tovik {

// The text of one run, only ever appended to. Lines end with CR LF.
class RunLog
{
public:
    static inline const QString crlf = QStringLiteral("\r\n");
    static inline const QChar tab = u'\t';

    void append(const QString &text) { m_text += text; }
    void appendLine(const QString &line = {});
    // "Time = <ms> ms", then an empty line.
    void appendTiming(quint32 elapsedMs);

    const QString &text() const { return m_text; }

private:
    QString m_text;
};

} // namespace tovik
