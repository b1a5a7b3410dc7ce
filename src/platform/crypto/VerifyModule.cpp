#include "platform/crypto/VerifyModule.h"

#include <cstring>
#include <string>

#include "platform/crypto/EcdsaP256.h"

extern "C" __attribute__((visibility("default"))) int tavik_verify_signature(
    const char* publicKey, std::size_t publicKeySize, const char* content, std::size_t contentSize,
    const char* signature, std::size_t signatureSize, char* problem, std::size_t problemSize) {
    using tavik::SignatureCheck;
    std::string why;
    const auto verdict = tavik::verifyP256(std::string(publicKey, publicKeySize), std::string(content, contentSize),
                                           std::string(signature, signatureSize), why);
    if (problemSize > 0) {
        const std::size_t length = std::min(why.size(), problemSize - 1);
        std::memcpy(problem, why.data(), length);
        problem[length] = '\0';
    }
    switch (verdict) {
        case SignatureCheck::Verdict::Valid: return 1;
        case SignatureCheck::Verdict::Invalid: return 0;
        case SignatureCheck::Verdict::CannotCheck: return -1;
    }
    return -1;
}
