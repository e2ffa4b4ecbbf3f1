#pragma once

#include <QList>
#include <QString>

namespace velloxa::odbc {

// One "key=value" attribute of an ODBC connection string; `value` is the plain value
// (braces removed, "}}" undoubled).
struct ConnectionAttribute {
    QString key;
    QString value;
    bool braced = false;
};

// Splits a connection string by the ODBC grammar: attributes end at ';', a value that
// begins with '{' runs to its closing '}' (a doubled "}}" stands for one '}').
QList<ConnectionAttribute> ParseConnectionString(const QString& connectionString);

// Whether the value must be braced to reach a driver unchanged.
bool NeedsBraces(const QString& value);

// The standard braced form: "{" + value with '}' doubled + "}".
QString BracedValue(const QString& value);

} // namespace velloxa::odbc
