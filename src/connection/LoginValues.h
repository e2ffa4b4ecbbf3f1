#pragma once

#include <QString>

namespace velloxa {

// The six values of the Login window, read at the moment a connection is built.
struct LoginValues {
    QString server, port, user, password, database;
    bool localConnection = false;
};

} // namespace velloxa
