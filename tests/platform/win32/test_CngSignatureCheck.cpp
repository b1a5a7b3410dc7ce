// The CNG check on signatures the signing tool made: a build of the Linux
// tree signs a sample beside this test with the key built into this tree,
// and a copy of it with a key of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/win32/CngSignatureCheck.h"
#include "update/UpdateSignature.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using Verdict = SignatureCheck::Verdict;

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path besideThisTest(const char* name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path() / name;
}

TEST(CngSignatureCheck, AcceptsWhatTheSigningToolSignedAndNothingElse) {
    const fs::path sample = besideThisTest("signature-sample.bin");
    if (!fs::exists(sample)) GTEST_SKIP() << "no signed sample: the tree was configured without a Linux build";
    const std::string content = readFile(sample);
    const std::string signature = readFile(besideThisTest("signature-sample.bin.sig"));
    const std::string otherSignature = readFile(besideThisTest("signature-sample-other.bin.sig"));
    ASSERT_FALSE(content.empty());
    ASSERT_EQ(signature.size(), kSignatureSize);
    ASSERT_EQ(otherSignature.size(), kSignatureSize);

    std::string altered = content;
    altered[altered.size() / 2] = static_cast<char>(altered[altered.size() / 2] ^ 1);
    std::string flipped = signature;
    flipped[5] = static_cast<char>(flipped[5] ^ 0x80);
    const struct {
        const char* name;
        std::string content, signature;
        Verdict verdict;
    } cases[] = {
        {"as signed", content, signature, Verdict::Valid},
        {"file altered", altered, signature, Verdict::Invalid},
        {"file with a byte more", content + '\0', signature, Verdict::Invalid},
        {"signed by another key", content, otherSignature, Verdict::Invalid},
        {"signature altered", content, flipped, Verdict::Invalid},
        {"signature truncated", content, signature.substr(0, kSignatureSize - 1), Verdict::Invalid},
        {"no signature", content, "", Verdict::Invalid},
        {"r and s above the order", content, std::string(kSignatureSize, '\xff'), Verdict::Invalid},
    };
    CngSignatureCheck check(builtInUpdateKey());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string problem;
        EXPECT_EQ(check.verify(c.content, c.signature, problem), c.verdict) << problem;
    }

    std::string otherKey = builtInUpdateKey();
    otherKey[0] = '\x02';  // a compressed point: not the form the blob is made from
    std::string problem;
    EXPECT_EQ(CngSignatureCheck(otherKey).verify(content, signature, problem), Verdict::CannotCheck);
    EXPECT_FALSE(problem.empty());
}

}  // namespace
}  // namespace tavik
