#include "TsqlTranslator.h"

#include "ServerFunctions.h"
#include "Text.h"

#include <optional>

namespace velloxa::sandbox {
namespace {

enum class Kind { Word, QuotedName, String, Number, Symbol, Variable };

struct Token {
    Kind kind;
    std::string value; // names and strings unescaped; otherwise the text itself
    std::string space; // whitespace and comments in front of it
    bool national = false;
    int line = 1; // in the batch, counted from 1
};

bool isWordStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '#' || static_cast<unsigned char>(c) >= 0x80;
}

bool isWordChar(char c)
{
    return isWordStart(c) || (c >= '0' && c <= '9') || c == '$' || c == '@';
}

[[noreturn]] void syntaxError(std::string_view near, int line)
{
    throw TranslationError({102, 1, 15, "Incorrect syntax near '" + std::string(near) + "'.", line});
}

// Reads a delimited run that ends at `close`, where a doubled `close` stands for itself.
std::string delimited(std::string_view s, size_t& i, char close, int line)
{
    const size_t start = i;
    std::string value;
    for (++i; i < s.size(); ++i) {
        if (s[i] == close) {
            if (i + 1 < s.size() && s[i + 1] == close) {
                value += close;
                ++i;
                continue;
            }
            ++i;
            return value;
        }
        value += s[i];
    }
    throw TranslationError({105, 1, 15, "Unclosed quotation mark after the character string '" + std::string(s.substr(start + 1)) + "'.", line});
}

std::vector<Token> tokenize(std::string_view s)
{
    std::vector<Token> tokens;
    std::string space;
    size_t i = 0, counted = 0;
    int line = 1;
    while (i < s.size()) {
        const char c = s[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            space += c;
            ++i;
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            while (i < s.size() && s[i] != '\n') ++i;
            space += ' ';
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            const size_t end = s.find("*/", i + 2);
            i = end == std::string_view::npos ? s.size() : end + 2;
            space += ' ';
        } else {
            for (; counted < i; ++counted) line += s[counted] == '\n';
            Token t{Kind::Symbol, std::string(1, c), std::move(space)};
            t.line = line;
            space.clear();
            if (c == '[') {
                t.kind = Kind::QuotedName;
                t.value = delimited(s, i, ']', line);
            } else if (c == '"') {
                t.kind = Kind::QuotedName;
                t.value = delimited(s, i, '"', line);
            } else if (c == '\'') {
                t.kind = Kind::String;
                t.value = delimited(s, i, '\'', line);
            } else if ((c == 'N' || c == 'n') && i + 1 < s.size() && s[i + 1] == '\'') {
                ++i;
                t.kind = Kind::String;
                t.national = true;
                t.value = delimited(s, i, '\'', line);
            } else if ((c >= '0' && c <= '9') || (c == '.' && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9')) {
                const size_t start = i;
                while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || s[i] == '.')) ++i;
                if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
                    ++i;
                    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
                    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
                }
                t.kind = Kind::Number;
                t.value = std::string(s.substr(start, i - start));
            } else if (isWordStart(c) || c == '@') {
                const size_t start = i;
                ++i;
                while (i < s.size() && isWordChar(s[i])) ++i;
                t.kind = c == '@' ? Kind::Variable : Kind::Word;
                t.value = std::string(s.substr(start, i - start));
            } else {
                ++i;
            }
            tokens.push_back(std::move(t));
        }
    }
    return tokens;
}

bool isWord(const Token& t, std::string_view word)
{
    return t.kind == Kind::Word && equalsIgnoreCase(t.value, word);
}

bool isSymbol(const Token& t, char c)
{
    return t.kind == Kind::Symbol && t.value.size() == 1 && t.value[0] == c;
}

bool isName(const Token& t)
{
    return t.kind == Kind::Word || t.kind == Kind::QuotedName;
}

// Whether a SELECT at the outermost level begins a statement of its own rather than
// continuing `current` (UNION SELECT, INSERT ... SELECT, the query after a WITH's CTEs).
bool selectStartsStatement(const std::vector<Token>& current, bool currentHasSelect)
{
    const Token& previous = current.back();
    for (const char* joining : {"union", "all", "except", "intersect"})
        if (isWord(previous, joining)) return false;
    const Token& first = current.front();
    if (isWord(first, "select") || isWord(first, "set") || isWord(first, "use")) return true;
    if (isWord(first, "with")) return currentHasSelect;
    return false;
}

