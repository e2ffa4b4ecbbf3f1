// TLS over another transport, with OpenSSL working on memory buffers: during the handshake the
// caller carries the records (TDS wraps them in PRELOGIN packets); once it is done, records go
// straight over the wire and this is the session's transport.
#pragma once

#include "Transport.h"

struct bio_st;
struct ssl_st;

namespace velloxa::sandbox {

class TlsContext;

class TlsTransport : public Transport {
public:
    TlsTransport(const TlsContext& context, Transport& wire);
    ~TlsTransport() override;
    TlsTransport(const TlsTransport&) = delete;
    TlsTransport& operator=(const TlsTransport&) = delete;

    // One step of the server's handshake: takes what the client sent, returns what to send
    // back (possibly nothing). Throws ProtocolError when the handshake fails.
    std::vector<uint8_t> handshake(const std::vector<uint8_t>& fromClient);
    bool established() const;

    bool receive(std::vector<uint8_t>& input, int timeoutMs) override;
    void send(const uint8_t* data, size_t n) override;

private:
    bool decryptInto(std::vector<uint8_t>& input);
    std::vector<uint8_t> takeOutput();

    ssl_st* ssl_;
    bio_st* in_ = nullptr;  // records from the client, owned by ssl_
    bio_st* out_ = nullptr; // records for the client, owned by ssl_
    Transport& wire_;
    std::vector<uint8_t> raw_;
};

} // namespace velloxa::sandbox
