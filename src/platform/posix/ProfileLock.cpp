#include "platform/posix/ProfileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/posix/SqliteRegistry.h"

namespace tavik {
namespace {

// File names stay well below the usual 255-byte limit, with the store's name in front.
constexpr std::size_t kLongestProfilePart = 120;

std::string hexOf(std::uint64_t number) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(number));
    return text;
}

std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string safeName(const std::string& profile) {
    std::string name;
    for (unsigned char c : profile) {
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (plain) {
            name += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            name += escaped;
        }
    }
    if (name.size() > kLongestProfilePart) name = name.substr(0, kLongestProfilePart - 17) + "-" + hexOf(fnv1a(name));
    return name;
}


}  // namespace

std::filesystem::path ProfileLock::lockFile(const std::filesystem::path& storeFile, const std::string& profile) {
    return storeFile.parent_path() / (storeFile.filename().string() + "." + safeName(profile) + ".lock");
}

ProfileClaim ProfileLock::claim(const std::filesystem::path& storeFile, const std::string& profile) {
    if (fd_.valid()) return ProfileClaim::Claimed;
    const auto file = lockFile(storeFile, profile);
    // The lock may be the first thing in a new store folder, made as the store makes it.
    if (!makePrivateFolders(file.parent_path())) return ProfileClaim::Unchecked;
    // Close-on-exec: programs the client starts (the updater, a browser) must
    // not keep the profile after the client has ended.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return ProfileClaim::Unchecked;
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? ProfileClaim::InUse : ProfileClaim::Unchecked;
    }
    fd_.reset(fd);
    return ProfileClaim::Claimed;
}

}  // namespace tavik