// Batches separate statements with ';' or simply start the next one ("SET FMTONLY ON select ...",
// "SELECT 1 AS a SELECT 2 AS b").
std::vector<std::vector<Token>> splitStatements(std::vector<Token> tokens)
{
    std::vector<std::vector<Token>> statements(1);
    int depth = 0;
    bool currentHasSelect = false;
    for (Token& t : tokens) {
        std::vector<Token>& current = statements.back();
        if (isSymbol(t, '(')) ++depth;
        if (isSymbol(t, ')')) --depth;
        if (depth == 0 && isSymbol(t, ';')) {
            if (!current.empty()) statements.emplace_back();
            currentHasSelect = false;
            continue;
        }
        if (depth == 0 && !current.empty()) {
            const bool startsNext = ((isWord(t, "set") || isWord(t, "use")) && !isWord(current.front(), "update")) ||
                                    (isWord(t, "select") && selectStartsStatement(current, currentHasSelect));
            if (startsNext) {
                statements.emplace_back();
                currentHasSelect = false;
            }
        }
        if (depth == 0 && isWord(t, "select")) currentHasSelect = true;
        statements.back().push_back(std::move(t));
    }
    if (statements.back().empty()) statements.pop_back();
    return statements;
}

class QueryRenderer {
public:
    QueryRenderer(const std::vector<Token>& tokens, const std::set<std::string>& schemas, const std::set<std::string>& variables, Statement& out)
        : t_(tokens), schemas_(schemas), variables_(variables), out_(out) {}

    void render()
    {
        std::optional<std::string> limit;
        findUnnamedExpressions();
        at_.assign(t_.size(), 0);
        for (size_t i = 0; i < t_.size();) {
            at_[i] = sql().size() + t_[i].space.size();
            size_t next = i + 1;
            if (i == afterSelectPrefix() && isWord(t_[i], "top")) {
                next = readTop(i, limit);
            } else if (const auto cast = castEnds_.find(i); cast != castEnds_.end()) {
                sql() += ", '" + cast->second.type + "')";
                next = cast->second.close + 1;
            } else if (startsIntegerCast(i)) {
                sql() += t_[i].space + kIntegerCastFunction + "(";
                next = i + 2;
            } else if (isName(t_[i])) {
                next = renderName(i);
            } else if (isSymbol(t_[i], '/') && startsDivision(i)) {
                sql() += ",";
            } else {
                const Token& t = t_[i];
                sql() += t.space;
                if (t.kind == Kind::Variable) {
                    renderVariable(t);
                } else if (t.kind == Kind::String) {
                    sql() += '\'';
                    sql() += escapeString(t.value);
                    sql() += '\'';
                } else {
                    sql() += t.value;
                }
            }
            for (; !divisionEnds_.empty() && divisionEnds_.back() < next; divisionEnds_.pop_back()) sql() += ")";
            if (unnamedEnds_.lower_bound(i) != unnamedEnds_.lower_bound(next)) sql() += " AS \"\"";
            i = next;
        }
        if (limit) sql() += " LIMIT " + *limit;
    }

private:
    std::string& sql() { return out_.sql; }

    // a / b: SQLite gives NULL for a zero divisor where a server raises 8134, so the division
    // goes to a function: "DIVIDE(a, b)". The left operand is the whole run of * / % before
    // the slash (they bind alike, from the left), the right one the next operand.
    bool startsDivision(size_t slash)
    {
        const auto left = operandStart(slash);
        const auto right = operandEnd(slash + 1);
        if (!left || !right) return false;
        sql().insert(at_[*left], std::string(kDivideFunction) + "(");
        divisionEnds_.push_back(*right);
        return true;
    }

