// bench_sandbox_stream "CONNECTION STRING" [QUERY]
// Runs the query (default: SELECT * FROM [Million]) and discards the rows, fetching blocks of
// 1024 rows into bound buffers; prints rows, wall time and rows per second.
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr SQLULEN kBlockRows = 1024;
constexpr SQLLEN kBufferBytes = 96; // enough for every column of the Million table as text

void printErrors(SQLSMALLINT type, SQLHANDLE handle)
{
    SQLCHAR state[6], message[1024];
    SQLINTEGER native;
    SQLSMALLINT length;
    for (SQLSMALLINT i = 1; SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length)); ++i)
        std::fprintf(stderr, "[%s] %s\n", state, message);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CONNECTION-STRING [QUERY]\n", argv[0]);
        return 2;
    }
    const std::string query = argc > 2 ? argv[2] : "SELECT * FROM [Million]";
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT stmt;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(argv[1]), SQL_NTS, nullptr, 0, nullptr,
                                        SQL_DRIVER_NOPROMPT))) {
        printErrors(SQL_HANDLE_DBC, dbc);
        return 1;
    }
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    SQLULEN fetched = 0;
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlockRows), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);

    const auto start = std::chrono::steady_clock::now();
    if (!SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(query.c_str())), SQL_NTS))) {
        printErrors(SQL_HANDLE_STMT, stmt);
        return 1;
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    // Column-wise binding, every column as text: the driver converts each value as a client would.
    std::vector<std::vector<char>> buffers(static_cast<size_t>(columns), std::vector<char>(kBlockRows * kBufferBytes));
    std::vector<std::vector<SQLLEN>> indicators(static_cast<size_t>(columns), std::vector<SQLLEN>(kBlockRows));
    for (SQLSMALLINT c = 0; c < columns; ++c)
        SQLBindCol(stmt, SQLUSMALLINT(c + 1), SQL_C_CHAR, buffers[size_t(c)].data(), kBufferBytes, indicators[size_t(c)].data());

    unsigned long long rows = 0;
    SQLRETURN rc;
    while (SQL_SUCCEEDED(rc = SQLFetch(stmt))) rows += fetched;
    if (rc != SQL_NO_DATA) {
        printErrors(SQL_HANDLE_STMT, stmt);
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("rows: %llu\nseconds: %.3f\nrows/s: %.0f\n", rows, seconds, double(rows) / seconds);

    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return 0;
}
