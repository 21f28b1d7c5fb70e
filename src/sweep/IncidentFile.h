#pragma once

#include "sweep/Incident.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace tovik {

// An incidents file: csv in UTF-8 under the header "start,end,device,note" (or
// "start,end,device"), fields double-quoted where they hold a comma, times as
// "YYYY-MM-DD HH:MM:SS" in the server's wall clock. A file with one bad line is refused whole.
class IncidentFile
{
public:
    // Nothing, with "the incidents file PATH, line N: REASON" (or why the file could not be read),
    // when the file is refused.
    static std::optional<QList<Incident>> read(const QString &path, QString *failure);
    // read() of a file's bytes; path only names it in the failure.
    static std::optional<QList<Incident>> parse(
        const QByteArray &csv, const QString &path, QString *failure);
};

} // namespace tovik
