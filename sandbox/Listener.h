// The TCP side: listens on 127.0.0.1 and ::1 and gives every client a thread and a Session.
#pragma once

#include "DatabaseSet.h"
#include "Options.h"

#include <vector>

namespace velloxa::sandbox {

class TlsContext;

class Listener {
public:
    // Binds both loopback addresses (port 0: one free port for both); throws std::runtime_error.
    explicit Listener(int port);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    int port() const { return port_; }

    // Accepts clients for ever. `tls`: null when options.encryption is Encryption::None.
    [[noreturn]] void serve(const DatabaseSet& databases, const Options& options, const TlsContext* tls);

private:
    std::vector<int> sockets_;
    int port_ = 0;
};

} // namespace velloxa::sandbox
