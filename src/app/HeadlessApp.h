#pragma once

namespace tavik {

// Runs the client without a desktop until a signal ends it; returns the exit
// code. `timeScale` shortens the cycle's timers and the transfer's time
// limits; only test builds change it.
int runHeadless(int argc, char** argv, double timeScale = 1.0);

}  // namespace tavik
