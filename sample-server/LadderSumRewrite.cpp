#include "LadderSumRewrite.h"

#include "LadderFunctions.h"
#include "TextCodec.h"

namespace tovik::sampleserver {

namespace {

using Token = SqlTranslator::Token;
using TokenKind = SqlTranslator::TokenKind;

bool isWord(const Token &token, std::string_view word)
{
    return token.kind == TokenKind::Word && TextCodec::equalsIgnoringCase(token.text, word);
}

bool isParameter(const Token &token)
{
    return token.kind == TokenKind::Word && token.text.size() > 1 && token.text.front() == '@';
}

bool isColumn(const Token &token)
{
    return (token.kind == TokenKind::Word && token.text.front() != '@' && token.text.front() != '#')
        || (token.kind == TokenKind::Quoted && token.text.front() != '`');
}

std::string doubleQuoted(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        quoted.push_back(c);
        if (c == '"')
            quoted.push_back('"');
    }
    return quoted + "\"";
}

} // namespace

std::optional<LadderSumRewrite::Item> LadderSumRewrite::itemAt(
    const std::vector<Token> &tokens, std::size_t at)
{
    Item item;
    item.first = at;
    std::size_t i = at;
    const auto take = [&](auto matches) {
        if (i >= tokens.size() || !matches(tokens[i]))
            return false;
        item.last = i;
        i = SqlTranslator::nextSignificant(tokens, i + 1);
        return true;
    };
    const auto word
        = [](std::string_view w) { return [w](const Token &t) { return isWord(t, w); }; };
    const auto symbol = [](std::string_view s) {
        return [s](const Token &t) { return t.kind == TokenKind::Symbol && t.text == s; };
    };
    if (!take(word("sum")) || !take(symbol("(")) || !take(word("case")) || !take(word("when")))
        return std::nullopt;
    const std::size_t column = i;
    if (!take(isColumn))
        return std::nullopt;
    // ">=" is two symbols, and only together a comparison.
    if (i + 1 >= tokens.size() || tokens[i].text != ">" || tokens[i + 1].text != "=")
        return std::nullopt;
    i = SqlTranslator::nextSignificant(tokens, i + 2);
    const std::size_t parameter = i;
    if (!take(isParameter) || !take(word("then")) || !take(symbol("1")) || !take(word("else"))
        || !take(symbol("0")) || !take(word("end")) || !take(symbol(")")))
        return std::nullopt;
    // An aliased column keeps its own name: only a list's comma or FROM may follow.
    if (i < tokens.size() && tokens[i].text != "," && !isWord(tokens[i], "from"))
        return std::nullopt;
    item.column = SqlTranslator::identifier(tokens[column]);
    item.parameter = std::string(tokens[parameter].text);
    return item;
}

std::vector<LadderSumRewrite::Item> LadderSumRewrite::runAt(
    const std::vector<Token> &tokens, std::size_t at)
{
    std::vector<Item> run;
    for (auto item = itemAt(tokens, at); item; item = itemAt(tokens, at)) {
        if (!run.empty() && !TextCodec::equalsIgnoringCase(item->column, run.front().column))
            break;
        run.push_back(*item);
        at = SqlTranslator::nextSignificant(tokens, item->last + 1);
        if (at >= tokens.size() || tokens[at].text != ",")
            break;
        at = SqlTranslator::nextSignificant(tokens, at + 1);
    }
    return run;
}

LadderSumRewrite::Replacement LadderSumRewrite::replacement(
    const std::vector<Token> &tokens, const std::vector<Item> &run)
{
    Replacement replacement;
    replacement.last = run.back().last;
    // Unique within the batch: no two runs start at one token.
    replacement.column.alias
        = std::string(LadderFunctions::kLadder) + "_" + std::to_string(run.front().first);
    replacement.text = std::string(LadderFunctions::kLadder) + "("
        + doubleQuoted(run.front().column) + ", " + std::string(LadderFunctions::kThresholds) + "(";
    for (const Item &item : run) {
        replacement.text += (&item == &run.front() ? "" : ", ") + item.parameter;
        std::string name;
        for (std::size_t i = item.first; i <= item.last; ++i)
            name += tokens[i].text;
        replacement.column.names.push_back(std::move(name));
    }
    replacement.text += ")) AS " + doubleQuoted(replacement.column.alias);
    return replacement;
}

std::map<std::size_t, LadderSumRewrite::Replacement> LadderSumRewrite::find(
    const std::vector<Token> &tokens)
{
    std::map<std::size_t, Replacement> replacements;
    for (std::size_t at = 0; at < tokens.size(); ++at) {
        if (!isWord(tokens[at], "sum"))
            continue;
        const std::vector<Item> run = runAt(tokens, at);
        if (run.size() < 2)
            continue;
        replacements[run.front().first] = replacement(tokens, run);
        at = run.back().last;
    }
    return replacements;
}

} // namespace tovik::sampleserver
