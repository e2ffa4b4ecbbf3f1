// The databases the server offers. A *.sql source is run once at start into an in-memory
// database that every session then reads through its own connection; any other source is an
// SQLite file opened read-only.
#pragma once

#include "Options.h"

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace velloxa::sandbox {

struct CatalogueColumn {
    std::string name;
    std::string declaredType; // as the script wrote it; empty when SQLite knows none
    bool nullable = true;
};

struct CatalogueObject {
    std::string owner;
    std::string name;
    std::string type;    // "TABLE", "VIEW" or "SYSTEM TABLE" (system views are "VIEW" in sys and INFORMATION_SCHEMA)
    std::string table{}; // the SQLite table or view behind it (none for the system tables)
    int id = 0;          // what OBJECT_ID() answers: positive for user objects, negative for system tables
    // Tables: a primary key, which SQL Server makes the clustered index (without one the table
    // is a heap), and the further indexes (UNIQUE constraints, CREATE INDEX), nonclustered there.
    bool clustered = false;
    int nonclusteredIndexes = 0;
    std::vector<CatalogueColumn> columns{}; // user tables and views only

    bool isSystemObject() const { return id < 0; }
};

class Database {
public:
    Database(std::string name, std::string location, bool inMemory);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& name() const { return name_; }
    const std::vector<CatalogueObject>& objects() const { return objects_; }
    // Lower-case schema names that hold objects, plus dbo, sys and information_schema.
    const std::set<std::string>& schemas() const { return schemas_; }

    // A new read-only connection for one session, with the server's built-in functions and
    // catalog views (see ServerFunctions.h, SystemObjects.h); throws std::runtime_error.
    sqlite3* openReader() const;

private:
    sqlite3* openConnection() const;
    void loadCatalogue();

    std::string name_;
    std::string location_;
    bool inMemory_;
    sqlite3* keeper_ = nullptr; // keeps an in-memory database alive
    std::vector<CatalogueObject> objects_;
    std::set<std::string> schemas_;
};

class DatabaseSet {
public:
    // Builds or opens every source; throws std::runtime_error naming the failing one.
    explicit DatabaseSet(const std::vector<DatabaseSource>& sources);

    const Database* find(std::string_view name) const; // case-insensitive
    const Database* first() const;

private:
    std::vector<std::unique_ptr<Database>> databases_;
};

} // namespace velloxa::sandbox
