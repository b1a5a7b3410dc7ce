#include "platform/posix/ModuleSignatureCheck.h"

#include "platform/posix/DynamicLibrary.h"

namespace tavik {

ModuleSignatureCheck::ModuleSignatureCheck(std::filesystem::path programFolder, std::string publicKey)
    : folder_(std::move(programFolder)), publicKey_(std::move(publicKey)) {}

VerifyEntry ModuleSignatureCheck::entry(std::string& problem) {
    // Loaded once and kept: the program ends soon after an update anyway.
    // A module that cannot be loaded is let go and tried again at the next
    // check, so that one installed meanwhile is found.
    if (entry_) return entry_;
    const std::string file = (folder_ / kVerifyModuleFile).string();
    std::string reason;
    void* module = openLibrary(file, reason);
    if (!module) {
        problem = "das Prüfmodul lässt sich nicht laden: " + reason;
        return nullptr;
    }
    if (!loadSymbol(module, kVerifyEntry, entry_)) {
        problem = "das Prüfmodul " + file + " hat keinen Einstieg " + kVerifyEntry;
        ::dlclose(module);
    }
    return entry_;
}

SignatureCheck::Verdict ModuleSignatureCheck::verify(const std::string& content, const std::string& signature,
                                                     std::string& problem) {
    const VerifyEntry check = entry(problem);
    if (!check) return Verdict::CannotCheck;
    char why[512] = {};
    const int result = check(publicKey_.data(), publicKey_.size(), content.data(), content.size(), signature.data(),
                             signature.size(), why, sizeof why);
    if (result == 1) return Verdict::Valid;
    if (result == 0) return Verdict::Invalid;
    problem = why[0] ? why : "das Prüfmodul meldet einen Fehler";
    return Verdict::CannotCheck;
}

}  // namespace tavik
