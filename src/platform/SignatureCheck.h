#pragma once
#include <cstddef>
#include <string>

namespace tavik {

// r and s of a P-256 signature, 32 bytes each.
inline constexpr std::size_t kSignatureSize = 64;
// An uncompressed P-256 public point: 0x04, then x and y of 32 bytes each.
inline constexpr std::size_t kPublicPointSize = 65;

// Checks a detached signature over a file's content: ECDSA P-256 over
// SHA-256, the signature as 64 bytes r||s, against the public key the adapter
// was made with. Adapters verify through the platform's crypto library.
class SignatureCheck {
public:
    enum class Verdict {
        Valid,
        Invalid,      // the signature does not belong to this content and key
        CannotCheck,  // the check itself could not run; `problem` says why
    };
    virtual ~SignatureCheck() = default;
    virtual Verdict verify(const std::string& content, const std::string& signature, std::string& problem) = 0;
};

}  // namespace tavik
