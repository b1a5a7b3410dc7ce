#pragma once

namespace tavik {

// Runs the client without a desktop until a signal ends it; returns the exit code.
int runHeadless(int argc, char** argv);

}  // namespace tavik
