#pragma once
#include <string>

namespace tavik {

// Whether the display the environment names answers. Qt ends the process when
// it cannot open its display, so the program looks first and stays headless
// instead. Only local sockets are probed; a display on another host counts as
// reachable. Returns a description of what was tried when nothing answers.
struct DisplayProbeResult {
    bool reachable = false;
    std::string tried;  // e.g. "DISPLAY=:1"
};

DisplayProbeResult probeDisplay();

}  // namespace tavik