    // The first token of the operand run that ends just before `slash`.
    std::optional<size_t> operandStart(size_t slash) const
    {
        size_t end = slash;
        for (;;) {
            if (end == 0) return std::nullopt;
            size_t start = end - 1;
            if (isSymbol(t_[start], ')')) {
                int depth = 0;
                for (;; --start) {
                    if (isSymbol(t_[start], ')')) ++depth;
                    if (isSymbol(t_[start], '(') && --depth == 0) break;
                    if (start == 0) return std::nullopt;
                }
                if (start > 0 && isName(t_[start - 1])) --start; // a function call
            } else if (isWord(t_[start], "end") || !(isName(t_[start]) || t_[start].kind == Kind::Number || t_[start].kind == Kind::String ||
                                                     t_[start].kind == Kind::Variable)) {
                return std::nullopt; // CASE ... END and the like stay as they are
            }
            while (start >= 2 && isSymbol(t_[start - 1], '.') && isName(t_[start - 2])) start -= 2;
            if (start > 0 && (isSymbol(t_[start - 1], '*') || isSymbol(t_[start - 1], '/') || isSymbol(t_[start - 1], '%'))) {
                end = start - 1;
                continue;
            }
            return start;
        }
    }

    // The last token of the operand that starts at `from` (after unary signs).
    std::optional<size_t> operandEnd(size_t from) const
    {
        size_t k = from;
        while (k < t_.size() && (isSymbol(t_[k], '-') || isSymbol(t_[k], '+'))) ++k;
        if (k >= t_.size()) return std::nullopt;
        if (t_[k].kind == Kind::Number || t_[k].kind == Kind::String || t_[k].kind == Kind::Variable) return k;
        if (isName(t_[k])) {
            while (k + 2 < t_.size() && isSymbol(t_[k + 1], '.') && isName(t_[k + 2])) k += 2;
            if (k + 1 >= t_.size() || !isSymbol(t_[k + 1], '(')) return isWord(t_[k], "case") ? std::nullopt : std::optional<size_t>(k);
            ++k;
        }
        if (!isSymbol(t_[k], '(')) return std::nullopt;
        for (int depth = 0; k < t_.size(); ++k) {
            if (isSymbol(t_[k], '(')) ++depth;
            if (isSymbol(t_[k], ')') && --depth == 0) return k;
        }
        return std::nullopt;
    }

    // CAST(x AS int) and the other integer types: SQLite would turn 'abc' into 0 and wrap what
    // does not fit, so the cast goes to a function that raises the server's errors instead.
    bool startsIntegerCast(size_t i)
    {
        if (!isWord(t_[i], "cast") || i + 1 >= t_.size() || !isSymbol(t_[i + 1], '(')) return false;
        int depth = 0;
        size_t as = 0;
        for (size_t k = i + 1; k < t_.size(); ++k) {
            if (isSymbol(t_[k], '(')) ++depth;
            if (isSymbol(t_[k], ')') && --depth == 0) {
                if (as == 0 || k != as + 2) return false;
                const std::string type = toLower(t_[as + 1].value);
                if (type != "tinyint" && type != "smallint" && type != "int" && type != "bigint") return false;
                castEnds_[as] = {type, k};
                return true;
            }
            if (depth == 1 && isWord(t_[k], "as")) as = k;
        }
        return false;
    }

    // A server gives an expression of the outermost select list no name unless it has an
    // alias (SQLite would name it after its text): the last tokens of such items.
    void findUnnamedExpressions()
    {
        size_t start = afterSelectPrefix();
        if (start >= t_.size()) return;
        if (isWord(t_[start], "top")) {
            start += 2;
            if (start < t_.size() && isSymbol(t_[start - 1], '(')) start += 2;
        }
        int depth = 0;
        size_t itemStart = start;
        for (size_t i = start; i <= t_.size(); ++i) {
            const bool atEnd = i == t_.size();
            if (!atEnd && isSymbol(t_[i], '(')) ++depth;
            if (!atEnd && isSymbol(t_[i], ')')) --depth;
            bool ends = atEnd;
            if (!atEnd && depth == 0) {
                ends = isSymbol(t_[i], ',');
                for (const char* clause : {"from", "into", "where", "group", "having", "order", "union", "except", "intersect"})
                    ends = ends || isWord(t_[i], clause);
            }
            if (!ends) continue;
            if (i > itemStart && isUnnamedExpression(itemStart, i)) unnamedEnds_.insert(i - 1);
            if (atEnd || !isSymbol(t_[i], ',')) return;
            itemStart = i + 1;
        }
    }

