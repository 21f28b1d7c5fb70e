#pragma once

#include <QString>
#include <QVariant>

namespace tovik {

// A column value as the run log writes it: numbers in plain decimal, texts as they are,
// NULL as empty text.
QString valueText(const QVariant &value);

} // namespace tovik
