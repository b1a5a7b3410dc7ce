#pragma once
#include <string>
#include <vector>

#include "platform/SignatureCheck.h"

namespace tavik {

// Takes a signature as valid when it is the one it was told, for the
// content it was told; remembers what it was asked.
class FakeSignatureCheck : public SignatureCheck {
public:
    Verdict verify(const std::string& content, const std::string& signature, std::string& problem) override {
        checked.push_back(content);
        if (cannotCheck) {
            problem = "kein Prüfmodul";
            return Verdict::CannotCheck;
        }
        return content == signedContent && signature == validSignature ? Verdict::Valid : Verdict::Invalid;
    }

    std::string signedContent;
    std::string validSignature = std::string(64, 's');
    bool cannotCheck = false;
    std::vector<std::string> checked;
};

}  // namespace tavik
