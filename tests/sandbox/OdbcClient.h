// A small ODBC client for the sandbox tests, using the wide calls as the product does: connect,
// run a statement or SQLTables, and read every value as SQL_C_WCHAR text.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <sql.h>

namespace velloxa::test {

struct Diagnostic {
    QString state;
    int native = 0;
    QString message;
};

struct ColumnDescription {
    QString name;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
};

struct Result {
    bool ok = false;                  // the statement ran and every row was fetched
    QList<ColumnDescription> columns;
    QList<QStringList> rows;          // a NULL value is a null QString
    QList<Diagnostic> errors;         // of the failing call, if any
};

class OdbcClient {
public:
    OdbcClient();
    ~OdbcClient();
    OdbcClient(const OdbcClient&) = delete;
    OdbcClient& operator=(const OdbcClient&) = delete;

    bool connect(const QString& connectionString);
    bool isConnected() const { return connected_; }
    const QList<Diagnostic>& connectErrors() const { return connectErrors_; }

    Result query(const QString& sql);
    // NULL arguments for a null QString; `types` as SQLTables takes it ("'TABLE','VIEW'").
    Result tables(const QString& catalog, const QString& schema, const QString& table, const QString& types);

    SQLHDBC connection() const { return dbc_; }

private:
    Result fetchAll(SQLHSTMT statement, SQLRETURN executed);

    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    bool connected_ = false;
    QList<Diagnostic> connectErrors_;
};

QList<Diagnostic> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

} // namespace velloxa::test
