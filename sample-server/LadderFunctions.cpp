#include "LadderFunctions.h"

#include "TextCodec.h"

#include <cstdint>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace tovik::sampleserver {

namespace {

// Whether the value is a number, or NULL, once converted as SQL Server converts a text that meets
// a number; the error of SQL Server's conversion otherwise.
bool isNumberOrNull(sqlite3_context *context, sqlite3_value *value)
{
    const int type = sqlite3_value_numeric_type(value);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT || type == SQLITE_NULL)
        return true;
    const auto *text = sqlite3_value_text(value);
    const std::string message = "Conversion failed when converting the varchar value '"
        + std::string(text ? reinterpret_cast<const char *>(text) : "") + "' to data type int.";
    sqlite3_result_error(context, message.c_str(), -1);
    return false;
}

// SQLite's exact order of an integer and a real: neither is rounded to the other's type.
int compareIntegerToReal(sqlite3_int64 integer, double real)
{
    if (real < -9223372036854775808.0)
        return 1;
    if (real >= 9223372036854775808.0)
        return -1;
    const auto truncated = static_cast<sqlite3_int64>(real);
    if (integer != truncated)
        return integer < truncated ? -1 : 1;
    const auto widened = static_cast<double>(integer);
    return widened < real ? -1 : widened > real ? 1 : 0;
}

// A number as SQLite holds it.
struct Number
{
    enum Kind { Null, Integer, Real };
    Kind kind = Null;
    sqlite3_int64 integer = 0;
    double real = 0;

    static Number of(sqlite3_value *value)
    {
        switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            return {Integer, sqlite3_value_int64(value), 0};
        case SQLITE_FLOAT:
            return {Real, 0, sqlite3_value_double(value)};
        default:
            return {};
        }
    }

    bool atLeast(const Number &other) const
    {
        if (kind == Null || other.kind == Null)
            return false;
        if (kind == Integer && other.kind == Integer)
            return integer >= other.integer;
        if (kind == Real && other.kind == Real)
            return real >= other.real;
        return kind == Integer ? compareIntegerToReal(integer, other.real) >= 0
                               : compareIntegerToReal(other.integer, real) <= 0;
    }
};

// The bound thresholds, converted once per statement: SQLite computes a deterministic function of
// bound values once and hands its pointer to every row, where bound values themselves would be
// copied into each row's call.
struct Thresholds
{
    std::vector<Number> values;
    // The values again when every one is an integer, as a sweep binds them, for integer loads.
    std::vector<sqlite3_int64> integers;
};

constexpr const char *kThresholdsType = "tovik-thresholds";

void thresholds(sqlite3_context *context, int argumentCount, sqlite3_value **arguments)
{
    auto converted = std::make_unique<Thresholds>();
    for (int i = 0; i < argumentCount; ++i) {
        if (!isNumberOrNull(context, arguments[i]))
            return;
        converted->values.push_back(Number::of(arguments[i]));
        if (converted->values.back().kind == Number::Integer)
            converted->integers.push_back(converted->values.back().integer);
    }
    if (converted->integers.size() != converted->values.size())
        converted->integers.clear();
    sqlite3_result_pointer(context, converted.release(), kThresholdsType,
        [](void *pointer) { delete static_cast<Thresholds *>(pointer); });
}

// One group's counts, as many as thresholds, after the group's first row.
struct LadderState
{
    std::size_t count = 0;
    sqlite3_int64 *counts() { return reinterpret_cast<sqlite3_int64 *>(this + 1); }
};

void ladderStep(sqlite3_context *context, int, sqlite3_value **arguments)
{
    const auto *ladder
        = static_cast<const Thresholds *>(sqlite3_value_pointer(arguments[1], kThresholdsType));
    if (!ladder)
        return sqlite3_result_error(context, "The thresholds of a ladder are missing.", -1);
    auto *state = static_cast<LadderState *>(sqlite3_aggregate_context(context,
        static_cast<int>(sizeof(LadderState) + ladder->values.size() * sizeof(sqlite3_int64))));
    if (!state)
        return sqlite3_result_error_nomem(context);
    state->count = ladder->values.size();
    sqlite3_int64 *counts = state->counts();
    if (!ladder->integers.empty() && sqlite3_value_type(arguments[0]) == SQLITE_INTEGER) {
        const sqlite3_int64 load = sqlite3_value_int64(arguments[0]);
        for (std::size_t i = 0; i < state->count; ++i)
            counts[i] += load >= ladder->integers[i] ? 1 : 0;
        return;
    }
    if (!isNumberOrNull(context, arguments[0]))
        return;
    const Number value = Number::of(arguments[0]);
    for (std::size_t i = 0; i < state->count; ++i)
        counts[i] += value.atLeast(ladder->values[i]) ? 1 : 0;
}

// The counts as a blob; NULL without any row, as SUM gives over no rows.
void ladderFinal(sqlite3_context *context)
{
    auto *state = static_cast<LadderState *>(sqlite3_aggregate_context(context, 0));
    if (!state)
        return sqlite3_result_null(context);
    sqlite3_result_blob(context, state->counts(),
        static_cast<int>(sizeof(sqlite3_int64) * state->count), SQLITE_TRANSIENT);
}

} // namespace

void LadderFunctions::registerOn(sqlite3 *handle)
{
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(handle, std::string(kLadder).c_str(), 2, kFlags, nullptr, nullptr,
        &ladderStep, &ladderFinal);
    sqlite3_create_function(handle, std::string(kThresholds).c_str(), -1, kFlags, nullptr,
        &thresholds, nullptr, nullptr);
}

bool LadderFunctions::isLadderFunction(std::string_view name)
{
    const std::string lower = TextCodec::lowerAscii(name);
    return lower == kLadder || lower == kThresholds;
}

} // namespace tovik::sampleserver
