#pragma once

#include "connection/LoginValues.h"

#include <QList>
#include <QString>

#include <functional>

namespace velloxa {

// True when a throw-away connection opens with these values; every failure gives false.
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
    virtual void clear() = 0;
    virtual void append(const TableEntry& entry) = 0;
};

// A list that only keeps its entries: filled away from the windows, then copied into one.
class CollectedTables : public TableList {
public:
    void clear() override { entries_.clear(); }
    void append(const TableEntry& entry) override { entries_.append(entry); }
    void copyTo(TableList& list) const
    {
        list.clear();
        for (const TableEntry& entry : entries_)
            list.append(entry);
    }

private:
    QList<TableEntry> entries_;
};

// Fills `list` with the user tables and views (type exactly "TABLE" or "VIEW") whose
// upper-cased name holds no "SYS", in catalogue order. The list is cleared only once the
// catalogue is open; `yield` runs once per table or view row, before the name test.
// Throws Failure.
void ListTables(const LoginValues& values, TableList& list, const std::function<void()>& yield);

} // namespace velloxa
