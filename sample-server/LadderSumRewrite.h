#pragma once

#include "SqlTranslator.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tovik::sampleserver {

// Finds runs of two or more unaliased result columns SUM(CASE WHEN col >= @p THEN 1 ELSE 0 END)
// over one column, as a sweep asks one per threshold, and writes each as a LadderFunctions call:
// SQLite then counts the whole run in one aggregate step per row instead of one per column. The
// columns keep the names SQLite would give them.
class LadderSumRewrite
{
public:
    struct Replacement
    {
        // The last token the text stands for.
        std::size_t last = 0;
        std::string text;
    };

    // By the index of each replaced column's first token.
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
    static std::string replacement(const std::vector<SqlTranslator::Token> &tokens,
        const std::vector<Item> &run, std::size_t index);
};

} // namespace tovik::sampleserver
