#include "platform/posix/CommandLine.h"

#include <gtest/gtest.h>

#include <set>

namespace tavik {
namespace {

using Words = std::vector<std::string>;

TEST(CommandLine, ProgramPathWithBlanksIsFoundByTheExecutableItNames) {
    const std::set<std::string> executables{"/opt/my progs/Velmora4", "/usr/bin/tool"};
    auto isExecutable = [&](const std::string& p) { return executables.count(p) > 0; };

    EXPECT_EQ(splitCommandLine("/opt/my progs/Velmora4 Tavik6", isExecutable),
              (Words{"/opt/my progs/Velmora4", "Tavik6"}));
    // The profile after the comma may hold blanks: the updater joins its words again.
    EXPECT_EQ(splitCommandLine("/opt/my progs/Velmora4 new6,Büro 2", isExecutable),
              (Words{"/opt/my progs/Velmora4", "new6,Büro", "2"}));
    EXPECT_EQ(splitCommandLine("/usr/bin/tool", isExecutable), (Words{"/usr/bin/tool"}));
}

TEST(CommandLine, QuotesGroupWordsAndAreRemoved) {
    auto isExecutable = [](const std::string& p) { return p == "/p/AppToService"; };
    EXPECT_EQ(splitCommandLine("/p/AppToService /Install /Startup:A \"/p/\" Tavik6.EXE\" /Arguments:\"Büro 2\"",
                               isExecutable),
              (Words{"/p/AppToService", "/Install", "/Startup:A", "/p/", "Tavik6.EXE /Arguments:Büro", "2"}));
    EXPECT_EQ(splitCommandLine("/p/AppToService /Remove \"Tavik6\"", isExecutable),
              (Words{"/p/AppToService", "/Remove", "Tavik6"}));
}

TEST(CommandLine, QuotedProgramAndUnknownProgram) {
    auto none = [](const std::string&) { return false; };
    EXPECT_EQ(splitCommandLine("\"/a b/c\" x y", none), (Words{"/a b/c", "x", "y"}));
    EXPECT_EQ(splitCommandLine("missing arg", none), (Words{"missing", "arg"}));
    EXPECT_TRUE(splitCommandLine("", none).empty());
}

}  // namespace
}  // namespace tavik
