#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ServiceUnit.h"

namespace {

using namespace tavik::servicetool;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

bool hasLine(const std::string& text, const std::string& wanted) {
    for (const auto& line : lines(text)) {
        if (line == wanted) return true;
    }
    return false;
}

ServiceCommand install(const std::string& program, const std::string& arguments) {
    ServiceCommand command;
    command.serviceName = "Tavik6";
    command.program = program;
    command.arguments = arguments;
    return command;
}

TEST(ServiceUnitTest, WordsAreQuotedSoSystemdPassesThemUnchanged) {
    struct Case {
        std::string word;
        std::string quoted;
    };
    const Case cases[] = {
        {"Büro", "\"Büro\""},
        {"Büro 2", "\"Büro 2\""},
        {"a\"b", "\"a\\\"b\""},
        {"a\\b", "\"a\\\\b\""},
        {"100%", "\"100%%\""},
        {"$HOME", "\"$$HOME\""},
        {"", "\"\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quoteExecWord(c.word), c.quoted) << c.word;
    }
    // Environment= expands specifiers but no variables.
    EXPECT_EQ(quoteAssignment("TAVIK_REGISTRY", "/home/a b/$x%.sqlite"), "\"TAVIK_REGISTRY=/home/a b/$x%%.sqlite\"");
}

TEST(ServiceUnitTest, SystemUnitStartsTheProgramHeadlessWithItsProfileAtBoot) {
    const std::string text =
        unitText(install("/opt/my programs/Tavik6", "Büro 2"), UnitScope::System, {{"TAVIK_HOSTS_FILE", "/tmp/h"}});
    for (const std::string& line : {
             std::string("[Service]"),
             std::string("ExecStart=\"/opt/my programs/Tavik6\" \"Büro 2\""),
             std::string("Environment=TAVIK_HEADLESS=1"),
             std::string("Environment=\"TAVIK_HOSTS_FILE=/tmp/h\""),
             std::string("Restart=on-failure"),
             std::string("ExitType=cgroup"),
             std::string("After=network-online.target"),
             std::string("Wants=network-online.target"),
             std::string("[Install]"),
             std::string("WantedBy=multi-user.target"),
         }) {
        EXPECT_TRUE(hasLine(text, line)) << line << "\n" << text;
    }
}

TEST(ServiceUnitTest, UserUnitAndProgramWithoutArguments) {
    const std::string text = unitText(install("/opt/tavik6/Tavik6", ""), UnitScope::User, {});
    EXPECT_TRUE(hasLine(text, "ExecStart=\"/opt/tavik6/Tavik6\"")) << text;
    EXPECT_TRUE(hasLine(text, "WantedBy=default.target")) << text;
    // A user's service manager has no network-online target.
    EXPECT_EQ(text.find("network-online"), std::string::npos) << text;
    EXPECT_EQ(text.find("TAVIK_HOSTS_FILE"), std::string::npos) << text;
}

}  // namespace
