// The signing tool, the libcrypto check Velmora4 links and the module the
// client loads, on real signatures: what the tool signs verifies with the
// built-in key, and nothing else does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "../../TempDirectory.h"
#include "platform/crypto/EcdsaP256.h"
#include "platform/posix/ModuleSignatureCheck.h"
#include "update/UpdateSignature.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using Verdict = SignatureCheck::Verdict;

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

std::string shellWord(const fs::path& path) { return "'" + path.string() + "'"; }

class Signing : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(TAVIK_UPDATE_SIGNING_KEY).empty()) GTEST_SKIP() << "this build has no signing key";
        folder = testing_support::makeTempDirectory("tavik-signing-");
        ASSERT_FALSE(folder.empty());
        std::ofstream(folder / "Tavik6-6.20", std::ios::binary) << std::string("\x7f" "ELF\0\1new build", 14);
    }
    void TearDown() override {
        std::error_code ec;
        if (!folder.empty()) fs::remove_all(folder, ec);
    }
    int sign(const std::string& keyFile, const fs::path& file) {
        return run(shellWord(fs::path(TAVIK_BIN_DIR) / "tavik6-sign") + " " + shellWord(keyFile) + " " + shellWord(file));
    }

    fs::path folder;
};

TEST_F(Signing, WhatTheToolSignsVerifiesWithTheBuiltInKeyAndNothingElseDoes) {
    const fs::path file = folder / "Tavik6-6.20";
    ASSERT_EQ(sign(TAVIK_UPDATE_SIGNING_KEY, file), 0);
    const std::string content = readFile(file);
    const std::string signature = readFile(folder / "Tavik6-6.20.sig");
    ASSERT_EQ(signature.size(), kSignatureSize);

    // Another key pair, and the same file signed with it.
    const fs::path otherKey = folder / "other.pem";
    ASSERT_EQ(run("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out " + shellWord(otherKey)), 0);
    std::string problem;
    const std::string otherPublic = publicPointOf(otherKey.string(), problem).value_or("");
    ASSERT_EQ(otherPublic.size(), 65u) << problem;
    const std::string otherSignature = signP256(otherKey.string(), content, problem).value_or("");
    ASSERT_EQ(otherSignature.size(), kSignatureSize) << problem;

    std::string flipped = signature;
    flipped[40] = static_cast<char>(flipped[40] ^ 1);
    const std::string key = builtInUpdateKey();
    std::string offCurve = key;
    offCurve[64] = static_cast<char>(offCurve[64] ^ 1);
    const struct {
        const char* name;
        std::string key, content, signature;
        Verdict verdict;
    } cases[] = {
        {"as signed", key, content, signature, Verdict::Valid},
        {"file altered", key, content + "x", signature, Verdict::Invalid},
        {"file cut short", key, content.substr(0, content.size() - 1), signature, Verdict::Invalid},
        {"signature altered", key, content, flipped, Verdict::Invalid},
        {"signature truncated", key, content, signature.substr(0, 63), Verdict::Invalid},
        {"signed by another key", key, content, otherSignature, Verdict::Invalid},
        {"checked against another key", otherPublic, content, signature, Verdict::Invalid},
        {"r and s zero", key, content, std::string(64, '\0'), Verdict::Invalid},
        {"r and s above the order", key, content, std::string(64, '\xff'), Verdict::Invalid},
        {"key not on the curve", offCurve, content, signature, Verdict::CannotCheck},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LibcryptoSignatureCheck linked(c.key);
        ModuleSignatureCheck loaded(TAVIK_BIN_DIR, c.key);
        for (SignatureCheck* check : {static_cast<SignatureCheck*>(&linked), static_cast<SignatureCheck*>(&loaded)}) {
            std::string why;
            EXPECT_EQ(check->verify(c.content, c.signature, why), c.verdict) << why;
        }
    }
}

TEST_F(Signing, WithoutItsModuleTheClientCannotCheckAndSaysWhy) {
    ModuleSignatureCheck check(folder, builtInUpdateKey());
    std::string why;
    EXPECT_EQ(check.verify("x", std::string(64, 's'), why), Verdict::CannotCheck);
    EXPECT_NE(why.find("das Prüfmodul lässt sich nicht laden"), std::string::npos) << why;
}

TEST_F(Signing, ToolRefusesWhatItCannotSignWithAndLeavesNoSignature) {
    const fs::path file = folder / "Tavik6-6.20";
    std::ofstream(folder / "public.pem") << readFile(fs::path(TAVIK_UPDATE_SIGNING_KEY).parent_path() / "update-key.pub.pem");
    ASSERT_EQ(run("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-384 -out " + shellWord(folder / "p384.pem")),
              0);
    EXPECT_EQ(sign((folder / "public.pem").string(), file), 2 << 8);
    EXPECT_EQ(sign((folder / "p384.pem").string(), file), 2 << 8);
    EXPECT_EQ(sign(TAVIK_UPDATE_SIGNING_KEY, folder / "missing"), 1 << 8);
    EXPECT_FALSE(fs::exists(folder / "Tavik6-6.20.sig"));
}

}  // namespace
}  // namespace tavik
