#pragma once
#include <filesystem>
#include <string>

#include "platform/SignatureCheck.h"
#include "platform/crypto/VerifyModule.h"

namespace tavik {

// The signature check of the module libtavik6-verify.so in the program
// folder, loaded at the first check: the resident client maps libcrypto only
// when an update is really there to check.
class ModuleSignatureCheck : public SignatureCheck {
public:
    ModuleSignatureCheck(std::filesystem::path programFolder, std::string publicKey);
    Verdict verify(const std::string& content, const std::string& signature, std::string& problem) override;

private:
    // The module's entry, loading the module at the first call; null, with
    // `problem` saying why, when it cannot be loaded.
    VerifyEntry entry(std::string& problem);

    std::filesystem::path folder_;
    std::string publicKey_;
    VerifyEntry entry_ = nullptr;
};

}  // namespace tavik
