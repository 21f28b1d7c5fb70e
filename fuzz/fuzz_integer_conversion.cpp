#include "common/IntegerConversion.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

// Input: the first byte picks the locale ('c' C, 'e' en_US, 'd' de_DE, 'a' ar_EG, any other
// byte by its value), the rest is the typed text in UTF-8. The same rest, read as a double,
// also goes through the conversion of database values.

namespace tovik::test {

namespace {

using Wide = __int128;

constexpr qint64 clampLimit = std::numeric_limits<qint64>::max() / 10 - 1;
constexpr int fractionDigitsKept = 30;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

QLocale pickLocale(char selector)
{
    switch (selector) {
    case 'c':
        return QLocale::c();
    case 'e':
        return QLocale(QLocale::English, QLocale::UnitedStates);
    case 'd':
        return QLocale(QLocale::German, QLocale::Germany);
    case 'a':
        return QLocale(QLocale::Arabic, QLocale::Egypt);
    default:
        return pickLocale("cdea"[static_cast<unsigned char>(selector) % 4]);
    }
}

Wide powerOfTen(int exponent)
{
    Wide value = 1;
    for (int i = 0; i < exponent; ++i)
        value *= 10;
    return value;
}

// A second reading of a decimal text, done the slow way: the fraction is kept as an exact
// integer over a power of ten and compared with one half by arithmetic, not by its digits.
struct ReferenceNumber
{
    bool isNumber = false;
    bool negative = false;
    bool wholeBeyondClamp = false;
    Wide rounded = 0;
};

bool allAsciiDigits(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() < '0' || c.unicode() > '9')
            return false;
    }
    return true;
}

Wide readWhole(QStringView digits, bool *beyondClamp)
{
    Wide value = 0;
    for (QChar c : digits) {
        value = value * 10 + (c.unicode() - '0');
        if (value > clampLimit) {
            *beyondClamp = true;
            return value;
        }
    }
    return value;
}

bool roundsUp(QStringView fraction, Wide whole)
{
    const int kept = int(std::min<qsizetype>(fraction.size(), fractionDigitsKept));
    Wide numerator = 0;
    for (int i = 0; i < kept; ++i)
        numerator = numerator * 10 + (fraction[i].unicode() - '0');
    bool nonZeroBeyond = false;
    for (qsizetype i = kept; i < fraction.size(); ++i)
        nonZeroBeyond = nonZeroBeyond || fraction[i] != u'0';
    const Wide twice = 2 * numerator;
    const Wide denominator = powerOfTen(kept);
    if (twice != denominator)
        return twice > denominator;
    return nonZeroBeyond || whole % 2 != 0;
}

ReferenceNumber referenceRead(const QString &text, const QLocale &locale)
{
    ReferenceNumber result;
    QString rest = text.trimmed();
    if (rest.startsWith(u'-') || rest.startsWith(u'+')) {
        result.negative = rest.front() == u'-';
        rest.remove(0, 1);
    }
    const QString separator = locale.decimalPoint();
    const qsizetype at = rest.indexOf(separator);
    const QString whole = at < 0 ? rest : rest.left(at);
    const QString fraction = at < 0 ? QString() : rest.mid(at + separator.size());
    if ((whole.isEmpty() && fraction.isEmpty()) || !allAsciiDigits(whole)
        || !allAsciiDigits(fraction))
        return result;
    result.isNumber = true;
    const Wide wholeValue = readWhole(whole, &result.wholeBeyondClamp);
    if (result.wholeBeyondClamp)
        return result;
    result.rounded = wholeValue + (roundsUp(fraction, wholeValue) ? 1 : 0);
    if (result.negative)
        result.rounded = -result.rounded;
    return result;
}

template<typename T>
void checkRange(const std::optional<T> &converted, const ReferenceNumber &reference)
{
    const bool fits = reference.isNumber && !reference.wholeBeyondClamp
        && reference.rounded >= std::numeric_limits<T>::min()
        && reference.rounded <= std::numeric_limits<T>::max();
    require(converted.has_value() == fits);
    if (fits)
        require(Wide(*converted) == reference.rounded);
}

void checkText(const QString &text, const QLocale &locale)
{
    const ReferenceNumber reference = referenceRead(text, locale);
    const auto value = IntegerConversion::roundedValue(text, locale);
    require(value.has_value() == reference.isNumber);
    if (value && reference.wholeBeyondClamp)
        require(*value == (reference.negative ? -clampLimit : clampLimit));
    else if (value)
        require(Wide(*value) == reference.rounded);

    const auto small = IntegerConversion::toInt16(text, locale);
    checkRange(small, reference);
    checkRange(IntegerConversion::toInt32(text, locale), reference);
    if (!small) {
        const QString failure = IntegerConversion::int16Failure(QStringLiteral("F"), text, locale);
        require(failure.contains(QLatin1String("is not a number")) == !reference.isNumber);
        require(failure.size() < 120);
    }
}

// Database values arrive as doubles too; those round a half to even as well.
void checkDouble(double value)
{
    const auto converted = IntegerConversion::toInt16(QVariant(value));
    if (!std::isfinite(value) || std::fabs(value) > 1e15) {
        require(!converted);
        return;
    }
    const double below = std::floor(value);
    const double part = value - below;
    const bool up = part > 0.5 || (part == 0.5 && std::fmod(below, 2.0) != 0.0);
    const double rounded = up ? below + 1 : below;
    const bool fits = rounded >= -32768 && rounded <= 32767;
    require(converted.has_value() == fits);
    if (fits)
        require(*converted == rounded);
}

} // namespace

} // namespace tovik::test

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const char *bytes = reinterpret_cast<const char *>(data);
    const QLocale locale = tovik::test::pickLocale(bytes[0]);
    tovik::test::checkText(QString::fromUtf8(bytes + 1, qsizetype(size - 1)), locale);
    if (size >= 1 + sizeof(double)) {
        double value = 0;
        std::memcpy(&value, bytes + 1, sizeof value);
        tovik::test::checkDouble(value);
    }
    return 0;
}
