#include "DatabaseSet.h"

#include "CatalogViews.h"
#include "ServerFunctions.h"
#include "StoredValueCheck.h"
#include "SystemObjects.h"
#include "Text.h"
#include "TsqlTranslator.h"

#include <fstream>
#include <sqlite3.h>
#include <sstream>
#include <stdexcept>

namespace velloxa::sandbox {
namespace {

// What every SQL Server database holds besides the user's objects, as sp_tables lists it: the
// hidden base tables (type S) as "SYSTEM TABLE"; the catalog views, the compatibility views
// and the INFORMATION_SCHEMA views (type V, like a user's view) as "VIEW". A selection: a
// server has some 20 INFORMATION_SCHEMA views and several hundred in sys.
const CatalogueObject kSystemObjects[] = {
    {"INFORMATION_SCHEMA", "CHECK_CONSTRAINTS", "VIEW"},
    {"INFORMATION_SCHEMA", "COLUMN_PRIVILEGES", "VIEW"},
    {"INFORMATION_SCHEMA", "COLUMNS", "VIEW"},
    {"INFORMATION_SCHEMA", "KEY_COLUMN_USAGE", "VIEW"},
    {"INFORMATION_SCHEMA", "ROUTINES", "VIEW"},
    {"INFORMATION_SCHEMA", "SCHEMATA", "VIEW"},
    {"INFORMATION_SCHEMA", "TABLE_CONSTRAINTS", "VIEW"},
    {"INFORMATION_SCHEMA", "TABLES", "VIEW"},
    {"INFORMATION_SCHEMA", "VIEW_TABLE_USAGE", "VIEW"},
    {"INFORMATION_SCHEMA", "VIEWS", "VIEW"},
    {"sys", "all_columns", "VIEW"},
    {"sys", "all_objects", "VIEW"},
    {"sys", "columns", "VIEW"},
    {"sys", "databases", "VIEW"},
    {"sys", "indexes", "VIEW"},
    {"sys", "objects", "VIEW"},
    {"sys", "partitions", "VIEW"},
    {"sys", "schemas", "VIEW"},
    {"sys", "syscolumns", "VIEW"},
    {"sys", "sysindexes", "VIEW"},
    {"sys", "sysobjects", "VIEW"},
    {"sys", "sysusers", "VIEW"},
    {"sys", "system_views", "VIEW"},
    {"sys", "tables", "VIEW"},
    {"sys", "types", "VIEW"},
    {"sys", "views", "VIEW"},
    {"sys", "sysallocunits", "SYSTEM TABLE"},
    {"sys", "syscolpars", "SYSTEM TABLE"},
    {"sys", "sysidxstats", "SYSTEM TABLE"},
    {"sys", "sysrowsets", "SYSTEM TABLE"},
    {"sys", "sysrscols", "SYSTEM TABLE"},
    {"sys", "sysschobjs", "SYSTEM TABLE"},
};

bool endsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && toLower(s.substr(s.size() - suffix.size())) == suffix;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read '" + path + "'");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string lastError(sqlite3* db)
{
    return db ? sqlite3_errmsg(db) : "out of memory";
}

// Ids in the style of SQL Server: user objects get large positive numbers, system objects
// negative ones; a client must not read anything into them but identity.
constexpr int kFirstUserObjectId = 1'013'578'649, kFirstSystemObjectId = -385;

// SQLite's primary key (a rowid alias or its own index) plays SQL Server's clustered index;
// every other index a nonclustered one.
constexpr const char* kIndexQuery = "SELECT (SELECT count(*) FROM pragma_table_info(?1) WHERE pk > 0),"
                                    " (SELECT count(*) FROM pragma_index_list(?1) WHERE origin <> 'pk')";
constexpr const char* kColumnQuery = "SELECT name, type, \"notnull\" FROM pragma_table_info(?1) ORDER BY cid";

std::string textColumn(sqlite3_stmt* query, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(query, column));
    return text ? text : "";
}

void readColumns(sqlite3_stmt* query, const std::string& table, CatalogueObject& object)
{
    sqlite3_bind_text(query, 1, table.c_str(), int(table.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(query) == SQLITE_ROW)
        object.columns.push_back({textColumn(query, 0), textColumn(query, 1), sqlite3_column_int(query, 2) == 0});
    sqlite3_reset(query);
}

void readIndexes(sqlite3_stmt* query, const std::string& table, CatalogueObject& object)
{
    sqlite3_bind_text(query, 1, table.c_str(), int(table.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(query) == SQLITE_ROW) {
        object.clustered = sqlite3_column_int(query, 0) > 0;
        object.nonclusteredIndexes = sqlite3_column_int(query, 1);
    }
    sqlite3_reset(query);
}

} // namespace

Database::Database(std::string name, std::string location, bool inMemory)
    : name_(std::move(name)), location_(std::move(location)), inMemory_(inMemory)
{
    if (inMemory_) {
        const std::string script = readFile(location_);
        location_ = "file:/velloxa-sandbox-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "?vfs=memdb";
        if (sqlite3_open_v2(location_.c_str(), &keeper_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr) != SQLITE_OK)
            throw std::runtime_error("database " + name_ + ": " + lastError(keeper_));
        char* error = nullptr;
        if (sqlite3_exec(keeper_, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "script failed";
            sqlite3_free(error);
            throw std::runtime_error("database " + name_ + ": " + message);
        }
    }
    loadCatalogue();
}

Database::~Database()
{
    sqlite3_close(keeper_);
}

sqlite3* Database::openReader() const
{
    sqlite3* db = openConnection();
    try {
        addServerFunctions(db, name_);
        addSystemObjects(db, *this);
        addCatalogViews(db, *this);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    return db;
}

sqlite3* Database::openConnection() const
{
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | (inMemory_ ? SQLITE_OPEN_URI : 0);
    if (sqlite3_open_v2(location_.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        const std::string message = lastError(db);
        sqlite3_close(db);
        throw std::runtime_error("database " + name_ + ": " + message);
    }
    // A double-quoted name that matches no column must be an error, not a string.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    return db;
}

void Database::loadCatalogue()
{
    sqlite3* db = openConnection();
    sqlite3_stmt* query = nullptr;
    sqlite3_stmt* indexes = nullptr;
    sqlite3_stmt* columns = nullptr;
    const char* sql = "SELECT type, name FROM sqlite_schema WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'";
    if (sqlite3_prepare_v2(db, sql, -1, &query, nullptr) != SQLITE_OK || sqlite3_prepare_v2(db, kIndexQuery, -1, &indexes, nullptr) != SQLITE_OK || sqlite3_prepare_v2(db, kColumnQuery, -1, &columns, nullptr) != SQLITE_OK) {
        const std::string message = lastError(db);
        sqlite3_finalize(query);
        sqlite3_finalize(indexes);
        sqlite3_close(db);
        throw std::runtime_error("database " + name_ + ": " + message);
    }
    schemas_ = {"dbo", "sys", "information_schema"};
    while (sqlite3_step(query) == SQLITE_ROW) {
        const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
        const std::string table = reinterpret_cast<const char*>(sqlite3_column_text(query, 1));
        auto [owner, name] = splitSchema(table);
        schemas_.insert(toLower(owner));
        CatalogueObject object{owner, name, type == "view" ? "VIEW" : "TABLE", table};
        object.id = kFirstUserObjectId + int(objects_.size());
        if (type == "table") readIndexes(indexes, table, object);
        readColumns(columns, table, object);
        objects_.push_back(std::move(object));
    }
    sqlite3_finalize(columns);
    sqlite3_finalize(indexes);
    sqlite3_finalize(query);
    try {
        checkStoredValues(db, name_, objects_);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    int systemId = kFirstSystemObjectId;
    for (CatalogueObject object : kSystemObjects) {
        object.id = systemId--;
        objects_.push_back(std::move(object));
    }
}

DatabaseSet::DatabaseSet(const std::vector<DatabaseSource>& sources)
{
    for (const DatabaseSource& source : sources) {
        if (find(source.name)) throw std::runtime_error("database " + source.name + " given twice");
        databases_.push_back(std::make_unique<Database>(source.name, source.file, endsWith(source.file, ".sql")));
    }
}

const Database* DatabaseSet::find(std::string_view name) const
{
    for (const auto& db : databases_)
        if (equalsIgnoreCase(db->name(), name)) return db.get();
    return nullptr;
}

const Database* DatabaseSet::first() const
{
    return databases_.empty() ? nullptr : databases_.front().get();
}

} // namespace velloxa::sandbox
