#include "platform/crypto/EcdsaP256.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>

namespace tavik {
namespace {

constexpr std::size_t kHalf = kSignatureSize / 2;
constexpr const char* kCurve = "prime256v1";

template <auto Free>
struct Deleter {
    template <typename T>
    void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX_free>>;
using Signature = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG_free>>;
using Number = std::unique_ptr<BIGNUM, Deleter<BN_free>>;

// The library's last error in words, and its error queue emptied.
std::string libraryError(const std::string& what) {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return what;
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return what + " (" + text + ")";
}

bool isP256(EVP_PKEY* key) {
    char group[64] = {};
    std::size_t length = 0;
    return EVP_PKEY_is_a(key, "EC") &&
           EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &length) == 1 &&
           std::string(group) == kCurve;
}

Key publicKeyFromPoint(const std::string& point, std::string& problem) {
    if (point.size() != kPublicPointSize) {
        problem = "der öffentliche Schlüssel hat nicht die Form eines P-256-Punkts";
        return nullptr;
    }
    KeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, const_cast<char*>(kCurve), 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, const_cast<char*>(point.data()), point.size()),
        OSSL_PARAM_construct_end(),
    };
    EVP_PKEY* key = nullptr;
    if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, params) != 1) {
        problem = libraryError("der öffentliche Schlüssel ist kein Punkt der Kurve P-256");
        return nullptr;
    }
    return Key(key);
}

Key readPrivateKey(const std::string& keyFile, std::string& problem) {
    std::FILE* file = std::fopen(keyFile.c_str(), "rb");
    if (!file) {
        problem = "der Schlüssel " + keyFile + " lässt sich nicht lesen";
        return nullptr;
    }
    Key key(PEM_read_PrivateKey(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    if (!key) {
        problem = libraryError(keyFile + " enthält keinen privaten Schlüssel im PEM-Format");
        return nullptr;
    }
    if (!isP256(key.get())) {
        problem = keyFile + " ist kein P-256-Schlüssel";
        return nullptr;
    }
    return key;
}

// r||s to the DER form libcrypto verifies.
std::string derFromRaw(const std::string& raw) {
    Signature signature(ECDSA_SIG_new());
    Number r(BN_bin2bn(reinterpret_cast<const unsigned char*>(raw.data()), kHalf, nullptr));
    Number s(BN_bin2bn(reinterpret_cast<const unsigned char*>(raw.data()) + kHalf, kHalf, nullptr));
    if (!signature || !r || !s || ECDSA_SIG_set0(signature.get(), r.get(), s.get()) != 1) return {};
    r.release();  // owned by the signature now
    s.release();
    unsigned char* der = nullptr;
    const int length = i2d_ECDSA_SIG(signature.get(), &der);
    if (length <= 0) return {};
    std::string result(reinterpret_cast<char*>(der), static_cast<std::size_t>(length));
    OPENSSL_free(der);
    return result;
}

// The DER form libcrypto signs in to r||s, each half padded to 32 bytes.
std::optional<std::string> rawFromDer(const unsigned char* der, std::size_t length) {
    const unsigned char* cursor = der;
    Signature signature(d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(length)));
    if (!signature) return std::nullopt;
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(signature.get(), &r, &s);
    std::string raw(kSignatureSize, '\0');
    auto* out = reinterpret_cast<unsigned char*>(raw.data());
    if (BN_bn2binpad(r, out, kHalf) != static_cast<int>(kHalf) ||
        BN_bn2binpad(s, out + kHalf, kHalf) != static_cast<int>(kHalf)) {
        return std::nullopt;
    }
    return raw;
}

}  // namespace

SignatureCheck::Verdict verifyP256(const std::string& publicKey, const std::string& content,
                                   const std::string& signature, std::string& problem) {
    using Verdict = SignatureCheck::Verdict;
    Key key = publicKeyFromPoint(publicKey, problem);
    if (!key) return Verdict::CannotCheck;
    if (signature.size() != kSignatureSize) return Verdict::Invalid;
    const std::string der = derFromRaw(signature);
    DigestContext context(EVP_MD_CTX_new());
    if (der.empty() || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1) {
        problem = libraryError("libcrypto kann die Prüfung nicht vorbereiten");
        return Verdict::CannotCheck;
    }
    const int result = EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(der.data()), der.size(),
                                        reinterpret_cast<const unsigned char*>(content.data()), content.size());
    // 0 and the errors of a malformed signature (r or s out of range) alike
    // mean it is not a signature of this content by this key.
    ERR_clear_error();
    return result == 1 ? Verdict::Valid : Verdict::Invalid;
}

std::optional<std::string> signP256(const std::string& keyFile, const std::string& content, std::string& problem) {
    Key key = readPrivateKey(keyFile, problem);
    if (!key) return std::nullopt;
    DigestContext context(EVP_MD_CTX_new());
    std::size_t length = 0;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &length, reinterpret_cast<const unsigned char*>(content.data()),
                       content.size()) != 1) {
        problem = libraryError("libcrypto kann nicht signieren");
        return std::nullopt;
    }
    std::string der(length, '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(der.data()), &length,
                       reinterpret_cast<const unsigned char*>(content.data()), content.size()) != 1) {
        problem = libraryError("libcrypto kann nicht signieren");
        return std::nullopt;
    }
    auto raw = rawFromDer(reinterpret_cast<const unsigned char*>(der.data()), length);
    if (!raw) problem = "libcrypto hat eine unlesbare Signatur geliefert";
    return raw;
}

std::optional<std::string> publicPointOf(const std::string& keyFile, std::string& problem) {
    Key key = readPrivateKey(keyFile, problem);
    if (!key) return std::nullopt;
    std::string point(kPublicPointSize, '\0');
    std::size_t length = 0;
    if (EVP_PKEY_get_octet_string_param(key.get(), OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY,
                                        reinterpret_cast<unsigned char*>(point.data()), point.size(),
                                        &length) != 1 ||
        length != kPublicPointSize) {
        problem = libraryError("der öffentliche Punkt von " + keyFile + " lässt sich nicht lesen");
        return std::nullopt;
    }
    return point;
}

}  // namespace tavik
