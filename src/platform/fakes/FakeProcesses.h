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
    bool startSucceeds = true;

    bool start(const std::string& commandLine) override {
        started.push_back(commandLine);
        return startSucceeds;
    }
    [[noreturn]] void exitNow(int code) override { throw ProgramEnded{code}; }
};

}  // namespace tavik
