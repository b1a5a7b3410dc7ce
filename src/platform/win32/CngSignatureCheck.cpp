#include "platform/win32/CngSignatureCheck.h"

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tavik {
namespace {

constexpr std::size_t kHalf = kSignatureSize / 2;

bool succeeded(NTSTATUS status) { return status >= 0; }

std::string statusText(const char* what, NTSTATUS status) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    return std::string(what) + " (CNG-Fehler " + code + ")";
}

// Closes what CNG handed out when it goes out of scope.
struct Algorithm {
    BCRYPT_ALG_HANDLE handle = nullptr;
    ~Algorithm() {
        if (handle) BCryptCloseAlgorithmProvider(handle, 0);
    }
};
struct KeyHandle {
    BCRYPT_KEY_HANDLE handle = nullptr;
    ~KeyHandle() {
        if (handle) BCryptDestroyKey(handle);
    }
};
struct HashHandle {
    BCRYPT_HASH_HANDLE handle = nullptr;
    ~HashHandle() {
        if (handle) BCryptDestroyHash(handle);
    }
};

// SHA-256 of `content`, with the calls Windows 7 already has.
bool sha256(const std::string& content, std::vector<UCHAR>& digest, std::string& problem) {
    Algorithm algorithm;
    NTSTATUS status = BCryptOpenAlgorithmProvider(&algorithm.handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    HashHandle hash;
    if (succeeded(status)) status = BCryptCreateHash(algorithm.handle, &hash.handle, nullptr, 0, nullptr, 0, 0);
    // In pieces: the length CNG takes is a ULONG.
    constexpr std::size_t kPiece = 1 << 24;
    for (std::size_t offset = 0; succeeded(status) && offset < content.size(); offset += kPiece) {
        const std::size_t length = std::min(kPiece, content.size() - offset);
        status = BCryptHashData(hash.handle,
                                reinterpret_cast<PUCHAR>(const_cast<char*>(content.data() + offset)),
                                static_cast<ULONG>(length), 0);
    }
    digest.assign(32, 0);
    if (succeeded(status)) status = BCryptFinishHash(hash.handle, digest.data(), static_cast<ULONG>(digest.size()), 0);
    if (!succeeded(status)) problem = statusText("SHA-256 ist nicht verfügbar", status);
    return succeeded(status);
}

}  // namespace

SignatureCheck::Verdict CngSignatureCheck::verify(const std::string& content, const std::string& signature,
                                                  std::string& problem) {
    if (publicKey_.size() != kPublicPointSize || publicKey_[0] != '\x04') {
        problem = "der öffentliche Schlüssel hat nicht die Form eines P-256-Punkts";
        return Verdict::CannotCheck;
    }
    if (signature.size() != kSignatureSize) return Verdict::Invalid;

    // BCRYPT_ECCKEY_BLOB, then X and Y.
    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kHalf);
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, static_cast<ULONG>(kHalf)};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, publicKey_.data() + 1, 2 * kHalf);

    Algorithm ecdsa;
    NTSTATUS status = BCryptOpenAlgorithmProvider(&ecdsa.handle, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
    if (!succeeded(status)) {
        problem = statusText("ECDSA P-256 ist nicht verfügbar", status);
        return Verdict::CannotCheck;
    }
    KeyHandle key;
    status = BCryptImportKeyPair(ecdsa.handle, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key.handle, blob.data(),
                                 static_cast<ULONG>(blob.size()), 0);
    if (!succeeded(status)) {
        problem = statusText("der öffentliche Schlüssel lässt sich nicht laden", status);
        return Verdict::CannotCheck;
    }
    std::vector<UCHAR> digest;
    if (!sha256(content, digest, problem)) return Verdict::CannotCheck;
    status = BCryptVerifySignature(key.handle, nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                   reinterpret_cast<PUCHAR>(const_cast<char*>(signature.data())),
                                   static_cast<ULONG>(signature.size()), 0);
    // Every refusal (a wrong signature, r or s out of range) means the same:
    // this is no signature of this content by this key.
    return succeeded(status) ? Verdict::Valid : Verdict::Invalid;
}

}  // namespace tavik
