#include "output/RunLog.h"

namespace tovik {

void RunLog::appendLine(const QString &line)
{
    m_text += line;
    m_text += crlf;
}

void RunLog::appendTiming(quint32 elapsedMs)
{
    m_text += QStringLiteral("Time = ");
    m_text += QString::number(elapsedMs);
    m_text += QStringLiteral(" ms");
    m_text += crlf;
    m_text += crlf;
}

} // namespace tovik
