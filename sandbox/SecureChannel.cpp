#include "SecureChannel.h"

#include "Login.h"
#include "MessageReader.h"
#include "PacketWriter.h"
#include "SocketTransport.h"
#include "TlsTransport.h"
#include "Wire.h"

namespace velloxa::sandbox {
namespace {

struct Agreement {
    uint8_t answer;
    bool hangUp; // encryption required, and the client cannot do it
};

// MS-TDS's table of client and server ENCRYPTION values.
Agreement agree(Encryption setting, uint8_t client)
{
    using namespace prelogin_encryption;
    switch (setting) {
    case Encryption::None:
        return {NotSupported, false}; // a client that insists gives up by itself
    case Encryption::Login:
        if (client == NotSupported) return {NotSupported, false};
        return {client == Off ? Off : On, false};
    case Encryption::Required:
        return {Required, client == NotSupported};
    }
    return {NotSupported, false};
}

} // namespace

SecureChannel::SecureChannel(SocketTransport& socket, MessageReader& reader, PacketWriter& writer, Encryption setting,
                             const TlsContext* context)
    : socket_(socket), reader_(reader), writer_(writer), setting_(setting), context_(context)
{
}

SecureChannel::~SecureChannel() = default;

void SecureChannel::receiveLogin(Message& message)
{
    reader_.read(message);
    if (message.type != packet_type::Prelogin) {
        // A client without PRELOGIN has no way to ask for TLS.
        if (setting_ == Encryption::Required) throw ProtocolError("login without PRELOGIN, but encryption is required");
        return;
    }
    const Agreement agreement = agree(setting_, clientEncryption(message.payload));
    writePreloginReply(writer_, agreement.answer);
    if (agreement.hangUp) hangUp();
    if (agreement.answer == prelogin_encryption::NotSupported) {
        reader_.read(message);
        return;
    }
    scope_ = agreement.answer == prelogin_encryption::Off ? Scope::Login : Scope::Connection;
    startTls();
    reader_.read(message);
    if (scope_ == Scope::Login) {
        // The client dropped TLS right after its LOGIN7; the reply and the rest are clear.
        reader_.setTransport(socket_);
        tls_.reset();
    }
}

void SecureChannel::startTls()
{
    tls_ = std::make_unique<TlsTransport>(*context_, socket_);
    Message handshake;
    while (!tls_->established()) {
        reader_.read(handshake);
        if (handshake.type != packet_type::Prelogin) throw ProtocolError("expected the TLS handshake in PRELOGIN packets");
        const std::vector<uint8_t> answer = tls_->handshake(handshake.payload);
        if (answer.empty()) continue;
        writer_.begin(packet_type::Prelogin);
        writer_.put(answer.data(), answer.size());
        writer_.end();
    }
    reader_.setTransport(*tls_);
    if (scope_ == Scope::Connection) writer_.setTransport(*tls_);
}

// As SQL Server with forced encryption does to a client that cannot encrypt: after the answer
// the connection ends. Waiting for the client to close its side too gives it a clean end of
// input to report instead of a reset.
void SecureChannel::hangUp()
{
    socket_.finishSending();
    Message ignored;
    for (;;) reader_.read(ignored); // ends with ConnectionLost
}

} // namespace velloxa::sandbox