    bool isUnnamedExpression(size_t a, size_t b) const
    {
        bool plainName = true; // name(.name)* or a star
        for (size_t k = a; k < b; ++k) {
            const bool expectName = (k - a) % 2 == 0;
            plainName = plainName && (expectName ? isName(t_[k]) || isSymbol(t_[k], '*') : isSymbol(t_[k], '.'));
        }
        if (plainName) return false;
        if (b - a >= 2 && isName(t_[a]) && isSymbol(t_[a + 1], '=')) return false; // alias = expression
        if (b - a >= 2 && isWord(t_[b - 2], "as")) return false;
        if (b - a < 2) return true;
        // "expression alias": a name right after the end of an operand (CASE ... END excepted).
        const Token& last = t_[b - 1];
        const Token& before = t_[b - 2];
        const bool implicitAlias = isName(last) && !isWord(last, "end") &&
                                   (isSymbol(before, ')') || before.kind == Kind::Number || before.kind == Kind::String ||
                                    before.kind == Kind::Variable || isName(before));
        return !implicitAlias;
    }

    // @@VERSION becomes the function that answers it; a declared @name stays a named SQLite
    // parameter, bound when the statement runs; anything else is undeclared.
    void renderVariable(const Token& t)
    {
        if (equalsIgnoreCase(t.value, "@@version")) {
            sql() += std::string(kVersionFunction) + "()";
            return;
        }
        if (t.value.size() < 2 || t.value[1] == '@' || !variables_.count(toLower(t.value)))
            throw TranslationError({137, 2, 15, "Must declare the scalar variable \"" + t.value + "\".", t.line});
        sql() += t.value;
    }

    static std::string escapeString(const std::string& value)
    {
        std::string escaped;
        for (char c : value) {
            escaped += c;
            if (c == '\'') escaped += '\'';
        }
        return escaped;
    }

    // Index of the token where TOP may stand: after SELECT [ALL | DISTINCT].
    size_t afterSelectPrefix() const
    {
        if (t_.empty() || !isWord(t_[0], "select")) return size_t(-1);
        return t_.size() > 1 && (isWord(t_[1], "distinct") || isWord(t_[1], "all")) ? 2 : 1;
    }

    size_t readTop(size_t i, std::optional<std::string>& limit)
    {
        size_t j = i + 1;
        const bool parenthesised = j < t_.size() && isSymbol(t_[j], '(');
        if (parenthesised) ++j;
        if (j >= t_.size() || t_[j].kind != Kind::Number) syntaxError(j < t_.size() ? t_[j].value : t_[i].value, t_[i].line);
        limit = t_[j++].value;
        if (parenthesised) {
            if (j >= t_.size() || !isSymbol(t_[j], ')')) syntaxError(j < t_.size() ? t_[j].value : t_[j - 1].value, t_[j - 1].line);
            ++j;
        }
        if (j < t_.size() && isWord(t_[j], "percent")) syntaxError("PERCENT", t_[j].line);
        sql() += t_[i].space;
        return j;
    }

    // A name, possibly multi-part: [db].[schema].[table], schema.table, db..table, alias.column.
    size_t renderName(size_t i)
    {
        std::vector<std::string> parts{t_[i].value};
        std::string written = t_[i].value;
        const std::string& space = t_[i].space;
        size_t j = i + 1;
        bool star = false;
        while (j < t_.size() && isSymbol(t_[j], '.') && t_[j].space.empty()) {
            ++j;
            if (j < t_.size() && isSymbol(t_[j], '.')) {
                parts.emplace_back();
                written += ".";
            } else if (j < t_.size() && isName(t_[j]) && t_[j].space.empty()) {
                parts.push_back(t_[j].value);
                written += "." + t_[j].value;
                ++j;
            } else if (j < t_.size() && isSymbol(t_[j], '*')) {
                star = true;
                ++j;
                break;
            } else {
                syntaxError(".", t_[j - 1].line);
            }
        }
        sql() += space;
        if (!star) {
            if (const auto table = tableOf(parts)) {
                sql() += quoteIdentifier(*table);
                out_.objectNames[toLower(*table)] = written;
                return j;
            }
        }
        for (size_t k = 0; k < parts.size(); ++k) {
            if (k > 0) sql() += '.';
            // A plain word may be a keyword or function name, which quoting would turn into a name;
            // after AS it is an alias, which SQLite might take for one of its own keywords.
            const bool keepWord = parts.size() == 1 && t_[i].kind == Kind::Word && !(i > 0 && isWord(t_[i - 1], "as"));
            sql() += keepWord ? parts[k] : quoteIdentifier(parts[k]);
        }
        if (star) sql() += ".*";
        return j;
    }

