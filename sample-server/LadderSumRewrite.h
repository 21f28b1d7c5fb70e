#pragma once

#include "SqlTranslator.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tovik::sampleserver {

// Finds runs of two or more unaliased result columns SUM(CASE WHEN col >= @p THEN 1 ELSE 0 END)
// over one column, as a sweep asks one per threshold, and writes each run as one LadderFunctions
// call: SQLite then counts the whole run in one aggregate step per row instead of one per column,
// and the result encoder sends its counts as the columns they replace, under the names SQLite
// would have given them.
class LadderSumRewrite
{
public:
    struct Replacement
    {
        // The last token the text stands for.
        std::size_t last = 0;
        std::string text;
        LadderColumn column;
    };

    // By the index of each run's first token.
    static std::map<std::size_t, Replacement> find(const std::vector<SqlTranslator::Token> &tokens);

private:
    struct Item
    {
        std::size_t first = 0;
        std::size_t last = 0;
        std::string column;
        std::string parameter;
    };

    static std::optional<Item> itemAt(
        const std::vector<SqlTranslator::Token> &tokens, std::size_t at);
    static std::vector<Item> runAt(const std::vector<SqlTranslator::Token> &tokens, std::size_t at);
    static Replacement replacement(
        const std::vector<SqlTranslator::Token> &tokens, const std::vector<Item> &run);
};

} // namespace tovik::sampleserver
