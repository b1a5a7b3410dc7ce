#pragma once
// Helpers the tests share on every platform the tests run on.
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace tavik::testing_support {

// A new, empty folder under the system's temporary folder whose name starts
// with `prefix`; empty when none could be made.
inline std::filesystem::path makeTempDirectory(const std::string& prefix) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) return candidate;
    }
    return {};
}

// Sets an environment variable of this process.
inline void setEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    ::setenv(name, value, 1);
#endif
}

}  // namespace tavik::testing_support
