#pragma once
#include "ServiceInstaller.h"

namespace tavik::servicetool {

// Runs a command found on PATH with posix_spawnp and waits for it; never
// through a shell.
class SpawnRunner : public CommandRunner {
public:
    bool run(const std::vector<std::string>& argv) override;
};

}  // namespace tavik::servicetool
