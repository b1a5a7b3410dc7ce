#pragma once
#include <string>

#include "platform/SignatureCheck.h"

namespace tavik {

// The update signature check through Windows' own crypto (CNG): SHA-256 and
// BCryptVerifySignature with an ECDSA P-256 public key. CNG takes the
// signature as r||s, the form it travels in, and the key as an
// ECCPUBLIC blob made from the point (0x04, X, Y).
class CngSignatureCheck : public SignatureCheck {
public:
    explicit CngSignatureCheck(std::string publicKey) : publicKey_(std::move(publicKey)) {}
    Verdict verify(const std::string& content, const std::string& signature, std::string& problem) override;

private:
    std::string publicKey_;
};

}  // namespace tavik
