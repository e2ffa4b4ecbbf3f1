// Turns the T-SQL of a batch into statements SQLite can run: [bracketed] and "quoted" names
// (with "]]" inside), [schema].[name] (dbo: the plain SQLite name; other schemas: an SQLite
// table named "schema.name"), db..name, TOP n, N'...' strings, ';' and keyword-separated
// statements.
#pragma once

#include "Tokens.h"

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velloxa::sandbox {

struct Statement {
    enum class Kind { Query, Set, Use, Other };
    Kind kind = Kind::Other;
    std::string sql;                                // SQLite text (Query, Other)
    std::string argument;                           // Use: the database; Set: the option words, lower case
    std::map<std::string, std::string> objectNames; // lower-case SQLite table name -> as the client wrote it
    std::string lastToken;                          // for errors about an unfinished statement
    int line = 1;                                   // where it starts in the batch, for its errors
};

struct TranslationError : std::runtime_error {
    explicit TranslationError(ServerMessage m) : std::runtime_error(m.text), message(std::move(m)) {}
    ServerMessage message;
};

// `schemas`: lower-case schema names that count as the first part of a two-part table name.
// `variables`: the lower-case @names the statements may use (sp_executesql's parameters); any
// other @name is error 137, as it is on a server without DECLARE. @@VERSION is known.
std::vector<Statement> translateBatch(std::string_view tsql, const std::set<std::string>& schemas, const std::set<std::string>& variables = {});

// The lower-case names a parameter list such as "@P1 int, @name nvarchar(50) OUTPUT" declares, in order.
std::vector<std::string> declaredParameters(std::string_view declarations);

// "sales.Orders" -> "sales", "Orders"; "Orders" -> "dbo", "Orders".
std::pair<std::string, std::string> splitSchema(const std::string& sqliteName);

std::string quoteIdentifier(std::string_view name);

} // namespace velloxa::sandbox
