#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>
#include <limits>
#include <optional>

namespace tovik {

// Texts typed by the user and values delivered by the database become integers here.
// A text is read as a decimal number with the locale's decimal separator; a fraction is
// rounded to the nearest whole number, a half to the even neighbour. Blanks around the
// number are allowed, anything else that is not a digit fails.
class IntegerConversion
{
public:
    // The rounded value, or nothing when the text is no number. Values beyond the 64-bit
    // range come back clamped to it, which every range check below still rejects.
    static std::optional<qint64> roundedValue(const QString &text, const QLocale &locale = {});

    static std::optional<qint16> toInt16(const QString &text, const QLocale &locale = {});
    static std::optional<qint32> toInt32(const QString &text, const QLocale &locale = {});

    // A database value: NULL, a value that is no number, or one out of range gives nothing.
    static std::optional<qint16> toInt16(const QVariant &value);
    static std::optional<qint32> toInt32(const QVariant &value);
    // A database integer read as such: NULL or one out of range gives nothing. Inline, as a
    // sweep reads tens of millions of them.
    static std::optional<qint32> toInt32(std::optional<qint64> value)
    {
        return inRange<qint32>(value);
    }

    template<typename T>
    static std::optional<T> inRange(std::optional<qint64> value)
    {
        if (!value || *value < std::numeric_limits<T>::min()
            || *value > std::numeric_limits<T>::max())
            return std::nullopt;
        return static_cast<T>(*value);
    }

    // Why a text did not convert to a signed 16-bit integer, for the user's eyes.
    static QString int16Failure(
        const QString &fieldName, const QString &text, const QLocale &locale = {});
};

} // namespace tovik
