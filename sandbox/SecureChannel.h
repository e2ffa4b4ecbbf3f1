// A connection's way to its LOGIN7: the PRELOGIN answer that the server's encryption setting and
// the client's wish agree on, and then, as MS-TDS lays it down, the TLS handshake carried in
// PRELOGIN packets, after which the reader and writer go through TLS (for the LOGIN7 only, or
// for the rest of the connection).
#pragma once

#include "Options.h"

#include <memory>

namespace velloxa::sandbox {

class MessageReader;
class PacketWriter;
class SocketTransport;
class TlsContext;
class TlsTransport;
struct Message;

class SecureChannel {
public:
    // `context` may be null only when the setting is Encryption::None.
    SecureChannel(SocketTransport& socket, MessageReader& reader, PacketWriter& writer, Encryption setting,
                  const TlsContext* context);
    ~SecureChannel();
    SecureChannel(const SecureChannel&) = delete;
    SecureChannel& operator=(const SecureChannel&) = delete;

    // Reads up to the message that should be the LOGIN7 and leaves it in `message`. Throws
    // ProtocolError on a failed handshake or a client that skips PRELOGIN where encryption is
    // required, and ConnectionLost once it has hung up on a client that cannot encrypt.
    void receiveLogin(Message& message);

    // True when everything after the login travels through TLS.
    bool encrypted() const { return scope_ == Scope::Connection; }

private:
    enum class Scope { None,
                       Login,
                       Connection };

    void startTls();
    [[noreturn]] void hangUp();

    SocketTransport& socket_;
    MessageReader& reader_;
    PacketWriter& writer_;
    const Encryption setting_;
    const TlsContext* const context_;
    std::unique_ptr<TlsTransport> tls_;
    Scope scope_ = Scope::None;
};

} // namespace velloxa::sandbox
