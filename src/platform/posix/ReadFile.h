#pragma once
#include <cstdio>
#include <filesystem>
#include <string>

namespace tavik {

// The whole content of a small file (a package list, a sysfs value), empty
// when it cannot be read. Read through the C library rather than an
// std::ifstream: the first C++ stream of a process sets up the C++ library's
// locale machinery, which a resident program would keep in memory for good.
inline std::string readWholeFile(const std::filesystem::path& file) {
    std::string content;
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) return content;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) content.append(buffer, got);
    std::fclose(in);
    return content;
}

}  // namespace tavik
