// Where a session's bytes travel: straight over the socket, or through TLS. The message reader
// and the packet writer see only this, so TDS framing and its limits work the same either way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velloxa::sandbox {

class Transport {
public:
    virtual ~Transport() = default;

    // Appends whatever input is available, waiting up to timeoutMs (-1: for ever) for some.
    // False when nothing came in time; throws ConnectionLost when the peer has gone.
    virtual bool receive(std::vector<uint8_t>& input, int timeoutMs) = 0;

    // Sends all n bytes; throws ConnectionLost.
    virtual void send(const uint8_t* data, size_t n) = 0;
};

} // namespace velloxa::sandbox
