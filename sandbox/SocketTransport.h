// A connected TCP socket as a Transport; owns the descriptor and closes it.
#pragma once

#include "Transport.h"

namespace velloxa::sandbox {

class SocketTransport : public Transport {
public:
    // A send still not through after this long means a client that stopped reading: the
    // connection ends (ConnectionLost), so such clients cannot hold every connection slot.
    static constexpr int kSendLimitMs = 30'000;

    explicit SocketTransport(int socket) : socket_(socket) {}
    ~SocketTransport() override;
    SocketTransport(const SocketTransport&) = delete;
    SocketTransport& operator=(const SocketTransport&) = delete;

    bool receive(std::vector<uint8_t>& input, int timeoutMs) override;
    void send(const uint8_t* data, size_t n) override;

    // Tells the peer that nothing more will come (what has been sent still arrives).
    void finishSending();

private:
    int socket_;
};

} // namespace velloxa::sandbox
