// The server side of TLS shared by all sessions: a key and a self-signed certificate made in
// memory at start (as SQL Server makes one when no certificate is configured), and the
// protocol versions a TDS 7.x server offers.
#pragma once

struct ssl_ctx_st;

namespace velloxa::sandbox {

class TlsContext {
public:
    // Throws std::runtime_error when OpenSSL cannot make the key or the certificate.
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    ssl_ctx_st* get() const { return context_; }

private:
    ssl_ctx_st* context_ = nullptr;
};

} // namespace velloxa::sandbox
