#include "explorer/models/Baseline.h"

namespace tovik {

Baseline::Shown Baseline::compare(const LadderResult *result, AlarmChoice current) const
{
    if (!m_setting || !result)
        return {QStringLiteral("No baseline kept."), {}};
    auto comparison = BaselineComparison::compare(*result, *m_setting, current);
    if (!comparison)
        return {BaselineComparison::unavailableText(*m_setting), {}};
    const QString text = comparison->text();
    return {text, std::make_shared<const BaselineComparison>(std::move(*comparison))};
}

} // namespace tovik
