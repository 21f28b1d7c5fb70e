#include "SqlTranslator.h"

#include "LadderFunctions.h"
#include "LadderSumRewrite.h"
#include "SqlDateTime.h"
#include "TextCodec.h"

#include <algorithm>

namespace tovik::sampleserver {

namespace {

bool isWordStart(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '@' || c == '#'
        || byte >= 0x80;
}

bool isWordPart(char c)
{
    return isWordStart(c) || (c >= '0' && c <= '9') || c == '$';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Length of a token that runs to a closing character, a doubled closing character standing for
// itself; an unterminated one runs to the end of the text.
std::size_t delimitedLength(std::string_view text, std::size_t at, char close)
{
    std::size_t i = at + 1;
    while (i < text.size()) {
        if (text[i] == close) {
            if (i + 1 < text.size() && text[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1 - at;
        }
        ++i;
    }
    return text.size() - at;
}

std::size_t runLength(std::string_view text, std::size_t at, bool (*part)(char))
{
    std::size_t i = at;
    while (i < text.size() && part(text[i]))
        ++i;
    return i - at;
}

std::size_t commentLength(std::string_view text, std::size_t at)
{
    if (text[at] == '-') {
        const auto end = text.find('\n', at);
        return (end == std::string_view::npos ? text.size() : end) - at;
    }
    const auto end = text.find("*/", at + 2);
    return (end == std::string_view::npos ? text.size() : end + 2) - at;
}

} // namespace

SqlMessage SqlTranslator::unknownFunction(std::string_view name)
{
    // Appended piece by piece: GCC 12 warns (-Wrestrict) about "'" + std::string(...).
    std::string text = "'";
    text += name;
    text += "' is not a recognized built-in function name.";
    return {195, 15, std::move(text), 10};
}

std::string SqlTranslator::catalogViewName(std::string_view view)
{
    return "\"sys." + TextCodec::lowerAscii(view) + "\"";
}

TranslatedBatch SqlTranslator::translate(std::string_view batch, const TranslationContext &context)
{
    const std::vector<Token> tokens = tokenize(batch);
    const std::size_t first = nextSignificant(tokens, 0);
    TranslatedBatch result;
    if (first == tokens.size())
        return result;
    const std::string keyword = TextCodec::lowerAscii(identifier(tokens[first]));
    const bool word = tokens[first].kind == TokenKind::Word;
    const std::size_t second = nextSignificant(tokens, first + 1);
    const std::string argument
        = second < tokens.size() ? identifier(tokens[second]) : std::string();
    if (word && (keyword == "exec" || keyword == "execute")) {
        result.kind = BatchKind::ProcedureCall;
        result.name = argument;
    } else if (word && (keyword.starts_with("sp_") || keyword.starts_with("xp_"))) {
        result.kind = BatchKind::ProcedureCall;
        result.name = identifier(tokens[first]);
    } else if (word && keyword == "use") {
        result.kind = BatchKind::UseDatabase;
        result.name = argument;
    } else if (word && keyword == "set") {
        result.kind = BatchKind::SetOptions;
    } else {
        result.kind = BatchKind::Statements;
        rewrite(tokens, context, result);
    }
    return result;
}

std::vector<SqlTranslator::Token> SqlTranslator::tokenize(std::string_view text)
{
    std::vector<Token> tokens;
    for (std::size_t at = 0; at < text.size();) {
        TokenKind kind = TokenKind::Symbol;
        const std::size_t length = tokenLength(text, at, kind);
        tokens.push_back({kind, text.substr(at, length)});
        at += length;
    }
    return tokens;
}

std::size_t SqlTranslator::tokenLength(std::string_view text, std::size_t at, TokenKind &kind)
{
    const char c = text[at];
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if (isSpace(c)) {
        kind = TokenKind::Space;
        return runLength(text, at, isSpace);
    }
    if ((c == '-' && next == '-') || (c == '/' && next == '*')) {
        kind = TokenKind::Comment;
        return commentLength(text, at);
    }
    if (c == '\'') {
        kind = TokenKind::String;
        return delimitedLength(text, at, '\'');
    }
    if ((c == 'N' || c == 'n') && next == '\'') {
        kind = TokenKind::NString;
        return 1 + delimitedLength(text, at + 1, '\'');
    }
    if (c == '"' || c == '[' || c == '`') {
        kind = TokenKind::Quoted;
        return delimitedLength(text, at, c == '[' ? ']' : c);
    }
    if (isWordStart(c)) {
        kind = TokenKind::Word;
        return runLength(text, at, isWordPart);
    }
    kind = TokenKind::Symbol;
    return 1;
}

std::string SqlTranslator::identifier(const Token &token)
{
    if (token.kind == TokenKind::Word)
        return std::string(token.text);
    if (token.kind != TokenKind::Quoted || token.text.size() < 2)
        return {};
    const char close = token.text.front() == '[' ? ']' : token.text.front();
    std::string value;
    const std::string_view inner = token.text.substr(1, token.text.size() - 2);
    for (std::size_t i = 0; i < inner.size(); ++i) {
        value.push_back(inner[i]);
        if (inner[i] == close && i + 1 < inner.size() && inner[i + 1] == close)
            ++i;
    }
    return value;
}

std::size_t SqlTranslator::nextSignificant(const std::vector<Token> &tokens, std::size_t from)
{
    std::size_t i = from;
    while (i < tokens.size()
        && (tokens[i].kind == TokenKind::Space || tokens[i].kind == TokenKind::Comment))
        ++i;
    return i;
}

std::size_t SqlTranslator::previousSignificant(const std::vector<Token> &tokens, std::size_t from)
{
    std::size_t i = from;
    while (i > 0) {
        --i;
        if (tokens[i].kind != TokenKind::Space && tokens[i].kind != TokenKind::Comment)
            return i;
    }
    return tokens.size();
}

void SqlTranslator::rewrite(
    const std::vector<Token> &tokens, const TranslationContext &context, TranslatedBatch &out)
{
    const auto ladderSums = LadderSumRewrite::find(tokens);
    for (std::size_t i = 0; i < tokens.size() && !out.error; ++i) {
        if ((out.error = refusal(tokens, i)))
            return;
        if (const auto sum = ladderSums.find(i); sum != ladderSums.end()) {
            out.sql += sum->second.text;
            out.ladderColumns.push_back(sum->second.column);
            i = sum->second.last;
            continue;
        }
        if (auto alias = dateAddAlias(tokens, i))
            out.dateTimeAliases.push_back(std::move(*alias));
        std::string view;
        if (const std::size_t end = catalogViewEnd(tokens, i, view); end > i) {
            out.sql += "temp." + catalogViewName(view);
            out.readsDatabaseList = out.readsDatabaseList || view == "databases";
            i = end;
        } else if (const std::size_t prefixEnd = schemaPrefixEnd(tokens, i); prefixEnd > i) {
            i = prefixEnd;
        } else if (const auto date = meetsDateTimeColumn(tokens, i, context)
                ? dateLiteral(tokens[i], context, out)
                : std::nullopt) {
            out.sql += *date;
        } else if (isDatePart(tokens, i)) {
            out.sql += TextCodec::quoted(tokens[i].text);
        } else if (tokens[i].kind == TokenKind::NString) {
            out.sql += tokens[i].text.substr(1);
        } else {
            out.sql += tokens[i].text;
        }
    }
}

// SQL Server's error for a SQLite form at token `at` that T-SQL lacks.
std::optional<SqlMessage> SqlTranslator::refusal(const std::vector<Token> &tokens, std::size_t at)
{
    const Token &token = tokens[at];
    const auto near = [](std::string_view text) {
        return SqlMessage {102, 15, "Incorrect syntax near '" + std::string(text) + "'."};
    };
    if (token.kind == TokenKind::Word && TextCodec::equalsIgnoringCase(token.text, "limit"))
        return near(token.text);
    if (token.kind == TokenKind::Quoted && token.text.front() == '`')
        return near("`");
    if (token.text == "|" && at + 1 < tokens.size() && tokens[at + 1].text == "|")
        return near("|");
    if (token.kind == TokenKind::Word && LadderFunctions::isLadderFunction(token.text)
        && nextSignificant(tokens, at + 1) < tokens.size()
        && tokens[nextSignificant(tokens, at + 1)].text == "(") {
        return unknownFunction(token.text);
    }
    if (groupsByConstant(tokens, at)) {
        return SqlMessage {164, 15,
            "Each GROUP BY expression must contain at least one column that is not an outer "
            "reference."};
    }
    return std::nullopt;
}

// Whether token `at` is GROUP of a GROUP BY list with an item that names no column (a position
// such as GROUP BY 1, which SQLite takes for a result column).
bool SqlTranslator::groupsByConstant(const std::vector<Token> &tokens, std::size_t at)
{
    static constexpr std::string_view kListEnds[]
        = {"having", "order", "union", "except", "intersect", "window"};
    if (tokens[at].kind != TokenKind::Word
        || !TextCodec::equalsIgnoringCase(tokens[at].text, "group"))
        return false;
    const std::size_t by = nextSignificant(tokens, at + 1);
    if (by >= tokens.size() || !TextCodec::equalsIgnoringCase(tokens[by].text, "by"))
        return false;
    int depth = 0;
    bool itemEmpty = true;
    bool namesColumn = false;
    for (std::size_t i = nextSignificant(tokens, by + 1);; i = nextSignificant(tokens, i + 1)) {
        if (i >= tokens.size())
            return !itemEmpty && !namesColumn;
        const std::string_view text = tokens[i].text;
        const bool listEnd = depth == 0
            && (text == ";" || text == ")"
                || std::any_of(
                    std::begin(kListEnds), std::end(kListEnds), [text](std::string_view end) {
                        return TextCodec::equalsIgnoringCase(text, end);
                    }));
        if (listEnd || (depth == 0 && text == ",")) {
            if (!itemEmpty && !namesColumn)
                return true;
            if (listEnd)
                return false;
            itemEmpty = true;
            namesColumn = false;
            continue;
        }
        depth += text == "(" ? 1 : text == ")" ? -1 : 0;
        itemEmpty = false;
        const bool variable = text.front() == '@';
        namesColumn = namesColumn
            || (tokens[i].kind == TokenKind::Word && !variable
                && !TextCodec::equalsIgnoringCase(text, "null"))
            || tokens[i].kind == TokenKind::Quoted;
    }
}

// The alias of a result column that is a DATEADD call and nothing else (`DATEADD(...) AS h` or
// `DATEADD(...) h`), for a DATEADD at token `at`.
std::optional<std::string> SqlTranslator::dateAddAlias(
    const std::vector<Token> &tokens, std::size_t at)
{
    static constexpr std::string_view kClauses[] = {"from", "where", "group", "order", "having",
        "union", "except", "intersect", "into", "window"};
    if (tokens[at].kind != TokenKind::Word
        || !TextCodec::equalsIgnoringCase(tokens[at].text, "dateadd"))
        return std::nullopt;
    const std::size_t before = previousSignificant(tokens, at);
    const std::string lead
        = before < tokens.size() ? TextCodec::lowerAscii(tokens[before].text) : std::string();
    if (lead != "select" && lead != "distinct" && lead != "all" && lead != ",")
        return std::nullopt;
    const std::size_t open = nextSignificant(tokens, at + 1);
    if (open >= tokens.size() || tokens[open].text != "(")
        return std::nullopt;
    std::size_t name = nextSignificant(tokens, closingParenthesis(tokens, open) + 1);
    if (name < tokens.size() && TextCodec::equalsIgnoringCase(tokens[name].text, "as"))
        name = nextSignificant(tokens, name + 1);
    if (name >= tokens.size()
        || (tokens[name].kind != TokenKind::Word && tokens[name].kind != TokenKind::Quoted))
        return std::nullopt;
    const std::string alias = TextCodec::lowerAscii(identifier(tokens[name]));
    if (std::find(std::begin(kClauses), std::end(kClauses), alias) != std::end(kClauses))
        return std::nullopt;
    return alias;
}

std::size_t SqlTranslator::closingParenthesis(const std::vector<Token> &tokens, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < tokens.size(); ++i) {
        depth += tokens[i].text == "(" ? 1 : tokens[i].text == ")" ? -1 : 0;
        if (depth == 0)
            return i;
    }
    return tokens.size();
}

// The bare date part that opens the arguments of DATEADD or DATEDIFF.
bool SqlTranslator::isDatePart(const std::vector<Token> &tokens, std::size_t at)
{
    if (tokens[at].kind != TokenKind::Word)
        return false;
    const std::size_t open = previousSignificant(tokens, at);
    if (open >= tokens.size() || tokens[open].text != "(")
        return false;
    const std::size_t function = previousSignificant(tokens, open);
    if (function >= tokens.size() || tokens[function].kind != TokenKind::Word)
        return false;
    const std::string name = TextCodec::lowerAscii(tokens[function].text);
    return name == "dateadd" || name == "datediff";
}

// The stored form of a string literal that has the shape of a date, or nothing.
std::optional<std::string> SqlTranslator::dateLiteral(
    const Token &token, const TranslationContext &context, TranslatedBatch &out)
{
    if (token.kind != TokenKind::String && token.kind != TokenKind::NString)
        return std::nullopt;
    const std::string_view quoted = token.text.substr(token.kind == TokenKind::NString ? 1 : 0);
    if (quoted.size() < 2 || quoted.back() != '\'')
        return std::nullopt;
    const auto literal
        = SqlDateTime::readLiteral(quoted.substr(1, quoted.size() - 2), context.dateOrder);
    if (!literal.isDate)
        return std::nullopt;
    if (!literal.value) {
        out.error = SqlMessage {242, 16,
            "The conversion of a varchar data type to a datetime data type resulted in an "
            "out-of-range value.",
            3};
        return std::string(quoted);
    }
    return TextCodec::quoted(literal.value->text());
}

// Whether the literal at `at` is compared with a DATETIME column: `column <op> literal`,
// `literal <op> column`, or a bound of `column BETWEEN literal AND literal`.
bool SqlTranslator::meetsDateTimeColumn(
    const std::vector<Token> &tokens, std::size_t at, const TranslationContext &context)
{
    static constexpr std::string_view kComparison = "<>=!";
    if (tokens[at].kind != TokenKind::String && tokens[at].kind != TokenKind::NString)
        return false;
    std::size_t before = previousSignificant(tokens, at);
    bool compared = false;
    while (before < tokens.size() && tokens[before].text.size() == 1
        && kComparison.find(tokens[before].text[0]) != std::string_view::npos) {
        compared = true;
        before = previousSignificant(tokens, before);
    }
    if (compared)
        return isDateTimeOperand(tokens, before, context);
    std::size_t after = nextSignificant(tokens, at + 1);
    while (after < tokens.size() && tokens[after].text.size() == 1
        && kComparison.find(tokens[after].text[0]) != std::string_view::npos) {
        compared = true;
        after = nextSignificant(tokens, after + 1);
    }
    if (compared)
        return isDateTimeOperand(tokens, after, context);
    if (before < tokens.size() && TextCodec::equalsIgnoringCase(tokens[before].text, "and")) {
        before = previousSignificant(tokens, before);
        if (before >= tokens.size() || tokens[before].kind != TokenKind::String)
            return false;
        before = previousSignificant(tokens, before);
    }
    if (before >= tokens.size() || !TextCodec::equalsIgnoringCase(tokens[before].text, "between"))
        return false;
    return isDateTimeOperand(tokens, previousSignificant(tokens, before), context);
}

bool SqlTranslator::isDateTimeOperand(
    const std::vector<Token> &tokens, std::size_t at, const TranslationContext &context)
{
    if (at >= tokens.size() || !context.isDateTimeColumn)
        return false;
    const std::string name = identifier(tokens[at]);
    return !name.empty() && context.isDateTimeColumn(TextCodec::lowerAscii(name));
}

// The last token of "sys.tables" or "sys.databases" starting at token `at`, or `at` itself.
std::size_t SqlTranslator::catalogViewEnd(
    const std::vector<Token> &tokens, std::size_t at, std::string &view)
{
    if (!TextCodec::equalsIgnoringCase(identifier(tokens[at]), "sys"))
        return at;
    const std::size_t dot = nextSignificant(tokens, at + 1);
    if (dot >= tokens.size() || tokens[dot].text != ".")
        return at;
    const std::size_t name = nextSignificant(tokens, dot + 1);
    if (name >= tokens.size())
        return at;
    view = TextCodec::lowerAscii(identifier(tokens[name]));
    return view == "tables" || view == "databases" ? name : at;
}

// The dot of a "dbo." prefix starting at token `at`, or `at` itself.
std::size_t SqlTranslator::schemaPrefixEnd(const std::vector<Token> &tokens, std::size_t at)
{
    if (!TextCodec::equalsIgnoringCase(identifier(tokens[at]), "dbo"))
        return at;
    if (at > 0 && tokens[at - 1].text == ".")
        return at;
    const std::size_t dot = nextSignificant(tokens, at + 1);
    if (dot >= tokens.size() || tokens[dot].text != ".")
        return at;
    const std::size_t name = nextSignificant(tokens, dot + 1);
    if (name >= tokens.size() || identifier(tokens[name]).empty())
        return at;
    return name - 1;
}

} // namespace tovik::sampleserver
