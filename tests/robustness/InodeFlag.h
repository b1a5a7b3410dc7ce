#pragma once
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

namespace tavik::robustness {

// Sets or clears an inode flag (FS_IMMUTABLE_FL, FS_APPEND_FL) of a file or
// folder as chattr does; false where the file system has no such flags.
inline bool setInodeFlag(const std::filesystem::path& path, int flag, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | flag : flags & ~flag;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

}  // namespace tavik::robustness
