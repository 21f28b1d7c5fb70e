#include "common/ValueText.h"

#include "common/TimeFormats.h"

#include <QDateTime>

namespace tovik {

QString valueText(const QVariant &value)
{
    // Test for NULL first: a NULL float would otherwise come out as "0".
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(TimeFormats::kSecond);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

} // namespace tovik
