// The headless client with its timers a hundred times faster: a minute of
// the cycle lasts 0.6 s, so tests can watch many cycles. Built for tests only.
#include "app/HeadlessApp.h"

int main(int argc, char** argv) { return tavik::runHeadless(argc, argv, 0.01); }
