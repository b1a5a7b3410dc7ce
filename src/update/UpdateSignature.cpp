#include "update/UpdateSignature.h"

#include "update/UpdateKey.h"

namespace tavik {

std::string builtInUpdateKey() { return {kUpdatePublicKey.begin(), kUpdatePublicKey.end()}; }

std::string signatureProblem(SignatureCheck& check, const std::string& content,
                             const std::optional<std::string>& signature) {
    if (!signature) return "es gibt keine Signatur dazu";
    // A page of the web server or a cut-off transfer is no signature; the
    // crypto library is not asked about it.
    if (signature->size() != kSignatureSize) {
        return "die Signatur ist unbrauchbar (" + std::to_string(signature->size()) + " statt " +
               std::to_string(kSignatureSize) + " Bytes)";
    }
    std::string problem;
    switch (check.verify(content, *signature, problem)) {
        case SignatureCheck::Verdict::Valid: return {};
        case SignatureCheck::Verdict::Invalid:
            return "die Signatur passt nicht zur Datei und zum eingebauten Schlüssel";
        case SignatureCheck::Verdict::CannotCheck:
            return "die Signatur lässt sich nicht prüfen (" + problem + ")";
    }
    return "die Signatur lässt sich nicht prüfen";
}

}  // namespace tavik
