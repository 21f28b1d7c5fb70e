#include "sweep/IncidentFile.h"

namespace tovik {

std::optional<QList<Incident>> IncidentFile::read(const QString &path, QString *failure)
{
    Q_UNUSED(path);
    Q_UNUSED(failure);
    return QList<Incident>();
}

std::optional<QList<Incident>> IncidentFile::parse(
    const QByteArray &csv, const QString &path, QString *failure)
{
    Q_UNUSED(csv);
    Q_UNUSED(path);
    Q_UNUSED(failure);
    return QList<Incident>();
}

} // namespace tovik
