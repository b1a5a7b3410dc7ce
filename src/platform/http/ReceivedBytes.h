#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

namespace tavik {

// What the server has sent so far on the sockets of one exchange, as the
// kernel counts it. The body cap only sees the body; this also sees header
// lines, which a hostile server can send without end. Holds its own handle
// on each socket, so the count stays readable after the HTTP client closes it.
class ReceivedBytes {
public:
    ReceivedBytes() = default;
    ~ReceivedBytes();
    ReceivedBytes(const ReceivedBytes&) = delete;
    ReceivedBytes& operator=(const ReceivedBytes&) = delete;

    // Starts counting on `socket`; may be called from any thread.
    void watch(int socket);
    // The bytes received on all watched sockets; 0 for a socket whose count
    // the kernel does not give.
    std::uint64_t total();

private:
    std::mutex mutex_;
    std::vector<int> sockets_;
};

}  // namespace tavik
