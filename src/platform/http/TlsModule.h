#pragma once
// The seam between the transfer and its TLS module, libtavik6-tls.so in the
// program folder. The program loads the module at its first https transfer
// only, so that plain HTTP never maps a TLS library. The seam is plain C: the
// module owns everything of OpenSSL, the program everything of HTTP, of the
// socket and of its time limits and cancel.

extern "C" {

// The connected socket as the program lends it to the module. Every call
// waits at most as long as the transfer's time limits allow and ends at once
// on a cancel.
struct TavikTlsIo {
    void* context;
    // Bytes read (more than 0), 0 at the end of the stream, -1 on failure.
    long (*read)(void* context, void* data, unsigned long size);
    // Bytes written (more than 0), -1 on failure.
    long (*write)(void* context, const void* data, unsigned long size);
};

struct TavikTlsFunctions {
    unsigned version;  // kTavikTlsVersion of the module's build
    // Makes a TLS session to `host` over `io`, whose functions must stay
    // usable until close. The server's certificate must chain to the
    // system's trust store and name `host` (a host name or an IP address).
    // Nothing when the handshake or the check fails; when the certificate
    // was refused, `refusal` (of `refusalSize` bytes) then receives why, in
    // German, for the user; otherwise it is left empty.
    void* (*open)(const TavikTlsIo* io, const char* host, char* refusal, unsigned long refusalSize);
    // Decrypted bytes (more than 0), 0 at the end of the stream, -1 on failure.
    long (*read)(void* session, void* data, unsigned long size);
    // Bytes taken (more than 0), -1 on failure.
    long (*write)(void* session, const void* data, unsigned long size);
    void (*close)(void* session);
};

// The module's one exported symbol.
const TavikTlsFunctions* tavik_tls_functions(void);

}  // extern "C"

namespace tavik {

inline constexpr unsigned kTavikTlsVersion = 1;
inline constexpr unsigned long kTlsRefusalSize = 256;
inline constexpr const char* kTlsModuleFile = "libtavik6-tls.so";
inline constexpr const char* kTlsEntry = "tavik_tls_functions";

}  // namespace tavik
