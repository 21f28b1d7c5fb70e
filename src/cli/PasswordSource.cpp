#include "cli/PasswordSource.h"

#include <QFile>

namespace tovik::PasswordSource {

std::optional<QString> read(const QString &passwordFile, QString *failure)
{
    const QString fromEnvironment = qEnvironmentVariable(qPrintable(environmentVariable));
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (passwordFile.isEmpty())
        return QString();
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *failure = QStringLiteral("the password file %1 cannot be read: %2")
                       .arg(passwordFile, file.errorString());
        return std::nullopt;
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace tovik::PasswordSource
