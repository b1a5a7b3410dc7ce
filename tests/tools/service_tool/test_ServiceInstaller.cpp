#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ServiceInstaller.h"

namespace {

namespace fs = std::filesystem;
using namespace tavik::servicetool;
using Commands = std::vector<std::vector<std::string>>;

class RecordingRunner : public CommandRunner {
public:
    bool run(const std::vector<std::string>& argv) override {
        commands.push_back(argv);
        return succeed;
    }
    Commands commands;
    bool succeed = true;
};

std::string readFile(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ServiceInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("apptoservice-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "Meine Programme");
        std::ofstream(program()) << "#!/bin/sh\n";
        fs::permissions(program(), fs::perms(0755));
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path program() const { return root_ / "Meine Programme" / "Tavik6"; }
    fs::path units() const { return root_ / "units"; }
    fs::path unit() const { return units() / "tavik6.service"; }

    ServiceInstaller installer(UnitScope scope, CommandRunner* runner) {
        InstallerSetup setup;
        setup.unitFolder = units();
        setup.scope = scope;
        setup.systemctl = runner;
        return ServiceInstaller(setup, out_, err_);
    }

    ServiceCommand installCommand(const std::string& arguments, StartupMode startup = StartupMode::Automatic) {
        ServiceCommand command;
        command.serviceName = "Tavik6";
        command.program = program();
        command.arguments = arguments;
        command.startup = startup;
        return command;
    }

    ServiceCommand removeCommand() {
        ServiceCommand command;
        command.action = ServiceAction::Remove;
        command.serviceName = "Tavik6";
        return command;
    }

    fs::path root_;
    std::ostringstream out_, err_;
};

TEST_F(ServiceInstallerTest, InstallWritesTheUnitAndEnablesItWithTheServiceManager) {
    RecordingRunner runner;
    EXPECT_EQ(installer(UnitScope::System, &runner).install(installCommand("Büro 2")), 0) << err_.str();

    const std::string text = readFile(unit());
    EXPECT_NE(text.find("\nExecStart=\"" + program().string() + "\" \"Büro 2\"\n"), std::string::npos) << text;
    struct stat info {};
    ASSERT_EQ(::stat(unit().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(runner.commands, (Commands{{"systemctl", "daemon-reload"}, {"systemctl", "enable", "tavik6.service"}}));
    EXPECT_EQ(std::distance(fs::directory_iterator(units()), fs::directory_iterator()), 1) << "no temporary file left";
}

TEST_F(ServiceInstallerTest, UserUnitsGoThroughTheUsersServiceManager) {
    RecordingRunner runner;
    EXPECT_EQ(installer(UnitScope::User, &runner).install(installCommand("", StartupMode::Manual)), 0);
    EXPECT_EQ(runner.commands, (Commands{{"systemctl", "--user", "daemon-reload"},
                                         {"systemctl", "--user", "disable", "tavik6.service"}}));
    EXPECT_NE(readFile(unit()).find("WantedBy=default.target"), std::string::npos);
}

TEST_F(ServiceInstallerTest, InstallAgainReplacesTheUnit) {
    auto tool = installer(UnitScope::System, nullptr);
    ASSERT_EQ(tool.install(installCommand("Büro")), 0);
    ASSERT_EQ(tool.install(installCommand("Filiale")), 0);
    EXPECT_EQ(readFile(unit()).find("Büro"), std::string::npos);
    EXPECT_NE(readFile(unit()).find("\"Filiale\""), std::string::npos);
}

TEST_F(ServiceInstallerTest, MissingProgramIsReportedAndNothingIsWritten) {
    fs::remove(program());
    RecordingRunner runner;
    EXPECT_EQ(installer(UnitScope::System, &runner).install(installCommand("Büro")), 1);
    EXPECT_FALSE(fs::exists(unit()));
    EXPECT_TRUE(runner.commands.empty());
    EXPECT_NE(err_.str().find(program().string()), std::string::npos) << err_.str();
}

TEST_F(ServiceInstallerTest, FailingServiceManagerIsReported) {
    RecordingRunner runner;
    runner.succeed = false;
    EXPECT_EQ(installer(UnitScope::System, &runner).install(installCommand("Büro")), 1);
    EXPECT_NE(err_.str().find("systemctl daemon-reload"), std::string::npos) << err_.str();
}

TEST_F(ServiceInstallerTest, RemoveDisablesStopsAndDeletesTheUnit) {
    ASSERT_EQ(installer(UnitScope::System, nullptr).install(installCommand("Büro")), 0);
    RecordingRunner runner;
    EXPECT_EQ(installer(UnitScope::System, &runner).remove(removeCommand()), 0) << err_.str();
    EXPECT_FALSE(fs::exists(unit()));
    EXPECT_EQ(runner.commands,
              (Commands{{"systemctl", "disable", "--now", "tavik6.service"}, {"systemctl", "daemon-reload"}}));

    // Removing what is not there is no failure, and asks the manager nothing.
    runner.commands.clear();
    EXPECT_EQ(installer(UnitScope::System, &runner).remove(removeCommand()), 0);
    EXPECT_TRUE(runner.commands.empty());
}

TEST_F(ServiceInstallerTest, UnitStaysWhenTheServiceCannotBeStopped) {
    ASSERT_EQ(installer(UnitScope::System, nullptr).install(installCommand("Büro")), 0);
    RecordingRunner runner;
    runner.succeed = false;
    EXPECT_EQ(installer(UnitScope::System, &runner).remove(removeCommand()), 1);
    EXPECT_TRUE(fs::exists(unit())) << "a running service keeps its unit";
}

}  // namespace
