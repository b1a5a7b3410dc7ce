/* A stand-in for polkit's pkexec in the end-to-end tests. Mounted setuid root
   over /usr/bin/pkexec inside the test's own mount namespace, it does what
   pkexec does once polkit allowed the action: runs the program as root with
   a clean environment and PKEXEC_UID naming the caller. It runs nothing but
   tavik6-hosts-helper. With FAKE_PKEXEC_DENY=1 in the caller's environment
   it answers as pkexec does when the user dismissed the password dialog. */
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] != '/') return 127;
    const char* base = std::strrchr(argv[1], '/') + 1;
    if (std::strcmp(base, "tavik6-hosts-helper") != 0) return 127;
    const char* deny = std::getenv("FAKE_PKEXEC_DENY");
    if (deny != nullptr && std::strcmp(deny, "1") == 0) return 126;
    char caller[32];
    std::snprintf(caller, sizeof caller, "PKEXEC_UID=%u", static_cast<unsigned>(getuid()));
    if (setresgid(0, 0, 0) != 0 || setresuid(0, 0, 0) != 0) return 127;
    char path[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
    char* environment[] = {path, caller, nullptr};
    execve(argv[1], argv + 1, environment);
    return 127;
}
