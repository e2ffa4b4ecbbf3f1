#include "connection/odbc/Statement.h"

#include "connection/odbc/Diagnostics.h"
#include "connection/odbc/ServerWait.h"
#include "connection/odbc/WideText.h"

namespace velloxa::odbc {

Statement::Statement(Connection& connection) : limits_(connection.limits())
{
    Check(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &handle_), SQL_HANDLE_DBC,
          connection.handle(), "SQLAllocHandle(SQL_HANDLE_STMT)");
    const SQLULEN seconds = SQLULEN(connection.limits().statementSeconds);
    if (seconds == 0)
        return;
    const SQLRETURN result = SQLSetStmtAttrW(handle_, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds), 0);
    try {
        Check(result, SQL_HANDLE_STMT, handle_, "SQLSetStmtAttr(SQL_ATTR_QUERY_TIMEOUT)");
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_STMT, handle_);
        throw;
    }
}

Statement::~Statement()
{
    SQLFreeHandle(SQL_HANDLE_STMT, handle_);
}

void Statement::execute(const QString& sql)
{
    std::vector<SQLWCHAR> text = ToWide(sql);
    const ServerWait::Call wait;
    Check(SQLExecDirectW(handle_, text.data(), SQL_NTS), SQL_HANDLE_STMT, handle_, "SQLExecDirect");
}

int Statement::columnCount() const
{
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(handle_, &count), SQL_HANDLE_STMT, handle_, "SQLNumResultCols");
    return count;
}

ColumnDescription Statement::describe(int column) const
{
    ColumnDescription description;
    SQLWCHAR name[512];
    SQLSMALLINT nameLength = 0, nullable = 0;
    Check(SQLDescribeColW(handle_, SQLUSMALLINT(column + 1), name, SQLSMALLINT(std::size(name)),
                          &nameLength, &description.type, &description.size,
                          &description.digits, &nullable),
          SQL_HANDLE_STMT, handle_, "SQLDescribeCol");
    description.name = FromWide(name, qMin<qsizetype>(nameLength, qsizetype(std::size(name)) - 1));
    return description;
}

void Statement::setRowArraySize(SQLULEN rows)
{
    Check(SQLSetStmtAttrW(handle_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0),
          SQL_HANDLE_STMT, handle_, "SQLSetStmtAttr(SQL_ATTR_ROW_ARRAY_SIZE)");
    Check(SQLSetStmtAttrW(handle_, SQL_ATTR_ROWS_FETCHED_PTR, &rowsFetched_, 0),
          SQL_HANDLE_STMT, handle_, "SQLSetStmtAttr(SQL_ATTR_ROWS_FETCHED_PTR)");
}

void Statement::bind(int column, SQLSMALLINT cType, void* buffer, SQLLEN elementSize, SQLLEN* indicators)
{
    Check(SQLBindCol(handle_, SQLUSMALLINT(column + 1), cType, buffer, elementSize, indicators),
          SQL_HANDLE_STMT, handle_, "SQLBindCol");
}

void Statement::bindParameter(int number, SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits,
                              void* value, SQLLEN length, SQLLEN* indicator)
{
    Check(SQLBindParameter(handle_, SQLUSMALLINT(number), SQL_PARAM_INPUT, cType, sqlType, size, digits, value, length,
                           indicator),
          SQL_HANDLE_STMT, handle_, "SQLBindParameter");
}

SQLULEN Statement::fetch()
{
    rowsFetched_ = 0;
    const ServerWait::Call wait;
    const SQLRETURN result = SQLFetch(handle_);
    if (result == SQL_NO_DATA)
        return 0;
    Check(result, SQL_HANDLE_STMT, handle_, "SQLFetch");
    return rowsFetched_ ? rowsFetched_ : 1;
}

bool Statement::getData(int column, SQLSMALLINT cType, void* buffer, SQLLEN bufferSize, SQLLEN* indicator)
{
    const ServerWait::Call wait;
    const SQLRETURN result = SQLGetData(handle_, SQLUSMALLINT(column + 1), cType, buffer, bufferSize, indicator);
    if (result == SQL_NO_DATA) {
        *indicator = 0;
        return false;
    }
    Check(result, SQL_HANDLE_STMT, handle_, "SQLGetData");
    return result == SQL_SUCCESS_WITH_INFO && *indicator != SQL_NULL_DATA
        && (*indicator == SQL_NO_TOTAL || *indicator >= bufferSize);
}

void Statement::close()
{
    Check(SQLFreeStmt(handle_, SQL_CLOSE), SQL_HANDLE_STMT, handle_, "SQLFreeStmt(SQL_CLOSE)");
}

} // namespace velloxa::odbc
