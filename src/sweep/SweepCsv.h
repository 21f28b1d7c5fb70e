#pragma once

#include <QIODevice>

namespace tovik {

struct SweepResult;
struct SweepSettings;

// The sweep's rows as csv (RFC 4180, UTF-8, CR LF): hour,report_id,node_id,node_name,address,
// count,caught,samples, one line per row, caught by the settings' occurrences, samples the hour's
// samples at any load.
class SweepCsv
{
public:
    static bool write(QIODevice &device, const SweepResult &result, const SweepSettings &settings);
    // A field quoted when it holds a comma, a quote or a line break, quotes doubled.
    static QByteArray field(const QString &text);
};

} // namespace tovik
