#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ServiceCommand.h"
#include "platform/posix/CommandLine.h"

namespace {

using namespace tavik::servicetool;

constexpr char kQ = '"';

std::optional<ServiceCommand> parse(const std::vector<std::string>& words) {
    std::string error;
    auto command = parseServiceCommand(words, error);
    EXPECT_EQ(command.has_value(), error.empty()) << error;
    return command;
}

// The words the tool gets when the program starts `line`: the platform splits
// it as it splits every command line the program starts.
std::vector<std::string> wordsAsStarted(const std::string& tool, const std::string& line) {
    auto words = tavik::splitCommandLine(line, [&](const std::string& path) { return path == tool; });
    EXPECT_FALSE(words.empty());
    if (words.empty()) return {};
    EXPECT_EQ(words.front(), tool);
    return {words.begin() + 1, words.end()};
}

// The install command as the program writes it: quotes around the slashed
// folder, an unmatched one after the program name.
std::string installLine(const std::string& folder, const std::string& profile) {
    std::string line = folder + "/AppToService /Install /Startup:A " + kQ + folder + "/" + kQ + " Tavik6" + kQ;
    if (!profile.empty()) line += std::string(" /Arguments:") + kQ + profile + kQ;
    return line;
}

TEST(ServiceCommandTest, InstallAsTheProgramStartsIt) {
    struct Case {
        std::string folder;
        std::string profile;
    };
    const Case cases[] = {
        {"/opt/tavik6", ""},
        {"/opt/tavik6", "Büro"},
        {"/home/anna/Meine Programme/tavik 6", "Büro 2"},
        {"/opt/tavik6", "Filiale /Nord, 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder + " | " + c.profile);
        const auto words = wordsAsStarted(c.folder + "/AppToService", installLine(c.folder, c.profile));
        const auto command = parse(words);
        ASSERT_TRUE(command);
        EXPECT_EQ(command->action, ServiceAction::Install);
        EXPECT_EQ(command->startup, StartupMode::Automatic);
        EXPECT_EQ(command->serviceName, "Tavik6");
        EXPECT_EQ(command->program, std::filesystem::path(c.folder) / "Tavik6");
        EXPECT_EQ(command->arguments, c.profile);
    }
}

TEST(ServiceCommandTest, RemoveAsTheProgramStartsIt) {
    const std::string folder = "/opt/my tavik";
    const auto command =
        parse(wordsAsStarted(folder + "/AppToService", folder + "/AppToService /Remove " + kQ + "Tavik6" + kQ));
    ASSERT_TRUE(command);
    EXPECT_EQ(command->action, ServiceAction::Remove);
    EXPECT_EQ(command->serviceName, "Tavik6");
}

TEST(ServiceCommandTest, WrittenByHandInAnyCaseAndWithTheWholeProgramPath) {
    auto command = parse({"/install", "/startup:m", "/opt/tavik6/Tavik6", "/ARGUMENTS:Büro 2"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->startup, StartupMode::Manual);
    EXPECT_EQ(command->program, "/opt/tavik6/Tavik6");
    EXPECT_EQ(command->arguments, "Büro 2");

    command = parse({"/Install", "/opt/tavik6/", "Tavik6"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->startup, StartupMode::Automatic);
    EXPECT_EQ(command->arguments, "");

    command = parse({"/Install", "/Startup:D", "/opt//tavik6/./", "Tavik6", "/Arguments:"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->startup, StartupMode::Disabled);
    EXPECT_EQ(command->program, "/opt/tavik6/Tavik6");
    EXPECT_EQ(command->arguments, "");
}

TEST(ServiceCommandTest, CommandLinesItDoesNotUnderstand) {
    const std::vector<std::vector<std::string>> refused = {
        {},
        {"/Frob", "Tavik6"},
        {"Tavik6"},
        {"/Install"},
        {"/Install", "/Startup:A"},
        {"/Install", "/Startup:X", "/opt/tavik6/", "Tavik6"},
        {"/Install", "/Startup:A", "opt/tavik6/", "Tavik6"},
        {"/Install", "/Startup:A", "/opt/tavik6/"},
        {"/Install", "/Startup:A", "/opt/tavik6/", "Tavik 6"},
        {"/Install", "/Startup:A", "/opt/tavik6/", "Tavik6", "/Arguments:Büro\n[Service]"},
        {"/Install", "/Startup:A", "/opt/tav\nik6/", "Tavik6"},
        {"/Remove"},
        {"/Remove", "../../etc/passwd"},
        {"/Remove", "Tavik6", "extra"},
        {"/Remove", "tavik6.service/x"},
    };
    for (const auto& words : refused) {
        std::string joined;
        for (const auto& w : words) joined += "[" + w + "]";
        SCOPED_TRACE(joined);
        EXPECT_FALSE(parse(words));
    }
}

}  // namespace
