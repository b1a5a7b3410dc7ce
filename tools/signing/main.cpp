// tavik6-sign: signs update files for Tavik6 and Velmora4.
//
//   tavik6-sign SCHLÜSSEL.pem DATEI...
//
// Writes DATEI.sig beside each file: the ECDSA P-256 signature over SHA-256
// as 64 bytes r||s, made with the private key in SCHLÜSSEL.pem. Each
// signature is checked against the key's public half before it is written.
// Exit status 0 when every file is signed, 1 when one is not, 2 for a
// command line it does not understand.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/crypto/EcdsaP256.h"
#include "update/CompleteFile.h"
#include "update/UpdateSignature.h"

namespace {

constexpr const char* kUsage = "Aufruf: tavik6-sign SCHLÜSSEL.pem DATEI...\n";

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return content;
}

bool signOne(const std::string& keyFile, const std::string& publicKey, const std::string& file) {
    const auto content = readFile(file);
    if (!content) {
        std::cerr << "tavik6-sign: " << file << " lässt sich nicht lesen.\n";
        return false;
    }
    std::string problem;
    const auto signature = tavik::signP256(keyFile, *content, problem);
    if (!signature) {
        std::cerr << "tavik6-sign: " << file << " nicht signiert: " << problem << ".\n";
        return false;
    }
    if (tavik::verifyP256(publicKey, *content, *signature, problem) != tavik::SignatureCheck::Verdict::Valid) {
        std::cerr << "tavik6-sign: die Signatur von " << file << " hält der Prüfung nicht stand.\n";
        return false;
    }
    const std::string target = file + tavik::kSignatureSuffix;
    if (!tavik::writeComplete(target, *signature)) {
        std::cerr << "tavik6-sign: " << target << " lässt sich nicht schreiben.\n";
        return false;
    }
    std::cout << "Signiert: " << target << "\n";
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string keyFile = argv[1];
    std::string problem;
    const auto publicKey = tavik::publicPointOf(keyFile, problem);
    if (!publicKey) {
        std::cerr << "tavik6-sign: " << problem << ".\n" << kUsage;
        return 2;
    }
    if (*publicKey != tavik::builtInUpdateKey()) {
        // Allowed (a release signs with its own key), but worth a word: the
        // programs of this build will refuse these files.
        std::cerr << "tavik6-sign: Hinweis: " << keyFile
                  << " gehört nicht zu dem Schlüssel, der in diesen Build eingebaut ist.\n";
    }
    bool allSigned = true;
    for (int i = 2; i < argc; ++i) allSigned = signOne(keyFile, *publicKey, argv[i]) && allSigned;
    return allSigned ? 0 : 1;
}
