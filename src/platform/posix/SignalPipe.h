#pragma once
#include <initializer_list>
#include <vector>

namespace tavik {

// Turns signals into bytes on a pipe, so that an event loop can handle them on
// its own thread like any other event: the handler itself only writes the
// signal's number, which is all a signal handler may safely do. One at a time
// per process.
class SignalPipe {
public:
    explicit SignalPipe(std::initializer_list<int> caught);
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    // Readable when a signal has arrived; -1 when the pipe could not be made.
    int readFd() const { return fds_[0]; }
    // The signals that arrived since the last call, in order.
    std::vector<int> takeSignals();

private:
    int fds_[2] = {-1, -1};
};

}  // namespace tavik
