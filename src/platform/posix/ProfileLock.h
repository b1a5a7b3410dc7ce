#pragma once
#include <filesystem>
#include <string>

#include "platform/ProgramEnvironment.h"
#include "platform/posix/UniqueFd.h"

namespace tavik {

// The mark that a profile runs: an exclusive flock on a lock file beside the
// settings store, held by an open descriptor until the process ends. The
// kernel drops the lock with the process, so a crash leaves no stale mark.
// Profiles are sections of one store, so the lock belongs to that store: two
// stores (a user's, the service's, a test's) keep their profiles apart.
class ProfileLock {
public:
    ProfileLock() = default;
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

    // Takes the lock for `profile` of the store `storeFile`; a claim that
    // succeeded before stays.
    ProfileClaim claim(const std::filesystem::path& storeFile, const std::string& profile);

    // The lock file of a profile: "<store file name>.<profile>.lock" beside
    // the store. The store matches section names regardless of ASCII case,
    // so the name is folded the same way; every byte outside [a-z0-9._-]
    // (blanks, slashes, non-ASCII) is written as %XX, and an overlong name is
    // cut and completed by a hash of the whole.
    static std::filesystem::path lockFile(const std::filesystem::path& storeFile, const std::string& profile);

private:
    UniqueFd fd_;
};

}  // namespace tavik
