#include "LadderFunctions.h"

#include "TextCodec.h"

#include <algorithm>
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
//
// When every threshold is an integer, as a sweep binds them, an integer load is not compared with
// each threshold but ranked: its rank is the number of thresholds at or below it, and a load is at
// or over a threshold exactly when its rank is at least the threshold's own. A group then counts
// its loads by rank, one step a row, and its counts follow at the end.
struct Thresholds
{
    std::vector<Number> values;
    // When every value is an integer: per value, its rank; else empty.
    std::vector<std::size_t> ranks;
    // The integer values in ascending order.
    std::vector<sqlite3_int64> ascending;
    // The ranks of the loads from ascending.front() on, where the values do not lie too far apart.
    std::vector<std::uint16_t> rankFromLowest;

    bool ranksIntegers() const { return !ranks.empty(); }

    std::size_t rankOf(sqlite3_int64 load) const
    {
        if (load < ascending.front())
            return 0;
        if (load >= ascending.back())
            return ascending.size();
        const auto offset
            = static_cast<std::uint64_t>(load) - static_cast<std::uint64_t>(ascending.front());
        if (offset < rankFromLowest.size())
            return rankFromLowest[offset];
        return static_cast<std::size_t>(
            std::upper_bound(ascending.begin(), ascending.end(), load) - ascending.begin());
    }

    void prepareRanks()
    {
        for (const Number &value : values) {
            if (value.kind != Number::Integer)
                return;
            ascending.push_back(value.integer);
        }
        std::sort(ascending.begin(), ascending.end());
        for (const Number &value : values)
            ranks.push_back(rankOf(value.integer));
        constexpr std::uint64_t kMaxTable = 1u << 16;
        const auto span = static_cast<std::uint64_t>(ascending.back())
            - static_cast<std::uint64_t>(ascending.front());
        if (span >= kMaxTable || ascending.size() >= kMaxTable)
            return;
        for (std::uint64_t offset = 0; offset < span; ++offset)
            rankFromLowest.push_back(static_cast<std::uint16_t>(
                rankOf(ascending.front() + static_cast<sqlite3_int64>(offset))));
    }
};

constexpr const char *kThresholdsType = "tovik-thresholds";

void thresholds(sqlite3_context *context, int argumentCount, sqlite3_value **arguments)
{
    auto converted = std::make_unique<Thresholds>();
    for (int i = 0; i < argumentCount; ++i) {
        if (!isNumberOrNull(context, arguments[i]))
            return;
        converted->values.push_back(Number::of(arguments[i]));
    }
    if (!converted->values.empty())
        converted->prepareRanks();
    sqlite3_result_pointer(context, converted.release(), kThresholdsType,
        [](void *pointer) { delete static_cast<Thresholds *>(pointer); });
}

// One group's thresholds and counts after the group's first row: per threshold the loads compared
// with it, then per rank the integer loads ranked.
struct LadderState
{
    const Thresholds *ladder = nullptr;
    std::size_t count = 0;
    sqlite3_int64 *counts() { return reinterpret_cast<sqlite3_int64 *>(this + 1); }
    sqlite3_int64 *byRank() { return counts() + count; }

    static int bytesFor(const Thresholds &ladder)
    {
        return static_cast<int>(
            sizeof(LadderState) + (2 * ladder.values.size() + 1) * sizeof(sqlite3_int64));
    }

    // Adds the ranked loads to the counts of the thresholds they reach.
    void countRanked()
    {
        if (!ladder->ranksIntegers())
            return;
        sqlite3_int64 *ranked = byRank();
        for (std::size_t rank = count; rank > 0; --rank)
            ranked[rank - 1] += ranked[rank];
        for (std::size_t i = 0; i < count; ++i)
            counts()[i] += ranked[ladder->ranks[i]];
    }
};

// The group's state, made at its first row: the thresholds are looked up there once, as looking up
// a pointer argument compares its type's name.
LadderState *ladderStateOf(sqlite3_context *context, sqlite3_value *thresholdsArgument)
{
    if (auto *state = static_cast<LadderState *>(sqlite3_aggregate_context(context, 0)))
        return state;
    const auto *ladder = static_cast<const Thresholds *>(
        sqlite3_value_pointer(thresholdsArgument, kThresholdsType));
    if (!ladder) {
        sqlite3_result_error(context, "The thresholds of a ladder are missing.", -1);
        return nullptr;
    }
    auto *state = static_cast<LadderState *>(
        sqlite3_aggregate_context(context, LadderState::bytesFor(*ladder)));
    if (!state) {
        sqlite3_result_error_nomem(context);
        return nullptr;
    }
    state->ladder = ladder;
    state->count = ladder->values.size();
    return state;
}

void ladderStep(sqlite3_context *context, int, sqlite3_value **arguments)
{
    LadderState *state = ladderStateOf(context, arguments[1]);
    if (!state)
        return;
    const Thresholds &ladder = *state->ladder;
    if (ladder.ranksIntegers() && sqlite3_value_type(arguments[0]) == SQLITE_INTEGER) {
        ++state->byRank()[ladder.rankOf(sqlite3_value_int64(arguments[0]))];
        return;
    }
    if (!isNumberOrNull(context, arguments[0]))
        return;
    const Number value = Number::of(arguments[0]);
    sqlite3_int64 *counts = state->counts();
    for (std::size_t i = 0; i < state->count; ++i)
        counts[i] += value.atLeast(ladder.values[i]) ? 1 : 0;
}

// The counts as a blob; NULL without any row, as SUM gives over no rows.
void ladderFinal(sqlite3_context *context)
{
    auto *state = static_cast<LadderState *>(sqlite3_aggregate_context(context, 0));
    if (!state)
        return sqlite3_result_null(context);
    state->countRanked();
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
