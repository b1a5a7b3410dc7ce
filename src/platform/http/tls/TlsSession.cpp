// libtavik6-tls.so: TLS for the transfer, on Boost.Asio's OpenSSL stream.
// It is a module of its own so that only a program that talks https maps
// OpenSSL; the program hands it a connected socket whose reads and writes
// already keep the transfer's time limits and its cancel.

#include <arpa/inet.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <boost/asio/buffer.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/stream.hpp>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/http/TlsModule.h"

namespace {

namespace net = boost::asio;
namespace ssl = boost::asio::ssl;
using boost::system::error_code;

// The program's socket as the lowest layer of Asio's SSL stream. The stream
// asks for an executor for its asynchronous operations, which are not used
// here; the io_context only stands behind that.
class ProgramSocket {
public:
    using lowest_layer_type = ProgramSocket;
    using executor_type = net::io_context::executor_type;

    ProgramSocket(const TavikTlsIo& io, net::io_context& context) : io_(io), context_(context) {}

    lowest_layer_type& lowest_layer() { return *this; }
    executor_type get_executor() { return context_.get_executor(); }

    template <class MutableBuffers>
    std::size_t read_some(const MutableBuffers& buffers, error_code& ec) {
        for (auto it = net::buffer_sequence_begin(buffers); it != net::buffer_sequence_end(buffers); ++it) {
            const net::mutable_buffer buffer = *it;
            if (buffer.size() == 0) continue;
            return done(io_.read(io_.context, buffer.data(), buffer.size()), ec);
        }
        ec = {};
        return 0;
    }

    template <class ConstBuffers>
    std::size_t write_some(const ConstBuffers& buffers, error_code& ec) {
        for (auto it = net::buffer_sequence_begin(buffers); it != net::buffer_sequence_end(buffers); ++it) {
            const net::const_buffer buffer = *it;
            if (buffer.size() == 0) continue;
            return done(io_.write(io_.context, buffer.data(), buffer.size()), ec);
        }
        ec = {};
        return 0;
    }

private:
    static std::size_t done(long result, error_code& ec) {
        if (result > 0) {
            ec = {};
            return static_cast<std::size_t>(result);
        }
        ec = result == 0 ? error_code(net::error::eof) : error_code(net::error::connection_aborted);
        return 0;
    }

    TavikTlsIo io_;
    net::io_context& context_;
};

bool isIpAddress(const std::string& host) {
    unsigned char address[16];
    return ::inet_pton(AF_INET, host.c_str(), address) == 1 || ::inet_pton(AF_INET6, host.c_str(), address) == 1;
}

struct Session {
    net::io_context executor;
    ssl::context context{ssl::context::tls_client};
    std::unique_ptr<ssl::stream<ProgramSocket>> stream;
};

// The checks a client must make: the chain against the system's trust store
// (OpenSSL's default paths, which SSL_CERT_FILE and SSL_CERT_DIR override),
// TLS 1.2 at least. The context is set up before the stream is made, as the
// stream takes its settings from it then.
bool prepareContext(ssl::context& context) {
    error_code ec;
    context.set_default_verify_paths(ec);
    if (ec) return false;
    context.set_verify_mode(ssl::verify_peer, ec);
    if (ec) return false;
    return SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION) == 1;
}

// The certificate must name what the program asked for: the host name or the
// address. The host name also goes out as SNI, so that a server with several
// names shows the right certificate; an address never does, as SNI carries
// names only.
bool prepareSession(SSL* ssl, const std::string& host) {
    if (isIpAddress(host)) return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1;
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    return SSL_set1_host(ssl, host.c_str()) == 1 && SSL_set_tlsext_host_name(ssl, host.c_str()) == 1;
}

// Why a certificate was refused, in words the user can act on.
std::string refusalText(long result) {
    switch (result) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "Das Zertifikat des Servers ist nicht auf diesen Namen ausgestellt.";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_CERT_UNTRUSTED:
        return "Das Zertifikat des Servers stammt von keiner Stelle, der dieser Rechner vertraut.";
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "Das Zertifikat des Servers ist abgelaufen oder noch nicht gültig.";
    default:
        return std::string("Das Zertifikat des Servers wurde nicht anerkannt (") +
               X509_verify_cert_error_string(result) + ").";
    }
}

void* openSession(const TavikTlsIo* io, const char* host, char* refusal, unsigned long refusalSize) noexcept {
    if (refusal && refusalSize > 0) refusal[0] = '\0';
    if (!io || !host || !*host) return nullptr;
    try {
        auto session = std::make_unique<Session>();
        if (!prepareContext(session->context)) return nullptr;
        session->stream = std::make_unique<ssl::stream<ProgramSocket>>(ProgramSocket(*io, session->executor),
                                                                       session->context);
        SSL* ssl = session->stream->native_handle();
        if (!prepareSession(ssl, host)) return nullptr;
        error_code ec;
        session->stream->handshake(ssl::stream_base::client, ec);
        // A handshake without a verified chain never counts, whatever the
        // stream made of it.
        const long verified = SSL_get_verify_result(ssl);
        if (verified != X509_V_OK && refusal && refusalSize > 0) {
            const std::string text = refusalText(verified);
            const std::size_t length = std::min<std::size_t>(text.size(), refusalSize - 1);
            text.copy(refusal, length);
            refusal[length] = '\0';
        }
        if (ec || verified != X509_V_OK || !SSL_get0_peer_certificate(ssl)) return nullptr;
        return session.release();
    } catch (...) {
        return nullptr;
    }
}

long readSession(void* opaque, void* data, unsigned long size) noexcept {
    auto* session = static_cast<Session*>(opaque);
    if (!session || size == 0) return -1;
    try {
        error_code ec;
        const std::size_t n = session->stream->read_some(net::buffer(data, size), ec);
        if (!ec) return static_cast<long>(n);
        // Only a closed TLS session is a clean end; a connection that just
        // stops (without close_notify) may have been cut short on the way.
        return ec == net::error::eof ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

long writeSession(void* opaque, const void* data, unsigned long size) noexcept {
    auto* session = static_cast<Session*>(opaque);
    if (!session || size == 0) return -1;
    try {
        error_code ec;
        const std::size_t n = session->stream->write_some(net::buffer(data, size), ec);
        if (ec || n == 0) return -1;
        return static_cast<long>(n);
    } catch (...) {
        return -1;
    }
}

// The connection ends with the socket the program closes next; no close
// notice is sent, as the request asked for "Connection: close" anyway.
void closeSession(void* opaque) noexcept { delete static_cast<Session*>(opaque); }

constexpr TavikTlsFunctions kFunctions{tavik::kTavikTlsVersion, openSession, readSession, writeSession,
                                       closeSession};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TavikTlsFunctions* tavik_tls_functions(void) {
    return &kFunctions;
}
