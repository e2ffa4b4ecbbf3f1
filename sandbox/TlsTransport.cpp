#include "TlsTransport.h"

#include "TlsContext.h"
#include "Wire.h"

#include <algorithm>
#include <chrono>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <stdexcept>
#include <string>

namespace velloxa::sandbox {
namespace {

// The largest plaintext one TLS record carries.
constexpr size_t kMaxRecordPlaintext = 16384;

std::string lastError()
{
    char reason[256] = "";
    ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
    return reason;
}

} // namespace

TlsTransport::TlsTransport(const TlsContext& context, Transport& wire) : ssl_(SSL_new(context.get())), wire_(wire)
{
    if (!ssl_) throw std::runtime_error("TLS: cannot start a session: " + lastError());
    in_ = BIO_new(BIO_s_mem());
    out_ = BIO_new(BIO_s_mem());
    if (!in_ || !out_) {
        BIO_free(in_);
        BIO_free(out_);
        SSL_free(ssl_);
        throw std::runtime_error("TLS: out of memory");
    }
    SSL_set_bio(ssl_, in_, out_);
    SSL_set_accept_state(ssl_);
}

TlsTransport::~TlsTransport()
{
    SSL_free(ssl_);
}

std::vector<uint8_t> TlsTransport::handshake(const std::vector<uint8_t>& fromClient)
{
    if (!fromClient.empty()) BIO_write(in_, fromClient.data(), int(fromClient.size()));
    ERR_clear_error();
    const int rc = SSL_do_handshake(ssl_);
    if (rc != 1 && SSL_get_error(ssl_, rc) != SSL_ERROR_WANT_READ) throw ProtocolError("TLS handshake failed: " + lastError());
    return takeOutput();
}

bool TlsTransport::established() const
{
    return SSL_is_init_finished(ssl_);
}

bool TlsTransport::receive(std::vector<uint8_t>& input, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (decryptInto(input)) return true;
        // Only part of a record so far: wait for the rest within the caller's time.
        int wait = -1;
        if (timeoutMs >= 0)
            wait = int(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
        raw_.clear();
        if (!wire_.receive(raw_, wait)) return false;
        BIO_write(in_, raw_.data(), int(raw_.size()));
    }
}

void TlsTransport::send(const uint8_t* data, size_t n)
{
    while (n > 0) {
        ERR_clear_error();
        const int written = SSL_write(ssl_, data, int(std::min(n, kMaxRecordPlaintext)));
        if (written <= 0) throw ConnectionLost("TLS write failed: " + lastError());
        data += written;
        n -= size_t(written);
    }
    const std::vector<uint8_t> records = takeOutput();
    wire_.send(records.data(), records.size());
}

// Appends all the plaintext the records received so far hold; true when there was some.
bool TlsTransport::decryptInto(std::vector<uint8_t>& input)
{
    const size_t before = input.size();
    uint8_t chunk[kMaxRecordPlaintext];
    for (;;) {
        ERR_clear_error();
        const int got = SSL_read(ssl_, chunk, int(sizeof chunk));
        if (got > 0) {
            input.insert(input.end(), chunk, chunk + got);
            continue;
        }
        const int error = SSL_get_error(ssl_, got);
        if (error == SSL_ERROR_WANT_READ) break;
        if (error == SSL_ERROR_ZERO_RETURN && input.size() > before) break; // the close comes next time
        if (error == SSL_ERROR_ZERO_RETURN) throw ConnectionLost("TLS closed");
        throw ProtocolError("TLS: " + lastError());
    }
    // Reading can produce records of its own (alerts); they go out at once.
    if (BIO_ctrl_pending(out_) > 0) {
        const std::vector<uint8_t> records = takeOutput();
        wire_.send(records.data(), records.size());
    }
    return input.size() > before;
}

std::vector<uint8_t> TlsTransport::takeOutput()
{
    std::vector<uint8_t> records(BIO_ctrl_pending(out_));
    if (!records.empty()) BIO_read(out_, records.data(), int(records.size()));
    return records;
}

} // namespace velloxa::sandbox
