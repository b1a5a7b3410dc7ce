#pragma once
#include <optional>
#include <string>

#include "platform/SignatureCheck.h"

namespace tavik {

// ECDSA P-256 over SHA-256 through libcrypto. Signatures travel as 64 bytes
// r||s, the form CNG on Windows takes as it is; libcrypto wants DER, and
// this file is the one place where the two forms meet.

// Verifies `signature` (r||s) over `content` against `publicKey`, the
// uncompressed point (0x04, X, Y).
SignatureCheck::Verdict verifyP256(const std::string& publicKey, const std::string& content,
                                   const std::string& signature, std::string& problem);

// Signs `content` with the P-256 private key in PEM file `keyFile`; r||s, or
// nothing with the reason in `problem`.
std::optional<std::string> signP256(const std::string& keyFile, const std::string& content, std::string& problem);

// The uncompressed public point of the private key in `keyFile`.
std::optional<std::string> publicPointOf(const std::string& keyFile, std::string& problem);

// The check against one public key, for the programs that link libcrypto.
class LibcryptoSignatureCheck : public SignatureCheck {
public:
    explicit LibcryptoSignatureCheck(std::string publicKey) : publicKey_(std::move(publicKey)) {}
    Verdict verify(const std::string& content, const std::string& signature, std::string& problem) override {
        return verifyP256(publicKey_, content, signature, problem);
    }

private:
    std::string publicKey_;
};

}  // namespace tavik
