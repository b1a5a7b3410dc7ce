// Checks a hosts file the client wrote against the one it started from:
//
//   resolvers_agree BEFORE AFTER NAME [ADDRESS]
//
// NAME must resolve to ADDRESS (to nothing when ADDRESS is missing) through
// glibc and musl, and every other name must answer as before. Prints the
// differences. Exits 0 when there are none, 1 when there are, 77 when names
// cannot be resolved here (the reason on standard error), 2 on bad use.
#include <fstream>
#include <iostream>
#include <sstream>

#include "ResolverCheck.h"

namespace {

bool readFile(const char* path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    content = text.str();
    return static_cast<bool>(in);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: resolvers_agree BEFORE AFTER NAME [ADDRESS]\n";
        return 2;
    }
    std::string before;
    std::string after;
    if (!readFile(argv[1], before) || !readFile(argv[2], after)) {
        std::cerr << "resolvers_agree: cannot read the hosts files\n";
        return 2;
    }
    const tavik::robustness::Resolvers resolvers;
    if (!resolvers.unavailable().empty()) {
        std::cerr << resolvers.unavailable() << "\n";
        return 77;
    }
    const std::string differences = resolvers.disagreements(before, after, argv[3], argc == 5 ? argv[4] : "");
    std::cout << differences;
    return differences.empty() ? 0 : 1;
}
