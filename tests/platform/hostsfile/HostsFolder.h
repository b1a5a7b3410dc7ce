#pragma once
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace tavik {

// A temporary folder holding one hosts file, removed with everything in it.
class HostsFolder {
public:
    HostsFolder()
        : folder(std::filesystem::temp_directory_path() / ("tavik-hosts-" + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(folder);
    }
    ~HostsFolder() { std::filesystem::remove_all(folder); }

    static void write(const std::filesystem::path& path, const std::string& content) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    }
    static std::string read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static struct stat info(const std::filesystem::path& path) {
        struct stat result {};
        ::stat(path.c_str(), &result);
        return result;
    }
    std::filesystem::path side(const char* suffix) const { return hosts.string() + suffix; }

    std::filesystem::path folder;
    std::filesystem::path hosts = folder / "hosts";
};

}  // namespace tavik
