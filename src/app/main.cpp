#include "app/HeadlessApp.h"

int main(int argc, char** argv) { return tavik::runHeadless(argc, argv); }
