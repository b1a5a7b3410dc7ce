/* Resolves names through this C library's getaddrinfo with a given file in
 * the place of /etc/hosts. Built once against glibc and once against musl,
 * so that the tests can see what either makes of the hosts files we write.
 *
 *   resolve HOSTSFILE NAME...
 *
 * Prints one line per name: the name and its addresses, sorted and without
 * repeats, or the name and "-" when it does not resolve. The file is bound
 * over /etc/hosts in a private mount namespace; a private network namespace
 * keeps a name missing from the file away from any DNS server, and both
 * libraries are told to look in the file only. Exits with 77 when the namespaces cannot be
 * made here. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

enum { kUnavailable = 77, kMaxAddresses = 64 };

static int bindOver(const char* source, const char* target) {
    if (mount(source, target, NULL, MS_BIND, NULL) == 0) return 0;
    fprintf(stderr, "resolve: cannot bind %s over %s: %s\n", source, target, strerror(errno));
    return -1;
}

/* Puts `text` over the file `target`, when there is one. */
static int bindText(const char* text, const char* target) {
    if (access(target, F_OK) != 0) return 0;
    char path[] = "/tmp/tavik-resolve-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return -1;
    const size_t size = strlen(text);
    const int written = write(fd, text, size) == (ssize_t)size;
    close(fd);
    const int bound = written ? bindOver(path, target) : -1;
    unlink(path);
    return bound;
}

/* Only the file may answer: glibc would also ask other sources (DNS, the
 * machine's own name), and musl asks DNS for a name that is not in the file;
 * a time-out of 0 makes it give up at once instead of waiting for an answer
 * that cannot come in the empty network namespace. */
static int filesOnly(void) {
    if (bindText("hosts: files\n", "/etc/nsswitch.conf") != 0) return -1;
    return bindText("nameserver 127.0.0.1\noptions timeout:0 attempts:1\n", "/etc/resolv.conf");
}

static int enterPrivateView(const char* hostsFile) {
    if (unshare(CLONE_NEWNS | CLONE_NEWNET) != 0 &&
        unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWNET) != 0) {
        fprintf(stderr, "resolve: no private namespaces here: %s\n", strerror(errno));
        return -1;
    }
    if (mount(NULL, "/", NULL, MS_REC | MS_PRIVATE, NULL) != 0) {
        fprintf(stderr, "resolve: cannot make the mounts private: %s\n", strerror(errno));
        return -1;
    }
    if (bindOver(hostsFile, "/etc/hosts") != 0) return -1;
    return filesOnly();
}

static int compareText(const void* a, const void* b) {
    return strcmp((const char*)a, (const char*)b);
}

static void printAnswer(const char* name) {
    struct addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* found = NULL;
    static char addresses[kMaxAddresses][INET6_ADDRSTRLEN];
    int count = 0;
    if (getaddrinfo(name, NULL, &hints, &found) == 0) {
        for (const struct addrinfo* at = found; at && count < kMaxAddresses; at = at->ai_next) {
            const void* raw = at->ai_family == AF_INET
                                  ? (const void*)&((const struct sockaddr_in*)at->ai_addr)->sin_addr
                                  : (const void*)&((const struct sockaddr_in6*)at->ai_addr)->sin6_addr;
            if (inet_ntop(at->ai_family, raw, addresses[count], INET6_ADDRSTRLEN)) ++count;
        }
        freeaddrinfo(found);
    }
    qsort(addresses, (size_t)count, sizeof addresses[0], compareText);
    printf("%s", name);
    if (count == 0) printf(" -");
    for (int i = 0; i < count; ++i)
        if (i == 0 || strcmp(addresses[i], addresses[i - 1]) != 0) printf(" %s", addresses[i]);
    printf("\n");
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: resolve HOSTSFILE NAME...\n");
        return 2;
    }
    if (enterPrivateView(argv[1]) != 0) return kUnavailable;
    for (int i = 2; i < argc; ++i) printAnswer(argv[i]);
    return fflush(stdout) == 0 ? 0 : 1;
}
