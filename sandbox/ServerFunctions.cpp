#include "ServerFunctions.h"

#include "IntegerConversion.h"
#include "Text.h"

#include <cmath>
#include <cstdint>
#include <sqlite3.h>

namespace velloxa::sandbox {
namespace {

void resultText(sqlite3_context* context, const std::string& text)
{
    sqlite3_result_text(context, text.c_str(), int(text.size()), SQLITE_TRANSIENT);
}

// The caller's default schema: every account here has dbo, the schema an unqualified name means.
void schemaName(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_text(context, "dbo", -1, SQLITE_STATIC);
}

void databaseName(sqlite3_context* context, int, sqlite3_value**)
{
    resultText(context, *static_cast<const std::string*>(sqlite3_user_data(context)));
}

// Says plainly what answers, so that nobody mistakes a log or a screenshot for a real server.
void versionText(sqlite3_context* context, int, sqlite3_value**)
{
    resultText(context, std::string("velloxa-sandbox - ") + kProductVersion + " (X64)\n\tA SQL Server stand-in for tests, over SQLite " + sqlite3_libversion());
}

// A property the server does not know is NULL, as on SQL Server.
void serverProperty(sqlite3_context* context, int, sqlite3_value** argv)
{
    const auto* raw = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string name = raw ? toLower(raw) : "";
    if (name == "productversion")
        resultText(context, kProductVersion);
    else if (name == "productmajorversion")
        resultText(context, "16");
    else if (name == "productlevel")
        resultText(context, "RTM");
    else if (name == "edition")
        resultText(context, "velloxa-sandbox");
    else if (name == "servername" || name == "machinename")
        resultText(context, "VELLOXA-SANDBOX");
    else if (name == "collation")
        resultText(context, "Latin1_General_CI_AS");
    else
        sqlite3_result_null(context);
}

void raise(sqlite3_context* context, int number, const std::string& text)
{
    const std::string message = std::to_string(number) + kErrorNumberEnd + text;
    sqlite3_result_error(context, message.c_str(), int(message.size()));
}

void integerCast(sqlite3_context* context, int, sqlite3_value** argv)
{
    const auto* rawType = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const std::string type = rawType ? rawType : "int";
    const auto declared = parseDeclaredType(type);
    const auto range = declared ? integerRange(declared->type) : std::nullopt;
    long double v = 0;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: sqlite3_result_null(context); return;
    case SQLITE_INTEGER: v = (long double)sqlite3_value_int64(argv[0]); break;
    case SQLITE_FLOAT: v = std::trunc((long double)sqlite3_value_double(argv[0])); break;
    default: {
        const std::string text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        const auto number = integerFromText(text);
        if (!number) return raise(context, 245, "Conversion failed when converting the varchar value '" + text + "' to data type " + type + ".");
        v = *number;
    }
    }
    if (range && !range->holds(v)) return raise(context, 8115, "Arithmetic overflow error converting expression to data type " + type + ".");
    sqlite3_result_int64(context, int64_t(v));
}

void divide(sqlite3_context* context, int, sqlite3_value** argv)
{
    const int dividendType = sqlite3_value_numeric_type(argv[0]), divisorType = sqlite3_value_numeric_type(argv[1]);
    if (dividendType == SQLITE_NULL || divisorType == SQLITE_NULL) return sqlite3_result_null(context);
    if (sqlite3_value_double(argv[1]) == 0.0) return raise(context, 8134, "Divide by zero error encountered.");
    if (dividendType == SQLITE_INTEGER && divisorType == SQLITE_INTEGER) {
        const int64_t dividend = sqlite3_value_int64(argv[0]), divisor = sqlite3_value_int64(argv[1]);
        if (!(divisor == -1 && dividend == INT64_MIN)) return sqlite3_result_int64(context, dividend / divisor);
    }
    sqlite3_result_double(context, sqlite3_value_double(argv[0]) / sqlite3_value_double(argv[1]));
}

} // namespace

void addServerFunctions(sqlite3* db, const std::string& database)
{
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "SCHEMA_NAME", 0, flags, nullptr, schemaName, nullptr, nullptr);
    // The Database outlives every connection it opens, and with it its name.
    sqlite3_create_function(db, "DB_NAME", 0, flags, const_cast<std::string*>(&database), databaseName, nullptr, nullptr);
    sqlite3_create_function(db, "SERVERPROPERTY", 1, flags, nullptr, serverProperty, nullptr, nullptr);
    sqlite3_create_function(db, kVersionFunction, 0, flags, nullptr, versionText, nullptr, nullptr);
    sqlite3_create_function(db, kIntegerCastFunction, 2, flags, nullptr, integerCast, nullptr, nullptr);
    sqlite3_create_function(db, kDivideFunction, 2, flags, nullptr, divide, nullptr, nullptr);
}

} // namespace velloxa::sandbox
