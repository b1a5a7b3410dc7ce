#pragma once
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace tavik {

// Thrown by FakeProcesses::exitNow so a test can see where the program ended.
struct ProgramEnded {
    int code;
};

class FakeProcesses : public Processes {
public:
    std::vector<std::string> started;
    // Programs started with separate arguments: the program, then each argument.
    std::vector<std::vector<std::string>> startedPrograms;
    bool startSucceeds = true;

    bool start(const std::string& commandLine) override {
        started.push_back(commandLine);
        return startSucceeds;
    }
    bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments) override {
        std::vector<std::string> words{program.string()};
        words.insert(words.end(), arguments.begin(), arguments.end());
        startedPrograms.push_back(words);
        return startSucceeds;
    }
    [[noreturn]] void exitNow(int code) override { throw ProgramEnded{code}; }
};

}  // namespace tavik
