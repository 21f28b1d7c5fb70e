#include "common/IntegerConversion.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tovik {

namespace {

constexpr qint64 clampLimit = std::numeric_limits<qint64>::max() / 10 - 1;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Rounds a non-negative magnitude by the digits after the separator, a half to even.
qint64 roundFraction(qint64 whole, QStringView fraction)
{
    if (fraction.isEmpty() || fraction.front() < u'5')
        return whole;
    if (fraction.front() > u'5')
        return whole + 1;
    const bool moreThanHalf
        = std::any_of(fraction.begin() + 1, fraction.end(), [](QChar c) { return c != u'0'; });
    if (moreThanHalf || whole % 2 != 0)
        return whole + 1;
    return whole;
}

// A pasted page of digits would otherwise stretch the message box off the screen.
QString shownText(const QString &text)
{
    constexpr qsizetype shownLength = 40;
    if (text.size() <= shownLength)
        return text;
    return text.left(shownLength) + QChar(0x2026);
}

template<typename T>
std::optional<T> fromVariant(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::SChar:
        return IntegerConversion::inRange<T>(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UChar: {
        const qulonglong v = value.toULongLong();
        return v > static_cast<qulonglong>(clampLimit)
            ? std::nullopt
            : IntegerConversion::inRange<T>(static_cast<qint64>(v));
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = value.toDouble();
        if (!std::isfinite(v) || std::fabs(v) > 1e15)
            return std::nullopt;
        // nearbyint rounds a half to the even neighbour in the default rounding mode.
        return IntegerConversion::inRange<T>(static_cast<qint64>(std::nearbyint(v)));
    }
    case QMetaType::Bool:
        return std::nullopt;
    default:
        return IntegerConversion::inRange<T>(IntegerConversion::roundedValue(value.toString()));
    }
}

} // namespace

std::optional<qint64> IntegerConversion::roundedValue(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    QStringView rest(trimmed);
    bool negative = false;
    if (!rest.isEmpty() && (rest.front() == u'-' || rest.front() == u'+')) {
        negative = rest.front() == u'-';
        rest = rest.mid(1);
    }
    const QString separator = locale.decimalPoint();
    const qsizetype separatorAt = rest.indexOf(separator);
    const QStringView whole = separatorAt < 0 ? rest : rest.left(separatorAt);
    const QStringView fraction
        = separatorAt < 0 ? QStringView() : rest.mid(separatorAt + separator.size());
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if (!std::all_of(whole.begin(), whole.end(), isAsciiDigit)
        || !std::all_of(fraction.begin(), fraction.end(), isAsciiDigit))
        return std::nullopt;

    qint64 magnitude = 0;
    for (QChar c : whole) {
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > clampLimit)
            return negative ? -clampLimit : clampLimit;
    }
    magnitude = roundFraction(magnitude, fraction);
    return negative ? -magnitude : magnitude;
}

std::optional<qint16> IntegerConversion::toInt16(const QString &text, const QLocale &locale)
{
    return inRange<qint16>(roundedValue(text, locale));
}

std::optional<qint32> IntegerConversion::toInt32(const QString &text, const QLocale &locale)
{
    return inRange<qint32>(roundedValue(text, locale));
}

std::optional<qint16> IntegerConversion::toInt16(const QVariant &value)
{
    return fromVariant<qint16>(value);
}

std::optional<qint32> IntegerConversion::toInt32(const QVariant &value)
{
    return fromVariant<qint32>(value);
}

QString IntegerConversion::int16Failure(
    const QString &fieldName, const QString &text, const QLocale &locale)
{
    const QString shown = shownText(text);
    if (!roundedValue(text, locale))
        return QStringLiteral("%1: \"%2\" is not a number").arg(fieldName, shown);
    return QStringLiteral("%1: %2 is outside the range -32768 to 32767").arg(fieldName, shown);
}

} // namespace tovik
