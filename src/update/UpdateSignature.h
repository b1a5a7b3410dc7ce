#pragma once
#include <optional>
#include <string>

#include "platform/SignatureCheck.h"

namespace tavik {

// An update file's signature lies beside it, under its name and this suffix.
inline constexpr const char* kSignatureSuffix = ".sig";

// The public key built into this program (the uncompressed P-256 point).
std::string builtInUpdateKey();

// Why `content` may not be installed, in German words that fit after
// "nicht installiert: "; empty when its signature holds. `signature` is
// absent when none could be had.
std::string signatureProblem(SignatureCheck& check, const std::string& content,
                             const std::optional<std::string>& signature);

}  // namespace tavik
