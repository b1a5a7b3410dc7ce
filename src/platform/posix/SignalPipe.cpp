#include "platform/posix/SignalPipe.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace tavik {
namespace {

// The write end of the pipe, for the async-signal-safe handler.
volatile sig_atomic_t signalWriteFd = -1;

void onSignalArrived(int signal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (signalWriteFd >= 0) {
        [[maybe_unused]] const auto written = write(signalWriteFd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

SignalPipe::SignalPipe(std::initializer_list<int> caught) {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        fds_[0] = fds_[1] = -1;
        return;
    }
    signalWriteFd = fds_[1];
    struct sigaction action {};
    action.sa_handler = onSignalArrived;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : caught) sigaction(signal, &action, nullptr);
}

SignalPipe::~SignalPipe() {
    if (signalWriteFd == fds_[1]) signalWriteFd = -1;
    for (int fd : fds_)
        if (fd >= 0) close(fd);
}

std::vector<int> SignalPipe::takeSignals() {
    std::vector<int> arrived;
    unsigned char buffer[64];
    ssize_t n;
    while (fds_[0] >= 0 && (n = read(fds_[0], buffer, sizeof buffer)) > 0)
        for (ssize_t i = 0; i < n; ++i) arrived.push_back(buffer[i]);
    return arrived;
}

}  // namespace tavik
