#include "app/HeadlessApp.h"

// The Windows program runs headless with its console front end; the Win32
// desktop front end is not built yet.
int main(int argc, char** argv) { return tavik::runHeadless(argc, argv); }
