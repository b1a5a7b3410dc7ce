#include "SpawnRunner.h"

#include "platform/posix/Spawn.h"

namespace tavik::servicetool {

bool SpawnRunner::run(const std::vector<std::string>& argv) {
    SpawnOptions options;
    options.searchPath = true;
    // systemctl waits for a stopping service at most its stop time-out
    // (90 s unless the unit says otherwise); a call that outlasts this bound
    // hangs and is ended, so the tool reports the failure instead of
    // never coming back.
    options.limit = std::chrono::minutes(3);
    const auto outcome = runAndWait(argv, options);
    return outcome && outcome->exitCode == 0;
}

}  // namespace tavik::servicetool
