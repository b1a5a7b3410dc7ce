#pragma once
#include <cstddef>

// The signature check as a module the headless client loads only when an
// update is to be checked, so that it maps libcrypto at no other time.
inline constexpr const char* kVerifyModuleFile = "libtavik6-verify.so";
inline constexpr const char* kVerifyEntry = "tavik_verify_signature";

// 1: valid, 0: not a signature of this content by this key, -1: the check
// could not run (the reason, NUL-terminated, in `problem`).
using VerifyEntry = int (*)(const char* publicKey, std::size_t publicKeySize, const char* content,
                            std::size_t contentSize, const char* signature, std::size_t signatureSize,
                            char* problem, std::size_t problemSize);
