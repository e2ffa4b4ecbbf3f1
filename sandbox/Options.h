// The server's command line (and the optional --config file that repeats it, one option a line).
#pragma once

#include <string>
#include <vector>

namespace velloxa::sandbox {

struct DatabaseSource {
    std::string name;
    std::string file; // *.sql: a script run into a fresh database; otherwise an SQLite file
};

struct Account {
    std::string user;
    std::string password;
};

struct Faults {
    bool refuseLogins = false;
    int answerDelayMs = 0;
    long long closeAfterRows = -1; // -1: never
    int rowDelayUs = 0;
};

// What the server answers to a client's PRELOGIN ENCRYPTION option.
enum class Encryption {
    None,     // no certificate: everything travels in clear
    Login,    // SQL Server's default: the LOGIN7 is encrypted, the rest only if the client asks
    Required, // "Force Encryption": the whole connection, or no connection
};

struct Options {
    int port = 1433; // 0: any free port
    std::vector<DatabaseSource> databases;
    std::vector<Account> accounts;
    bool browser = false;
    Encryption encryption = Encryption::None;
    int maxConnections = 256; // live client connections; one more is closed at once
    Faults faults;
};

// Throws std::runtime_error naming the offending option.
Options parseOptions(const std::vector<std::string>& arguments);

extern const char* const kUsage;

} // namespace velloxa::sandbox
