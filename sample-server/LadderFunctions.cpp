#include "LadderFunctions.h"

#include "TextCodec.h"

#include <cstdint>
#include <cstring>
#include <sqlite3.h>
#include <string>

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

// One group's counts. The thresholds are bound values, the same for every row: they are
// converted at the group's first row only.
struct LadderState
{
    int thresholdCount = 0;
    bool ready = false;
    Number *thresholds = nullptr;
    sqlite3_int64 *counts = nullptr;
};

std::size_t stateBytes(int thresholdCount)
{
    return sizeof(LadderState)
        + std::size_t(thresholdCount) * (sizeof(Number) + sizeof(sqlite3_int64));
}

bool prepare(
    sqlite3_context *context, LadderState &state, int argumentCount, sqlite3_value **arguments)
{
    state.thresholdCount = argumentCount - 1;
    auto *memory = reinterpret_cast<unsigned char *>(&state) + sizeof(LadderState);
    state.thresholds = reinterpret_cast<Number *>(memory);
    state.counts = reinterpret_cast<sqlite3_int64 *>(
        memory + std::size_t(state.thresholdCount) * sizeof(Number));
    for (int i = 0; i < state.thresholdCount; ++i) {
        if (!isNumberOrNull(context, arguments[1 + i]))
            return false;
        state.thresholds[i] = Number::of(arguments[1 + i]);
    }
    state.ready = true;
    return true;
}

void ladderStep(sqlite3_context *context, int argumentCount, sqlite3_value **arguments)
{
    auto *state = static_cast<LadderState *>(
        sqlite3_aggregate_context(context, static_cast<int>(stateBytes(argumentCount - 1))));
    if (!state)
        return sqlite3_result_error_nomem(context);
    if (!state->ready && !prepare(context, *state, argumentCount, arguments))
        return;
    if (!isNumberOrNull(context, arguments[0]))
        return;
    const Number value = Number::of(arguments[0]);
    for (int i = 0; i < state->thresholdCount; ++i)
        state->counts[i] += value.atLeast(state->thresholds[i]) ? 1 : 0;
}

// The counts as a blob; NULL without any row, as SUM gives over no rows.
void ladderFinal(sqlite3_context *context)
{
    auto *state = static_cast<LadderState *>(sqlite3_aggregate_context(context, 0));
    if (!state || !state->ready)
        return sqlite3_result_null(context);
    sqlite3_result_blob(context, state->counts,
        static_cast<int>(sizeof(sqlite3_int64) * std::size_t(state->thresholdCount)),
        SQLITE_TRANSIENT);
}

void ladderAt(sqlite3_context *context, int, sqlite3_value **arguments)
{
    const sqlite3_int64 index = sqlite3_value_int64(arguments[1]);
    const int bytes = sqlite3_value_bytes(arguments[0]);
    const void *blob = sqlite3_value_blob(arguments[0]);
    if (!blob || index < 0 || (index + 1) * sqlite3_int64(sizeof(sqlite3_int64)) > bytes)
        return sqlite3_result_null(context);
    sqlite3_int64 count = 0;
    std::memcpy(&count, static_cast<const char *>(blob) + index * sqlite3_int64(sizeof count),
        sizeof count);
    sqlite3_result_int64(context, count);
}

} // namespace

void LadderFunctions::registerOn(sqlite3 *handle)
{
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(handle, std::string(kLadder).c_str(), -1, kFlags, nullptr, nullptr,
        &ladderStep, &ladderFinal);
    sqlite3_create_function(
        handle, std::string(kLadderAt).c_str(), 2, kFlags, nullptr, &ladderAt, nullptr, nullptr);
}

bool LadderFunctions::isLadderFunction(std::string_view name)
{
    const std::string lower = TextCodec::lowerAscii(name);
    return lower == kLadder || lower == kLadderAt;
}

} // namespace tovik::sampleserver
