#pragma once

#include "connection/LoginValues.h"

#include <QList>
#include <QString>

#include <functional>

namespace velloxa {

namespace odbc {
class Connection;
}

// True when a throw-away connection opens with these values; every failure gives false, and
// so does a port that is not a number from 1 to 65535 (PortNumber.h), without a connection.
bool CanConnect(const LoginValues& values);

// A table or view as the catalogue lists it. The lists show the bare name; the schema
// travels with it so that every statement can name the object unambiguously.
struct TableEntry {
    QString schema;
    QString name;
    friend bool operator==(const TableEntry&, const TableEntry&) = default;
};

class TableList {
public:
    virtual ~TableList() = default;
    // Starts a new listing. `defaultSchema` is the login's default schema, the one an
    // unqualified name means: a list may name its objects without their schema.
    virtual void clear(const QString& defaultSchema) = 0;
    virtual void append(const TableEntry& entry) = 0;
};

// A list that only keeps its entries: filled away from the windows, then copied into one.
class CollectedTables : public TableList {
public:
    void clear(const QString& defaultSchema) override
    {
        defaultSchema_ = defaultSchema;
        entries_.clear();
    }
    void append(const TableEntry& entry) override { entries_.append(entry); }
    void copyTo(TableList& list) const
    {
        list.clear(defaultSchema_);
        for (const TableEntry& entry : entries_)
            list.append(entry);
    }

private:
    QString defaultSchema_;
    QList<TableEntry> entries_;
};

// Fills `list` with the user tables and views (type exactly "TABLE" or "VIEW", outside the
// server's own schemas INFORMATION_SCHEMA and sys) whose upper-cased name holds no "SYS", in
// catalogue order. The list is cleared only once the
// default schema and the catalogue are read; `yield` runs once per table or view row,
// before the name test. Throws Failure.
void ListTables(const LoginValues& values, TableList& list, const std::function<void()>& yield);
// The same on a connection that is open already; it stays open.
void ListTables(odbc::Connection& connection, TableList& list, const std::function<void()>& yield);

} // namespace velloxa
