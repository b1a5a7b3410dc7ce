#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/Win32Environment.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

TEST(Win32Environment, ProgramFolderHostsFileAndHostsFromTheSystem) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    Win32Environment environment;
    EXPECT_TRUE(fs::equivalent(environment.programFolder(), fs::path(self).parent_path()));

    SetEnvironmentVariableW(L"TAVIK_HOSTS_FILE", nullptr);
    SetEnvironmentVariableW(L"TAVIK_SERVICE_HOST", nullptr);
    // The prefix's own hosts file, under the Windows folder.
    EXPECT_TRUE(fs::is_regular_file(environment.hostsFile())) << environment.hostsFile();
    EXPECT_EQ(environment.hostsFile().filename(), "hosts");
    EXPECT_EQ(environment.serviceHost(), TAVIK_DEFAULT_SERVICE_HOST);

    SetEnvironmentVariableW(L"TAVIK_HOSTS_FILE", L"C:\\Büro\\hosts");
    SetEnvironmentVariableW(L"TAVIK_SERVICE_HOST", L"127.0.0.1:8080");
    EXPECT_EQ(environment.hostsFile(), fs::path(L"C:\\B\u00fcro\\hosts"));
    EXPECT_EQ(environment.serviceHost(), "127.0.0.1:8080");
    SetEnvironmentVariableW(L"TAVIK_HOSTS_FILE", nullptr);
    SetEnvironmentVariableW(L"TAVIK_SERVICE_HOST", nullptr);
}

// A second claim of a profile, here from the same process, finds it taken;
// another profile is free.
TEST(Win32Environment, OneClaimPerProfileWithoutRegardToCase) {
    Win32Environment first;
    Win32Environment second;
    EXPECT_EQ(first.claimProfile("B\u00fcro 2"), ProfileClaim::Claimed);
    EXPECT_EQ(second.claimProfile("b\u00fcro 2"), ProfileClaim::InUse);
    EXPECT_EQ(second.claimProfile("B\u00dcRO 2"), ProfileClaim::InUse) << "the registry folds umlauts too";
    EXPECT_EQ(second.claimProfile("B\u00fcro\\2"), ProfileClaim::Claimed);
}

}  // namespace
}  // namespace tavik
