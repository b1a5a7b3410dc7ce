#pragma once
#include "ServiceInstaller.h"

namespace tavik::servicetool {

// Runs a command found on PATH and waits for it (three minutes at most);
// never through a shell.
class SpawnRunner : public CommandRunner {
public:
    bool run(const std::vector<std::string>& argv) override;
};

}  // namespace tavik::servicetool