    std::optional<std::string> tableOf(const std::vector<std::string>& parts) const
    {
        if (parts.size() < 2 || parts.size() > 4) return std::nullopt;
        const std::string& schema = parts[parts.size() - 2];
        if (parts.size() == 2 && !schemas_.count(toLower(schema))) return std::nullopt;
        if (parts.size() >= 3 && !schema.empty() && !schemas_.count(toLower(schema))) return std::nullopt;
        const std::string& name = parts.back();
        if (schema.empty() || equalsIgnoreCase(schema, "dbo")) return name;
        return schema + "." + name;
    }

    const std::vector<Token>& t_;
    const std::set<std::string>& schemas_;
    const std::set<std::string>& variables_;
    Statement& out_;
    std::set<size_t> unnamedEnds_;
    struct CastEnd {
        std::string type;
        size_t close; // the cast's closing parenthesis
    };
    std::map<size_t, CastEnd> castEnds_; // by the index of its AS
    std::vector<size_t> at_;              // where each token's text starts in the output
    std::vector<size_t> divisionEnds_;    // right operands still open, innermost last
};

Statement translateStatement(const std::vector<Token>& tokens, const std::set<std::string>& schemas, const std::set<std::string>& variables)
{
    Statement s;
    s.lastToken = tokens.back().value;
    s.line = tokens.front().line;
    const Token& first = tokens.front();
    if (isWord(first, "set")) {
        s.kind = Statement::Kind::Set;
        for (size_t i = 1; i < tokens.size(); ++i) {
            if (i > 1) s.argument += ' ';
            s.argument += toLower(tokens[i].value);
        }
        return s;
    }
    if (isWord(first, "use")) {
        if (tokens.size() != 2 || !isName(tokens[1])) syntaxError(tokens.size() > 1 ? tokens[1].value : first.value, first.line);
        s.kind = Statement::Kind::Use;
        s.argument = tokens[1].value;
        return s;
    }
    s.kind = isWord(first, "select") || isWord(first, "with") ? Statement::Kind::Query : Statement::Kind::Other;
    QueryRenderer(tokens, schemas, variables, s).render();
    return s;
}

} // namespace

std::vector<Statement> translateBatch(std::string_view tsql, const std::set<std::string>& schemas, const std::set<std::string>& variables)
{
    std::vector<Statement> statements;
    for (const auto& tokens : splitStatements(tokenize(tsql))) statements.push_back(translateStatement(tokens, schemas, variables));
    return statements;
}

std::vector<std::string> declaredParameters(std::string_view declarations)
{
    std::vector<std::string> names;
    int depth = 0;
    bool expectName = true;
    for (const Token& t : tokenize(declarations)) {
        if (isSymbol(t, '(')) ++depth;
        if (isSymbol(t, ')')) --depth;
        if (depth == 0 && isSymbol(t, ',')) expectName = true;
        if (expectName && t.kind == Kind::Variable) {
            names.push_back(toLower(t.value));
            expectName = false;
        }
    }
    return names;
}

std::pair<std::string, std::string> splitSchema(const std::string& sqliteName)
{
    const auto dot = sqliteName.find('.');
    if (dot == std::string::npos || dot == 0) return {"dbo", sqliteName};
    return {sqliteName.substr(0, dot), sqliteName.substr(dot + 1)};
}

std::string quoteIdentifier(std::string_view name)
{
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

} // namespace velloxa::sandbox
