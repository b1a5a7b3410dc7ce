#include "platform/http/ReceivedBytes.h"

#include <fcntl.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>

namespace tavik {

ReceivedBytes::~ReceivedBytes() {
    for (const int socket : sockets_) ::close(socket);
}

void ReceivedBytes::watch(int socket) {
    const int own = ::fcntl(socket, F_DUPFD_CLOEXEC, 0);
    if (own < 0) return;
    std::lock_guard lock(mutex_);
    sockets_.push_back(own);
}

std::uint64_t ReceivedBytes::total() {
    std::lock_guard lock(mutex_);
    std::uint64_t sum = 0;
    for (const int socket : sockets_) {
        tcp_info info{};
        socklen_t size = sizeof info;
        // Kernels before 4.1 give a shorter record without the count.
        constexpr auto needed = offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received;
        if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 && size >= needed)
            sum += info.tcpi_bytes_received;
    }
    return sum;
}

}  // namespace tavik
