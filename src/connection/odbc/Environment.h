#pragma once

#include <sql.h>

namespace velloxa::odbc {

// An ODBC 3 environment handle. Throws Failure when the driver manager refuses it.
class Environment {
public:
    Environment();
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    SQLHENV handle() const { return handle_; }

private:
    SQLHENV handle_ = SQL_NULL_HENV;
};

} // namespace velloxa::odbc
