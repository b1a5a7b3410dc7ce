#include "platform/posix/ModuleSignatureCheck.h"

#include <dlfcn.h>

#include "platform/crypto/VerifyModule.h"

namespace tavik {

ModuleSignatureCheck::ModuleSignatureCheck(std::filesystem::path programFolder, std::string publicKey)
    : folder_(std::move(programFolder)), publicKey_(std::move(publicKey)) {}

SignatureCheck::Verdict ModuleSignatureCheck::verify(const std::string& content, const std::string& signature,
                                                     std::string& problem) {
    // Loaded once and kept: the program ends soon after an update anyway,
    // and a refused one is tried again only the next day.
    const std::string file = (folder_ / kVerifyModuleFile).string();
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* error = dlerror();
        problem = "das Prüfmodul lässt sich nicht laden: " + std::string(error ? error : file);
        return Verdict::CannotCheck;
    }
    auto entry = reinterpret_cast<VerifyEntry>(dlsym(module, kVerifyEntry));
    if (!entry) {
        problem = "das Prüfmodul " + file + " hat keinen Einstieg " + kVerifyEntry;
        return Verdict::CannotCheck;
    }
    char why[512] = {};
    const int result = entry(publicKey_.data(), publicKey_.size(), content.data(), content.size(), signature.data(),
                             signature.size(), why, sizeof why);
    if (result == 1) return Verdict::Valid;
    if (result == 0) return Verdict::Invalid;
    problem = why[0] ? why : "das Prüfmodul meldet einen Fehler";
    return Verdict::CannotCheck;
}

}  // namespace tavik
