#include "TlsContext.h"

#include <ctime>
#include <memory>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <stdexcept>
#include <string>

namespace velloxa::sandbox {
namespace {

// The subject SQL Server gives the certificate it makes for itself.
constexpr char kCommonName[] = "SSL_Self_Signed_Fallback";
constexpr long kOneDay = 24L * 60 * 60;

struct KeyDeleter {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertificateDeleter {
    void operator()(X509* c) const { X509_free(c); }
};

[[noreturn]] void fail(const std::string& what)
{
    char reason[256] = "";
    ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
    throw std::runtime_error("TLS: cannot " + what + ": " + reason);
}

std::unique_ptr<X509, CertificateDeleter> selfSignedCertificate(EVP_PKEY* key)
{
    std::unique_ptr<X509, CertificateDeleter> certificate(X509_new());
    X509* c = certificate.get();
    X509_NAME* name = c ? X509_get_subject_name(c) : nullptr;
    const bool made = c && X509_set_version(c, 2) // v3
        && ASN1_INTEGER_set_int64(X509_get_serialNumber(c), static_cast<int64_t>(std::time(nullptr)))
        && X509_gmtime_adj(X509_getm_notBefore(c), -kOneDay)
        && X509_gmtime_adj(X509_getm_notAfter(c), 365 * kOneDay)
        && X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(kCommonName), -1, -1, 0)
        && X509_set_issuer_name(c, name)
        && X509_set_pubkey(c, key)
        && X509_sign(c, key, EVP_sha256()) > 0;
    if (!made) fail("make the self-signed certificate");
    return certificate;
}

} // namespace

TlsContext::TlsContext()
{
    const std::unique_ptr<EVP_PKEY, KeyDeleter> key(EVP_RSA_gen(2048));
    if (!key) fail("make an RSA key");
    const auto certificate = selfSignedCertificate(key.get());
    context_ = SSL_CTX_new(TLS_server_method());
    if (!context_) fail("create the TLS context");
    // TDS 7.x runs TLS inside PRELOGIN packets, where SQL Server offers TLS 1.2 at most.
    const bool ready = SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION)
        && SSL_CTX_set_max_proto_version(context_, TLS1_2_VERSION)
        && SSL_CTX_use_certificate(context_, certificate.get())
        && SSL_CTX_use_PrivateKey(context_, key.get());
    if (!ready) {
        SSL_CTX_free(context_);
        fail("set up the TLS context");
    }
    SSL_CTX_set_options(context_, SSL_OP_NO_RENEGOTIATION);
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(context_);
}

} // namespace velloxa::sandbox
