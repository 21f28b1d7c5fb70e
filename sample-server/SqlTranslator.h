#pragma once

#include "LoginLanguage.h"
#include "SqlMessage.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovik::sampleserver {

enum class BatchKind { Statements, ProcedureCall, UseDatabase, SetOptions, Empty };

// A result column that stands for a run of threshold sums (LadderSumRewrite): their counts in one
// value, sent as the columns it replaced, under their names.
struct LadderColumn
{
    std::string alias;
    std::vector<std::string> names;
};

struct TranslatedBatch
{
    BatchKind kind = BatchKind::Empty;
    // SQLite's text for Statements; the procedure or database name for the other kinds.
    std::string sql;
    std::string name;
    bool readsDatabaseList = false;
    // Aliases (lower case) of result columns that are a DATEADD call, which SQLite cannot type.
    std::vector<std::string> dateTimeAliases;
    std::vector<LadderColumn> ladderColumns;
    // A statement SQL Server would refuse, with its error; nothing is to run then.
    std::optional<SqlMessage> error;
};

// What a translation needs to know of the session.
struct TranslationContext
{
    DateOrder dateOrder = DateOrder::Mdy;
    // Whether a column of that name (lower case) is declared DATETIME in the session database.
    std::function<bool(std::string_view)> isDateTimeColumn;
};

// Turns a T-SQL batch into what SQLite runs. The clients' texts stay as they are apart from the
// few T-SQL forms SQLite lacks: the catalog views sys.tables and sys.databases (session-local
// views), N'...' literals and the dbo schema prefix. Batches that call a procedure, switch the
// database (USE) or set session options (SET) are recognised and left to the session. A date
// text that meets a DATETIME column is read in the session's date order, as SQL Server converts
// it, and passed on in the stored form. SQLite's own forms that SQL Server refuses (LIMIT, ||,
// backquotes, GROUP BY a constant) get SQL Server's error instead of an answer.
class SqlTranslator
{
public:
    static TranslatedBatch translate(
        std::string_view batch, const TranslationContext &context = {});

    static std::string catalogViewName(std::string_view view);
    // SQL Server's error for a function it does not have.
    static SqlMessage unknownFunction(std::string_view name);

    enum class TokenKind { Space, Comment, Word, Quoted, String, NString, Symbol };
    struct Token
    {
        TokenKind kind;
        std::string_view text;
    };
    // A name as the database sees it: a word, or a quoted name without its quotes.
    static std::string identifier(const Token &token);
    static std::size_t nextSignificant(const std::vector<Token> &tokens, std::size_t from);

private:
    static std::vector<Token> tokenize(std::string_view text);
    static std::size_t tokenLength(std::string_view text, std::size_t at, TokenKind &kind);
    static std::size_t previousSignificant(const std::vector<Token> &tokens, std::size_t from);
    static void rewrite(
        const std::vector<Token> &tokens, const TranslationContext &context, TranslatedBatch &out);
    static std::optional<SqlMessage> refusal(const std::vector<Token> &tokens, std::size_t at);
    static bool groupsByConstant(const std::vector<Token> &tokens, std::size_t at);
    static std::optional<std::string> dateAddAlias(
        const std::vector<Token> &tokens, std::size_t at);
    static std::size_t closingParenthesis(const std::vector<Token> &tokens, std::size_t open);
    static bool isDatePart(const std::vector<Token> &tokens, std::size_t at);
    static bool meetsDateTimeColumn(
        const std::vector<Token> &tokens, std::size_t at, const TranslationContext &context);
    static bool isDateTimeOperand(
        const std::vector<Token> &tokens, std::size_t at, const TranslationContext &context);
    static std::optional<std::string> dateLiteral(
        const Token &token, const TranslationContext &context, TranslatedBatch &out);
    static std::size_t catalogViewEnd(
        const std::vector<Token> &tokens, std::size_t at, std::string &view);
    static std::size_t schemaPrefixEnd(const std::vector<Token> &tokens, std::size_t at);
};

} // namespace tovik::sampleserver
